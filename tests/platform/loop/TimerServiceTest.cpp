#include "LoopTestSupport.h"
#include "platform/loop/QtTimerService.h"
#include <QElapsedTimer>
#include <QObject>
#include <stdexcept>

using namespace loop;

namespace {
QString At(const char* name, const TimerService& service)
{
    return QStringLiteral("%1@%2").arg(QLatin1String(name)).arg(service.NowMs());
}
} // namespace

using ManualClockTest = LoopTest;

TEST_F(ManualClockTest, FiresInDueOrderThenInCreationOrder)
{
    auto late = clock.CreateTimer([&] { log << At("late", clock); });
    auto first = clock.CreateTimer([&] { log << At("first", clock); });
    auto second = clock.CreateTimer([&] { log << At("second", clock); });
    late->SetSingleShot(true);
    first->SetSingleShot(true);
    second->SetSingleShot(true);
    second->Start(10); // started before first, created after it
    first->Start(10);
    late->Start(30);
    clock.SingleShot(10, [&] { log << At("shot", clock); });

    clock.Advance(9);
    EXPECT_TRUE(log.isEmpty());
    clock.Advance(100);
    EXPECT_EQ(log, QStringList({"first@10", "second@10", "shot@10", "late@30"}));
    EXPECT_EQ(clock.NowMs(), 109);
    EXPECT_FALSE(first->IsActive());
    EXPECT_EQ(clock.ArmedTimerCount(), 0);
}

TEST_F(ManualClockTest, RepeatingTimersFireAsOftenAsTheyFitAndRetimeFromNow)
{
    auto tick = clock.CreateTimer([&] { log << At("tick", clock); });
    auto slow = clock.CreateTimer([&] { log << At("slow", clock); });
    tick->Start(10);
    slow->Start(25);
    clock.Advance(35);
    EXPECT_EQ(log, QStringList({"tick@10", "tick@20", "slow@25", "tick@30"}));
    EXPECT_TRUE(tick->IsActive());

    // A new interval on a running timer counts from the moment it is set,
    // as the busy retry relies on.
    log.clear();
    slow->Stop();
    clock.Advance(2); // 37
    tick->SetInterval(51);
    EXPECT_EQ(clock.MsUntilNextTimer(), 51);
    clock.Advance(100); // up to 137
    EXPECT_EQ(log, QStringList({"tick@88"}));

    // An inactive timer stays inactive when its interval changes.
    tick->Stop();
    tick->SetInterval(5);
    EXPECT_FALSE(tick->IsActive());
    clock.Advance(50);
    EXPECT_EQ(log.size(), 1);
}

TEST_F(ManualClockTest, CallbacksMayStopDestroyCancelAndStartTimers)
{
    // A repeating timer that stops itself at its second tick.
    std::unique_ptr<Timer> self;
    int selfTicks = 0;
    self = clock.CreateTimer([&] {
        if (++selfTicks == 2)
            self->Stop();
    });
    self->Start(10);

    // A timer destroyed by its own callback.
    std::unique_ptr<Timer> doomed = clock.CreateTimer();
    doomed->SetCallback([&] {
        log << At("doomed", clock);
        doomed.reset();
    });
    doomed->Start(15);

    // A single-shot call that cancels another one due at the same instant,
    // and one that cancels itself while running.
    SingleShotHandle victim;
    SingleShotHandle selfCancelling;
    clock.SingleShot(20, [&] {
        log << At("killer", clock);
        victim.Cancel();
    });
    victim = clock.SingleShot(20, [&] { log << At("victim", clock); });
    selfCancelling = clock.SingleShot(20, [&] {
        EXPECT_FALSE(selfCancelling.IsPending());
        selfCancelling.Cancel();
        log << At("self", clock);
    });

    // A callback that starts new work which falls due inside the same step.
    clock.SingleShot(30, [&] {
        log << At("starter", clock);
        clock.SingleShot(5, [&] { log << At("child", clock); });
        clock.SingleShot(0, [&] { log << At("now", clock); });
    });

    EXPECT_TRUE(victim.IsPending());
    clock.Advance(100);
    EXPECT_EQ(selfTicks, 2);
    EXPECT_FALSE(self->IsActive());
    EXPECT_EQ(doomed, nullptr);
    EXPECT_FALSE(victim.IsPending());
    EXPECT_EQ(log, QStringList({"doomed@15", "killer@20", "self@20", "starter@30", "now@30", "child@35"}));
    EXPECT_EQ(clock.PendingSingleShots(), 0);
    EXPECT_TRUE(errors.isEmpty()) << errors.join('\n').toStdString();
}

TEST_F(ManualClockTest, TenSecondWatchdogFiresAtOnceAndOnlyWhenNotStopped)
{
    QElapsedTimer wall;
    wall.start();
    int expired = 0;
    SingleShotHandle watchdog = TimerService::instance().SingleShot(10000, [&] { ++expired; });
    // A 10 ms dispatch timer keeps running alongside, as the deferred-work window does.
    auto dispatch = TimerService::instance().CreateTimer([] {});
    dispatch->Start(10);
    clock.Advance(9999);
    EXPECT_EQ(expired, 0);
    EXPECT_TRUE(watchdog.IsPending());
    clock.Advance(1);
    EXPECT_EQ(expired, 1);
    EXPECT_FALSE(watchdog.IsPending());

    // A watchdog stopped in time never fires.
    SingleShotHandle stopped = TimerService::instance().SingleShot(10000, [&] { ++expired; });
    clock.Advance(4000);
    stopped.Cancel();
    clock.Advance(60000);
    EXPECT_EQ(expired, 1);
    EXPECT_LT(wall.elapsed(), 2000);
}

TEST_F(ManualClockTest, GuardedSingleShotsOfDeadOwnersAreDropped)
{
    auto object = new QObject;
    auto owner = std::make_shared<int>(1);
    auto keeper = std::make_shared<int>(2);
    clock.SingleShot(10, [&] { log << "object"; }, object);
    clock.SingleShot(10, [&] { log << "owner"; }, owner);
    clock.SingleShot(10, [&] { log << "weak owner"; }, std::weak_ptr<int>(keeper));
    clock.SingleShot(10, [&] { log << "unguarded"; });
    delete object;
    owner.reset();
    clock.Advance(10);
    EXPECT_EQ(log, QStringList({"weak owner", "unguarded"}));
}

TEST_F(ManualClockTest, WaitInsideACallbackPassesTimeWhichNeverGoesBack)
{
    auto second = clock.CreateTimer([&] { log << At("second", clock); });
    second->Start(1000);
    clock.SingleShot(100, [&] {
        // A wait loop: sleep 10 ms and pump, until 3 seconds have passed.
        const qint64 start = TimerService::instance().NowMs();
        while (TimerService::instance().NowMs() - start < 3000) {
            TimerService::instance().Sleep(10);
            PumpPendingWork();
        }
        log << At("waited", clock);
    });
    clock.Advance(500);
    EXPECT_EQ(log, QStringList({"second@1000", "second@2000", "second@3000", "waited@3100"}));
    EXPECT_EQ(clock.NowMs(), 3100);
}

TEST_F(ManualClockTest, ErrorsOfCallbacksAndRunawayTimersAreReportedNotThrown)
{
    clock.SingleShot(1, [] { throw std::runtime_error("device gone"); });
    std::unique_ptr<Timer> runaway = clock.CreateTimer();
    runaway->SetSingleShot(true);
    runaway->SetCallback([&] { runaway->Start(0); });
    runaway->Start(5);
    EXPECT_NO_THROW(clock.Advance(10));
    ASSERT_EQ(errors.size(), 2);
    EXPECT_TRUE(errors[0].contains("device gone"));
    EXPECT_TRUE(errors[1].contains("without time passing"));
    runaway->Stop();
}

TEST(TimerService, AServiceThatGoesLeavesInertTimersAndUninstallsItself)
{
    QStringList errors;
    const auto previous = SetCallbackErrorHandler([&](const QString& message) { errors << message; });
    std::unique_ptr<Timer> orphan;
    SingleShotHandle handle;
    {
        ManualClock clock;
        TimerService::SetInstance(&clock);
        EXPECT_EQ(&TimerService::instance(), &clock);
        orphan = clock.CreateTimer([] {});
        orphan->Start(10);
        handle = clock.SingleShot(10, [] {});
    }
    EXPECT_NE(dynamic_cast<QtTimerService*>(&TimerService::instance()), nullptr);
    EXPECT_FALSE(orphan->IsActive());
    EXPECT_FALSE(handle.IsPending());
    handle.Cancel();
    orphan->Start(5);
    EXPECT_FALSE(orphan->IsActive());
    EXPECT_EQ(errors.size(), 1);
    orphan.reset();
    SetCallbackErrorHandler(previous);
}

TEST(QtTimerService, RunsTimersOnTheQtEventLoop)
{
    QtTimerService service;
    int ticks = 0;
    bool shot = false;
    std::unique_ptr<Timer> timer;
    timer = service.CreateTimer([&] {
        if (++ticks == 3)
            timer->Stop();
    });
    timer->Start(1);
    service.SingleShot(5, [&] { shot = true; });
    const qint64 start = service.NowMs();
    while ((ticks < 3 || !shot) && service.NowMs() - start < 5000)
        PumpPendingWork();
    EXPECT_EQ(ticks, 3);
    EXPECT_TRUE(shot);
    EXPECT_FALSE(timer->IsActive());
}
