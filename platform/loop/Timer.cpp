#include "platform/loop/Timer.h"
#include "platform/loop/EventLoop.h"
#include "platform/loop/TimerService.h"

namespace loop {

Timer::Timer(TimerService* service, uint64_t id, std::function<void()> callback)
    : m_service(service), m_id(id), m_callback(std::move(callback))
{
}

Timer::~Timer()
{
    if (m_service)
        m_service->Unregister(*this);
}

void Timer::SetCallback(std::function<void()> callback)
{
    m_callback = std::move(callback);
}

void Timer::Start()
{
    if (!m_service) {
        ReportLoopError(QStringLiteral("A timer was started after its timer service had gone"));
        return;
    }
    m_active = true;
    m_service->Arm(m_id, m_interval);
}

void Timer::Start(int intervalMs)
{
    m_interval = qMax(0, intervalMs);
    Start();
}

void Timer::Stop()
{
    if (!m_active)
        return;
    m_active = false;
    if (m_service)
        m_service->Disarm(m_id);
}

void Timer::SetInterval(int intervalMs)
{
    m_interval = qMax(0, intervalMs);
    if (m_active)
        Start();
}

} // namespace loop
