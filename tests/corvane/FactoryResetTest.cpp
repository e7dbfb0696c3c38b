// The factory reset against the simulated transmitter: the device's busy
// phase is waited out, "CheckBusy" polls, a pause between two checks, until a response has shown the
// device busy and stops after the run that follows it, an abort ends the
// poll, a device that never shows itself busy ends the reset as failed after
// the time bound, and the busy test of each bus kind.
#include "CorvaneTestSupport.h"
#include "corvane/frame/AbortRequest.h"
#include "corvane/frame/clsFactoryReset.h"
#include "pioextensions/clsSequenceItem.h"
#include "platform/applet/SubItemName.h"
#include "platform/comm/hart/HartFrame.h"
#include "platform/dialogs/ScopedDialogService.h"
#include "platform/dialogs/ScriptedDialogService.h"
#include "platform/loop/ManualClock.h"
#include "platform/loop/ScopedTimerService.h"

namespace {

using namespace corvanetest;
using applet::SubItemKind;
using applet::SubItemName::Compose;

const QString kCheckBusyState = Compose(SubItemKind::SequenceState, clsFactoryReset::kCheckBusy);
const QString kAbort = QStringLiteral("abortSequences");

// The frame on a connected simulated transmitter, the device identification
// of the connect done, and a count of the "CheckBusy" runs.
class ResetRig {
public:
    ResetRig() { dialogs.SetFailureHandler([](const QString& error) { ADD_FAILURE() << error.toStdString(); }); }

    bool Start()
    {
        if (!applet.Ready())
            return false;
        ItemLog identification(applet.manager);
        identification.Watch(QStringLiteral("currentSequence"), QStringLiteral("running"));
        EXPECT_TRUE(applet.Connect());
        EXPECT_TRUE(RunUntil([&] {
            return identification.changes.contains(QStringLiteral("running=GetDeviceInfo"))
                   && applet.Text(QStringLiteral("currentSequence")).isEmpty();
        }));
        Settle();
        reset = applet.Find<clsFactoryReset>(QStringLiteral("clsFactoryReset"));
        EXPECT_TRUE(reset && reset->Registered());
        applet.PutText(kAbort, QStringLiteral("0"));
        log = std::make_unique<ItemLog>(applet.manager);
        log->Watch(kCheckBusyState, QStringLiteral("CheckBusy"));
        log->Watch(QStringLiteral("currentResponseCode"), QStringLiteral("response"));
        Settle();
        log->changes.clear(); // the values the watchers were registered with
        return reset != nullptr;
    }
    // Starts the reset as the main window does.
    void Initiate()
    {
        applet.PutNumber(QStringLiteral("factoryReset"), 1);
        initiate.Register(applet.manager, clsFactoryReset::kInitiateFactoryReset);
        initiate.Force();
        ASSERT_TRUE(RunUntil([&] { return reset->ResetRunning(); }));
    }
    int ChecksEnded() const { return static_cast<int>(log->changes.count(QStringLiteral("CheckBusy=0"))); }
    std::string Changes() const { return log->changes.join(QLatin1Char(' ')).toStdString(); }
    bool SawBusy() const
    {
        for (const QString& change : log->changes)
            if (change.startsWith(QStringLiteral("response=")) && change.split(QLatin1Char(' ')).value(1) == QStringLiteral("20"))
                return true;
        return false;
    }

    HomeFolder home;
    dialogs::ScriptedDialogService dialogs;
    dialogs::ScopedDialogService installed{dialogs};
    CorvaneApplet applet;
    std::unique_ptr<ItemLog> log;
    clsSequenceItem initiate;
    std::shared_ptr<clsFactoryReset> reset;
};

#define START_RESET_RIG(rig)                                                                                          \
    if (!(rig).Start())                                                                                               \
    GTEST_FAIL() << "no staged Trivex description"

TEST(FactoryReset, TheDevicesBusyPhaseIsWaitedOutInOneCheck)
{
    ResetRig rig;
    rig.applet.device.transmitter().setFactoryResetDuration(600);
    START_RESET_RIG(rig);
    rig.Initiate();
    ASSERT_TRUE(RunUntil([&] { return !rig.reset->ResetRunning(); })) << rig.Changes();
    Settle();
    // The first check met the busy device; the record manager repeated it
    // until the device was free, and that check was the last.
    EXPECT_EQ(rig.ChecksEnded(), 1) << rig.Changes();
    EXPECT_TRUE(rig.SawBusy()) << rig.Changes();
    EXPECT_FALSE(rig.reset->WaitingForBusy());
    EXPECT_EQ(rig.applet.Text(kAbort), QStringLiteral("0"));
    EXPECT_FALSE(rig.applet.device.transmitter().resetting());
}

TEST(FactoryReset, ChecksRepeatUntilOneShowsTheDeviceBusyAndTheCheckAfterItIsTheLast)
{
    ResetRig rig;
    rig.applet.device.transmitter().setFactoryResetDuration(0); // the device shows no busy phase by itself
    START_RESET_RIG(rig);
    // The first check finds the device free; the second meets it busy twice, then free.
    bool injected = false;
    QObject::connect(&rig.applet.device, &sim::SimServer::requestHandled, [&](int command, int) {
        if (command == 48 && !injected) {
            injected = true;
            rig.applet.device.injectBusy(2);
        }
    });
    rig.Initiate();
    ASSERT_TRUE(RunUntil([&] { return !rig.reset->ResetRunning(); })) << rig.Changes();
    Settle();
    EXPECT_EQ(rig.ChecksEnded(), 2) << rig.Changes();
    EXPECT_TRUE(rig.SawBusy()) << rig.Changes();
    EXPECT_EQ(rig.applet.Text(kAbort), QStringLiteral("0"));
}

TEST(FactoryReset, AnAbortEndsThePoll)
{
    ResetRig rig;
    rig.applet.device.transmitter().setFactoryResetDuration(0); // never busy: the poll would go on
    START_RESET_RIG(rig);
    rig.Initiate();
    ASSERT_TRUE(RunUntil([&] { return rig.ChecksEnded() >= 3; })) << rig.Changes();
    corvane::RequestAbort(rig.applet.manager);
    EXPECT_FALSE(rig.reset->ResetRunning());
    const qsizetype atAbort = rig.log->changes.size();
    for (int i = 0; i < 20; ++i) // time for a check that must not run
        Settle();
    ASSERT_TRUE(RunUntil([&] { return rig.applet.Text(QStringLiteral("currentSequence")).isEmpty(); }));
    EXPECT_FALSE(rig.log->changes.mid(atAbort).contains(QStringLiteral("CheckBusy=64"))) << rig.Changes();
}

TEST(FactoryReset, ADeviceThatNeverShowsBusyEndsTheResetAsFailedAfterTheBound)
{
    loop::ManualClock clock;
    loop::ScopedTimerService installed(clock);
    ResetRig rig;
    rig.applet.device.transmitter().setFactoryResetDuration(0);
    START_RESET_RIG(rig);
    ErrorTraces traces;
    rig.Initiate();
    // The clock moves two seconds after each check, well inside the response time-out;
    // the next check starts within that step.
    constexpr int kStepMs = 2000;
    ASSERT_TRUE(RunUntil([&] { return rig.ChecksEnded() > 0; })) << rig.Changes();
    for (int step = 0; step < 100 && rig.reset->ResetRunning(); ++step) {
        // The reset takes the check's end on the loop, and only then asks for the next.
        Settle();
        const int ended = rig.ChecksEnded();
        clock.Advance(kStepMs);
        ASSERT_TRUE(RunUntil([&] { return rig.ChecksEnded() > ended || !rig.reset->ResetRunning(); })) << rig.Changes();
    }
    Settle();
    EXPECT_FALSE(rig.reset->ResetRunning());
    // It ended with the first check after the bound.
    EXPECT_GE(clock.NowMs(), clsFactoryReset::kPollLimitMs);
    EXPECT_LE(clock.NowMs(), clsFactoryReset::kPollLimitMs + kStepMs);
    EXPECT_TRUE(traces.Contains(QStringLiteral("the factory reset failed"))) << traces.lines.join(QLatin1Char('\n')).toStdString();
    EXPECT_EQ(rig.applet.Text(kAbort), QStringLiteral("1"));
}

TEST(FactoryReset, TheNextCheckStartsOnlyAfterThePollInterval)
{
    loop::ManualClock clock;
    loop::ScopedTimerService installed(clock);
    ResetRig rig;
    rig.applet.device.transmitter().setFactoryResetDuration(0); // never busy: the poll goes on
    START_RESET_RIG(rig);
    rig.Initiate();
    for (int check = 1; check <= 3; ++check) {
        ASSERT_TRUE(RunUntil([&] { return rig.ChecksEnded() == check; })) << rig.Changes();
        Settle(); // the reset takes the check's end and asks for the next
        const auto started = rig.log->changes.count(QStringLiteral("CheckBusy=64"));
        clock.Advance(clsFactoryReset::kPollIntervalMs - 1);
        Settle();
        EXPECT_EQ(rig.log->changes.count(QStringLiteral("CheckBusy=64")), started) << rig.Changes();
        clock.Advance(1);
        ASSERT_TRUE(RunUntil([&] { return rig.log->changes.count(QStringLiteral("CheckBusy=64")) > started; }))
            << rig.Changes();
    }
    corvane::RequestAbort(rig.applet.manager);
    EXPECT_FALSE(rig.reset->ResetRunning());
}

TEST(FactoryReset, TheBusyTestReadsTheResponseByBusKind)
{
    ResetRig rig;
    if (!rig.applet.Ready())
        GTEST_FAIL() << "no staged Trivex description";
    const auto reset = rig.applet.Find<clsFactoryReset>(QStringLiteral("clsFactoryReset"));
    ASSERT_TRUE(reset);
    const auto busyWith = [&](const QString& response) {
        rig.applet.PutText(QStringLiteral("currentResponseCode"), response);
        return reset->IsDeviceBusy();
    };
    EXPECT_TRUE(busyWith(QStringLiteral("30 20 00")));  // HART response code 32
    EXPECT_FALSE(busyWith(QStringLiteral("30 00 00")));
    {
        ErrorTraces traces;
        EXPECT_THROW(busyWith(QStringLiteral("30 20")), automation::ComError); // too short to tell
    }
    rig.applet.PutText(QStringLiteral("pbSoftwareSpecifics"), QStringLiteral("SW4607221-P1")); // PROFIBUS
    EXPECT_TRUE(busyWith(QStringLiteral("00 00 C2")));  // error class 12, code 2
    EXPECT_FALSE(busyWith(QStringLiteral("00 00 B5")));
    EXPECT_FALSE(busyWith(QStringLiteral("00 20 00")));
}

} // namespace
