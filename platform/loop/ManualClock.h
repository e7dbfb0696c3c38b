#pragma once
// The timer service of tests: time stands still until the test advances it.
// Advance(ms) fires every timer that falls due within the step, in order of
// due time and, for equal times, in order of the timers' creation; a repeating
// timer fires as often as it fits (a repeating interval of 0 counts as 1 ms).
// Before each timer it fires, and once more at the end, it drains the
// posted-call queue (see EventLoop.h), as a running loop would run queued
// calls ahead of a timer that falls due later. Callbacks may advance the
// clock themselves (a wait loop's Sleep); time never goes back.
#include "platform/loop/TimerService.h"
#include <set>
#include <unordered_map>
#include <utility>

namespace loop {

class ManualClock : public TimerService {
public:
    ManualClock() = default;
    ~ManualClock() override;

    void Advance(qint64 ms);
    int ArmedTimerCount() const { return static_cast<int>(m_due.size()); }
    // Milliseconds until the next armed timer falls due; -1 when none is armed.
    qint64 MsUntilNextTimer() const;

    qint64 NowMs() const override { return m_now; }
    void Sleep(int ms) override { Advance(ms); }
    void ProcessDueTimers() override { Advance(0); }

protected:
    void Arm(uint64_t timerId, int intervalMs) override;
    void Disarm(uint64_t timerId) override;

private:
    void Schedule(uint64_t timerId, qint64 due);
    void DrainPostedCalls();

    qint64 m_now = 0;
    std::set<std::pair<qint64, uint64_t>> m_queue; // (due, timer id)
    std::unordered_map<uint64_t, qint64> m_due;
};

} // namespace loop
