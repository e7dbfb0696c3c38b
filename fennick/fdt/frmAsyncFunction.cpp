#include "fennick/fdt/frmAsyncFunction.h"
#include "platform/loop/TimerService.h"

namespace {

int16_t& dispatchBusy()
{
    static int16_t busy = 0;
    return busy;
}

constexpr int16_t kTrue = -1;
constexpr int16_t kFalse = 0;

} // namespace

frmAsyncFunction::frmAsyncFunction()
    : m_queue(std::deque<clsAsyncFunction>()),
      m_asyncTimer(loop::TimerService::instance().CreateTimer([this] { OnAsyncTimer(); })),
      m_timeout(loop::TimerService::instance().CreateTimer([this] { OnTimeout(); }))
{
    m_asyncTimer->SetInterval(100);
}

frmAsyncFunction::~frmAsyncFunction()
{
    Unload();
}

int16_t frmAsyncFunction::DispatchBusy()
{
    return dispatchBusy();
}

void frmAsyncFunction::ClearDispatchBusy()
{
    dispatchBusy() = kFalse;
}

void frmAsyncFunction::SetBusy()
{
    m_ownBusy = kTrue;
    dispatchBusy() = kTrue;
}

void frmAsyncFunction::ClearBusy()
{
    dispatchBusy() = kFalse;
    m_ownBusy = kFalse;
}

void frmAsyncFunction::PostFunction(int16_t functionId)
{
    if (!m_queue)
        m_queue.emplace();
    m_queue->push_back(clsAsyncFunction{functionId});
    m_asyncTimer->Start(kDispatchDelayMs);
}

int32_t frmAsyncFunction::PendingCount() const
{
    return m_queue ? static_cast<int32_t>(m_queue->size()) : 0;
}

void frmAsyncFunction::StartTimeout(int16_t value, int32_t intervalMs)
{
    if (!m_queue)
        m_queue.emplace();
    m_timeoutValue = value;
    m_timeout->Start(intervalMs);
}

void frmAsyncFunction::Unload()
{
    m_asyncTimer->Stop();
    m_timeout->Stop();
    if (m_ownBusy)
        ClearBusy();
    m_queue.reset();
}

void frmAsyncFunction::OnAsyncTimer()
{
    // The holder may drop the window inside its event.
    const std::shared_ptr<frmAsyncFunction> keep = weak_from_this().lock();
    if (dispatchBusy()) {
        m_asyncTimer->SetInterval(kBusyRetryMs);
        return;
    }
    SetBusy();
    m_asyncTimer->Stop();
    if (!m_queue || m_queue->empty()) {
        Unload();
    } else {
        const int16_t functionId = m_queue->front().FunctionId;
        m_queue->pop_front();
        if (DoAsyncOperation)
            DoAsyncOperation(functionId);
        if (!IsLoaded())
            return; // unloaded during the event; the flags went with it
        m_asyncTimer->Start();
    }
    ClearBusy();
}

void frmAsyncFunction::OnTimeout()
{
    const std::shared_ptr<frmAsyncFunction> keep = weak_from_this().lock();
    if (dispatchBusy()) {
        // Try again shortly rather than a whole time-out later.
        m_timeout->SetInterval(kBusyRetryMs);
        return;
    }
    SetBusy();
    m_timeout->Stop();
    if (TimeoutOccured)
        TimeoutOccured(m_timeoutValue);
    ClearBusy();
}
