// Every function the user starts in the device window ends with a visible
// sign: a failed connect and a lost connection each say so and read apart from
// a disconnect; transfers, factory reset, data save, new and opened datasets
// confirm in the status bar or report their failure; declining the read-out
// says what it left; a dataset found not to fit stays unwritable.
#include "DeviceFunctionSupport.h"
#include "mvtrivexbusywindow/ctlBusyWindow.h"
#include <QLabel>

using namespace merrowtest;

namespace {

frmMain* StartWithContext(MerrowApplet& applet)
{
    applet.PutNumber(QStringLiteral("&&private_FDT&&EngineeringContext"), 0xAC);
    return applet.Start();
}

void Connection(MerrowApplet& applet, std::initializer_list<int> states)
{
    for (int state : states)
        applet.PutNumber(QStringLiteral("&&private&&Connect"), state);
}

} // namespace

TEST(FunctionsEndWithAVisibleSign, FailedConnectAndLostConnectionSaySoAndReadApartFromADisconnect)
{
    MerrowApplet applet;
    PIO_REQUIRE_APPLET(applet);
    frmMain* window = StartWithContext(applet);
    ASSERT_NE(window, nullptr);
    applet.dialogs.AnswerMessage(dialogs::DialogResult::Ok);
    applet.dialogs.AnswerMessage(dialogs::DialogResult::Ok);

    Connection(applet, {1, 0});
    EXPECT_EQ(window->PanelText(1), "Connection failed");
    ASSERT_EQ(applet.dialogs.Requests().size(), 1u);
    EXPECT_EQ(applet.dialogs.Requests().back().title, "Trivex DTM");
    EXPECT_EQ(applet.dialogs.Requests().back().icon, dialogs::MessageIcon::Warning);
    EXPECT_TRUE(LastMessage(applet.dialogs).startsWith("The connection to the device could not be established."));

    Connection(applet, {1, 2});
    EXPECT_EQ(window->PanelText(1), "Connection Established");
    Connection(applet, {0});
    EXPECT_EQ(window->PanelText(1), "Connection lost");
    ASSERT_EQ(applet.dialogs.Requests().size(), 2u);
    EXPECT_TRUE(LastMessage(applet.dialogs).startsWith("The connection to the device was lost."));
    EXPECT_TRUE(Usable(*window, "mnuDeviceConnect"));

    // A disconnect the user asked for passes through "disconnecting" and asks nothing.
    Connection(applet, {1, 2, 3, 0});
    EXPECT_EQ(window->PanelText(1), "Connection Canceled");
    EXPECT_EQ(applet.dialogs.Requests().size(), 2u);
}

TEST(FunctionsEndWithAVisibleSign, DecliningTheReadOutSaysWhatItLeftAndARangeMismatchKeepsSaveToDeviceOff)
{
    MerrowApplet applet;
    PIO_REQUIRE_APPLET(applet);
    frmMain* window = StartWithContext(applet);
    ASSERT_NE(window, nullptr);
    Connection(applet, {1, 2});
    ASSERT_TRUE(Usable(*window, "mnuDeviceSaveToDevice"));
    applet.dialogs.AnswerMessage(dialogs::DialogResult::No);
    applet.dialogs.AnswerMessage(dialogs::DialogResult::Ok);
    applet.PutNumber(QStringLiteral("InCompatibleDataset"), 3);
    ASSERT_EQ(applet.dialogs.Requests().size(), 2u);
    EXPECT_TRUE(applet.dialogs.Requests().front().text.endsWith("Should the data be read-out?"));
    EXPECT_EQ(applet.dialogs.Requests().back().icon, dialogs::MessageIcon::Information);
    EXPECT_TRUE(LastMessage(applet.dialogs).startsWith("The data were not read from the device."));
    EXPECT_FALSE(Usable(*window, "mnuDeviceSaveToDevice"));

    // Coming back to the window does not make the refused dataset writable.
    window->MDIForm_Activate();
    EXPECT_FALSE(Usable(*window, "mnuDeviceSaveToDevice"));
    EXPECT_FALSE(window->Button(QStringLiteral("tbWriteToDevice"))->isEnabled());
    // A dataset that fits again may be written.
    applet.PutNumber(QStringLiteral("InCompatibleDataset"), 0);
    EXPECT_TRUE(Usable(*window, "mnuDeviceSaveToDevice"));
    window->MDIForm_Activate();
    EXPECT_TRUE(Usable(*window, "mnuDeviceSaveToDevice"));
}

TEST(FunctionsEndWithAVisibleSign, TransfersFilesResetAndDataSaveConfirmInTheStatusBarAndFailuresSaySo)
{
    DeviceApplet applet;
    PIO_REQUIRE_APPLET(applet);
    TransferViewDoubles views;
    QTemporaryDir folder;
    const QString file = folder.filePath(QStringLiteral("FT-101.xml"));
    bool chooseFile = false;
    // The file view names the file it read; a cancelled choice names none.
    views.Add(QStringLiteral("clsLoadFromFile"), [&](applet::clsAppletItemManager& manager) {
        if (chooseFile)
            itemaccess::PutString(manager, QStringLiteral("&&private_PM&&FileName"), file);
    });
    views.Add(QStringLiteral("clsSaveToDevice"), nullptr);
    applet.Variant("4607215", 1, true, 8, 137);
    frmMain* window = applet.StartWithConnectAllowed();
    ASSERT_NE(window, nullptr);
    const auto transferEnds = [&](const char* value) {
        applet.PutText(QStringLiteral("XXXTransferCompletedXXX"), QStringLiteral("0"));
        applet.PutText(QStringLiteral("XXXTransferCompletedXXX"), QLatin1String(value));
    };

    // Offline: a dataset from a file, then a cancelled choice that says nothing.
    chooseFile = true;
    applet.Trigger(*window, "mnuFileOpen");
    EXPECT_EQ(window->PanelText(4), "Dataset loaded from FT-101.xml.");
    EXPECT_EQ(window->PanelText(2), "Source: File");
    // The line of the earlier function goes with the next one.
    chooseFile = false;
    applet.Trigger(*window, "mnuFileOpen");
    EXPECT_EQ(window->PanelText(4), "");

    // Online: the upload confirms when its chain has ended well.
    ASSERT_TRUE(applet.Connect());
    applet.Trigger(*window, "mnuDeviceLoadFromDevice");
    EXPECT_EQ(window->PendingFunction(), frmMain::Pending::Upload);
    ASSERT_TRUE(piotest::RunUntil([&] { return !applet.commands.isEmpty() && applet.SequenceState("upload") == 0; }));
    EXPECT_EQ(window->PanelText(4), "");
    transferEnds("1");
    EXPECT_EQ(window->PanelText(4), "Data read from the device.");
    EXPECT_EQ(window->PanelText(2), "Source: Device");

    // A download whose chain failed is reported, not confirmed.
    applet.dialogs.AnswerMessage(dialogs::DialogResult::Ok);
    applet.Trigger(*window, "mnuDeviceSaveToDevice");
    transferEnds("2");
    EXPECT_TRUE(LastMessage(applet.dialogs).startsWith("Writing the data to the device failed."));
    // The earlier success does not stand beside the failure.
    EXPECT_EQ(window->PanelText(4), "");
    EXPECT_EQ(window->PendingFunction(), frmMain::Pending::None);

    // The reset confirms when the busy window lets go of it. The device is
    // not busy after it: without the record rules the data saves that follow
    // would fail on its busy answer.
    applet.device.transmitter().setFactoryResetDuration(0);
    applet.dialogs.AnswerMessage(dialogs::DialogResult::Ok);
    applet.Trigger(*window, "mnuDeviceFactoryReset");
    ASSERT_TRUE(piotest::RunUntil([&] { return applet.SequenceState("InitiateFactoryReset") == 0; }));
    // The busy window follows the sequence the device components name, and
    // lets go when the device reports the reset's save ended.
    applet.PutText(QStringLiteral("currentSequence"), QStringLiteral("InitiateFactoryReset"));
    EXPECT_FALSE(window->isEnabled());
    EXPECT_EQ(window->PanelText(4), "");
    window->ctlBusyWindow1()->RaiseEnableWindow();
    EXPECT_EQ(window->PanelText(4), "Device reset to factory defaults.");
    EXPECT_TRUE(window->isEnabled());

    // A data save the device never confirms is reported with the limit.
    applet.dialogs.AnswerMessage(dialogs::DialogResult::Ok);
    applet.Trigger(*window, "mnuDeviceBurnData");
    ASSERT_TRUE(applet.AnsweredCommand(161));
    window->ctlBusyWindow1()->RaiseDataSaveUnconfirmed(120);
    window->ctlBusyWindow1()->RaiseEnableWindow();
    EXPECT_EQ(LastMessage(applet.dialogs),
              "The device did not confirm the data save within 120 s. The data may not be stored in its memory; save "
              "them again.");
    EXPECT_EQ(window->PanelText(4), "");
    EXPECT_TRUE(window->isEnabled());

    // A data save the user cancels says so; one the device ends is confirmed.
    // (The busy window's signals stand for the device's reports here.)
    const auto dataSave = [&](bool cancelled) {
        ASSERT_TRUE(piotest::RunUntil([&] { return applet.SequenceState("SetDisableBurnDelay") == 0; }));
        applet.commands.clear();
        applet.Trigger(*window, "mnuDeviceBurnData");
        ASSERT_TRUE(applet.AnsweredCommand(161));
        window->ctlBusyWindow1()->RaiseDisableWindow();
        if (cancelled) {
            applet.PutText(QStringLiteral("abortSequences"), QStringLiteral("0"));
            applet.PutText(QStringLiteral("abortSequences"), QStringLiteral("1"));
        }
        window->ctlBusyWindow1()->RaiseEnableWindow();
    };
    applet.dialogs.AnswerMessage(dialogs::DialogResult::Ok);
    dataSave(true);
    EXPECT_TRUE(LastMessage(applet.dialogs).startsWith("The data save was cancelled."));
    dataSave(false);
    EXPECT_EQ(window->PanelText(4), "Data saved in the device's memory.");
    EXPECT_EQ(applet.dialogs.PendingAnswers(), 0);
}

TEST(FunctionsEndWithAVisibleSign, TheSimulationWarningOffersYesAndNoAndOnlyYesOpensThePage)
{
    MerrowApplet applet;
    PIO_REQUIRE_APPLET(applet);
    applet.Variant("4607215", 1, true, 8, 137);
    frmMain* window = StartWithContext(applet);
    ASSERT_NE(window, nullptr);
    Connection(applet, {1, 2});
    window->MDIForm_Activate();
    ASSERT_TRUE(Usable(*window, "mnuDiagnosticsSimulateCurrent"));
    applet.dialogs.AnswerMessage(dialogs::DialogResult::No);
    window->Menu(QStringLiteral("mnuDiagnosticsSimulateCurrent"))->trigger();
    ASSERT_EQ(applet.dialogs.Requests().size(), 1u);
    EXPECT_EQ(applet.dialogs.Requests().front().buttons, dialogs::MessageButtons::YesNo);
    EXPECT_TRUE(window->ChildForms().isEmpty());
    applet.dialogs.AnswerMessage(dialogs::DialogResult::Yes);
    window->Menu(QStringLiteral("mnuDiagnosticsSimulateCurrent"))->trigger();
    EXPECT_EQ(window->ChildForms().size(), 1);
}
