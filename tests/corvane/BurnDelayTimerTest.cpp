// The burn-delay control's 10-second timer, the pause between the data-burn
// watch's reads and the bound of the watch, on the manual clock: the components on the applet host, connected to
// the simulated transmitter.
#include "CorvaneTestSupport.h"
#include "SequenceForcing.h"
#include "corvane/frame/AbortRequest.h"
#include "corvane/frame/clsHandleDataBurn.h"
#include "corvane/frame/ctlBurnDelayHandler.h"
#include "corvane/frame/frmRecordItemHandler.h"
#include "pioextensions/clsSequenceItem.h"
#include "pioextensions/enmRegMask.h"
#include "platform/applet/AppletStates.h"
#include "platform/applet/SubItemName.h"
#include "platform/loop/ManualClock.h"
#include "platform/loop/ScopedTimerService.h"
#include "sim/SimOptions.h"

namespace {

using namespace corvanetest;
using applet::SubItemKind;
using applet::SubItemName::Compose;

class BurnDelayTimer : public ::testing::Test {
protected:
    static constexpr int kLinkPatienceMs = 10 * 60 * 1000;
    // Connected to a device of the revision; false when that failed.
    bool ConnectTo(uint32_t revision)
    {
        sim::VariantOptions options;
        options.revision = revision;
        QString error;
        if (!sim::applyVariant(applet.device.transmitter(), options, error))
            return false;
        ItemLog running(applet.manager);
        running.Watch(QStringLiteral("currentSequence"), QStringLiteral("running"));
        // The clock jumps by seconds while the device answers in real time: a
        // time-out that a jump can pass, the HART-IP link's own included (it
        // is set when the link is made), would measure the machine's speed.
        applet.responseTimeoutMs = kLinkPatienceMs;
        if (!applet.Connect())
            return false;
        // The dataset is the device's, as after an upload.
        applet.PutNumber(QStringLiteral("pbSoftwareRevisionHART"), revision);
        // The identification that the connection starts has begun and ended:
        // a test that sets "currentSequence" itself would otherwise see that
        // run clear it under its feet.
        const bool identified = RunUntil([&] {
            return running.changes.contains(QStringLiteral("running=GetDeviceInfo"))
                   && applet.Number(Compose(SubItemKind::SequenceState, QStringLiteral("GetDeviceInfo"))) == 0
                   && applet.Text(QStringLiteral("currentSequence")).isEmpty();
        });
        Settle();
        return identified;
    }
    ctlBurnDelayHandler* Handler() const
    {
        return applet.View()->HostForm()->findChild<ctlBurnDelayHandler*>(ctlBurnDelayHandler::kObjectName);
    }
    // Lets ms pass on the manual clock a second at a time, running what each
    // second started. The simulated transmitter answers in real time, in the
    // test's event loop: a request the jump finds on its way gets its answer
    // within the next steps, however slow the machine.
    void Pass(qint64 ms)
    {
        constexpr qint64 kStepMs = 1000;
        for (qint64 left = ms; left > 0; left -= kStepMs) {
            clock.Advance(std::min(left, kStepMs));
            Settle();
        }
    }
    // Forces a sequence as the device user interface would: again while the host is busy.
    void Force(const QString& name) { corvanetest::ForceSequence(applet.manager, name); }
    std::shared_ptr<clsHandleDataBurn> DataBurnWatch() const
    {
        return std::dynamic_pointer_cast<clsHandleDataBurn>(
            applet.View()->Components().Item(QStringLiteral("clsHandleDataBurn")));
    }
    // The states of "CheckDataBurn" go to the log as "check=STATE".
    static void WatchChecks(ItemLog& log)
    {
        log.Watch(Compose(SubItemKind::SequenceState, QStringLiteral("CheckDataBurn")), QStringLiteral("check"));
    }
    // Runs the loop until done() holds; whenever the last read has ended,
    // the clock moves on by stepMs, so that the next read falls due.
    bool PollUntil(const ItemLog& log, qint64 stepMs, const std::function<bool()>& done)
    {
        return RunUntil([&] {
            if (!log.changes.isEmpty() && log.changes.last() == QStringLiteral("check=0"))
                clock.Advance(stepMs);
            return done();
        });
    }
    HomeFolder home;
    loop::ManualClock clock;
    loop::ScopedTimerService clockInstalled{clock};
    CorvaneApplet applet;
};

TEST_F(BurnDelayTimer, AWriteOnADeviceThatCanBeBusyKeepsTheDelayAliveOnIdleTicksUntilItIsSwitchedOff)
{
    PIO_REQUIRE_APPLET(applet);
    ASSERT_TRUE(ConnectTo(19));
    ItemLog log(applet.manager);
    log.Watch(Compose(SubItemKind::SequenceState, QStringLiteral("SetEnableBurnDelayCyclic")), QStringLiteral("cyclic"));
    ASSERT_FALSE(Handler()->TimerEnabled());

    applet.PutNumber(QStringLiteral("currentRecordState"), ::applet::RecordState::WriteActive);
    ASSERT_TRUE(Handler()->TimerEnabled());
    EXPECT_EQ(clock.MsUntilNextTimer(), ctlBurnDelayHandler::kTimerIntervalMs);

    // A tick while a sequence runs does nothing; the next idle one keeps the delay on.
    applet.PutText(QStringLiteral("currentSequence"), QStringLiteral("GetDiagnosis"));
    Pass(ctlBurnDelayHandler::kTimerIntervalMs);
    EXPECT_FALSE(log.changes.contains(QStringLiteral("cyclic=1"))) << log.changes.join(' ').toStdString();
    applet.PutText(QStringLiteral("currentSequence"), QString());
    for (int tick = 0; tick < 10 && !log.changes.contains(QStringLiteral("cyclic=32")); ++tick)
        Pass(ctlBurnDelayHandler::kTimerIntervalMs);
    ASSERT_TRUE(RunUntil([&] { return log.changes.contains(QStringLiteral("cyclic=32")) && log.changes.last() == QStringLiteral("cyclic=0"); }))
        << log.changes.join(' ').toStdString();

    // Switched off: no more ticks.
    Force(QStringLiteral("SetDisableBurnDelay"));
    ASSERT_TRUE(RunUntil([&] { return !Handler()->TimerEnabled(); }));
    log.changes.clear();
    applet.PutText(QStringLiteral("currentSequence"), QString());
    Pass(3 * ctlBurnDelayHandler::kTimerIntervalMs);
    EXPECT_FALSE(log.changes.contains(QStringLiteral("cyclic=32"))) << log.changes.join(' ').toStdString();
}

TEST_F(BurnDelayTimer, AWriteOnADeviceThatCannotBeBusyStartsNoTimer)
{
    PIO_REQUIRE_APPLET(applet);
    ASSERT_TRUE(ConnectTo(20));
    applet.PutNumber(QStringLiteral("currentRecordState"), ::applet::RecordState::WriteActive);
    EXPECT_FALSE(Handler()->TimerEnabled());
}

TEST_F(BurnDelayTimer, ADataBurnWatchThatNeverSeesTheSaveEndsAfterItsBoundAndPollsNoMore)
{
    PIO_REQUIRE_APPLET(applet);
    ASSERT_TRUE(ConnectTo(21));
    const auto watch = DataBurnWatch();
    ItemLog log(applet.manager);
    WatchChecks(log);
    ErrorTraces traces;
    // The device's time stands still: it never shows a save begun and ended.
    applet.device.transmitter().freezeProcessTime(0);
    Force(QStringLiteral("SetDisableBurnDelay"));
    ASSERT_TRUE(PollUntil(log, clsHandleDataBurn::kPollIntervalMs,
                          [&] { return watch->Watching() && log.changes.count(QStringLiteral("check=64")) >= 3; }));
    // A second passes with every check that ends, while no request is on its way.
    ASSERT_TRUE(PollUntil(log, 1000, [&] { return !watch->Watching(); }));
    EXPECT_TRUE(watch->FailureReason().contains(QStringLiteral("its data save within 120 s")))
        << watch->FailureReason().toStdString();
    EXPECT_TRUE(traces.Contains(QStringLiteral("data-burn watch failed")));
    Settle();
    const auto checks = log.changes.count(QStringLiteral("check=64"));
    Pass(clsHandleDataBurn::kWatchLimitMs);
    EXPECT_EQ(log.changes.count(QStringLiteral("check=64")), checks);
}

TEST_F(BurnDelayTimer, AnAbortEndsTheWatchEvenWhenItArrivesBetweenTwoChecks)
{
    PIO_REQUIRE_APPLET(applet);
    ASSERT_TRUE(ConnectTo(21));
    const auto watch = DataBurnWatch();
    ItemLog log(applet.manager);
    WatchChecks(log);
    Force(QStringLiteral("SetDisableBurnDelay"));
    ASSERT_TRUE(PollUntil(log, clsHandleDataBurn::kPollIntervalMs,
                          [&] { return watch->Watching() && log.changes.count(QStringLiteral("check=64")) >= 2; }));
    // Right after a check ended ready, while the next one waits for its time.
    ASSERT_TRUE(RunUntil([&] { return log.changes.last() == QStringLiteral("check=0"); }));
    watch->Abort();
    ASSERT_TRUE(PollUntil(log, clsHandleDataBurn::kPollIntervalMs, [&] { return !watch->Watching(); }))
        << log.changes.join(' ').toStdString();
    Settle();
    const auto checks = log.changes.count(QStringLiteral("check=64"));
    Pass(1000);
    EXPECT_EQ(log.changes.count(QStringLiteral("check=64")), checks);
}

TEST_F(BurnDelayTimer, TheDataBurnWatchReadsAgainOnlyAfterThePollInterval)
{
    PIO_REQUIRE_APPLET(applet);
    ASSERT_TRUE(ConnectTo(21));
    const auto watch = DataBurnWatch();
    ItemLog log(applet.manager);
    WatchChecks(log);
    applet.device.transmitter().freezeProcessTime(0); // the save never shows: the watch polls on
    Force(QStringLiteral("SetDisableBurnDelay"));
    for (int read = 0; read < 3; ++read) {
        ASSERT_TRUE(RunUntil([&] { return watch->Watching() && !log.changes.isEmpty() && log.changes.last() == QStringLiteral("check=0"); }))
            << log.changes.join(' ').toStdString();
        // The watch takes the read's end and schedules the next, on a later
        // turn of the loop: only then may the clock move on.
        ASSERT_TRUE(RunUntil([&] { return watch->CheckScheduled(); })) << "read " << read;
        const auto checks = log.changes.count(QStringLiteral("check=64"));
        Pass(clsHandleDataBurn::kPollIntervalMs - 1);
        EXPECT_EQ(log.changes.count(QStringLiteral("check=64")), checks) << "read " << read;
        Pass(1);
        ASSERT_TRUE(RunUntil([&] { return log.changes.count(QStringLiteral("check=64")) > checks; })) << "read " << read;
    }
    watch->Abort();
    ASSERT_TRUE(PollUntil(log, clsHandleDataBurn::kPollIntervalMs, [&] { return !watch->Watching(); }));
}

} // namespace
