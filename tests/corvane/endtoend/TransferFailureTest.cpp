// A transfer that is aborted, loses its device or meets a record error ends
// as failed through the whole road: the transfer item reads 2, the frame hears
// failure with a reason, the write lock is released, the stored instance stays
// byte for byte as it was and no end of an upload is fanned out.
#include "tests/corvane/TransferSupport.h"
#include "corvane/frame/AbortRequest.h"
#include "fennick/fdt/clsFunctionConnect.h"

namespace {

using transfertest::TransferRoad;
using transfertest::Variant;

const Variant kDefault{"rev21_mv_on_linear_137", 137, 21, true, false, {}};

class TransferFailure : public TransferRoad {
protected:
    void SetUp() override { Start(kDefault); }

    void GoOnline()
    {
        ASSERT_EQ(Dtm()->ConnectObject()->Connect(), 0);
        ASSERT_TRUE(WaitUntil([&] { return Status() == DtmStatus::Online; }));
        // The identification that the connection starts has run.
        ASSERT_TRUE(WaitUntil([&] { return Ran().contains(QStringLiteral("GetDeviceInfo")) && Text(QStringLiteral("currentSequence")).isEmpty(); }));
    }
    int RecordsOf(const QString& sequence) const
    {
        return static_cast<int>(manager->GetDescription()->FindSequence(sequence)->records.size());
    }
    // The failed transfer left everything as a failure must.
    void ExpectCleanFailure(const QByteArray& stored)
    {
        EXPECT_TRUE(Unlocked());
        EXPECT_EQ(Text(QStringLiteral("XXXTransferCompletedXXX")), QStringLiteral("2"));
        EXPECT_EQ(StoredInstance(), stored);
        EXPECT_FALSE(Ran().contains(QStringLiteral("UploadCompleted")));
        EXPECT_FALSE(Chain()->FailureReason().isEmpty());
    }
};

TEST_F(TransferFailure, AnAbortRequestMidUploadEndsTheChainAsFailed)
{
    if (HasFatalFailure())
        return;
    GoOnline();
    const QByteArray stored = StoredInstance();
    device.setResponseDelay(20);
    log->changes.clear();
    ASSERT_TRUE(Dtm()->UploadRequest(QStringLiteral("U1"), QString()));
    ASSERT_TRUE(WaitUntil([&] { return Ran().contains(QStringLiteral("upload_Revision21")); }));
    corvane::RequestAbort(manager);
    ASSERT_TRUE(WaitForEvent(QStringLiteral("OnUploadFinished(U1, False)")));
    ExpectCleanFailure(stored);
    QTest::qWait(200);
    EXPECT_FALSE(Ran().contains(QStringLiteral("uploadMv_Revision21"))) << Ran().join(' ').toStdString();
    EXPECT_EQ(frame->Events().Count(QStringLiteral("OnUploadFinished")), 1);

    // The next upload is a whole one again.
    device.setResponseDelay(0);
    log->changes.clear();
    ASSERT_TRUE(Upload(QStringLiteral("U2")));
    EXPECT_EQ(Ran().count(QStringLiteral("UploadCompleted")), 1);
    EXPECT_EQ(Text(QStringLiteral("XXXTransferCompletedXXX")), QStringLiteral("1"));
}

TEST_F(TransferFailure, AnAbortRequestMidDownloadIsReportedAsACutOffDownload)
{
    if (HasFatalFailure())
        return;
    GoOnline();
    const QVariant before = device.transmitter().parameters().value(QStringLiteral("highAlarmCurr"));
    device.setResponseDelay(20);
    Put(QStringLiteral("highAlarmCurr"), QStringLiteral("22.5"));
    const QByteArray stored = StoredInstance();
    const int handled = device.requestsHandled();
    ASSERT_TRUE(Dtm()->DownloadRequest(QStringLiteral("D1"), QString()));
    ASSERT_TRUE(WaitUntil([&] { return device.requestsHandled() >= handled + 4; }));
    corvane::RequestAbort(manager);
    ASSERT_TRUE(WaitForEvent(QStringLiteral("OnDownloadFinished(D1, False)")));
    EXPECT_TRUE(Unlocked());
    EXPECT_EQ(Text(QStringLiteral("XXXTransferCompletedXXX")), QStringLiteral("2"));
    EXPECT_EQ(StoredInstance(), stored);
    // The alarm current comes after the universal commands: the device keeps its own.
    EXPECT_EQ(device.transmitter().parameters().value(QStringLiteral("highAlarmCurr")), before);
    EXPECT_LT(device.requestsHandled(), handled + RecordsOf(QStringLiteral("download")));
}

TEST_F(TransferFailure, AConnectionDroppedMidChainFailsTheUploadAndChangesNothingStored)
{
    if (HasFatalFailure())
        return;
    GoOnline();
    const QByteArray stored = StoredInstance();
    // Into the second sequence of the chain.
    device.dropConnectionAfter(RecordsOf(QStringLiteral("upload")) + 2);
    log->changes.clear();
    ASSERT_TRUE(Upload(QStringLiteral("U1"), false))
        << Ran().join(' ').toStdString() << "\n" << frame->Events().Texts().join('\n').toStdString()
        << "\ntransfer " << Text(QStringLiteral("XXXTransferCompletedXXX")).toStdString();
    ExpectCleanFailure(stored);
    EXPECT_TRUE(Ran().contains(QStringLiteral("upload_Revision21")));
    EXPECT_FALSE(Ran().contains(QStringLiteral("uploadMv")));
    EXPECT_EQ(Status(), DtmStatus::CommunicationSet);
}

TEST_F(TransferFailure, ARecordErrorPassedOverFailsTheDownloadWithItsReason)
{
    if (HasFatalFailure())
        return;
    GoOnline();
    device.setAccessRestricted(true);
    ASSERT_TRUE(Download(QStringLiteral("D1"), false));
    EXPECT_TRUE(Unlocked());
    EXPECT_EQ(Text(QStringLiteral("XXXTransferCompletedXXX")), QStringLiteral("2"));
    EXPECT_TRUE(Chain()->FailureReason().contains(QStringLiteral("passed over")))
        << Chain()->FailureReason().toStdString();

    // The device takes writes again: the next download is a good one.
    device.setAccessRestricted(false);
    ASSERT_TRUE(Download(QStringLiteral("D2")));
    EXPECT_EQ(Text(QStringLiteral("XXXTransferCompletedXXX")), QStringLiteral("1"));
    EXPECT_TRUE(Chain()->FailureReason().isEmpty());
}

// A description whose extended software revision the device information
// cannot bind: the chain cannot tell its next step after the first one.
class TransferWithoutNextStep : public TransferFailure {
protected:
    void SetUp() override
    {
        QFile original(dtmtest::TrivexDescriptionDir() + QStringLiteral("Trivex.tdx"));
        ASSERT_TRUE(original.open(QIODevice::ReadOnly));
        QByteArray text = original.readAll();
        ASSERT_TRUE(text.contains("\"pbSoftwareSpecHOLLEN\""));
        text.replace("\"pbSoftwareSpecHOLLEN\"", "\"pbSoftwareSpecHOLLEN_\"");
        tdxPath = dir.filePath(QStringLiteral("Trivex.tdx"));
        QFile copy(tdxPath);
        ASSERT_TRUE(copy.open(QIODevice::WriteOnly) && copy.write(text) == text.size());
        copy.close();
        TransferFailure::SetUp();
    }
};

TEST_F(TransferWithoutNextStep, APartialUploadEndsAsFailedAndIsNotTakenOver)
{
    if (HasFatalFailure())
        return;
    GoOnline();
    const QByteArray stored = StoredInstance();
    log->changes.clear();
    ASSERT_TRUE(Upload(QStringLiteral("U1"), false))
        << Ran().join(' ').toStdString() << "\ntransfer " << Text(QStringLiteral("XXXTransferCompletedXXX")).toStdString();
    ExpectCleanFailure(stored);
    EXPECT_TRUE(Chain()->FailureReason().contains(QStringLiteral("next upload sequence")))
        << Chain()->FailureReason().toStdString();
}

} // namespace
