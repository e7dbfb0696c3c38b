#pragma once
// The deferred-work window: codes posted to it are handed back to its holder
// one per timer tick, in posting order, from the event loop; a second use is
// the one-shot time-out of a watchdog.
//
// One process-wide dispatch-busy flag is shared by all windows: while any
// window hands out a code or a time-out, every other tick waits and retries
// 51 ms later, so no two handlers of any window ever run at the same time,
// even when a handler pumps the loop.
//
// Holders create the window on their first post and keep it in a shared_ptr;
// the window may be unloaded and dropped by its holder inside its own event.
// The timers come from the timer service installed when the window is made.
#include "fennick/fdt/clsAsyncFunction.h"
#include "platform/loop/Timer.h"
#include <cstdint>
#include <deque>
#include <functional>
#include <memory>
#include <optional>

class frmAsyncFunction : public std::enable_shared_from_this<frmAsyncFunction> {
public:
    frmAsyncFunction();
    ~frmAsyncFunction();
    frmAsyncFunction(const frmAsyncFunction&) = delete;
    frmAsyncFunction& operator=(const frmAsyncFunction&) = delete;

    static constexpr int kDispatchDelayMs = 10;
    static constexpr int kBusyRetryMs = 51;

    // Queues the code and arms the dispatch timer (10 ms). A window that was
    // unloaded is loaded again first.
    void PostFunction(int16_t functionId);
    // Queued codes; 0 once the window was unloaded.
    int32_t PendingCount() const;
    // Arms the time-out timer; TimeoutOccured(value) follows after intervalMs.
    void StartTimeout(int16_t value, int32_t intervalMs);
    // Stops both timers and drops the queue; a busy flag this window set is
    // cleared.
    void Unload();
    bool IsLoaded() const { return m_queue.has_value(); }

    // Events, raised from the timers.
    std::function<void(int16_t functionId)> DoAsyncOperation;
    std::function<void(int16_t value)> TimeoutOccured;

    // The process-wide dispatch-busy flag (0 or -1).
    static int16_t DispatchBusy();
    static void ClearDispatchBusy();

    // The timers' state, for tests.
    bool AsyncTimerActive() const { return m_asyncTimer->IsActive(); }
    int AsyncTimerInterval() const { return m_asyncTimer->Interval(); }
    bool TimeoutActive() const { return m_timeout->IsActive(); }
    int TimeoutInterval() const { return m_timeout->Interval(); }

private:
    void OnAsyncTimer();
    void OnTimeout();
    void SetBusy();
    void ClearBusy();

    std::optional<std::deque<clsAsyncFunction>> m_queue;
    int16_t m_ownBusy = 0;
    int16_t m_timeoutValue = 0;
    std::unique_ptr<loop::Timer> m_asyncTimer;
    std::unique_ptr<loop::Timer> m_timeout;
};
