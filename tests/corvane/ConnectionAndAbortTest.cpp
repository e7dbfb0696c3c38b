// Connecting starts the device identification; a lost connection marks the
// dataset's verdict and aborts the running sequence and record; every abort
// request acts; "currentSequence" names the sequence that runs.
#include "ConnectedRuleSupport.h"
#include "CorvaneTestSupport.h"
#include "corvane/frame/AbortRequest.h"
#include "corvane/frame/clsCurrSeqMgr.h"
#include "corvane/frame/clsRecordMgr.h"
#include "pioextensions/clsSequenceItem.h"
#include "pioextensions/enmRegMask.h"
#include "platform/applet/AppletStates.h"
#include "platform/applet/RecordRunner.h"
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

TEST_F(ConnectionAndAbort, ABusyRecordIsSentAgainOneRepeatDelayLaterAndAnAbortInTheDelayEndsIt)
{
    PIO_REQUIRE_APPLET(applet);
    ASSERT_TRUE(ConnectAndIdentify(applet));
    loop::ManualClock clock;
    loop::ScopedTimerService timers(clock);
    clsSequenceItem diagnosis;
    diagnosis.Register(applet.manager, QStringLiteral("GetDiagnosis"), false, 0, REGISTER_STATE);
    ItemLog log(applet.manager);
    log.Watch(Compose(SubItemKind::RecordState, QStringLiteral("Read_048")), QStringLiteral("record"));
    QList<int> answers;
    QObject::connect(&applet.device, &sim::SimServer::requestHandled, [&](int command, int code) {
        if (command == 48)
            answers.append(code);
    });
    Settle();
    log.changes.clear();
    const QString failed = QStringLiteral("record=%1").arg(applet::RecordState::ReadFailed);
    const QString active = QStringLiteral("record=%1").arg(applet::RecordState::ReadActive);
    // Waits until the busy answer has failed the record and every reaction to it has run.
    const auto waitForBusy = [&](int busyAnswers) {
        return RunUntil([&] { return answers.count(32) == busyAnswers && log.changes.endsWith(failed); });
    };

    // Each busy answer is followed by one wait of the repeat delay, no more.
    applet.device.injectBusy(2);
    diagnosis.Start();
    for (int busy = 1; busy <= 2; ++busy) {
        ASSERT_TRUE(waitForBusy(busy)) << log.changes.join(' ').toStdString();
        Settle();
        clock.Advance(applet::RecordRunner::kRepeatDelayMs - 1);
        ASSERT_TRUE(log.changes.endsWith(failed)) << "repeat " << busy << " came early";
        clock.Advance(1);
        ASSERT_TRUE(log.changes.endsWith(active)) << "repeat " << busy << " is late: " << log.changes.join(' ').toStdString();
    }
    ASSERT_TRUE(RunUntil([&] { return answers.size() == 3 && diagnosis.SequenceState() == 0; }));
    EXPECT_EQ(answers, QList<int>({32, 32, 0}));
    Settle();

    // An abort while the repeat waits ends the record: it is not sent again.
    applet.device.injectBusy(1);
    answers.clear();
    log.changes.clear();
    diagnosis.Start();
    ASSERT_TRUE(waitForBusy(1)) << log.changes.join(' ').toStdString();
    Settle();
    corvane::RequestAbort(applet.manager);
    Settle();
    clock.Advance(applet::RecordRunner::kRepeatDelayMs * 2);
    EXPECT_FALSE(log.changes.mid(log.changes.lastIndexOf(failed)).contains(active))
        << "the aborted record is sent again: " << log.changes.join(' ').toStdString();
    EXPECT_EQ(diagnosis.SequenceState(), 0);
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
