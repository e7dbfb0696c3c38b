// The deferred actions of a sequence control as a queue on the event loop:
// posting order, the delayed busy retry that lets later actions run between
// its tries, its bound, and what happens to actions the control no longer carries out.
#include "pioextensions/enmExeption.h"
#include "pioitems/SequenceMessageQueue.h"
#include "platform/loop/EventLoop.h"
#include "platform/loop/ManualClock.h"
#include "platform/loop/ScopedTimerService.h"
#include "tests/pioitems/PioItemsTestSupport.h"
#include <gtest/gtest.h>
#include <memory>

using pioitems::SequenceMessageQueue;

namespace {

class DeferredMessageQueue : public ::testing::Test {
protected:
    // Every call is logged with the clock's time; busy names the messages
    // that answer SEQUENCE_BUSY, failing those that fail otherwise.
    void Handle(int32_t message, int32_t wParam)
    {
        calls.append(QStringLiteral("%1:%2@%3").arg(message).arg(wParam).arg(clock.NowMs()));
        if (busy.contains(message))
            throw automation::ComError(SEQUENCE_BUSY, QStringLiteral("busy"), QStringLiteral("test"));
        if (failing.contains(message))
            throw automation::ComError(UNKNOWN_SEQUENCE, QStringLiteral("unknown"), QStringLiteral("test"));
    }
    std::unique_ptr<SequenceMessageQueue> MakeQueue()
    {
        return std::make_unique<SequenceMessageQueue>([this](int32_t m, int32_t w) { Handle(m, w); },
                                                      [] { return QStringLiteral("Seq"); });
    }

    loop::ManualClock clock;
    loop::ScopedTimerService scope{clock};
    pioitemstest::Traces traces;
    QList<int32_t> busy;
    QList<int32_t> failing;
    QStringList calls;
};

} // namespace

TEST_F(DeferredMessageQueue, MessagesRunLaterInPostingOrderEachOnATurnOfItsOwn)
{
    auto queue = MakeQueue();
    queue->Post(1125, 0, "Start");
    queue->Post(1124, 1, "DoAction");
    EXPECT_TRUE(calls.isEmpty()) << "nothing runs inside the posting call";
    EXPECT_EQ(queue->Count(), 2);
    EXPECT_EQ(loop::RunPostedCalls(), 2);
    EXPECT_EQ(calls, QStringList({"1125:0@0", "1124:1@0"}));
    EXPECT_EQ(queue->Count(), 0);
}

TEST_F(DeferredMessageQueue, BusyMessageGoesToTheEndAndIsRetriedWithGrowingDelayWhileLaterOnesRun)
{
    auto queue = MakeQueue();
    busy = {1125};
    queue->Post(1125, 0, "Start");
    queue->Post(1124, 2, "DoAction");
    pioitemstest::Settle();
    EXPECT_EQ(calls, QStringList({"1125:0@0", "1124:2@0"})) << "the DoAction the busy sequence may wait for runs";
    EXPECT_EQ(queue->Count(), 1);
    clock.Advance(3050);
    EXPECT_EQ(calls.mid(1), QStringList({"1124:2@0", "1125:0@50", "1125:0@150", "1125:0@350", "1125:0@750",
                                         "1125:0@1550", "1125:0@2550"}))
        << "50 ms, doubling to at most 1 s";
    EXPECT_EQ(traces.CountContaining("deferred Start"), 1) << "traced once per action";

    // A message posted while the busy one waits runs before its next try.
    queue->Post(1127, 0, "Adjust");
    pioitemstest::Settle();
    EXPECT_EQ(calls.last(), "1127:0@3050");
    busy.clear();
    clock.Advance(500);
    EXPECT_EQ(calls.last(), "1125:0@3550");
    EXPECT_EQ(queue->Count(), 0);
    EXPECT_EQ(clock.ArmedTimerCount(), 0);
    EXPECT_FALSE(traces.HasErrors());
}

TEST_F(DeferredMessageQueue, BusyMessageIsGivenUpAfterItsBoundAndTheNextOneRuns)
{
    auto queue = MakeQueue();
    QStringList dropped;
    queue->SetDroppedHandler([&](const QString& action, int32_t, const QString&) { dropped << action; });
    busy = {1126};
    queue->Post(1126, 0, "Force");
    queue->Post(1127, 0, "Adjust");
    pioitemstest::Settle();
    clock.Advance(SequenceMessageQueue::kGiveUpAfterMs - 1000);
    EXPECT_EQ(queue->Count(), 1);
    EXPECT_FALSE(traces.HasErrors());
    // Tried at 1550 ms and every second after it: the first try at or after
    // the bound gives up.
    clock.Advance(2000);
    EXPECT_EQ(queue->Count(), 0);
    EXPECT_TRUE(traces.ErrorContains("Seq: deferred Force given up: the sequence stayed busy for 600 s"));
    EXPECT_EQ(dropped, QStringList({"Force"})) << "the page waiting for it can give up too";
    EXPECT_EQ(calls.filter("1127"), QStringList({"1127:0@0"})) << "the Adjust did not wait for the busy Force";
    EXPECT_EQ(calls.last(), "1126:0@600550");
    EXPECT_EQ(clock.ArmedTimerCount(), 0);
}

TEST_F(DeferredMessageQueue, OtherErrorsDropTheMessageTraced)
{
    auto queue = MakeQueue();
    failing = {1125};
    queue->Post(1125, 0, "Start");
    queue->Post(1127, 0, "Adjust");
    pioitemstest::Settle();
    EXPECT_EQ(calls, QStringList({"1125:0@0", "1127:0@0"})) << "tried once, never again";
    EXPECT_TRUE(traces.ErrorContains("Seq: deferred Start failed: unknown"));
    clock.Advance(60000);
    EXPECT_EQ(calls.size(), 2);
}

TEST_F(DeferredMessageQueue, MessagesStillQueuedWhenTheQueueEndsAreDroppedTraced)
{
    auto queue = MakeQueue();
    busy = {1125};
    queue->Post(1125, 0, "Start");
    pioitemstest::Settle();
    queue->Post(1124, 1, "DoAction");
    queue.reset();
    clock.Advance(60000);
    pioitemstest::Settle();
    EXPECT_EQ(calls, QStringList({"1125:0@0"}));
    EXPECT_TRUE(traces.ErrorContains("Seq: deferred Start dropped: the control ends"));
    EXPECT_TRUE(traces.ErrorContains("Seq: deferred DoAction dropped: the control ends"));
    EXPECT_EQ(clock.ArmedTimerCount(), 0);
}

TEST_F(DeferredMessageQueue, AHandlerMayEndTheQueueThatCallsIt)
{
    std::unique_ptr<SequenceMessageQueue> queue;
    queue = std::make_unique<SequenceMessageQueue>(
        [&](int32_t message, int32_t) {
            calls.append(QString::number(message));
            queue.reset();
            throw automation::ComError(SEQUENCE_BUSY, QStringLiteral("busy"), QStringLiteral("test"));
        },
        [] { return QStringLiteral("Seq"); });
    queue->Post(1125, 0, "Start");
    queue->Post(1126, 0, "Force");
    pioitemstest::Settle();
    clock.Advance(5000);
    EXPECT_EQ(calls, QStringList({"1125"}));
}
