#include "LoopTestSupport.h"
#include <QCoreApplication>
#include <QObject>
#include <stdexcept>

using namespace loop;

using EventLoopTest = LoopTest;

TEST_F(EventLoopTest, PostedCallsRunLaterInPostingOrder)
{
    PostToLoop([&] { log << "first"; });
    PostToLoop([&] { log << "second"; });
    EXPECT_TRUE(log.isEmpty());
    EXPECT_EQ(PendingPostedCalls(), 2);
    PumpPendingWork();
    EXPECT_EQ(log, QStringList({"first", "second"}));
    EXPECT_EQ(PendingPostedCalls(), 0);
}

TEST_F(EventLoopTest, TheQtEventLoopRunsPostedCallsByItself)
{
    PostToLoop([&] { log << "posted"; });
    QCoreApplication::processEvents();
    EXPECT_EQ(log, QStringList({"posted"}));
}

TEST_F(EventLoopTest, CallsOfDeadGuardsAreDroppedAndLiveOwnersKeptDuringTheCall)
{
    auto object = new QObject;
    auto dead = std::make_shared<int>(0);
    auto owner = std::make_shared<int>(7);
    std::weak_ptr<int> watch = owner;
    PostToLoop([&] { log << "object"; }, object);
    PostToLoop([&] { log << "dead"; }, dead);
    PostToLoop(
        [&] {
            owner.reset(); // the last outside reference goes while the call runs
            log << (watch.expired() ? "owner gone" : "owner kept");
        },
        owner);
    delete object;
    dead.reset();
    EXPECT_EQ(RunPostedCalls(), 1);
    EXPECT_EQ(log, QStringList({"owner kept"}));
    EXPECT_TRUE(watch.expired());
}

TEST_F(EventLoopTest, PumpIsReentrantAndRunsEachCallOnce)
{
    PostToLoop([&] {
        log << "A<";
        PostToLoop([&] { log << "C"; });
        PumpPendingWork();
        log << "A>";
    });
    PostToLoop([&] { log << "B"; });
    PumpPendingWork();
    PumpPendingWork();
    EXPECT_EQ(log, QStringList({"A<", "B", "C", "A>"}));
}

TEST_F(EventLoopTest, ACallThatPostsItselfAgainRunsOncePerPass)
{
    int tries = 0;
    std::function<void()> retry = [&] {
        if (++tries < 5)
            PostToLoop(retry);
    };
    PostToLoop(retry);
    EXPECT_EQ(RunPostedCalls(), 1);
    EXPECT_EQ(tries, 1);
    PumpPendingWork();
    EXPECT_GE(tries, 2);
    // The manual clock drains the queue until it is quiet.
    clock.Advance(0);
    EXPECT_EQ(tries, 5);
    EXPECT_EQ(PendingPostedCalls(), 0);
}

TEST_F(EventLoopTest, ManualClockRunsPostedCallsAheadOfLaterTimers)
{
    PostToLoop([&] { log << QStringLiteral("early@%1").arg(clock.NowMs()); });
    clock.SingleShot(10, [&] {
        log << "timer@10";
        PostToLoop([&] { log << QStringLiteral("queued@%1").arg(clock.NowMs()); });
    });
    clock.SingleShot(20, [&] { log << "timer@20"; });
    clock.Advance(30);
    EXPECT_EQ(log, QStringList({"early@0", "timer@10", "queued@10", "timer@20"}));
}

TEST_F(EventLoopTest, ErrorsOfPostedCallsAreReported)
{
    PostToLoop([] { throw std::runtime_error("bad frame answer"); });
    PostToLoop([&] { log << "next"; });
    EXPECT_NO_THROW(PumpPendingWork());
    EXPECT_EQ(log, QStringList({"next"}));
    ASSERT_EQ(errors.size(), 1);
    EXPECT_TRUE(errors[0].contains("posted call"));
    EXPECT_TRUE(errors[0].contains("bad frame answer"));
}
