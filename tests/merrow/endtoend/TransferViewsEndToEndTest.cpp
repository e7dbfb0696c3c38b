// The main window's file and transfer functions with the component library's
// own views, started by ProgID through the applet host beside the library's
// always-started view, with the flow engine and the report viewer of the program.
#include "platform/printview/clsHTMLPrintView.h"
#include "platform/applet/AppletResults.h"
#include "tests/merrow/endtoend/CorvaneDeviceApplet.h"
#include "tests/platform/applet/AppletTestSupport.h"
#include <QTemporaryDir>
#include <algorithm>

using namespace merrowtest;

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

// The calculation itself and a written device are the component library's own
// tests; here a dataset the engine refuses (no differential-pressure range)
// must leave the device alone and give the main window back.
TEST(TransferViewsEndToEnd, SaveToDeviceThatTheCalculationRefusesWritesNothingAndGivesTheWindowBack)
{
    CorvaneDeviceApplet applet;
    PIO_REQUIRE_APPLET(applet);
    frmMain* window = applet.StartConnected();
    ASSERT_NE(window, nullptr);
    ASSERT_TRUE(piotest::RunUntil([&] { return applet.Text(QStringLiteral("currentSequence")).isEmpty(); }));
    applet.PutText(QStringLiteral("InCompatibleDataset"), QStringLiteral("0"));
    // A design state without a differential pressure: the calculation refuses it.
    applet.PutText(QStringLiteral("mvDpr"), QStringLiteral("0"));
    applet.commands.clear();
    window->Menu(QStringLiteral("mnuDeviceSaveToDevice"))->trigger();
    EXPECT_EQ(applet.Number(QStringLiteral("abortSequences")), 1);
    piotest::Settle();
    EXPECT_TRUE(applet.commands.isEmpty()) << applet.commands.size();
    EXPECT_EQ(applet.Text(QStringLiteral("currentSequence")), "");
    EXPECT_TRUE(window->isEnabled());
}

TEST(TransferViewsEndToEnd, LoadFromFileRestoresTheDatasetAndTakesItAsFitting)
{
    CorvaneDeviceApplet applet;
    PIO_REQUIRE_APPLET(applet);
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

TEST(TransferViewsEndToEnd, PrintOutOpensTheViewerAndReleasesTheCommand)
{
    CorvaneDeviceApplet applet;
    PIO_REQUIRE_APPLET(applet);
    frmMain* window = applet.StartWithConnectAllowed();
    ASSERT_NE(window, nullptr);
    const size_t views = applet.Views();
    applet.Trigger(*window, "mnuFilePrintPreview");
    piotest::Settle();
    // The command view has gone; the viewer stays until its window closes.
    ASSERT_EQ(applet.Views(), views + 1);
    const auto registered = applet.manager->RegisteredViews();
    EXPECT_TRUE(std::any_of(registered.begin(), registered.end(), [](const auto& view) {
        return std::dynamic_pointer_cast<printview::clsHTMLPrintView>(view) != nullptr;
    }));
    EXPECT_TRUE(window->isEnabled());
    EXPECT_TRUE(applet.dialogs.Requests().empty());
}
