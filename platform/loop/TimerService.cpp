#include "platform/loop/TimerService.h"
#include "platform/loop/EventLoop.h"
#include "platform/loop/QtTimerService.h"

namespace loop {

namespace {
TimerService* g_installed = nullptr;
} // namespace

struct TimerService::Shot {
    std::shared_ptr<detail::SingleShotEntry> entry;
    std::unique_ptr<Timer> timer;
    std::function<void()> call;
    LoopGuard guard;
};

TimerService::TimerService() = default;

TimerService::~TimerService()
{
    DetachAll();
    if (g_installed == this)
        g_installed = nullptr;
}

TimerService& TimerService::instance()
{
    if (g_installed)
        return *g_installed;
    static QtTimerService programService;
    return programService;
}

TimerService* TimerService::SetInstance(TimerService* service)
{
    TimerService* previous = g_installed;
    g_installed = service;
    return previous;
}

std::unique_ptr<Timer> TimerService::CreateTimer(std::function<void()> callback)
{
    const uint64_t id = ++m_lastTimerId;
    std::unique_ptr<Timer> timer(new Timer(this, id, std::move(callback)));
    m_timers.emplace(id, timer.get());
    return timer;
}

SingleShotHandle TimerService::SingleShot(int intervalMs, std::function<void()> call, LoopGuard guard)
{
    const uint64_t key = ++m_lastShotKey;
    auto shot = std::make_unique<Shot>();
    shot->entry = std::make_shared<detail::SingleShotEntry>();
    shot->entry->service = this;
    shot->entry->key = key;
    shot->call = std::move(call);
    shot->guard = std::move(guard);
    shot->timer = CreateTimer([this, key] { RunSingleShot(key); });
    shot->timer->SetSingleShot(true);
    Timer& timer = *shot->timer;
    SingleShotHandle handle(shot->entry);
    m_shots.emplace(key, std::move(shot));
    timer.Start(intervalMs);
    return handle;
}

void TimerService::RunSingleShot(uint64_t key)
{
    const auto it = m_shots.find(key);
    if (it == m_shots.end())
        return;
    // Taken out first: the call may cancel itself or post new calls. The
    // timer dies with it at the end of this function; Dispatch runs a copy
    // of the timer's callback, so that is safe.
    std::unique_ptr<Shot> shot = std::move(it->second);
    m_shots.erase(it);
    shot->entry->done = true;
    if (!shot->call || !shot->guard.IsAlive())
        return;
    const auto keepOwner = shot->guard.Lock();
    InvokeCallback(shot->call, "single-shot call");
}

void TimerService::CancelSingleShot(uint64_t key)
{
    const auto it = m_shots.find(key);
    if (it == m_shots.end())
        return;
    std::unique_ptr<Shot> shot = std::move(it->second);
    m_shots.erase(it);
    shot->entry->done = true;
}

void TimerService::Dispatch(uint64_t timerId)
{
    const auto it = m_timers.find(timerId);
    if (it == m_timers.end())
        return;
    Timer& timer = *it->second;
    if (!timer.m_active)
        return;
    if (timer.m_singleShot) {
        timer.m_active = false;
        Disarm(timerId);
    }
    // A copy: the callback may destroy its own timer.
    const std::function<void()> callback = timer.m_callback;
    if (callback)
        InvokeCallback(callback, "timer");
}

const Timer* TimerService::FindTimer(uint64_t timerId) const
{
    const auto it = m_timers.find(timerId);
    return it == m_timers.end() ? nullptr : it->second;
}

void TimerService::Unregister(Timer& timer)
{
    if (timer.m_active)
        Disarm(timer.m_id);
    timer.m_active = false;
    m_timers.erase(timer.m_id);
}

void TimerService::DetachAll()
{
    for (auto& [id, timer] : m_timers) {
        timer->m_service = nullptr;
        timer->m_active = false;
    }
    m_timers.clear();
    auto shots = std::move(m_shots);
    m_shots.clear();
    for (auto& [key, shot] : shots)
        shot->entry->done = true;
}

} // namespace loop
