#include "platform/loop/ManualClock.h"
#include "platform/loop/EventLoop.h"

namespace loop {

namespace {
// A timer that keeps restarting itself with no delay would hold the clock
// at one instant for ever; after this many firings at one instant the
// step is abandoned and reported.
constexpr int kMaxFiringsPerInstant = 100000;
// Passes over the posted-call queue per drain; a call that posts itself
// again for ever is left queued after this many.
constexpr int kMaxDrainPasses = 1000;
} // namespace

ManualClock::~ManualClock()
{
    DetachAll();
}

void ManualClock::Schedule(uint64_t timerId, qint64 due)
{
    m_queue.emplace(due, timerId);
    m_due[timerId] = due;
}

void ManualClock::Arm(uint64_t timerId, int intervalMs)
{
    Disarm(timerId);
    Schedule(timerId, m_now + qMax(0, intervalMs));
}

void ManualClock::Disarm(uint64_t timerId)
{
    const auto it = m_due.find(timerId);
    if (it == m_due.end())
        return;
    m_queue.erase({it->second, timerId});
    m_due.erase(it);
}

qint64 ManualClock::MsUntilNextTimer() const
{
    return m_queue.empty() ? -1 : qMax<qint64>(0, m_queue.begin()->first - m_now);
}

void ManualClock::DrainPostedCalls()
{
    for (int pass = 0; pass < kMaxDrainPasses && PendingPostedCalls() > 0; ++pass)
        RunPostedCalls();
}

void ManualClock::Advance(qint64 ms)
{
    const qint64 target = m_now + qMax<qint64>(0, ms);
    DrainPostedCalls();
    qint64 instant = m_now;
    int firingsAtInstant = 0;
    while (!m_queue.empty()) {
        const auto [due, timerId] = *m_queue.begin();
        if (due > target)
            break;
        m_queue.erase(m_queue.begin());
        m_due.erase(timerId);
        m_now = qMax(m_now, due);
        if (m_now != instant) {
            instant = m_now;
            firingsAtInstant = 0;
        }
        if (++firingsAtInstant > kMaxFiringsPerInstant) {
            ReportLoopError(QStringLiteral("ManualClock: timers keep firing without time passing at %1 ms; "
                                           "the step was abandoned")
                                .arg(m_now));
            Schedule(timerId, due);
            return;
        }
        const Timer* timer = FindTimer(timerId);
        if (timer && !timer->IsSingleShot())
            Schedule(timerId, due + qMax(1, timer->Interval()));
        Dispatch(timerId);
        DrainPostedCalls();
    }
    m_now = qMax(m_now, target);
    DrainPostedCalls();
}

} // namespace loop
