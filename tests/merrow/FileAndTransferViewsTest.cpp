// The File menu and save to device hand their work to the component
// library's views by ProgID (here stand-ins that do what those views
// promise): a loaded file is always taken as fitting until the next
// connection, a calculation that refuses the dataset or a view that cannot be
// started gives the main window back, and a missing view is reported.
#include "DeviceFunctionSupport.h"
#include "platform/applet/AppletResults.h"
#include <QTemporaryDir>

using namespace merrowtest;

namespace {

// Save to device as the component library does it: only a fitting dataset,
// the flow calculation (refusing when told to), then the download.
TransferViewDouble::Work SaveToDevice(applet::AppletHost& host, bool calculationRefuses)
{
    return [&host, calculationRefuses](applet::clsAppletItemManager& manager) {
        const QString fit = itemaccess::Text(manager, QStringLiteral("InCompatibleDataset"));
        if (fit != QLatin1String("0") && fit != QLatin1String("5"))
            return;
        itemaccess::PutNumber(manager, QStringLiteral("abortSequences"), 0);
        itemaccess::PutNumber(manager, QStringLiteral("abortSequences"), calculationRefuses ? 1 : 0);
        if (itemaccess::Number(manager, QStringLiteral("abortSequences")) == 0) {
            int32_t result = 0;
            host.StartSequence(QStringLiteral("downloadAi"), result);
        }
    };
}

// The file views: the host reads or writes a dataset file under "currentSequence".
TransferViewDouble::Work FileTransfer(applet::AppletHost& host, const char* sequence, bool load)
{
    return [&host, sequence, load](applet::clsAppletItemManager& manager) {
        itemaccess::PutText(manager, QStringLiteral("currentSequence"), QLatin1String(sequence));
        int32_t result = 0;
        if (load)
            host.LoadDataset(result);
        else
            host.SaveDatasetAs(result);
        itemaccess::PutText(manager, QStringLiteral("currentSequence"), QString());
    };
}

} // namespace

TEST(FileAndTransferViews, SaveToDeviceStartsTheDownloadThroughItsView)
{
    DeviceApplet applet;
    PIO_REQUIRE_APPLET(applet);
    TransferViewDoubles views;
    views.Add(QStringLiteral("clsSaveToDevice"), SaveToDevice(*applet.host, false));
    frmMain* window = applet.StartConnected();
    ASSERT_NE(window, nullptr);
    applet.PutText(QStringLiteral("InCompatibleDataset"), QStringLiteral("0"));
    applet.Trigger(*window, "mnuDeviceSaveToDevice");
    EXPECT_EQ(TransferViewDouble::Started(), QStringList{"Corvane.clsSaveToDevice"});
    ASSERT_TRUE(piotest::RunUntil([&] { return !applet.commands.isEmpty() && applet.SequenceState("downloadAi") == 0; }));
    EXPECT_TRUE(applet.dialogs.Requests().empty());
}

TEST(FileAndTransferViews, SaveToDeviceRefusedByTheCalculationGivesTheWindowBackAndWritesNothing)
{
    DeviceApplet applet;
    PIO_REQUIRE_APPLET(applet);
    TransferViewDoubles views;
    views.Add(QStringLiteral("clsSaveToDevice"), SaveToDevice(*applet.host, true));
    frmMain* window = applet.StartConnected();
    ASSERT_NE(window, nullptr);
    applet.PutText(QStringLiteral("InCompatibleDataset"), QStringLiteral("0"));
    window->setEnabled(false); // as a page that waits for the device leaves it
    window->Menu(QStringLiteral("mnuDeviceSaveToDevice"))->trigger();
    EXPECT_TRUE(window->isEnabled());
    piotest::Settle();
    EXPECT_TRUE(applet.commands.isEmpty());
}

TEST(FileAndTransferViews, ViewThatCannotBeStartedIsReportedAndGivesTheWindowBack)
{
    DeviceApplet applet;
    PIO_REQUIRE_APPLET(applet);
    if (automation::ClassRegistry::instance().IsRegistered(kComponentPrefix + QStringLiteral("clsSaveToDevice")))
        GTEST_SKIP() << "the real save-to-device view is registered";
    frmMain* window = applet.StartWithConnectAllowed();
    ASSERT_NE(window, nullptr);
    applet.PutNumber(QStringLiteral("&&private&&Connect"), 2);
    window->MDIForm_Activate();
    applet.dialogs.AnswerMessage(dialogs::DialogResult::Ok);
    window->setEnabled(false);
    window->Menu(QStringLiteral("mnuDeviceSaveToDevice"))->trigger();
    EXPECT_TRUE(window->isEnabled());
    EXPECT_EQ(LastMessage(applet.dialogs),
              QStringLiteral("The function could not be started (%1).").arg(applet::ResultText(applet::kResultViewNotCreated)));
}

TEST(FileAndTransferViews, SaveAsThenOpenRestoresTheDatasetAndAlwaysTakesItAsFitting)
{
    DeviceApplet applet;
    PIO_REQUIRE_APPLET(applet);
    TransferViewDoubles views;
    views.Add(QStringLiteral("clsSaveAsToFile"), FileTransfer(*applet.host, "WriteFile", false));
    views.Add(QStringLiteral("clsLoadFromFile"), FileTransfer(*applet.host, "ReadFile", true));
    frmMain* window = applet.StartWithConnectAllowed();
    ASSERT_NE(window, nullptr);
    QTemporaryDir folder;
    const QString file = folder.filePath(QStringLiteral("dataset.xml"));
    applet.PutText(QStringLiteral("&&private_PM&&Descriptor"), QStringLiteral("SAVED"));
    applet.dialogs.AnswerSaveFile(file);
    applet.Trigger(*window, "mnuFileSaveAs");
    ASSERT_TRUE(QFileInfo::exists(file));

    applet.PutText(QStringLiteral("&&private_PM&&Descriptor"), QStringLiteral("CHANGED"));
    applet.PutText(QStringLiteral("InCompatibleDataset"), QStringLiteral("3"));
    applet.dialogs.AnswerOpenFile(file);
    applet.Trigger(*window, "mnuFileOpen");
    EXPECT_EQ(TransferViewDouble::Started(),
              (QStringList{"Corvane.clsSaveAsToFile", "Corvane.clsLoadFromFile"}));
    EXPECT_EQ(applet.Text(QStringLiteral("InCompatibleDataset")), "0");
    EXPECT_EQ(applet.Text(QStringLiteral("currentSequence")), "");
    EXPECT_TRUE(applet.dialogs.Errors().isEmpty()) << applet.dialogs.Errors().join('\n').toStdString();

    // A file that cannot be read changes nothing but still counts as fitting.
    applet.PutText(QStringLiteral("InCompatibleDataset"), QStringLiteral("4"));
    applet.dialogs.AnswerOpenFile(folder.filePath(QStringLiteral("missing.xml")));
    applet.Trigger(*window, "mnuFileOpen");
    EXPECT_EQ(applet.Text(QStringLiteral("InCompatibleDataset")), "0");
}

TEST(FileAndTransferViews, SaveAndPrintStartTheirViewsByProgId)
{
    DeviceApplet applet;
    PIO_REQUIRE_APPLET(applet);
    TransferViewDoubles views;
    views.Add(QStringLiteral("clsSaveToFile"), FileTransfer(*applet.host, "WriteFile", false));
    views.Add(QStringLiteral("clsHTMLPrintOut"), [](applet::clsAppletItemManager& manager) {
        itemaccess::PutNumber(manager, QStringLiteral("generateHTMLPrintOut"), 1);
    });
    frmMain* window = applet.Start();
    ASSERT_NE(window, nullptr);
    QTemporaryDir folder;
    const QString file = folder.filePath(QStringLiteral("saved.xml"));
    applet.dialogs.AnswerSaveFile(file);
    applet.dialogs.AnswerSaveFile(file);
    applet.Trigger(*window, "mnuFileSave");
    window->Button(QStringLiteral("tbSave"))->trigger(); // the toolbar button runs the same function
    applet.Trigger(*window, "mnuFilePrintPreview");
    EXPECT_EQ(TransferViewDouble::Started(),
              (QStringList{"Corvane.clsSaveToFile", "Corvane.clsSaveToFile", "Corvane.clsHTMLPrintOut"}));
    EXPECT_TRUE(QFileInfo::exists(file));
    EXPECT_EQ(applet.Number(QStringLiteral("generateHTMLPrintOut")), 1);
    EXPECT_TRUE(window->isEnabled());
}
