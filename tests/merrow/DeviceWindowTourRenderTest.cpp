// The device window as a user meets it, rendered offscreen for the README's
// tour (saved with TRIVEX_SCREENSHOT_DIR set): after an upload with its
// confirmation, a failure message, the German window, and the help window.
#include "DeviceFunctionSupport.h"
#include "merrow/shell/frmAbout.h"
#include "merrow/shell/frmHelp.h"
#include "tests/common/WindowScreenshot.h"
#include <QCoreApplication>
#include <QDir>
#include <QMenuBar>
#include <QMessageBox>
#include <QPushButton>
#include <QSet>
#include <QTextBrowser>

using namespace merrowtest;

namespace {

frmMain* ConnectedFlowTransmitter(DeviceApplet& applet, int countryCode)
{
    applet.PutText(QStringLiteral("&&private_PM&&TagName"), QStringLiteral("FT-101"));
    applet.PutText(QStringLiteral("&&private_PM&&Descriptor"), QStringLiteral("Feed line"));
    applet.PutNumber(QStringLiteral("&&private&&countrycode"), countryCode);
    frmMain* window = applet.StartConnected();
    if (window)
        window->resize(1000, 640);
    return window;
}

// The accelerator letters of the menu bar's visible titles; fails on a title without one.
QSet<QChar> Accelerators(const frmMain& window)
{
    QSet<QChar> keys;
    for (QAction* action : window.menuBar()->actions()) {
        if (!action->isVisible())
            continue;
        const QString title = action->text();
        const qsizetype at = title.indexOf(QLatin1Char('&'));
        const QChar key = at >= 0 && at + 1 < title.size() ? title[at + 1].toLower() : QChar();
        EXPECT_FALSE(key.isNull()) << title.toStdString();
        EXPECT_FALSE(keys.contains(key)) << title.toStdString();
        keys.insert(key);
    }
    return keys;
}

} // namespace

TEST(DeviceWindowTour, AfterAnUploadTheStatusBarConfirmsAndTheWindowShowsAllItsMenus)
{
    DeviceApplet applet;
    PIO_REQUIRE_APPLET(applet);
    frmMain* window = ConnectedFlowTransmitter(applet, 1);
    ASSERT_NE(window, nullptr);
    applet.Trigger(*window, "mnuDeviceLoadFromDevice");
    ASSERT_TRUE(piotest::RunUntil([&] { return !applet.commands.isEmpty() && applet.SequenceState("upload") == 0; }));
    applet.PutText(QStringLiteral("XXXTransferCompletedXXX"), QStringLiteral("0"));
    applet.PutText(QStringLiteral("XXXTransferCompletedXXX"), QStringLiteral("1"));
    global::SetMainWindowEnabled(true); // the busy window's part when the chain ends
    EXPECT_EQ(window->PanelText(4), "Data read from the device.");
    EXPECT_FALSE(window->windowIcon().isNull());
    // Nothing to copy or paste without a page; the self-test opens the status page.
    for (const char* key : {"tbCopy", "tbPaste"})
        EXPECT_FALSE(window->Button(QLatin1String(key))->isEnabled()) << key;
    EXPECT_TRUE(window->Button(QStringLiteral("tbDiagnostics"))->isEnabled());
    EXPECT_FALSE(window->BackgroundPicture().isEmpty());
    // File, Edit, Device, Display, Diagnostics, Configure, Calibrate, Window, ?
    EXPECT_EQ(Accelerators(*window).size(), 9);
    TakeScreenshot(*window, QStringLiteral("tour-after-upload"));
}

TEST(DeviceWindowTour, AConnectThatFailsIsAMessageAndAStatusOfItsOwn)
{
    DeviceApplet applet;
    PIO_REQUIRE_APPLET(applet);
    frmMain* window = applet.StartWithConnectAllowed();
    ASSERT_NE(window, nullptr);
    window->resize(1000, 640);
    ASSERT_TRUE(applet.AttachDevice());
    applet.device.close(); // nobody answers at the device's address
    applet.dialogs.AnswerMessage(dialogs::DialogResult::Ok);
    applet.Trigger(*window, "mnuDeviceConnect");
    ASSERT_TRUE(piotest::RunUntil([&] { return !applet.dialogs.Requests().empty(); }));
    EXPECT_EQ(applet.Number(loopbacktest::kConnectItem), 0);
    EXPECT_EQ(window->PanelText(1), "Connection failed");
    const auto& shown = applet.dialogs.Requests().front();
    EXPECT_EQ(shown.title, "Trivex DTM");
    EXPECT_TRUE(shown.text.startsWith("The connection to the device could not be established."));
    TakeScreenshot(*window, QStringLiteral("tour-connect-failed-window"));
    QMessageBox box(QMessageBox::Warning, shown.title, shown.text, QMessageBox::Ok, window);
    TakeScreenshot(box, QStringLiteral("tour-connect-failed"));
}

TEST(DeviceWindowTour, TheGermanWindowTranslatesMenusStatusAndQtsOwnButtons)
{
    DeviceApplet applet;
    PIO_REQUIRE_APPLET(applet);
    frmMain* window = ConnectedFlowTransmitter(applet, 49);
    ASSERT_NE(window, nullptr);
    EXPECT_EQ(window->PanelText(1), "Verbindung hergestellt");
    EXPECT_EQ(window->MenuOf(QStringLiteral("mnuDevice"))->title(), QString::fromUtf8("Ge&rät"));
    EXPECT_EQ(Accelerators(*window).size(), 9);
    // Qt's own buttons speak German beside our texts, and so does the about box.
    EXPECT_EQ(QCoreApplication::translate("QPlatformTheme", "&Yes"), "&Ja");
    frmAbout about(window);
    auto* sysInfo = about.findChild<QPushButton*>(QStringLiteral("cmdSysInfo"));
    EXPECT_EQ(sysInfo->text(), "Systeminformationen...");
    applet.dialogs.AnswerMessage(dialogs::DialogResult::Ok);
    sysInfo->click();
    EXPECT_EQ(LastMessage(applet.dialogs), QString::fromUtf8("Kein Systeminformationsprogramm verfügbar."));
    TakeScreenshot(*window, QStringLiteral("tour-german"));
}

TEST(DeviceWindowTour, HelpOpensInTheProgramsOwnWindow)
{
    MerrowApplet applet;
    PIO_REQUIRE_APPLET(applet);
    frmMain* window = applet.Start();
    ASSERT_NE(window, nullptr);
    // Without a stored placement the window opens wide enough for every menu title.
    EXPECT_GE(window->width(), window->menuBar()->sizeHint().width());
    window->Menu(QStringLiteral("mnuHelpContents"))->trigger();
    ASSERT_EQ(window->HelpWindows().size(), 1);
    auto* help = qobject_cast<frmHelp*>(window->HelpWindows().front());
    ASSERT_NE(help, nullptr);
    EXPECT_TRUE(help->Browser()->toPlainText().contains("Trivex"));
    TakeScreenshot(*help, QStringLiteral("tour-help"));
}
