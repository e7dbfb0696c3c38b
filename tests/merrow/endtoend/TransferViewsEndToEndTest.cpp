// The main window's file and transfer functions with the component library's
// own views, started by ProgID through the applet host beside the library's
// always-started view. A view the library does not provide yet is skipped.
#include "corvane/frame/CorvaneClasses.h"
#include "platform/applet/AppletResults.h"
#include "tests/merrow/DeviceFunctionSupport.h"
#include "tests/platform/applet/AppletTestSupport.h"
#include <QTemporaryDir>

using namespace merrowtest;

namespace {

// Registers the component library's classes before the host starts its views.
struct CorvaneRegistered {
    CorvaneRegistered() { corvane::RegisterClasses(); }
};

class CorvaneDeviceApplet : private CorvaneRegistered, public DeviceApplet {
public:
    size_t Views() const { return manager ? manager->RegisteredViews().size() : 0; }
};

} // namespace

#define REQUIRE_VIEW(className)                                                                                       \
    if (!automation::ClassRegistry::instance().IsRegistered(kComponentPrefix + QStringLiteral(className)))            \
    GTEST_SKIP() << "Corvane." className " is not registered in this build; the test runs once the component library " \
                    "provides the view"

TEST(TransferViewsEndToEnd, MainWindowConnectsBesideTheAlwaysStartedView)
{
    CorvaneDeviceApplet applet;
    PIO_REQUIRE_APPLET(applet);
    frmMain* window = applet.StartWithConnectAllowed();
    ASSERT_NE(window, nullptr);
    EXPECT_GE(applet.Views(), 2u); // the component library's view and the main view
    ASSERT_TRUE(applet.AttachDevice());
    // The library checks the dataset against the device; one that does not fit is not read out.
    applet.dialogs.AnswerMessage(dialogs::DialogResult::No);
    applet.Trigger(*window, "mnuDeviceConnect");
    EXPECT_TRUE(piotest::RunUntil([&] { return applet.Number(loopbacktest::kConnectItem) == 2; }));
}

TEST(TransferViewsEndToEnd, SaveToDeviceWritesTheDeviceOrGivesTheWindowBack)
{
    CorvaneDeviceApplet applet;
    PIO_REQUIRE_APPLET(applet);
    REQUIRE_VIEW("clsSaveToDevice");
    frmMain* window = applet.StartConnected();
    ASSERT_NE(window, nullptr);
    ASSERT_TRUE(piotest::RunUntil([&] { return applet.Text(QStringLiteral("currentSequence")).isEmpty(); }));
    applet.PutText(QStringLiteral("InCompatibleDataset"), QStringLiteral("0"));
    window->Menu(QStringLiteral("mnuDeviceSaveToDevice"))->trigger();
    const bool refused = applet.Number(QStringLiteral("abortSequences")) == 1;
    ASSERT_TRUE(piotest::RunUntil([&] {
        return applet.SequenceState("downloadAi") == 0 && applet.Text(QStringLiteral("currentSequence")).isEmpty();
    }));
    EXPECT_TRUE(refused || !applet.commands.isEmpty());
    EXPECT_TRUE(piotest::RunUntil([&] { return window->isEnabled(); }));
}

TEST(TransferViewsEndToEnd, LoadFromFileRestoresTheDatasetAndTakesItAsFitting)
{
    CorvaneDeviceApplet applet;
    PIO_REQUIRE_APPLET(applet);
    REQUIRE_VIEW("clsLoadFromFile");
    frmMain* window = applet.StartWithConnectAllowed();
    ASSERT_NE(window, nullptr);
    QTemporaryDir folder;
    const QString file = folder.filePath(QStringLiteral("dataset.xml"));
    applet.PutText(QStringLiteral("pbMessage"), QStringLiteral("SAVED"));
    applet.dialogs.AnswerSaveFile(file);
    int32_t result = -1;
    applet.host->SaveDatasetAs(result);
    ASSERT_EQ(result, 0);
    applet.PutText(QStringLiteral("pbMessage"), QStringLiteral("CHANGED"));
    applet.PutText(QStringLiteral("InCompatibleDataset"), QStringLiteral("3"));
    const size_t views = applet.Views();
    applet.dialogs.AnswerOpenFile(file);
    applet.Trigger(*window, "mnuFileOpen");
    piotest::Settle();
    EXPECT_EQ(applet.Text(QStringLiteral("pbMessage")).trimmed(), "SAVED");
    EXPECT_EQ(applet.Text(QStringLiteral("InCompatibleDataset")), "0");
    EXPECT_EQ(applet.Text(QStringLiteral("currentSequence")), "");
    EXPECT_EQ(applet.Views(), views);
}

TEST(TransferViewsEndToEnd, SaveKeepsTheDatasetInTheProjectStore)
{
    CorvaneDeviceApplet applet;
    PIO_REQUIRE_APPLET(applet);
    REQUIRE_VIEW("clsSaveToFile");
    frmMain* window = applet.StartWithConnectAllowed();
    ASSERT_NE(window, nullptr);
    // "Save" keeps the dataset in the frame's project, not in a file.
    auto store = std::make_shared<applettest::StoreDouble>();
    int32_t code = -1;
    applet.host->fncSetDBInstance(store, code);
    ASSERT_EQ(code, 0);
    applet.PutText(QStringLiteral("pbMessage"), QStringLiteral("KEPT"));
    applet.Trigger(*window, "mnuFileSave");
    piotest::Settle();
    EXPECT_EQ(store->values.value(QStringLiteral("pbMessage")).trimmed(), "KEPT");
    EXPECT_EQ(applet.Text(QStringLiteral("currentSequence")), "");
    EXPECT_TRUE(window->isEnabled());
    EXPECT_TRUE(applet.dialogs.Requests().empty());
}

TEST(TransferViewsEndToEnd, SaveAsWritesTheFileTheUserNames)
{
    CorvaneDeviceApplet applet;
    PIO_REQUIRE_APPLET(applet);
    REQUIRE_VIEW("clsSaveAsToFile");
    frmMain* window = applet.StartWithConnectAllowed();
    ASSERT_NE(window, nullptr);
    QTemporaryDir folder;
    const QString file = folder.filePath(QStringLiteral("named.xml"));
    applet.dialogs.AnswerSaveFile(file);
    applet.Trigger(*window, "mnuFileSaveAs");
    piotest::Settle();
    EXPECT_TRUE(QFileInfo::exists(file));
    EXPECT_EQ(applet.Text(QStringLiteral("currentSequence")), "");
}

TEST(TransferViewsEndToEnd, PrintOutViewOrdersTheReportAndReleasesItself)
{
    CorvaneDeviceApplet applet;
    PIO_REQUIRE_APPLET(applet);
    REQUIRE_VIEW("clsHTMLPrintOut");
    frmMain* window = applet.StartWithConnectAllowed();
    ASSERT_NE(window, nullptr);
    const size_t views = applet.Views();
    applet.Trigger(*window, "mnuFilePrintPreview");
    piotest::Settle();
    EXPECT_EQ(applet.Views(), views);
    EXPECT_TRUE(window->isEnabled());
    for (const auto& request : applet.dialogs.Requests())
        EXPECT_NE(request.text, QStringLiteral("The function could not be started (%1).")
                                    .arg(applet::ResultText(applet::kResultViewNotCreated)));
}
