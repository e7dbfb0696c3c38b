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
    for (Message& message : m_messages) {
        message.retry.Cancel();
        applet::AppletTrace::Error(QStringLiteral("%1 dropped: the control ends").arg(Describe(message)));
    }
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

std::deque<SequenceMessageQueue::Message>::iterator SequenceMessageQueue::Find(uint64_t id)
{
    return std::find_if(m_messages.begin(), m_messages.end(), [id](const Message& m) { return m.id == id; });
}

void SequenceMessageQueue::Arrive(uint64_t id)
{
    const auto it = Find(id);
    if (it == m_messages.end())
        return;
    it->ready = true;
    // A message that came earlier and is still to run goes first.
    if (!m_running && !m_scheduled)
        RunNext();
}

void SequenceMessageQueue::Requeue(uint64_t id)
{
    const auto it = Find(id);
    if (it == m_messages.end())
        return;
    Message message = *it;
    m_messages.erase(it);
    message.ready = true;
    m_messages.push_back(message);
    if (!m_running && !m_scheduled)
        RunNext();
}

void SequenceMessageQueue::RunNext()
{
    m_scheduled = false;
    const auto next = std::find_if(m_messages.begin(), m_messages.end(), [](const Message& m) { return m.ready; });
    if (next == m_messages.end())
        return;
    const uint64_t id = next->id;
    const int32_t message = next->message;
    const int32_t wParam = next->wParam;
    const std::shared_ptr<bool> alive = m_alive;
    // The handler may end this queue (its control) or post to it while it runs.
    const Handler handler = m_handler;
    m_running = true;
    try {
        handler(message, wParam);
    } catch (const automation::ComError& error) {
        if (!*alive)
            return;
        m_running = false;
        const auto busy = Find(id);
        if (error.number() == SEQUENCE_BUSY) {
            loop::TimerService& timers = loop::TimerService::instance();
            const qint64 now = timers.NowMs();
            if (busy->busySince < 0) {
                busy->busySince = now;
                applet::AppletTrace::Info(QStringLiteral("%1: the sequence is busy; tried again until it is free")
                                              .arg(Describe(*busy)));
            } else if (now - busy->busySince >= kGiveUpAfterMs) {
                applet::AppletTrace::Error(QStringLiteral("%1 given up: the sequence stayed busy for %2 s")
                                               .arg(Describe(*busy))
                                               .arg((now - busy->busySince) / 1000));
                Drop(id, error.number(), error.description());
                return;
            }
            Message again = *busy;
            m_messages.erase(busy);
            again.ready = false;
            const int delay = again.nextDelayMs;
            again.nextDelayMs = std::min(delay * 2, kLongestRetryDelayMs);
            again.retry = timers.SingleShot(delay, WhileAlive([this, id] { Requeue(id); }));
            m_messages.push_back(again);
            ScheduleNext();
            return;
        }
        applet::AppletTrace::Error(QStringLiteral("%1 failed: %2 (0x%3, %4)")
                                       .arg(Describe(*busy), error.description())
                                       .arg(static_cast<uint32_t>(error.number()), 8, 16, QLatin1Char('0'))
                                       .arg(error.source()));
        Drop(id, error.number(), error.description());
        return;
    } catch (const std::exception& error) {
        if (!*alive)
            return;
        m_running = false;
        applet::AppletTrace::Error(
            QStringLiteral("%1 failed: %2").arg(Describe(*Find(id)), QString::fromLocal8Bit(error.what())));
        Drop(id, automation::E_FAIL_, QString::fromLocal8Bit(error.what()));
        return;
    }
    if (!*alive)
        return;
    m_running = false;
    Remove(id);
    ScheduleNext();
}

void SequenceMessageQueue::Drop(uint64_t id, int32_t number, const QString& description)
{
    const QString action = Find(id)->actionName;
    Remove(id);
    ScheduleNext();
    // The handler may end this queue.
    if (const DroppedHandler dropped = m_dropped)
        dropped(action, number, description);
}

void SequenceMessageQueue::Remove(uint64_t id)
{
    if (const auto it = Find(id); it != m_messages.end())
        m_messages.erase(it);
}

void SequenceMessageQueue::ScheduleNext()
{
    if (m_scheduled || std::none_of(m_messages.begin(), m_messages.end(), [](const Message& m) { return m.ready; }))
        return;
    m_scheduled = true;
    loop::PostToLoop(WhileAlive([this] { RunNext(); }));
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
