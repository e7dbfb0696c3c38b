#include "pioitems/SequenceMessageQueue.h"
#include "pioextensions/enmExeption.h"
#include "platform/applet/AppletTrace.h"
#include "platform/automation/ComError.h"
#include "platform/loop/EventLoop.h"
#include "platform/loop/TimerService.h"
#include <algorithm>
#include <exception>

namespace pioitems {

SequenceMessageQueue::SequenceMessageQueue(Handler handler, std::function<QString()> owner)
    : m_handler(std::move(handler)), m_owner(std::move(owner))
{
}

SequenceMessageQueue::~SequenceMessageQueue()
{
    *m_alive = false;
    m_retry.Cancel();
    for (const Message& message : m_messages)
        applet::AppletTrace::Error(QStringLiteral("%1 dropped: the control ends").arg(Describe(message)));
}

void SequenceMessageQueue::Post(int32_t message, int32_t wParam, const QString& actionName)
{
    Message entry;
    entry.id = ++m_lastId;
    entry.message = message;
    entry.wParam = wParam;
    entry.actionName = actionName;
    m_messages.push_back(entry);
    loop::PostToLoop(WhileAlive([this, id = entry.id] { Arrive(id); }));
}

void SequenceMessageQueue::Arrive(uint64_t id)
{
    auto it = std::find_if(m_messages.begin(), m_messages.end(), [id](const Message& m) { return m.id == id; });
    if (it == m_messages.end())
        return;
    it->arrived = true;
    // A later message waits while the first one is still busy.
    if (it == m_messages.begin() && !m_firstScheduled)
        RunFirst();
}

void SequenceMessageQueue::RunFirst()
{
    m_firstScheduled = false;
    if (m_messages.empty())
        return;
    const std::shared_ptr<bool> alive = m_alive;
    // The handler may end this queue (its control) while it runs.
    const Handler handler = m_handler;
    const Message& first = m_messages.front();
    try {
        handler(first.message, first.wParam);
    } catch (const automation::ComError& error) {
        if (!*alive)
            return;
        Message& busy = m_messages.front();
        if (error.number() == SEQUENCE_BUSY) {
            loop::TimerService& timers = loop::TimerService::instance();
            const qint64 now = timers.NowMs();
            if (busy.busySince < 0) {
                busy.busySince = now;
                applet::AppletTrace::Info(QStringLiteral("%1: the sequence is busy; tried again until it is free")
                                              .arg(Describe(busy)));
            } else if (now - busy.busySince >= kGiveUpAfterMs) {
                applet::AppletTrace::Error(QStringLiteral("%1 given up: the sequence stayed busy for %2 s")
                                               .arg(Describe(busy))
                                               .arg((now - busy.busySince) / 1000));
                Drop(error.number(), error.description());
                return;
            }
            const int delay = busy.nextDelayMs;
            busy.nextDelayMs = std::min(delay * 2, kLongestRetryDelayMs);
            m_firstScheduled = true;
            m_retry = timers.SingleShot(delay, WhileAlive([this] { RunFirst(); }));
            return;
        }
        applet::AppletTrace::Error(QStringLiteral("%1 failed: %2 (0x%3, %4)")
                                       .arg(Describe(busy), error.description())
                                       .arg(static_cast<uint32_t>(error.number()), 8, 16, QLatin1Char('0'))
                                       .arg(error.source()));
        Drop(error.number(), error.description());
        return;
    } catch (const std::exception& error) {
        if (!*alive)
            return;
        applet::AppletTrace::Error(
            QStringLiteral("%1 failed: %2").arg(Describe(m_messages.front()), QString::fromLocal8Bit(error.what())));
        Drop(automation::E_FAIL_, QString::fromLocal8Bit(error.what()));
        return;
    }
    if (!*alive)
        return;
    Finish();
}

void SequenceMessageQueue::Drop(int32_t number, const QString& description)
{
    const QString action = m_messages.front().actionName;
    Finish();
    // The handler may end this queue.
    if (const DroppedHandler dropped = m_dropped)
        dropped(action, number, description);
}

void SequenceMessageQueue::Finish()
{
    m_messages.pop_front();
    if (!m_messages.empty() && m_messages.front().arrived && !m_firstScheduled) {
        m_firstScheduled = true;
        loop::PostToLoop(WhileAlive([this] { RunFirst(); }));
    }
}

std::function<void()> SequenceMessageQueue::WhileAlive(std::function<void()> call) const
{
    return [alive = std::weak_ptr<bool>(m_alive), call = std::move(call)] {
        const std::shared_ptr<bool> flag = alive.lock();
        if (flag && *flag)
            call();
    };
}

QString SequenceMessageQueue::Describe(const Message& message) const
{
    return QStringLiteral("%1: deferred %2").arg(m_owner ? m_owner() : QString(), message.actionName);
}

} // namespace pioitems
