// The sequence control on the toolkit with the Trivex description, connected
// to the simulated transmitter: actions at once and deferred, a deferred
// Start while the applet is busy that runs once it is free and in order with
// a later action, and deferred actions lost with their control.
#include "pioextensions/enmExeption.h"
#include "pioitems/PioSequenceItem.h"
#include "platform/applet/AppletStates.h"
#include "platform/loop/ManualClock.h"
#include "platform/loop/ScopedTimerService.h"
#include "tests/pioextensions/PioTestSupport.h"
#include "tests/pioitems/PioItemsTestSupport.h"
#include <gtest/gtest.h>
#include <optional>

using namespace pioitems;

namespace {

class SequenceControlActions : public ::testing::Test {
protected:
    void SetUp() override
    {
        if (!applet.Ready())
            GTEST_FAIL() << "no staged Trivex description";
        ASSERT_TRUE(applet.Connect());
        // The connection ran on the program's timers; from here the test's clock drives the delays.
        scope.emplace(clock);
    }
    PioSequenceItem* Control(const QString& sequence)
    {
        auto* control = new PioSequenceItem(&form.widget);
        control->SetAppItemName(sequence);
        QObject::connect(control, &PioSequenceItem::StatusChanged,
                         [this, sequence](int32_t s) { log << QStringLiteral("%1 %2").arg(sequence).arg(s); });
        return control;
    }
    // GetDiagnosis started and held in its request state by its own control
    // sub-item: every other start answers busy meanwhile.
    PioSequenceItem* HoldApplet()
    {
        PioSequenceItem* holder = Control("GetDiagnosis");
        holder->Register(applet.manager);
        pioitemstest::Settle();
        log.clear();
        holder->Start(true);
        pioitemstest::Settle();
        EXPECT_EQ(holder->SequenceState(), applet::SequenceState::ReadRequest);
        return holder;
    }
    int32_t StartError(const std::function<void()>& start)
    {
        try {
            start();
        } catch (const automation::ComError& error) {
            return error.number();
        }
        return 0;
    }

    piotest::TrivexApplet applet;
    loop::ManualClock clock;
    std::optional<loop::ScopedTimerService> scope;
    pioitemstest::Traces traces;
    pioitemstest::Form form;
    QStringList log;
};

} // namespace

TEST_F(SequenceControlActions, ImmediateActionsRunAtOnceAndRaiseTheirErrors)
{
    PioSequenceItem* holder = HoldApplet();
    EXPECT_EQ(log, QStringList({"GetDiagnosis 2"}));
    PioSequenceItem* other = Control("ReadProcessValues");
    other->Register(applet.manager);
    EXPECT_EQ(StartError([&] { other->Start(true); }), SEQUENCE_BUSY);
    EXPECT_EQ(StartError([&] { other->Force(true); }), SEQUENCE_BUSY);
    holder->DoAction(applet::SequenceAction::Stop, true);
    pioitemstest::Settle();
    EXPECT_EQ(holder->SequenceState(), applet::SequenceState::Ready);
    PioSequenceItem* unknown = Control("NoSuchSequence");
    unknown->Register(applet.manager);
    EXPECT_EQ(StartError([&] { unknown->Start(true); }), UNKNOWN_SEQUENCE);
    EXPECT_EQ(StartError([&] { unknown->Adjust(true); }), UNKNOWN_SEQUENCE);
}

TEST_F(SequenceControlActions, DeferredStartWhileBusyRunsOnceFreeAndALaterActionDoesNotWaitBehindIt)
{
    PioSequenceItem* holder = HoldApplet();
    PioSequenceItem* waiting = Control("ReadProcessValues");
    waiting->Register(applet.manager);
    pioitemstest::Settle();
    log.clear();

    waiting->Start();
    waiting->DoAction(applet::SequenceAction::Stop);
    EXPECT_EQ(waiting->PendingActions(), 2) << "both posted, neither run";
    pioitemstest::Settle();
    clock.Advance(2000);
    EXPECT_TRUE(log.isEmpty()) << "the Start waits while the applet is busy";
    EXPECT_EQ(waiting->PendingActions(), 1) << "the action posted after it ran meanwhile";
    EXPECT_EQ(traces.CountContaining("PioSequenceItem(ReadProcessValues): deferred Start"), 1);

    holder->DoAction(applet::SequenceAction::Stop, true);
    pioitemstest::Settle();
    log.clear();
    clock.Advance(1000);
    pioitemstest::Settle();
    EXPECT_EQ(log, QStringList({"ReadProcessValues 2"})) << "started once the applet was free";
    EXPECT_EQ(waiting->PendingActions(), 0);
    waiting->DoAction(applet::SequenceAction::Stop);
    pioitemstest::Settle();
    EXPECT_EQ(log, QStringList({"ReadProcessValues 2", "ReadProcessValues 0"}));
    EXPECT_EQ(waiting->SequenceState(), applet::SequenceState::Ready);
    // The item itself reports each busy refusal; nothing else failed.
    EXPECT_TRUE(traces.errors.filter("busy").size() == traces.errors.size()) << traces.errors.join('\n').toStdString();
}

TEST_F(SequenceControlActions, DeferredActionsAreLostWithTheirControl)
{
    PioSequenceItem* holder = HoldApplet();
    PioSequenceItem* waiting = Control("ReadProcessValues");
    waiting->Register(applet.manager);
    waiting->Start();
    pioitemstest::Settle();
    log.clear();
    PioSequenceItem* queued = Control("SetPollingAddress");
    queued->Force();
    delete waiting;
    delete queued;
    holder->DoAction(applet::SequenceAction::Stop, true);
    clock.Advance(5000);
    pioitemstest::Settle();
    EXPECT_EQ(log, QStringList({"GetDiagnosis 0"})) << "only the holder's own stop";
    EXPECT_EQ(applet.Number("&&Sequence_State&&ReadProcessValues"), applet::SequenceState::Ready);
    EXPECT_EQ(applet.Number("&&Sequence_State&&SetPollingAddress"), applet::SequenceState::Ready);
    EXPECT_TRUE(traces.ErrorContains("PioSequenceItem(ReadProcessValues): deferred Start dropped"));
    EXPECT_TRUE(traces.ErrorContains("PioSequenceItem(SetPollingAddress): deferred Force dropped"));
    EXPECT_EQ(clock.ArmedTimerCount(), 0);
}

TEST_F(SequenceControlActions, DeferredFailuresAreTracedNotRaised)
{
    PioSequenceItem* unknown = Control("NoSuchSequence");
    QStringList dropped;
    QObject::connect(unknown, &PioSequenceItem::ActionDropped,
                     [&](const QString& action, int32_t number, const QString&) {
                         dropped << QStringLiteral("%1 %2").arg(action).arg(static_cast<uint32_t>(number), 0, 16);
                     });
    unknown->Start();
    unknown->Adjust();
    // Never registered: a deferred DoAction has nowhere to go.
    unknown->DoAction(applet::SequenceAction::Run);
    EXPECT_EQ(unknown->PendingActions(), 2);
    pioitemstest::Settle();
    clock.Advance(5000);
    EXPECT_EQ(unknown->PendingActions(), 0) << "tried once each, never again";
    // A page waiting for the sequence hears that it will not run.
    EXPECT_EQ(dropped, QStringList({"Start 80040064", "Adjust 80040064"})) << "never registered";
    EXPECT_TRUE(traces.ErrorContains("PioSequenceItem(NoSuchSequence): deferred Start failed"));
    EXPECT_TRUE(traces.ErrorContains("PioSequenceItem(NoSuchSequence): deferred Adjust failed"));
    EXPECT_TRUE(traces.ErrorContains("deferred DoAction 1 not carried out: the control was never registered"));

    // Unregistered and registered again, the control works as before.
    PioSequenceItem* control = Control("GetDiagnosis");
    control->Register(applet.manager);
    control->UnRegister();
    control->Register(applet.manager);
    pioitemstest::Settle();
    log.clear();
    control->Start();
    pioitemstest::Settle();
    EXPECT_EQ(log, QStringList({"GetDiagnosis 2"}));
    control->UnRegister();
    control->DoAction(applet::SequenceAction::Stop);
    pioitemstest::Settle();
    EXPECT_EQ(control->SequenceState(), applet::SequenceState::Ready)
        << "a control registered once keeps sending actions";
}
