#pragma once
// Every delay and timer of the system goes through one timer service: Qt
// timers in the programs (QtTimerService), a manual clock in tests
// (ManualClock), so that a test of a long time-out runs at once and in a
// fixed order.
//
// Timers are bound to the service that created them. Install a test's clock
// before creating the objects whose timers it is to drive. When a service is
// destroyed its timers become inert and its pending single-shot calls are
// dropped; it also uninstalls itself if it was installed.
#include "platform/loop/LoopGuard.h"
#include "platform/loop/SingleShotHandle.h"
#include "platform/loop/Timer.h"
#include <QtGlobal>
#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <unordered_map>

namespace loop {

class TimerService {
public:
    TimerService();
    virtual ~TimerService();
    TimerService(const TimerService&) = delete;
    TimerService& operator=(const TimerService&) = delete;

    // The installed service, or the program's Qt service when none is installed.
    static TimerService& instance();
    // Installs service for the whole process; nullptr restores the Qt service.
    // Returns the service installed before (nullptr for the Qt service).
    static TimerService* SetInstance(TimerService* service);

    // A stopped, repeating timer with interval 0, owned by the caller.
    std::unique_ptr<Timer> CreateTimer(std::function<void()> callback = {});

    // Runs call once, intervalMs from now (a negative delay counts as 0). The
    // call is dropped when guard's object has died by then.
    SingleShotHandle SingleShot(int intervalMs, std::function<void()> call, LoopGuard guard = {});
    int PendingSingleShots() const { return static_cast<int>(m_shots.size()); }

    // Monotonic time in milliseconds.
    virtual qint64 NowMs() const = 0;
    // Lets ms milliseconds pass inside a call (the sleep of a wait loop). The
    // Qt service blocks without pumping; the manual clock advances its time.
    virtual void Sleep(int ms) = 0;
    // Fires the timers due now that the Qt event loop would not deliver by
    // itself; used by PumpPendingWork.
    virtual void ProcessDueTimers() {}

protected:
    // (Re)starts counting intervalMs for the timer from now.
    virtual void Arm(uint64_t timerId, int intervalMs) = 0;
    // Stops counting; harmless for a timer that is not armed.
    virtual void Disarm(uint64_t timerId) = 0;

    // The implementation calls this when a timer falls due. A single-shot
    // timer is stopped first; then the callback runs. Unknown or inactive
    // timers are ignored.
    void Dispatch(uint64_t timerId);
    // The live timer with that id, or null.
    const Timer* FindTimer(uint64_t timerId) const;
    // Makes every timer inert and drops the single-shot calls; implementations
    // call it first in their destructor, while Disarm still works.
    void DetachAll();

private:
    friend class Timer;
    friend class SingleShotHandle;
    struct Shot;

    void Unregister(Timer& timer);
    void RunSingleShot(uint64_t key);
    void CancelSingleShot(uint64_t key);

    std::unordered_map<uint64_t, Timer*> m_timers;
    std::map<uint64_t, std::unique_ptr<Shot>> m_shots;
    uint64_t m_lastTimerId = 0;
    uint64_t m_lastShotKey = 0;
};

} // namespace loop
