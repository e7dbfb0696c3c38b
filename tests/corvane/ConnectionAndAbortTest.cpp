// Connecting starts the device identification; a lost connection marks the
// dataset's verdict and aborts the running sequence and record; every abort
// request acts; "currentSequence" names the sequence that runs.
#include "ConnectedRuleSupport.h"
#include "CorvaneTestSupport.h"
#include "corvane/frame/AbortRequest.h"
#include "corvane/frame/clsCurrSeqMgr.h"
#include "corvane/frame/clsRecordMgr.h"
#include "platform/applet/AppletStates.h"
#include "platform/applet/SubItemName.h"
#include "platform/loop/ManualClock.h"
#include "platform/loop/ScopedTimerService.h"

namespace {

using namespace corvanetest;
using applet::SubItemKind;
using applet::SubItemName::Compose;

const QString kReadTag = QStringLiteral("Read_013");

class ConnectionAndAbort : public ::testing::Test {
protected:
    HomeFolder home;
    CorvaneApplet applet;
};

TEST_F(ConnectionAndAbort, ConnectingStartsGetDeviceInfoOnceAndItsRunIsTheCurrentSequence)
{
    PIO_REQUIRE_APPLET(applet);
    ItemLog log(applet.manager);
    log.Watch(Compose(SubItemKind::SequenceState, QStringLiteral("GetDeviceInfo")), QStringLiteral("state"));
    log.Watch(QStringLiteral("currentSequence"), QStringLiteral("current"));
    ErrorTraces traces;
    ASSERT_TRUE(applet.Connect());
    ASSERT_TRUE(RunUntil([&] { return log.changes.contains(QStringLiteral("state=64")) && log.changes.last() == QStringLiteral("state=0"); }))
        << log.changes.join(QLatin1Char(' ')).toStdString();
    Settle();
    EXPECT_TRUE(log.changes.contains(QStringLiteral("current=GetDeviceInfo")));
    EXPECT_EQ(applet.Text(QStringLiteral("currentSequence")), QString());
    EXPECT_FALSE(traces.Contains(QStringLiteral("GetDeviceInfo")))
        << traces.lines.join(QLatin1Char('\n')).toStdString();

    // A repeated "connected" starts nothing.
    log.changes.clear();
    applet.PutNumber(loopbacktest::kConnectItem, 2);
    Settle();
    EXPECT_FALSE(log.changes.contains(QStringLiteral("state=64")));
}

TEST_F(ConnectionAndAbort, ALostConnectionWritesVerdict5AndThenAbortsTheRunningSequenceAndRecord)
{
    PIO_REQUIRE_APPLET(applet);
    ASSERT_TRUE(ConnectAndIdentify(applet));
    applet.PutText(QStringLiteral("InCompatibleDataset"), QStringLiteral("0"));
    applet.PutText(QStringLiteral("currentSequence"), QStringLiteral("Upload"));
    applet.PutText(QStringLiteral("currentRecord"), kReadTag);
    ItemLog log(applet.manager);
    log.Watch(QStringLiteral("InCompatibleDataset"), QStringLiteral("verdict"));
    log.Watch(QStringLiteral("abortSequences"), QStringLiteral("abort"));
    log.Watch(Compose(SubItemKind::SequenceControl, QStringLiteral("Upload")), QStringLiteral("Upload"));
    log.Watch(Compose(SubItemKind::RecordResponseControl, kReadTag), kReadTag);
    log.changes.clear();

    int32_t code = -1;
    applet.host->Disconnect(0, code);
    ASSERT_TRUE(RunUntil([&] { return applet.Number(loopbacktest::kConnectItem) == 0; }));
    Settle();
    // The host's disconnect shows every item's value again first; the loss follows.
    const auto lost = log.changes.indexOf(QStringLiteral("verdict=5"));
    ASSERT_GE(lost, 0) << log.changes.join(QLatin1Char(' ')).toStdString();
    // The abort runs inside the write of "1", before this later watcher hears of it.
    EXPECT_EQ(log.changes.mid(lost), QStringList({"verdict=5", "Upload=2", "Read_013=4", "abort=1"}))
        << log.changes.join(QLatin1Char(' ')).toStdString();
    // Nothing re-checks the dataset while the device is not connected: 5 stands.
    EXPECT_EQ(applet.Text(QStringLiteral("InCompatibleDataset")), QStringLiteral("5"));
    EXPECT_EQ(applet.Text(QStringLiteral("abortSequences")), QStringLiteral("1"));
    EXPECT_EQ(applet.Text(QStringLiteral("currentRecord")), kReadTag); // left as it was
}

TEST_F(ConnectionAndAbort, AnAbortDropsABusyRepeatTheRecordManagerStillHasScheduled)
{
    PIO_REQUIRE_APPLET(applet);
    ASSERT_TRUE(ConnectAndIdentify(applet));
    loop::ManualClock clock;
    loop::ScopedTimerService timers(clock);
    ItemLog log(applet.manager);
    log.Watch(Compose(SubItemKind::RecordResponseControl, kReadTag), kReadTag);
    Settle(); // the registration's refresh
    log.changes.clear();

    // The device answers the read busy (response code 32): a repeat is scheduled.
    int32_t failed = 0;
    applet.PutNumber(Compose(SubItemKind::RecordState, kReadTag), applet::RecordState::ReadActive);
    applet.manager->fncPutOctetsValue(applet.manager->HandleOf(Compose(SubItemKind::RecordResponse, kReadTag)),
                                      QByteArray("\x0d\x20\x00", 3), failed);
    ASSERT_EQ(failed, 0);
    applet.PutText(QStringLiteral("currentRecord"), kReadTag);
    applet.PutNumber(Compose(SubItemKind::RecordState, kReadTag), applet::RecordState::ReadFailed);
    ASSERT_TRUE(log.changes.isEmpty()) << log.changes.join(' ').toStdString();

    corvane::RequestAbort(applet.manager);
    clock.Advance(clsRecordMgr::kRepeatDelayMs * 2);
    EXPECT_EQ(log.changes, QStringList({"Read_013=4"})) << "the aborted record is not sent again";
}

TEST_F(ConnectionAndAbort, TwoAbortRequestsInARowBothAct)
{
    PIO_REQUIRE_APPLET(applet);
    ItemLog log(applet.manager);
    log.Watch(Compose(SubItemKind::SequenceControl, QStringLiteral("Upload")), QStringLiteral("Upload"));
    log.Watch(Compose(SubItemKind::SequenceControl, QStringLiteral("Download")), QStringLiteral("Download"));
    applet.PutText(QStringLiteral("currentSequence"), QStringLiteral("Upload"));
    corvane::RequestAbort(applet.manager);
    applet.PutText(QStringLiteral("currentSequence"), QStringLiteral("Download"));
    corvane::RequestAbort(applet.manager);
    EXPECT_EQ(log.changes, QStringList({"Upload=2", "Download=2"}));
    EXPECT_EQ(applet.Text(QStringLiteral("abortSequences")), QStringLiteral("1"));

    // "0" alone asks for nothing.
    applet.PutText(QStringLiteral("currentSequence"), QStringLiteral("GetDiagnosis"));
    applet.PutText(QStringLiteral("abortSequences"), QStringLiteral("0"));
    EXPECT_EQ(log.changes.size(), 2);
}

TEST_F(ConnectionAndAbort, TheRefreshAfterADatasetLoadRepeatsAStandingRequestWithoutActingOnIt)
{
    PIO_REQUIRE_APPLET(applet);
    ItemLog log(applet.manager);
    log.Watch(Compose(SubItemKind::SequenceControl, QStringLiteral("Upload")), QStringLiteral("Upload"));
    applet.PutText(QStringLiteral("currentSequence"), QStringLiteral("Upload"));
    corvane::RequestAbort(applet.manager);
    ASSERT_EQ(log.changes, QStringList({"Upload=2"}));
    applet.PutNumber(Compose(SubItemKind::SequenceControl, QStringLiteral("Upload")), 0);
    log.changes.clear();
    // "1" still stands; a load refreshes every item while its marker names no sequence.
    applet.PutText(QStringLiteral("currentSequence"), QStringLiteral("Upload"));
    applet.manager->RefreshAll();
    EXPECT_FALSE(log.changes.contains(QStringLiteral("Upload=2"))) << log.changes.join(' ').toStdString();
}

TEST_F(ConnectionAndAbort, AnAbortWithNothingRunningStopsTheLastActiveSequenceOnce)
{
    PIO_REQUIRE_APPLET(applet);
    ItemLog log(applet.manager);
    log.Watch(Compose(SubItemKind::SequenceControl, QStringLiteral("Upload")), QStringLiteral("Upload"));
    log.Watch(Compose(SubItemKind::RecordResponseControl, kReadTag), kReadTag);
    applet.PutNumber(Compose(SubItemKind::SequenceState, QStringLiteral("Upload")), 64);
    applet.PutText(QStringLiteral("currentSequence"), QString());
    corvane::RequestAbort(applet.manager);
    EXPECT_EQ(log.changes, QStringList({"Upload=2"}));
    applet.PutNumber(Compose(SubItemKind::SequenceControl, QStringLiteral("Upload")), 0);
    log.changes.clear();
    applet.PutText(QStringLiteral("currentRecord"), kReadTag);
    corvane::RequestAbort(applet.manager); // the remembered name was used: only the record
    EXPECT_EQ(log.changes, QStringList({"Read_013=4"}));
}

TEST_F(ConnectionAndAbort, CurrentSequenceFollowsTheSequenceThatRunsAndAnUploadEndClearsIt)
{
    PIO_REQUIRE_APPLET(applet);
    const auto state = [](const char* sequence) { return Compose(SubItemKind::SequenceState, QLatin1String(sequence)); };
    applet.PutNumber(state("upload"), 64);
    EXPECT_EQ(applet.Text(QStringLiteral("currentSequence")), QStringLiteral("upload"));
    applet.PutNumber(state("download"), 32);
    applet.PutNumber(state("upload"), 0); // another one runs: left alone
    EXPECT_EQ(applet.Text(QStringLiteral("currentSequence")), QStringLiteral("download"));
    applet.PutNumber(state("download"), 1); // a request changes nothing
    EXPECT_EQ(applet.Text(QStringLiteral("currentSequence")), QStringLiteral("download"));
    applet.PutNumber(state("download"), 0);
    EXPECT_EQ(applet.Text(QStringLiteral("currentSequence")), QString());

    applet.PutText(QStringLiteral("currentSequence"), QStringLiteral("GetDiagnosis"));
    applet.Find<clsCurrSeqMgr>(QStringLiteral("clsCurrSeqMgr"))->HandleUploadCompleted();
    EXPECT_EQ(applet.Text(QStringLiteral("currentSequence")), QString());
}

TEST_F(ConnectionAndAbort, AnAbortRequestWithoutTheItemIsRefusedAndTraced)
{
    ErrorTraces traces;
    EXPECT_THROW(corvane::RequestAbort(nullptr), automation::ComError);
    EXPECT_TRUE(traces.Contains(QStringLiteral("RequestAbort")));
}

} // namespace
