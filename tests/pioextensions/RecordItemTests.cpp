// Record items on the toolkit with the Trivex description, and a record run
// against the simulated transmitter: the status events, the response and the
// actions on a failed response.
#include "pioextensions/clsRecordItem.h"
#include "pioextensions/clsSequenceItem.h"
#include "pioextensions/enmRegMask.h"
#include "platform/applet/AppletStates.h"
#include "platform/applet/StateInfo.h"
#include "tests/pioextensions/PioTestSupport.h"

namespace {

using piotest::Handler;
using piotest::Settle;
using piotest::TrivexApplet;

} // namespace

TEST(RecordItem, MaskSevenRegistersStateResponseAndControlMaskFourOnlyTheResponse)
{
    TrivexApplet applet;
    PIO_REQUIRE_APPLET(applet);
    clsRecordItem all;
    all.Register(applet.manager, QStringLiteral("Read_048"), false, 0,
                 REGISTER_STATE | REGISTER_CONTROL | REGISTER_RESPONSE);
    EXPECT_GT(all.StateHandle(), 0);
    EXPECT_GT(all.ResponseHandle(), 0);
    EXPECT_GT(all.ResponseControlHandle(), 0);

    clsRecordItem responseOnly;
    responseOnly.Register(applet.manager, QStringLiteral("read_048"), false, 0, REGISTER_RESPONSE);
    EXPECT_EQ(responseOnly.StateHandle(), 0);
    Settle();
    int statusEvents = 0;
    QList<QByteArray> responses;
    QObject::connect(&responseOnly, &clsRecordItem::StatusChanged, [&](int32_t) { ++statusEvents; });
    QObject::connect(&responseOnly, &clsRecordItem::ResponseCatched,
                     [&](const QByteArray& bytes) { responses.append(bytes); });
    int32_t failed = 0;
    applet.manager->fncPutUintValue(all.StateHandle(), applet::RecordState::ReadActive, failed);
    applet.manager->fncPutOctetsValue(all.ResponseHandle(), QByteArray("\x00\x40", 2), failed);
    EXPECT_EQ(statusEvents, 0);
    ASSERT_EQ(responses.size(), 1);
    EXPECT_EQ(responses.front(), QByteArray("\x00\x40", 2));
    EXPECT_EQ(all.ResponseCode(), QByteArray("\x00\x40", 2));

    // DoAction writes the response control.
    all.DoAction(applet::RecordAction::Accept);
    double control = 0;
    applet.manager->fncGetUIntValue(all.ResponseControlHandle(), control, failed);
    EXPECT_EQ(control, applet::RecordAction::Accept);
}

TEST(RecordItem, ARecordRunAgainstTheDeviceReportsItsStatesItsResponseAndTakesARepeat)
{
    TrivexApplet applet;
    PIO_REQUIRE_APPLET(applet);
    ASSERT_TRUE(applet.Connect());
    Handler handler;
    clsRecordItem record;
    record.Register(applet.manager, QStringLiteral("Read_048"), false, 0,
                    REGISTER_STATE | REGISTER_CONTROL | REGISTER_RESPONSE, &handler,
                    QStringLiteral("RecordItem_StatusChanged"));
    clsSequenceItem sequence;
    sequence.Register(applet.manager, QStringLiteral("GetDiagnosis"), false, 0, REGISTER_STATE);
    Settle();
    handler.calls.clear();
    QList<int32_t> statuses;
    QList<QByteArray> responses;
    QObject::connect(&record, &clsRecordItem::StatusChanged, [&](int32_t s) {
        statuses.append(s);
        // The device was busy: the view that controls the record asks again.
        if (s == applet::RecordState::ReadFailed)
            record.DoAction(applet::RecordAction::Repeat);
    });
    QObject::connect(&record, &clsRecordItem::ResponseCatched, [&](const QByteArray& b) { responses.append(b); });

    applet.device.injectBusy(1);
    sequence.Start();
    ASSERT_TRUE(piotest::RunUntil([&] { return statuses.size() >= 2 && statuses.back() == 0; }));
    EXPECT_TRUE(statuses.contains(applet::RecordState::ReadActive));
    EXPECT_TRUE(statuses.contains(applet::RecordState::ReadFailed));
    EXPECT_TRUE(handler.calls.contains(QStringLiteral("record(Read_048,%1)").arg(applet::RecordState::ReadFailed)));
    ASSERT_FALSE(responses.isEmpty());
    EXPECT_EQ(record.ResponseCode(), responses.back());
    ASSERT_TRUE(piotest::RunUntil([&] { return sequence.SequenceState() == applet::SequenceState::Ready; }));
}

TEST(RecordItem, StateWordFourIsIgnoredSixteenIsNotAndAnUnknownRecordKeepsNoEarlierHandle)
{
    TrivexApplet applet;
    PIO_REQUIRE_APPLET(applet);
    piotest::ErrorTraces traces;
    clsRecordItem record;
    record.Register(applet.manager, QStringLiteral("Read_013"), false, 0, REGISTER_STATE);
    Settle();
    QList<int32_t> statuses;
    QObject::connect(&record, &clsRecordItem::StatusChanged, [&](int32_t s) { statuses.append(s); });
    int32_t handle = record.StateHandle();
    record.OnNotifyChanged(handle, false, applet::StateInfo::kShadowOnly, 0);
    EXPECT_TRUE(statuses.isEmpty());
    record.OnNotifyChanged(handle, false, applet::StateInfo::kNoRules, 0);
    EXPECT_EQ(statuses, QList<int32_t>({0}));

    // Registered again under a name the manager does not know: the old state
    // handle is not kept, so no action can reach another record's sub-item.
    record.Init(QStringLiteral("Read_999"), false, 0, REGISTER_STATE | REGISTER_CONTROL);
    record.Register1(applet.manager);
    EXPECT_EQ(record.StateHandle(), 0);
    EXPECT_EQ(record.ResponseControlHandle(), 0);
    record.DoAction(applet::RecordAction::Repeat);
    EXPECT_TRUE(traces.Contains(QStringLiteral("clsRecordItem.DoAction: fncPutUintValue fehlgeschlagen")));
}
