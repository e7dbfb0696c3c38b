// The bridge between the applet's private items and the frame's dialogs,
// driven through the reference frame: error texts become error messages,
// user-message files go through the frame's user dialog and come back as
// "_RES" files, and every failure answers the applet with an empty text.
#include "DtmTestSupport.h"
#include "fennick/fdt/clsDialogManager.h"
#include "platform/applet/StateInfo.h"
#include <QDir>
#include <QFile>

namespace {

using dtmtest::CountMessage;
using dtmtest::Messages;

const QString kRequest = QStringLiteral(
    "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
    "<FDT xmlns=\"x-schema:FDTUserMessageSchema.xml\">"
    "<UserMessage title=\"Trim\" text=\"Apply the new trim?\" type=\"question\" buttons=\"yesNo\"/></FDT>");

class DialogManagerTest : public dtmtest::DtmTest {
protected:
    ~DialogManagerTest() override
    {
        if (dialogs)
            dialogs->UnregisterView();
    }

    // The DTM object's own bridge, started with the toolkit.
    void Start()
    {
        NewInstance();
        dialogs = Dtm()->DialogManager();
        ASSERT_NE(dialogs, nullptr);
        clock.Advance(10);
        traces.clear();
    }
    // A write as the applet makes it.
    void AppletWrites(const QString& item, const QString& text) { itemaccess::PutText(*host->manager, item, text); }
    QString WriteRequest(const QString& name, const QString& content) { return WriteFile(name, content.toUtf8()); }
    int UserDialogs() const { return frame->Events().Count(QStringLiteral("UserDialog")); }

    std::shared_ptr<clsDialogManager> dialogs;
};

} // namespace

TEST_F(DialogManagerTest, RegistrationHandsTheSchemaPathToTheApplet)
{
    Start();
    EXPECT_TRUE(dialogs->IsRegistered());
    EXPECT_EQ(host->Text(clsDialogManager::kSchemaPathItem), frame->SchemaPath());

    dialogs->UnregisterView();
    EXPECT_FALSE(dialogs->IsRegistered());
    EXPECT_FALSE(host->manager->IsRegistered(dialogs.get()));
    // Unregistered, the bridge no longer hears the applet.
    AppletWrites(clsDialogManager::kErrorMessageItem, QStringLiteral("lost"));
    EXPECT_EQ(frame->Events().Count(QStringLiteral("OnErrorMessage")), 0);
}

TEST_F(DialogManagerTest, ErrorTextsReachTheFrameOnceEach)
{
    Start();
    AppletWrites(clsDialogManager::kErrorMessageItem, QStringLiteral("Sensor fault"));
    EXPECT_EQ(frame->Events().Texts(QStringLiteral("OnErrorMessage")), QStringList{"OnErrorMessage(Sensor fault)"});

    // The same text padded with blanks and nulls is no new text.
    AppletWrites(clsDialogManager::kErrorMessageItem, QStringLiteral("Sensor fault  ") + QChar(0));
    EXPECT_EQ(frame->Events().Count(QStringLiteral("OnErrorMessage")), 1);
    // A manager that reports the item again without a change sends nothing.
    int32_t result = -1;
    dialogs->NotifyChanged(host->Handle(clsDialogManager::kErrorMessageItem), false, 0, 0, result);
    EXPECT_EQ(result, 0);
    EXPECT_EQ(frame->Events().Count(QStringLiteral("OnErrorMessage")), 1);

    AppletWrites(clsDialogManager::kErrorMessageItem, QStringLiteral("Loop current fixed"));
    EXPECT_EQ(frame->Events().Count(QStringLiteral("OnErrorMessage")), 2);
    // Clearing the text sends nothing.
    AppletWrites(clsDialogManager::kErrorMessageItem, QString());
    EXPECT_EQ(frame->Events().Count(QStringLiteral("OnErrorMessage")), 2);
}

TEST_F(DialogManagerTest, AUserMessageMakesTheRoundTripThroughTheFrame)
{
    Start();
    const QString request = WriteRequest(QStringLiteral("msg.xml"), kRequest);
    dialogService.AnswerMessage(dialogs::DialogResult::Yes);
    AppletWrites(clsDialogManager::kUserMessageItem, request);

    ASSERT_EQ(dialogService.Requests().size(), 1u);
    EXPECT_EQ(dialogService.Requests()[0].text, "Apply the new trim?");
    EXPECT_EQ(dialogService.Requests()[0].title, dialogs::DialogService::kMessageTitle);
    // The answer lies beside the request and its path is in the item; the
    // bridge's own write of it was not taken for a new request.
    const QString response = request + QStringLiteral("_RES");
    EXPECT_EQ(host->Text(clsDialogManager::kUserMessageItem), response);
    EXPECT_EQ(UserDialogs(), 1);
    QFile file(response);
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    const QString answer = QString::fromUtf8(file.readAll());
    EXPECT_TRUE(answer.contains(QStringLiteral("UserResponse"))) << answer.toStdString();
    EXPECT_TRUE(answer.contains(QStringLiteral("button=\"yes\""))) << answer.toStdString();

    // The next request is served as well.
    const QString second = WriteRequest(QStringLiteral("second.xml"), kRequest);
    dialogService.AnswerMessage(dialogs::DialogResult::No);
    AppletWrites(clsDialogManager::kUserMessageItem, second);
    EXPECT_EQ(host->Text(clsDialogManager::kUserMessageItem), second + QStringLiteral("_RES"));
    EXPECT_EQ(UserDialogs(), 2);
    EXPECT_EQ(dialogService.PendingAnswers(), 0);
}

TEST_F(DialogManagerTest, FailuresAnswerTheAppletWithAnEmptyText)
{
    Start();
    // No file at the path.
    const QString missing = dir.filePath(QStringLiteral("missing.xml"));
    AppletWrites(clsDialogManager::kUserMessageItem, missing);
    EXPECT_EQ(host->Text(clsDialogManager::kUserMessageItem), QString());
    EXPECT_EQ(CountMessage(traces, QStringLiteral("Document containing the user message not found: ") + missing), 1);

    // Not a document.
    const QString broken = WriteRequest(QStringLiteral("broken.xml"), QStringLiteral("<FDT><unclosed></FDT>"));
    AppletWrites(clsDialogManager::kUserMessageItem, broken);
    EXPECT_EQ(host->Text(clsDialogManager::kUserMessageItem), QString());
    EXPECT_EQ(CountMessage(traces, QStringLiteral("Loading document >>") + broken + QStringLiteral("<< failed!")), 1);

    // A document the frame cannot show: its dialog raises.
    QString odd = kRequest;
    odd.replace(QStringLiteral("question"), QStringLiteral("shout"));
    const QString refused = WriteRequest(QStringLiteral("refused.xml"), odd);
    AppletWrites(clsDialogManager::kUserMessageItem, refused);
    EXPECT_EQ(host->Text(clsDialogManager::kUserMessageItem), QString());
    EXPECT_FALSE(QFile::exists(refused + QStringLiteral("_RES")));
    EXPECT_TRUE(dialogService.Requests().empty());
    EXPECT_EQ(UserDialogs(), 1);
}

TEST_F(DialogManagerTest, AnAnswerThatCannotBeSavedStillNamesTheResponseFile)
{
    Start();
    const QString request = WriteRequest(QStringLiteral("locked.xml"), kRequest);
    // A folder in the place of the response file.
    ASSERT_TRUE(QDir(dir.path()).mkdir(QStringLiteral("locked.xml_RES")));
    dialogService.AnswerMessage(dialogs::DialogResult::Yes);
    AppletWrites(clsDialogManager::kUserMessageItem, request);
    EXPECT_EQ(host->Text(clsDialogManager::kUserMessageItem), request + QStringLiteral("_RES"));
    EXPECT_EQ(CountMessage(traces, QStringLiteral("Unable to save: ") + request + QStringLiteral("_RES")), 1);
}

TEST_F(DialogManagerTest, TheFramesPrivateDialogPermissionReachesTheItem)
{
    ConfiguredInstance();
    dialogs = Dtm()->DialogManager();
    ASSERT_NE(dialogs, nullptr);
    EXPECT_TRUE(Dtm()->PrivateDialogEnabled(true));
    EXPECT_EQ(dialogs->PrivateDialogEnabled(), -1);
    EXPECT_TRUE(Dtm()->PrivateDialogEnabled(false));
    EXPECT_EQ(dialogs->PrivateDialogEnabled(), 0);
}

TEST_F(DialogManagerTest, TheTeardownEndsTheBridge)
{
    ConfiguredInstance();
    ASSERT_TRUE(frame->SaveInstance(dtmtest::kTag));
    clock.Advance(100);
    dialogs = Dtm()->DialogManager();
    ASSERT_NE(dialogs, nullptr);
    ASSERT_TRUE(host->manager->IsRegistered(dialogs.get()));
    ASSERT_TRUE(frame->ReleaseInstance(dtmtest::kTag)) << frame->LastError().toStdString();
    clock.Advance(20);
    EXPECT_FALSE(dialogs->IsRegistered());
}

TEST_F(DialogManagerTest, ThePrivateDialogPermissionLivesInItsItem)
{
    Start();
    EXPECT_EQ(dialogs->PrivateDialogEnabled(), 0);
    dialogs->SetPrivateDialogEnabled(-1);
    EXPECT_EQ(dialogs->PrivateDialogEnabled(), -1);
    int16_t value = 0;
    int32_t failed = 0;
    host->manager->GetBoolValue(host->Handle(clsDialogManager::kPrivateDialogEnabledItem), value, failed);
    EXPECT_EQ(value, -1);
    dialogs->SetPrivateDialogEnabled(0);
    EXPECT_EQ(dialogs->PrivateDialogEnabled(), 0);

    // Without the item manager a read gives 0 and both are traced.
    dialogs->UnregisterView();
    traces.clear();
    EXPECT_EQ(dialogs->PrivateDialogEnabled(), 0);
    dialogs->SetPrivateDialogEnabled(-1);
    EXPECT_EQ(traces.lines().size(), 2);
}

TEST_F(DialogManagerTest, RefreshesShadowChangesAndLostManagersAreNotActedOn)
{
    Start();
    const QString request = WriteRequest(QStringLiteral("msg.xml"), kRequest);
    // Put the path in the item without a notification reaching the bridge.
    int32_t result = 0;
    host->manager->UnregisterView(dialogs.get(), result);
    AppletWrites(clsDialogManager::kUserMessageItem, request);
    const int32_t handle = host->Handle(clsDialogManager::kUserMessageItem);
    for (int32_t bits : {applet::StateInfo::kShadowOnly, applet::StateInfo::kRefreshBits, applet::StateInfo::kNoRules}) {
        dialogs->NotifyChanged(handle, false, bits, 0, result);
        EXPECT_EQ(result, 0);
    }
    EXPECT_EQ(UserDialogs(), 0);

    int32_t destroyed = -1;
    dialogs->Destroy(destroyed);
    EXPECT_EQ(destroyed, 0);
    dialogs->NotifyChanged(handle, false, 0, 0, result);
    EXPECT_EQ(result, 1);
    EXPECT_EQ(CountMessage(traces, QStringLiteral("privAppletItemManager Is Nothing")), 1);
    EXPECT_EQ(UserDialogs(), 0);
}

TEST_F(DialogManagerTest, WithoutAnAppletHostNothingIsRegistered)
{
    NewInstance();
    const auto started = global::AppletHost();
    global::AppletHost().reset();
    dialogs = std::make_shared<clsDialogManager>();
    traces.clear();
    dialogs->RegisterView(frame->SchemaPath());
    EXPECT_FALSE(dialogs->IsRegistered());
    EXPECT_EQ(traces.lines().size(), 1);
    global::AppletHost() = started;
}
