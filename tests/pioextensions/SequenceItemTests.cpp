// Sequence items on the toolkit with the Trivex description: which sub-items a
// mask registers, the status events and handler calls, and starts the host
// refuses.
#include "pioextensions/clsSequenceItem.h"
#include "pioextensions/enmExeption.h"
#include "pioextensions/enmRegMask.h"
#include "platform/applet/AppletStates.h"
#include "platform/applet/StateInfo.h"
#include "tests/pioextensions/PioTestSupport.h"

namespace {

using piotest::Handler;
using piotest::Settle;
using piotest::TrivexApplet;

const QString kUploadState = QStringLiteral("Upload&&Sequence_State&&");
const QString kUploadControl = QStringLiteral("Upload&&Sequence_Control&&");

automation::ComError StartError(const std::function<void()>& start)
{
    try {
        start();
    } catch (const automation::ComError& error) {
        return error;
    }
    return automation::ComError(0, QString());
}

} // namespace

TEST(SequenceItem, StateChangesRaiseStatusChangedAndCallTheHandlerControlChangesDoNot)
{
    TrivexApplet applet;
    PIO_REQUIRE_APPLET(applet);
    Handler handler;
    clsSequenceItem item;
    item.Register(applet.manager, QStringLiteral("Upload"), false, 0, REGISTER_STATE | REGISTER_CONTROL, &handler,
                  QStringLiteral("sequenceitem_statuschanged"));
    Settle();
    handler.calls.clear();
    QList<int32_t> statuses;
    QObject::connect(&item, &clsSequenceItem::StatusChanged, [&](int32_t s) { statuses.append(s); });

    applet.PutNumber(kUploadState, applet::SequenceState::ReadActive);
    applet.PutNumber(kUploadControl, applet::SequenceAction::Stop);
    EXPECT_EQ(statuses, QList<int32_t>({applet::SequenceState::ReadActive}));
    EXPECT_EQ(handler.calls, QStringList({QStringLiteral("sequence(Upload,64)")}));
    EXPECT_EQ(item.SequenceState(), 64.0);

    // DoAction writes the control sub-item.
    item.DoAction(applet::SequenceAction::Run);
    EXPECT_EQ(applet.Number(kUploadControl), applet::SequenceAction::Run);

    // Unregistered: no more events.
    item.UnRegister();
    applet.PutNumber(kUploadState, 0);
    EXPECT_EQ(statuses.size(), 1);
}

TEST(SequenceItem, MaskOneRegistersTheStateOnlyAndAFailingHandlerDoesNotStopTheEvent)
{
    TrivexApplet applet;
    PIO_REQUIRE_APPLET(applet);
    piotest::ErrorTraces traces;
    Handler handler;
    clsSequenceItem item;
    item.Register(applet.manager, QStringLiteral("Upload"), false, 0, REGISTER_STATE, &handler,
                  QStringLiteral("SequenceItem_StatusChanged"));
    EXPECT_GT(item.StateHandle(), 0);
    EXPECT_EQ(item.ControlHandle(), 0);
    Settle();
    handler.calls.clear();
    QList<int32_t> statuses;
    QObject::connect(&item, &clsSequenceItem::StatusChanged, [&](int32_t s) { statuses.append(s); });
    handler.failNext = true;
    applet.PutNumber(kUploadState, applet::SequenceState::ReadRequest);
    applet.PutNumber(kUploadState, applet::SequenceState::Ready);
    EXPECT_EQ(statuses, QList<int32_t>({2, 0}));
    EXPECT_EQ(handler.calls.size(), 2);
    EXPECT_TRUE(traces.Contains(QStringLiteral("handler refused")));
}

TEST(SequenceItem, AnUnknownSequenceRegistersNoSubItemButStaysUsableAndCannotStart)
{
    TrivexApplet applet;
    PIO_REQUIRE_APPLET(applet);
    piotest::ErrorTraces traces;
    clsSequenceItem item;
    item.Register(applet.manager, QStringLiteral("NoSuchSequence"), false, 0, REGISTER_STATE | REGISTER_CONTROL);
    EXPECT_TRUE(item.IsRegistered());
    EXPECT_EQ(item.StateHandle(), 0);
    EXPECT_TRUE(traces.Contains(QStringLiteral("Registrierung von NoSuchSequence&&Sequence_State&& fehlgeschlagen")));

    const automation::ComError error = StartError([&] { item.Start(); });
    EXPECT_EQ(error.number(), UNKNOWN_SEQUENCE);
    EXPECT_EQ(error.source(), QStringLiteral("clsSequenceItem.StartSequence(\"NoSuchSequence\")"));
    EXPECT_EQ(error.description(), QStringLiteral("Sequenz konnte nicht gestartet werden"));
    const automation::ComError adjust = StartError([&] { item.Adjust(); });
    EXPECT_EQ(adjust.number(), UNKNOWN_SEQUENCE);
    EXPECT_EQ(adjust.source(), QStringLiteral("clsSequenceItem.fncStartAdjust(\"NoSuchSequence\")"));
    EXPECT_EQ(adjust.description(), QStringLiteral("Sequenz unbekannt"));

    // A sequence item that never had a manager cannot reach a host.
    clsSequenceItem never;
    never.Init(QStringLiteral("Upload"));
    EXPECT_THROW(never.Start(), automation::ComError);
}

TEST(SequenceItem, StartAndForceWhileAnotherSequenceRunsRaiseSequenceBusy)
{
    TrivexApplet applet;
    PIO_REQUIRE_APPLET(applet);
    ASSERT_TRUE(applet.Connect());
    // A controlled sequence waits in its request state for its view's action.
    clsSequenceItem upload;
    upload.Register(applet.manager, QStringLiteral("Upload"), false, 0, REGISTER_STATE | REGISTER_CONTROL);
    QList<int32_t> statuses;
    QObject::connect(&upload, &clsSequenceItem::StatusChanged, [&](int32_t s) { statuses.append(s); });
    Settle();
    statuses.clear();
    upload.Start();
    ASSERT_TRUE(piotest::RunUntil([&] { return statuses.contains(applet::SequenceState::ReadRequest); }));

    clsSequenceItem other;
    other.Register(applet.manager, QStringLiteral("GetDiagnosis"));
    const automation::ComError busy = StartError([&] { other.Start(); });
    EXPECT_EQ(static_cast<uint32_t>(busy.number()), 0x80040067u);
    EXPECT_EQ(busy.source(), QStringLiteral("clsSequenceItem.StartSequence(\"GetDiagnosis\")"));
    EXPECT_EQ(StartError([&] { other.Force(); }).number(), SEQUENCE_BUSY);

    // Stopped by its view, the sequence ends and the other one may start.
    upload.DoAction(applet::SequenceAction::Stop);
    ASSERT_TRUE(piotest::RunUntil([&] { return upload.SequenceState() == applet::SequenceState::Ready; }));
    ASSERT_TRUE(piotest::RunUntil([&] { return StartError([&] { other.Start(); }).number() == 0; }));
}
