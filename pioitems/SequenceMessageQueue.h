#pragma once
// The deferred actions of one sequence control, in the place of window
// messages the control posts to itself. Each posted message is a queued call
// on the event loop; messages run in posting order, each on a turn of the
// loop of its own, and a message still queued when the queue ends is dropped
// (traced).
//
// The handler carries a message out and raises ComError when it fails. A
// message whose sequence is busy (SEQUENCE_BUSY) is posted again: it goes to
// the end of the queue and comes up after a delay that starts at
// kFirstRetryDelayMs and doubles up to kLongestRetryDelayMs (timer service),
// so that the loop is not kept spinning. The messages queued meanwhile run
// between its tries: a busy sequence often waits for exactly such a message
// (the DoAction that answers its request), and holding it back behind the
// busy one would leave both waiting for each other. The busy message is
// traced once, and given up (traced) when it is still busy kGiveUpAfterMs
// after its first try. Any other error drops the message, traced.
#include <QString>
#include <cstdint>
#include <deque>
#include <functional>
#include <memory>
#include "platform/loop/SingleShotHandle.h"

namespace pioitems {

class SequenceMessageQueue {
public:
    static constexpr int kFirstRetryDelayMs = 50;
    static constexpr int kLongestRetryDelayMs = 1000;
    static constexpr qint64 kGiveUpAfterMs = 10 * 60 * 1000;

    using Handler = std::function<void(int32_t message, int32_t wParam)>;

    // owner names the control in traces ("Sequence GetDiagnosis"); it is
    // asked when a trace is written.
    SequenceMessageQueue(Handler handler, std::function<QString()> owner);
    ~SequenceMessageQueue();
    SequenceMessageQueue(const SequenceMessageQueue&) = delete;
    SequenceMessageQueue& operator=(const SequenceMessageQueue&) = delete;

    // Told of every message that failed for good (an error other than busy,
    // or busy for too long), after the message left the queue: its action
    // name, the error number and description. A page that waits for the
    // sequence learns from it that the sequence will not run.
    using DroppedHandler = std::function<void(const QString& actionName, int32_t number, const QString& description)>;
    void SetDroppedHandler(DroppedHandler handler) { m_dropped = std::move(handler); }

    // Queues message; actionName names it in traces ("Start").
    void Post(int32_t message, int32_t wParam, const QString& actionName);
    // Messages posted and not yet carried out, dropped or given up (those
    // waiting to be tried again included).
    int Count() const { return static_cast<int>(m_messages.size()); }

private:
    struct Message {
        uint64_t id = 0;
        int32_t message = 0;
        int32_t wParam = 0;
        QString actionName;
        bool ready = false;    // its posted call came off the loop (again, after a busy try)
        qint64 busySince = -1; // time of the first busy answer
        int nextDelayMs = kFirstRetryDelayMs;
        loop::SingleShotHandle retry; // brings a busy message back into the queue
    };

    std::deque<Message>::iterator Find(uint64_t id);
    // The message's posted call came off the loop.
    void Arrive(uint64_t id);
    // The busy message's delay is over: it joins the end of the queue again.
    void Requeue(uint64_t id);
    // Carries out the first message that is ready.
    void RunNext();
    // Lets the next ready message run on a turn of its own.
    void ScheduleNext();
    void Remove(uint64_t id);
    QString Describe(const Message& message) const;
    // call, run only while the queue lives.
    std::function<void()> WhileAlive(std::function<void()> call) const;

    // Ends the message as failed and tells the dropped handler.
    void Drop(uint64_t id, int32_t number, const QString& description);

    Handler m_handler;
    DroppedHandler m_dropped;
    std::function<QString()> m_owner;
    std::deque<Message> m_messages;
    uint64_t m_lastId = 0;
    bool m_scheduled = false; // a call of RunNext is on the loop
    bool m_running = false;   // the handler runs (it may pump the loop)
    // False once the queue has ended; the queue's calls on the loop and its
    // own code after a handler (which may end the queue) look at it.
    std::shared_ptr<bool> m_alive = std::make_shared<bool>(true);
};

} // namespace pioitems
