// The DTM's calls into the frame: events, the container it needs, the user
// dialog and the bulk-data folder.
#include "DtmTestSupport.h"
#include "platform/automation/ComError.h"
#include "platform/frame/fdt/FrameBulkData.h"
#include "platform/frame/fdt/IFdtDialog.h"

namespace {

using namespace dtmtest;

// A container with what a test asks of it: the bulk-data answer, and
// optionally no events interface.
class BareContainer : public automation::ComObject, public fdt::IFdtContainer, public fdt::FrameBulkData {
public:
    QString GetXmlSchemaPath() override { return QStringLiteral(TRIVEX_SCHEMA_DIR); }
    bool LockDataSet(const QString&) override { return true; }
    bool SaveRequest(const QString&) override { return true; }
    bool UnlockDataSet(const QString&) override { return true; }
    QString GetBulkDataPath(const QString&) override { return bulkPath; }
    QString bulkPath;
};

class EventsContainer : public BareContainer, public fdt::IDtmEvents {
public:
    void OnApplicationClosed(const QString&, const QString&) override {}
    void OnDownloadFinished(const QString&, const QString&, bool) override {}
    void OnErrorMessage(const QString&, const QString& message) override { messages << message; }
    void OnFunctionChanged(const QString&) override {}
    void OnInvokedFunctionFinished(const QString&, const QString&, bool) override {}
    void OnOnlineStateChanged(const QString&, bool) override {}
    void OnParameterChanged(const QString&, const QString&) override {}
    void OnPreparedToRelease(const QString&) override {}
    void OnPreparedToReleaseCommunication(const QString&) override {}
    void OnProgress(const QString&, const QString&, int32_t, bool) override {}
    void OnUploadFinished(const QString&, const QString&, bool) override {}
    QStringList messages;
};

class FrameEvents : public DtmTest {};

TEST_F(FrameEvents, NothingIsSentBeforeTheContainerIsAttached)
{
    ASSERT_TRUE(frame->CreateDtm(kTag));
    traces.clear();
    Dtm()->SendErrorMessage(QStringLiteral("lost"));
    Dtm()->SendFunctionChanged();
    EXPECT_TRUE(traces.lines().isEmpty());
    EXPECT_TRUE(Events().isEmpty());
    QString answer = QStringLiteral("kept");
    EXPECT_FALSE(Dtm()->FdtDialog_UserDialog(QStringLiteral("<FDT/>"), answer));
    EXPECT_EQ(answer, QStringLiteral("kept"));
    EXPECT_FALSE(Dtm()->FdtContainer_LockDataSet());
    EXPECT_TRUE(traces.contains(QStringLiteral("in procedure FdtContainer_LockDataSet of Class Module clsTkDispatcher")));
}

TEST_F(FrameEvents, SendersTraceWhatTheySent)
{
    ConfiguredInstance();
    traces.clear();
    Dtm()->SendErrorMessage(QStringLiteral("Device not connected"));
    Dtm()->SendParameterChanged(QStringLiteral("<DTM/>"));
    Dtm()->SendOnlineStateChanged(true);
    EXPECT_EQ(Messages(traces), (QStringList{"Sent IDtmEvents::OnErrorMessage DTM_1Msg = Device not connected",
                                             "Sent IDtmEvents::OnParameterChangedDTM_1",
                                             "Sent IDtmEvents::OnOnlineStateChanged"}));
}

TEST_F(FrameEvents, ContainerWithoutEventsIsRefused)
{
    ASSERT_TRUE(frame->CreateDtm(kTag));
    frame->Dtm<fdt::IPersistPropertyBag>(kTag)->InitProperties();
    EXPECT_FALSE(Dtm()->Environment(kTag, std::make_shared<BareContainer>()));
    EXPECT_TRUE(traces.contains(QStringLiteral("Container does not support interface IDtmEvents")));
    EXPECT_EQ(Dtm()->SystemTag(), QString());
    EXPECT_EQ(Status(), DtmStatus::NewCreated);
    EXPECT_FALSE(Dtm()->Environment(kTag, std::make_shared<automation::ComObject>()));
    EXPECT_TRUE(traces.contains(QStringLiteral("Container does not support interface IFdtContainer")));
    EXPECT_TRUE(Dtm()->Environment(kTag, Container()));
    EXPECT_EQ(Status(), DtmStatus::NewEnabled);
}

TEST_F(FrameEvents, EnvironmentAgainWhileRunningIsRefused)
{
    NewInstance();
    traces.clear();
    EXPECT_FALSE(Dtm()->Environment(kTag, Container()));
    EXPECT_EQ(Status(), DtmStatus::Running);
    EXPECT_TRUE(traces.contains(QStringLiteral("IDtm::Environment: Not allowed in Status:RUNNING")));
    // Environment, the dialog manager of the toolkit start, then the container attached again.
    EXPECT_EQ(frame->Events().Count("GetXmlSchemaPath"), 3);
}

TEST_F(FrameEvents, BulkDataPathEndsInASlash)
{
    ASSERT_TRUE(frame->CreateDtm(kTag));
    frame->Dtm<fdt::IPersistPropertyBag>(kTag)->InitProperties();
    auto container = std::make_shared<EventsContainer>();
    ASSERT_TRUE(Dtm()->Environment(kTag, container));
    container->bulkPath = QStringLiteral("/data/bulk");
    EXPECT_EQ(Dtm()->GetBulkDataPath(), QStringLiteral("/data/bulk/"));
    container->bulkPath = QStringLiteral("/data/bulk/");
    EXPECT_EQ(Dtm()->GetBulkDataPath(), QStringLiteral("/data/bulk/"));
    // No folder named: no path, rather than the root folder.
    container->bulkPath = QString();
    EXPECT_EQ(Dtm()->GetBulkDataPath(), QString());
    EXPECT_TRUE(traces.contains(QStringLiteral("Bulk data path not available")));
}

TEST_F(FrameEvents, BulkDataPathFromTheReferenceFrame)
{
    NewInstance();
    const QString path = Dtm()->GetBulkDataPath();
    EXPECT_TRUE(path.startsWith(frame->Project().Path()));
    EXPECT_TRUE(path.endsWith(QStringLiteral("/DTM_1/")));
}

TEST_F(FrameEvents, UserDialogAnswersThroughTheFrame)
{
    NewInstance();
    dialogService.AnswerMessage(dialogs::DialogResult::Yes);
    QString answer;
    ASSERT_TRUE(Dtm()->FdtDialog_UserDialog(
        QStringLiteral("<FDT xmlns=\"x-schema:FDTUserMessageSchema.xml\"><UserMessage text=\"Reset?\" "
                       "buttons=\"yesNo\"/></FDT>"),
        answer));
    EXPECT_TRUE(answer.contains(QStringLiteral("button=\"yes\""))) << answer.toStdString();

    answer = QStringLiteral("kept");
    EXPECT_FALSE(Dtm()->FdtDialog_UserDialog(QStringLiteral("<FDT/>"), answer));
    EXPECT_EQ(answer, QStringLiteral("kept"));
    EXPECT_TRUE(traces.contains(QStringLiteral("IFdtDialog::UserDialog: The user message has no element FDT/UserMessage, ")));

    // A frame that breaks down otherwise than with an error of its own is no answer either.
    frame->Container(kTag)->SetEventsFailForeign(true);
    EXPECT_FALSE(Dtm()->FdtDialog_UserDialog(
        QStringLiteral("<FDT xmlns=\"x-schema:FDTUserMessageSchema.xml\"><UserMessage text=\"Reset?\" "
                       "buttons=\"yesNo\"/></FDT>"),
        answer));
    frame->Container(kTag)->SetEventsFailForeign(false);
    EXPECT_EQ(answer, QStringLiteral("kept"));
    EXPECT_TRUE(traces.contains(QStringLiteral("IFdtDialog::UserDialog: The frame broke down in UserDialog, ")));
}

TEST_F(FrameEvents, SaveRequestAsksTheFrame)
{
    ConfiguredInstance();
    frame->Events().Clear();
    EXPECT_TRUE(Dtm()->FdtContainer_SaveRequest());
    EXPECT_EQ(Events(), (QStringList{"SaveRequest"}));
    EXPECT_TRUE(traces.contains(QStringLiteral("privFdtContainer.SaveRequest returns: True")));
}

} // namespace
