// The reference frame driving a recording DTM: the lifecycle calls in order,
// the container's answers and the events it records.
#include "FakeDtm.h"
#include "platform/automation/ComError.h"
#include "platform/comm/server/IHartDeviceType.h"
#include "platform/dialogs/ScopedDialogService.h"
#include "platform/dialogs/ScriptedDialogService.h"
#include "platform/frame/FrameDocuments.h"
#include "platform/frame/ReferenceFrame.h"
#include "platform/frame/fdt/FrameBulkData.h"
#include "platform/frame/fdt/IFdtDialog.h"
#include "platform/loop/EventLoop.h"
#include <QDir>
#include <QFileInfo>
#include <QTemporaryDir>
#include <gtest/gtest.h>

using frame::FrameContainer;
using frame::ReferenceFrame;
using frametest::FakeDtm;

namespace {

const QString kTag = QStringLiteral("DTM_1");

class ReferenceFrameTest : public ::testing::Test {
protected:
    ReferenceFrameTest()
    {
        automation::ClassRegistry::instance().Register(ReferenceFrame::kDtmProgId, QString(), [this] {
            auto dtm = std::make_shared<FakeDtm>();
            created = dtm;
            return dtm;
        });
        dialogService.SetFailureHandler([](const QString& error) { ADD_FAILURE() << error.toStdString(); });
    }
    ~ReferenceFrameTest() override
    {
        automation::ClassRegistry::instance().Unregister(ReferenceFrame::kDtmProgId);
        while (loop::PendingPostedCalls() > 0)
            loop::RunPostedCalls();
    }

    std::shared_ptr<FakeDtm> Dtm() { return frame.Dtm<FakeDtm>(kTag); }

    QTemporaryDir dir;
    ReferenceFrame frame{dir.filePath(QStringLiteral("project")), dir.filePath(QStringLiteral("schemas"))};
    std::weak_ptr<FakeDtm> created;
    dialogs::ScriptedDialogService dialogService;
    dialogs::ScopedDialogService scope{dialogService};
};

TEST_F(ReferenceFrameTest, NewInstanceIsInitialisedPlacedAndCreatedInOrder)
{
    ASSERT_TRUE(frame.CreateDtm(kTag)) << frame.LastError().toStdString();
    ASSERT_TRUE(frame.InitNewInstance(kTag, QStringLiteral("<DeviceType/>")));
    EXPECT_EQ(Dtm()->calls,
              (QStringList{"InitProperties", "Environment:DTM_1", "InitNew:<DeviceType/>"}));
    ASSERT_TRUE(frame.Configure(kTag, QStringLiteral("maintenance")));
    EXPECT_EQ(Dtm()->calls.last(), QStringLiteral("Config:")
                                       + frame::FrameDocuments::UserInformationDocument("maintenance", false));
    EXPECT_EQ(Dtm()->Container()->GetXmlSchemaPath(), dir.filePath(QStringLiteral("schemas")));
}

TEST_F(ReferenceFrameTest, CreationFailuresNameTheReason)
{
    EXPECT_FALSE(frame.CreateDtm(QStringLiteral("../escape")));
    EXPECT_TRUE(frame.LastError().contains("Invalid system tag"));
    ASSERT_TRUE(frame.CreateDtm(kTag));
    EXPECT_FALSE(frame.CreateDtm(kTag));
    EXPECT_TRUE(frame.LastError().contains("in use"));
    automation::ClassRegistry::instance().Unregister(ReferenceFrame::kDtmProgId);
    EXPECT_FALSE(frame.CreateDtm(QStringLiteral("DTM_2")));
    EXPECT_TRUE(frame.LastError().contains("Cannot create"));
    EXPECT_FALSE(frame.Configure(QStringLiteral("DTM_9"), QStringLiteral("operator")));
    EXPECT_TRUE(frame.LastError().contains("No DTM"));
}

TEST_F(ReferenceFrameTest, SavedInstanceIsLoadedBackFromTheProject)
{
    ASSERT_TRUE(frame.CreateDtm(kTag));
    Dtm()->parameters = QStringLiteral("<FDT>stored</FDT>");
    ASSERT_TRUE(frame.SaveInstance(kTag));
    EXPECT_TRUE(frame.Project().HasInstance(kTag));

    ReferenceFrame second(frame.Project().Path(), frame.SchemaPath());
    ASSERT_TRUE(second.CreateDtm(kTag));
    ASSERT_TRUE(second.LoadInstance(kTag)) << second.LastError().toStdString();
    auto dtm = second.Dtm<FakeDtm>(kTag);
    EXPECT_EQ(dtm->calls, (QStringList{"ReadProperties", "Environment:DTM_1"}));
    EXPECT_EQ(dtm->readBag.Read("DTM_PARAMETERS").toString(), QStringLiteral("<FDT>stored</FDT>"));

    ASSERT_TRUE(second.CreateDtm(QStringLiteral("DTM_2")));
    EXPECT_FALSE(second.LoadInstance(QStringLiteral("DTM_2")));
    EXPECT_TRUE(second.LastError().contains("Cannot read"));
}

TEST_F(ReferenceFrameTest, ContainerRecordsEventsInOrder)
{
    ASSERT_TRUE(frame.CreateDtm(kTag));
    ASSERT_TRUE(frame.InitNewInstance(kTag, QStringLiteral("<DeviceType/>")));
    auto events = Dtm()->Events();
    events->OnFunctionChanged(kTag);
    events->OnOnlineStateChanged(kTag, true);
    events->OnErrorMessage(kTag, QStringLiteral("Device not connected"));
    events->OnParameterChanged(kTag, QStringLiteral("<DTM/>"));
    events->OnUploadFinished(kTag, QStringLiteral("7"), false);
    EXPECT_EQ(frame.Events().Texts(),
              (QStringList{"OnFunctionChanged", "OnOnlineStateChanged(True)", "OnErrorMessage(Device not connected)",
                           "OnParameterChanged(<DTM/>)", "OnUploadFinished(7, False)"}));
    EXPECT_EQ(frame.Events().Events().front().systemTag, kTag);

    frame.Container(kTag)->SetEventsRaise(true);
    EXPECT_THROW(events->OnFunctionChanged(kTag), automation::ComError);
    EXPECT_EQ(frame.Events().Count("OnFunctionChanged"), 2);
}

TEST_F(ReferenceFrameTest, DatasetLockFollowsTheFramesAnswers)
{
    ASSERT_TRUE(frame.CreateDtm(kTag));
    ASSERT_TRUE(frame.InitNewInstance(kTag, QStringLiteral("<DeviceType/>")));
    auto container = Dtm()->Container();
    auto frameContainer = frame.Container(kTag);

    EXPECT_TRUE(container->LockDataSet(kTag));
    EXPECT_TRUE(frameContainer->DataSetLockedByDtm());
    EXPECT_FALSE(container->LockDataSet(QStringLiteral("OTHER")));
    EXPECT_TRUE(container->UnlockDataSet(kTag));
    EXPECT_FALSE(frameContainer->DataSetLockedByDtm());

    ASSERT_TRUE(frame.LockByOtherUser(kTag, QStringLiteral("Anna")));
    EXPECT_EQ(Dtm()->calls.last(), QStringLiteral("OnLockDataSet:DTM_1:Anna"));
    EXPECT_FALSE(container->LockDataSet(kTag)); // held by Anna
    ASSERT_TRUE(frame.UnlockByOtherUser(kTag, QStringLiteral("Anna")));
    EXPECT_TRUE(container->LockDataSet(kTag));

    frameContainer->SetLockAnswer(FrameContainer::Answer::Refuse);
    EXPECT_FALSE(container->LockDataSet(kTag));
    frameContainer->SetUnlockAnswer(FrameContainer::Answer::Raise);
    EXPECT_THROW(container->UnlockDataSet(kTag), automation::ComError);
    EXPECT_EQ(frame.Events().Count("LockDataSet"), 5);
}

TEST_F(ReferenceFrameTest, SaveRequestSavesOnTheNextLoopTurnUnlessToldOtherwise)
{
    ASSERT_TRUE(frame.CreateDtm(kTag));
    ASSERT_TRUE(frame.InitNewInstance(kTag, QStringLiteral("<DeviceType/>")));
    auto container = Dtm()->Container();
    auto frameContainer = frame.Container(kTag);

    EXPECT_TRUE(container->SaveRequest(kTag));
    EXPECT_FALSE(Dtm()->calls.contains("WriteProperties")); // not inside the request
    loop::RunPostedCalls();
    EXPECT_TRUE(Dtm()->calls.contains("WriteProperties"));
    EXPECT_TRUE(frame.Project().HasInstance(kTag));

    Dtm()->calls.clear();
    frameContainer->SetSaveAnswer(FrameContainer::SaveAnswer::AcceptOnly);
    EXPECT_TRUE(container->SaveRequest(kTag));
    loop::RunPostedCalls();
    EXPECT_FALSE(Dtm()->calls.contains("WriteProperties"));
    frameContainer->SetSaveAnswer(FrameContainer::SaveAnswer::Refuse);
    EXPECT_FALSE(container->SaveRequest(kTag));
    frameContainer->SetSaveAnswer(FrameContainer::SaveAnswer::Raise);
    EXPECT_THROW(container->SaveRequest(kTag), automation::ComError);
}

TEST_F(ReferenceFrameTest, PostedSaveOfAReleasedDtmDoesNothing)
{
    ASSERT_TRUE(frame.CreateDtm(kTag));
    ASSERT_TRUE(frame.InitNewInstance(kTag, QStringLiteral("<DeviceType/>")));
    auto container = Dtm()->Container();
    EXPECT_TRUE(container->SaveRequest(kTag));
    ASSERT_TRUE(frame.ReleaseInstance(kTag));
    EXPECT_FALSE(frame.HasDtm(kTag));
    loop::RunPostedCalls();
    EXPECT_FALSE(frame.Project().HasInstance(kTag));
}

TEST_F(ReferenceFrameTest, ReleaseDropsTheDtmAndDeleteRemovesItsStoredInstance)
{
    ASSERT_TRUE(frame.CreateDtm(kTag));
    ASSERT_TRUE(frame.InitNewInstance(kTag, QStringLiteral("<DeviceType/>")));
    ASSERT_TRUE(frame.SaveInstance(kTag));
    ASSERT_TRUE(frame.ReleaseInstance(kTag));
    EXPECT_FALSE(frame.HasDtm(kTag));
    EXPECT_TRUE(created.expired());
    EXPECT_TRUE(frame.Project().HasInstance(kTag));

    ASSERT_TRUE(frame.CreateDtm(kTag));
    ASSERT_TRUE(frame.LoadInstance(kTag));
    ASSERT_TRUE(frame.DeleteInstance(kTag));
    EXPECT_FALSE(frame.HasDtm(kTag));
    EXPECT_FALSE(frame.Project().HasInstance(kTag));
    EXPECT_EQ(frame.Events().Count("OnPreparedToRelease"), 2);
}

TEST_F(ReferenceFrameTest, UserDialogGoesThroughTheDialogService)
{
    ASSERT_TRUE(frame.CreateDtm(kTag));
    ASSERT_TRUE(frame.InitNewInstance(kTag, QStringLiteral("<DeviceType/>")));
    auto dialog = std::dynamic_pointer_cast<fdt::IFdtDialog>(Dtm()->containerObject);
    ASSERT_TRUE(dialog);
    dialogService.AnswerMessage(dialogs::DialogResult::No);
    const QString request = QStringLiteral("<FDT xmlns=\"x-schema:FDTUserMessageSchema.xml\"><UserMessage "
                                           "title=\"Sensor\" text=\"Zero the sensor?\" type=\"question\" "
                                           "buttons=\"yesNo\"/></FDT>");
    const QString answer = dialog->UserDialog(kTag, request);
    ASSERT_EQ(dialogService.Requests().size(), 1u);
    EXPECT_EQ(dialogService.Requests()[0].title, dialogs::DialogService::kMessageTitle);
    EXPECT_EQ(dialogService.Requests()[0].text, QStringLiteral("Zero the sensor?"));
    EXPECT_EQ(dialogService.Requests()[0].buttons, dialogs::MessageButtons::YesNo);
    EXPECT_TRUE(answer.contains("<UserResponse button=\"no\"/>")) << answer.toStdString();

    EXPECT_THROW(dialog->UserDialog(kTag, QStringLiteral("<FDT><Other/></FDT>")), automation::ComError);
    EXPECT_EQ(dialogService.Requests().size(), 1u);
}

TEST_F(ReferenceFrameTest, BulkDataPathIsAFolderPerInstance)
{
    ASSERT_TRUE(frame.CreateDtm(kTag));
    ASSERT_TRUE(frame.InitNewInstance(kTag, QStringLiteral("<DeviceType/>")));
    ASSERT_TRUE(frame.CreateDtm(QStringLiteral("DTM_2")));
    ASSERT_TRUE(frame.InitNewInstance(QStringLiteral("DTM_2"), QStringLiteral("<DeviceType/>")));
    auto first = std::dynamic_pointer_cast<fdt::FrameBulkData>(Dtm()->containerObject);
    auto second = std::dynamic_pointer_cast<fdt::FrameBulkData>(frame.Dtm<FakeDtm>("DTM_2")->containerObject);
    const QString a = first->GetBulkDataPath(kTag);
    const QString b = second->GetBulkDataPath(QStringLiteral("DTM_2"));
    EXPECT_TRUE(a.endsWith('/'));
    EXPECT_NE(a, b);
    EXPECT_TRUE(a.startsWith(frame.Project().Path()));
    // Asking for the folder makes none: only a writer of bulk data does.
    EXPECT_FALSE(QFileInfo::exists(frame.Project().Path() + QStringLiteral("/BulkData")));
    // A container hands out only its own instance's folder.
    EXPECT_THROW(first->GetBulkDataPath(QStringLiteral("DTM_2")), automation::ComError);
}

TEST_F(ReferenceFrameTest, CommunicationCarriesTheCheckedAddress)
{
    ASSERT_TRUE(frame.CreateDtm(kTag));
    ASSERT_TRUE(frame.SetCommunication(kTag, QStringLiteral("hart-ip://127.0.0.1:5094")));
    EXPECT_EQ(Dtm()->lastAddress, QStringLiteral("hart-ip://127.0.0.1:5094"));
    EXPECT_FALSE(frame.SetCommunication(kTag, QStringLiteral("tcp://127.0.0.1:5094")));
    EXPECT_EQ(Dtm()->calls.size(), 1);
}

TEST_F(ReferenceFrameTest, CommunicationNamesTheDeviceTypeOfTheInstance)
{
    ASSERT_TRUE(frame.CreateDtm(kTag));
    ASSERT_TRUE(frame.SetCommunication(kTag, QStringLiteral("hart-ip://127.0.0.1:5094")));
    ASSERT_EQ(Dtm()->calls.size(), 1);
    comm::HartConnectReport report;
    EXPECT_FALSE(frame.LastConnect(kTag, report));

    // Without a device type in the dataset no device could be checked: refused,
    // and the DTM is not handed a communication.
    const QString broken[] = {QStringLiteral("<FDT/>"),
                              QStringLiteral("<FDT xmlns:fdt=\"x-schema:FDTDataTypesSchema.xml\"><fdt:DtmDeviceType "
                                             "manufacturerId=\"99\"/></FDT>"),
                              QStringLiteral("<FDT xmlns:fdt=\"x-schema:FDTDataTypesSchema.xml\"><fdt:DtmDeviceType "
                                             "manufacturerId=\"99\" deviceTypeId=\"0x1FFFF\"/></FDT>"),
                              QStringLiteral("not xml")};
    for (const QString& dataset : broken) {
        Dtm()->dataset = dataset;
        EXPECT_FALSE(frame.SetCommunication(kTag, QStringLiteral("hart-ip://127.0.0.1:5094"))) << dataset.toStdString();
        EXPECT_TRUE(frame.LastError().contains("device type of " + kTag)) << frame.LastError().toStdString();
    }
    EXPECT_EQ(Dtm()->calls.size(), 1);
}

TEST_F(ReferenceFrameTest, ContainerOutlivingTheFrameAnswersWithoutIt)
{
    std::shared_ptr<FakeDtm> dtm;
    {
        ReferenceFrame shortLived(dir.filePath(QStringLiteral("p2")), QString());
        ASSERT_TRUE(shortLived.CreateDtm(kTag));
        ASSERT_TRUE(shortLived.InitNewInstance(kTag, QStringLiteral("<DeviceType/>")));
        dtm = shortLived.Dtm<FakeDtm>(kTag);
    }
    EXPECT_FALSE(dtm->Container()->SaveRequest(kTag));
    EXPECT_FALSE(dtm->Container()->LockDataSet(kTag));
    EXPECT_NO_THROW(dtm->Events()->OnFunctionChanged(kTag));
}

} // namespace
