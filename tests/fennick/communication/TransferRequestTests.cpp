// The frame's uploads and downloads through the DTM object: the write lock,
// the connect first when offline, the function sequence, the finished events,
// the save after an upload, cancel; and the save question after the last
// application.
#include "DtmCommunicationSupport.h"
#include "fennick/communication/clsFunctionSequence.h"
#include "fennick/dataset/clsDataManager.h"
#include "fennick/dataset/frmChannelDataWarn.h"
#include "fennick/fdt/global.h"
#include "platform/applet/clsAppletItemManager.h"
#include <QCheckBox>
#include <QPointer>
#include <QPushButton>

using namespace dtmcomm;
using dtmtest::kTag;

namespace {

const QString kUploadControl = QStringLiteral("&&Sequence_Control&&Upload");

class TransferRequest : public DtmCommunicationTest {
protected:
    // The device application's report of the end of the chain.
    void Complete(double result)
    {
        host->Write(kTransferItem, 0);
        host->Write(kTransferItem, result);
    }
    QStringList Finished() const
    {
        QStringList texts = frame->Events().Texts(QStringLiteral("OnUploadFinished"));
        texts += frame->Events().Texts(QStringLiteral("OnDownloadFinished"));
        return texts;
    }
    std::shared_ptr<clsSequenceManager> Manager() const { return Dtm()->SequenceManager(); }
};

TEST_F(TransferRequest, UploadWhileOnlineStartsAtOnceAndSavesAfterwards)
{
    OnlineInstance();
    frame->Events().Clear();
    ASSERT_TRUE(Dtm()->UploadRequest(QStringLiteral("U1"), QString()));
    EXPECT_EQ(serverHost->sequenceCalls, QStringList{"Start Upload"});
    EXPECT_EQ(Dtm()->LockCounter(), 1);
    EXPECT_EQ(frame->Events().Count(QStringLiteral("LockDataSet")), 1);
    ASSERT_TRUE(Manager()->ExecSequence());
    EXPECT_TRUE(Manager()->ExecSequence()->WatchesTransferItem());

    // One frame transfer at a time.
    EXPECT_FALSE(Dtm()->UploadRequest(QStringLiteral("U2"), QString()));
    EXPECT_FALSE(Dtm()->DownloadRequest(QStringLiteral("D1"), QString()));
    EXPECT_TRUE(traces.contains(QStringLiteral(
        "IDtmOnlineParameter::DownloadRequest: Another sequence started by frame application is already running")));
    EXPECT_EQ(Manager()->CurrentInvokeId(), "U1");

    Complete(1);
    EXPECT_EQ(Finished(), QStringList{"OnUploadFinished(U1, True)"});
    EXPECT_EQ(serverHost->saves, 1);
    EXPECT_TRUE(traces.contains(QStringLiteral("Upload was successful so proceeding to SaveData..")));
    EXPECT_FALSE(Manager()->ExecSequence());
    EXPECT_EQ(Manager()->TransferKind(), clsSequenceManager::kTransferNone);

    // The last writer leaves: offline, the frame saves, then it unlocks.
    clock.Advance(200);
    EXPECT_EQ(Dtm()->LockCounter(), 0);
    EXPECT_EQ(Status(), DtmStatus::CommunicationSet);
    EXPECT_EQ(frame->Events().Count(QStringLiteral("SaveRequest")), 1);
    EXPECT_EQ(frame->Events().Count(QStringLiteral("UnlockDataSet")), 1);
    EXPECT_TRUE(frame->Project().HasInstance(kTag));
    // A late write of the transfer item reports nothing more.
    Complete(2);
    EXPECT_EQ(Finished().size(), 1);
}

TEST_F(TransferRequest, UploadWhileOfflineConnectsFirst)
{
    LinkedInstance();
    frame->Events().Clear();
    ASSERT_TRUE(Dtm()->UploadRequest(QStringLiteral("U1"), QString()));
    EXPECT_TRUE(host->calls.contains("Connect"));
    EXPECT_EQ(Status(), DtmStatus::Online);
    // The start comes from the deferral window, not from the notification.
    EXPECT_TRUE(serverHost->sequenceCalls.isEmpty());
    clock.Advance(50);
    EXPECT_EQ(serverHost->sequenceCalls, QStringList{"Start Upload"});

    Complete(2);
    EXPECT_EQ(Finished(), QStringList{"OnUploadFinished(U1, False)"});
    EXPECT_EQ(serverHost->saves, 0);
    EXPECT_TRUE(traces.contains(QStringLiteral("Upload has failed .. so did not SaveData..")));
    clock.Advance(200);
    EXPECT_EQ(Dtm()->LockCounter(), 0);
}

TEST_F(TransferRequest, ConnectFailures)
{
    LinkedInstance();
    frame->Events().Clear();
    // The device does not come online: the transfer ends with failure.
    host->connectSteps = {1, 0};
    EXPECT_TRUE(Dtm()->UploadRequest(QStringLiteral("U1"), QString()));
    EXPECT_EQ(Finished(), QStringList{"OnUploadFinished(U1, False)"});
    EXPECT_TRUE(traces.contains(QStringLiteral("not connected")));
    clock.Advance(200);
    EXPECT_EQ(Dtm()->LockCounter(), 0);
    EXPECT_TRUE(serverHost->sequenceCalls.isEmpty());

    // The host refuses to connect: refused at once, nothing left behind.
    host->connectResult = 0x804A0004;
    host->connectSteps = {};
    EXPECT_FALSE(Dtm()->DownloadRequest(QStringLiteral("D1"), QString()));
    EXPECT_TRUE(traces.contains(QStringLiteral("DownLoad Request failed!")));
    EXPECT_FALSE(Manager()->ExecSequence());
    EXPECT_FALSE(Manager()->ExecConnect());
    EXPECT_EQ(Manager()->CurrentInvokeId(), "");
    clock.Advance(200);
    EXPECT_EQ(Dtm()->LockCounter(), 0);
    EXPECT_EQ(Finished().size(), 1);
}

TEST_F(TransferRequest, DownloadForcesItsSequence)
{
    OnlineInstance();
    frame->Events().Clear();
    ASSERT_TRUE(Dtm()->DownloadRequest(QStringLiteral("D1"), QString()));
    EXPECT_EQ(serverHost->sequenceCalls, QStringList{"Force Download"});
    Complete(1);
    EXPECT_EQ(Finished(), QStringList{"OnDownloadFinished(D1, True)"});
    // What the device took (a value set to the nearest it holds) is the project's.
    EXPECT_EQ(serverHost->saves, 1);
    EXPECT_TRUE(traces.contains(QStringLiteral("Download finished....")));
}

TEST_F(TransferRequest, ARefusedStartEndsTheRequestAtOnce)
{
    OnlineInstance();
    frame->Events().Clear();
    serverHost->sequenceResult = 0x804A0003;
    EXPECT_FALSE(Dtm()->UploadRequest(QStringLiteral("U1"), QString()));
    EXPECT_TRUE(Finished().isEmpty());
    clock.Advance(200);
    EXPECT_EQ(Dtm()->LockCounter(), 0);
}

TEST_F(TransferRequest, CancelAbortsReportsAndReleasesTheLock)
{
    OnlineInstance();
    // Before any transfer there is no service to cancel.
    EXPECT_FALSE(Dtm()->CancelAction(QStringLiteral("U1")));
    EXPECT_TRUE(traces.contains(QStringLiteral("IDtmOnlineParameter::CancelAction: No active service available")));

    frame->Events().Clear();
    ASSERT_TRUE(Dtm()->UploadRequest(QStringLiteral("U1"), QString()));
    EXPECT_FALSE(Dtm()->CancelAction(QStringLiteral("U9")));
    EXPECT_TRUE(traces.contains(QStringLiteral("Invoke ID mismatch!")));
    EXPECT_EQ(Manager()->CurrentInvokeId(), "U1");

    ASSERT_TRUE(Dtm()->CancelAction(QStringLiteral("U1")));
    EXPECT_EQ(host->Value(kUploadControl), 2);
    EXPECT_EQ(Finished(), QStringList{"OnUploadFinished(U1, False)"});
    EXPECT_EQ(Manager()->TransferKind(), clsSequenceManager::kTransferNone);
    EXPECT_EQ(Manager()->CurrentInvokeId(), "");
    Complete(1);
    EXPECT_EQ(Finished().size(), 1);
    clock.Advance(200);
    EXPECT_EQ(Dtm()->LockCounter(), 0);

    // Idle: an empty id matches and changes nothing.
    EXPECT_TRUE(Dtm()->CancelAction(QString()));
    EXPECT_EQ(Finished().size(), 1);
    // And the next transfer runs.
    host->Write(kConnectItem, 2);
    EXPECT_TRUE(Dtm()->UploadRequest(QStringLiteral("U2"), QString()));
}

TEST_F(TransferRequest, CancelWhileConnectingStartsNothingLater)
{
    LinkedInstance();
    frame->Events().Clear();
    host->connectSteps = {1};
    ASSERT_TRUE(Dtm()->UploadRequest(QStringLiteral("U1"), QString()));
    ASSERT_TRUE(Dtm()->CancelAction(QStringLiteral("U1")));
    EXPECT_TRUE(host->calls.contains("Disconnect"));
    EXPECT_EQ(Finished(), QStringList{"OnUploadFinished(U1, False)"});
    host->Write(kConnectItem, 2);
    clock.Advance(200);
    EXPECT_TRUE(serverHost->sequenceCalls.isEmpty());
    EXPECT_EQ(Finished().size(), 1);
}

TEST_F(TransferRequest, AFailingFrameStillGetsTheDataSavedAndTheLockReleased)
{
    OnlineInstance();
    ASSERT_TRUE(Dtm()->UploadRequest(QStringLiteral("U1"), QString()));
    Container()->SetEventsRaise(true);
    serverHost->saveResult = static_cast<int32_t>(0x804A0007);
    Complete(1);
    Container()->SetEventsRaise(false);
    EXPECT_TRUE(traces.contains(QStringLiteral("IDtmEvents::OnUploadFinished: Runtime error ")));
    EXPECT_EQ(serverHost->saves, 1);
    EXPECT_TRUE(traces.contains(QStringLiteral("PioApplet::SaveToDatabase failed reason code: 0x804A0007")));
    clock.Advance(200);
    EXPECT_EQ(Dtm()->LockCounter(), 0);
}

TEST_F(TransferRequest, AnUploadSavesAndReleasesItsLockThoughTheFrameFailsWithAForeignFault)
{
    OnlineInstance();
    ASSERT_TRUE(Dtm()->UploadRequest(QStringLiteral("U1"), QString()));
    Container()->SetEventsFailForeign(true);
    Complete(1);
    Container()->SetEventsFailForeign(false);
    EXPECT_TRUE(traces.contains(QStringLiteral("IDtmEvents::OnUploadFinished: Runtime error ")));
    EXPECT_TRUE(traces.contains(QStringLiteral("The frame broke down in OnUploadFinished")));
    EXPECT_EQ(serverHost->saves, 1);
    clock.Advance(200);
    EXPECT_EQ(Dtm()->LockCounter(), 0);
}

TEST_F(TransferRequest, ADownloadEndsAndReleasesItsLockThoughTheFrameFailsWithAForeignFault)
{
    OnlineInstance();
    ASSERT_TRUE(Dtm()->DownloadRequest(QStringLiteral("D1"), QString()));
    EXPECT_EQ(Dtm()->LockCounter(), 1);
    Container()->SetEventsFailForeign(true);
    Complete(1);
    Container()->SetEventsFailForeign(false);
    EXPECT_TRUE(traces.contains(QStringLiteral("The frame broke down in OnDownloadFinished")));
    EXPECT_TRUE(traces.contains(QStringLiteral("Download finished....")));
    clock.Advance(200);
    EXPECT_EQ(Dtm()->LockCounter(), 0);
}

TEST_F(TransferRequest, SaveQuestionAfterTheLastApplication)
{
    ConfiguredInstance();
    // A new dataset is transient: the user is asked about its changes.
    ASSERT_EQ(Dtm()->DataManager()->GetStorageState(), "transient");
    const auto manager = global::AppletItemManager();
    ASSERT_TRUE(manager);
    int32_t failed = 0;
    manager->fncPutUintValue(manager->HandleOf(QStringLiteral("&&private&&Dirty")), 1, failed);
    ASSERT_EQ(failed, 0);
    dialogService.AnswerMessage(dialogs::DialogResult::Yes);
    EXPECT_EQ(Dtm()->AskSaveChangedData(), 6);
    ASSERT_EQ(dialogService.Requests().size(), 1u);
    EXPECT_EQ(dialogService.Requests()[0].text, "Do you want to save changed data ?");
    EXPECT_EQ(dialogService.Requests()[0].buttons, dialogs::MessageButtons::YesNo);
    Dtm()->SaveToDatabase(6);
    EXPECT_EQ(serverHost->saves, 1);
    Dtm()->SaveToDatabase(7);
    EXPECT_EQ(serverHost->loads, 1);

    // Stored: no question, nothing done.
    ASSERT_TRUE(frame->SaveInstance(kTag));
    ASSERT_EQ(Dtm()->DataManager()->GetStorageState(), "persistent");
    EXPECT_EQ(Dtm()->AskSaveChangedData(), 7);
    EXPECT_EQ(dialogService.Requests().size(), 1u);
    Dtm()->SaveToDatabase(7);
    Dtm()->SaveToDatabase(6);
    EXPECT_EQ(serverHost->saves, 1);
    EXPECT_EQ(serverHost->loads, 1);
}

TEST_F(TransferRequest, TheChannelDataHintOpensOnceAndKeepsTheUsersChoice)
{
    ConfiguredInstance();
    // No application can be active yet, so the frame's reading of channels
    // is no reason for the hint.
    EXPECT_FALSE(Dtm()->ShouldWarnChannelData());
    EXPECT_FALSE(Dtm()->GetModuleFlags());

    Dtm()->ShowChannelDataWarning();
    const QPointer<frmChannelDataWarn> first = Dtm()->ChannelDataWarning();
    ASSERT_TRUE(first);
    EXPECT_TRUE(first->isVisible());
    Dtm()->ShowChannelDataWarning();
    EXPECT_EQ(Dtm()->ChannelDataWarning(), first.data());

    first->chkSuppress()->setChecked(true);
    first->OKButton()->click();
    EXPECT_EQ(Dtm()->ChannelDataWarning(), nullptr);
    EXPECT_TRUE(Dtm()->ChannelWarningSuppressed());
    // The window goes after its own event.
    clock.Advance(10);
    EXPECT_FALSE(first);

    Dtm()->ShowChannelDataWarning();
    const QPointer<frmChannelDataWarn> second = Dtm()->ChannelDataWarning();
    ASSERT_TRUE(second);
    Dtm()->ReleaseChannelDataWarning();
    EXPECT_EQ(Dtm()->ChannelDataWarning(), nullptr);
    EXPECT_FALSE(Dtm()->ChannelWarningSuppressed());
    clock.Advance(10);
    EXPECT_FALSE(second);
}

} // namespace
