// The Device menu against the simulated transmitter: connect and disconnect,
// the upload, factory reset and immediate data save with the main window
// locked meanwhile, the operation-mode switch through its steps, the range
// values answered, and every refused or failed request giving the main window
// back with a message.
#include "DeviceFunctionSupport.h"

using namespace merrowtest;

namespace {

constexpr int kReadPidFfScale = 182;
constexpr int kWritePidFfScale = 183;
constexpr int kDisableBurnDelay = 161;
constexpr int kFactoryReset = 162;

} // namespace

TEST(DeviceFunctionsOnSimulator, ConnectAndDisconnectFromTheMenuFollowTheConnectionItem)
{
    DeviceApplet applet;
    PIO_REQUIRE_APPLET(applet);
    frmMain* window = applet.StartWithConnectAllowed();
    ASSERT_NE(window, nullptr);
    ASSERT_TRUE(applet.AttachDevice());
    applet.Trigger(*window, "mnuDeviceConnect");
    ASSERT_TRUE(piotest::RunUntil([&] { return applet.Number(loopbacktest::kConnectItem) == 2; }));
    EXPECT_EQ(window->PanelText(1), "Connection Established");
    EXPECT_TRUE(Usable(*window, "mnuDeviceDisconnect"));
    applet.Trigger(*window, "mnuDeviceDisconnect");
    ASSERT_TRUE(piotest::RunUntil([&] { return applet.Number(loopbacktest::kConnectItem) == 0; }));
    EXPECT_EQ(window->PanelText(1), "Connection Canceled");
    EXPECT_TRUE(window->isEnabled());
}

TEST(DeviceFunctionsOnSimulator, LoadFromDeviceLocksTheWindowWhileTheUploadReadsTheDevice)
{
    DeviceApplet applet;
    PIO_REQUIRE_APPLET(applet);
    frmMain* window = applet.StartConnected();
    ASSERT_NE(window, nullptr);
    applet.Trigger(*window, "mnuDeviceLoadFromDevice");
    EXPECT_FALSE(window->isEnabled());
    // The busy window gives the main window back when the upload ends.
    ASSERT_TRUE(piotest::RunUntil([&] { return !applet.commands.isEmpty() && applet.SequenceState("upload") == 0; }));
    EXPECT_FALSE(window->isEnabled());
    EXPECT_TRUE(applet.dialogs.Requests().empty());
}

TEST(DeviceFunctionsOnSimulator, RefusedUploadGivesTheWindowBackAndSaysSo)
{
    DeviceApplet applet;
    PIO_REQUIRE_APPLET(applet);
    frmMain* window = applet.StartWithConnectAllowed();
    ASSERT_NE(window, nullptr);
    // The host has no device to read.
    window->Menu(QStringLiteral("mnuDeviceLoadFromDevice"))->setEnabled(true);
    applet.dialogs.AnswerMessage(dialogs::DialogResult::Ok);
    applet.Trigger(*window, "mnuDeviceLoadFromDevice");
    EXPECT_TRUE(window->isEnabled());
    ASSERT_EQ(applet.dialogs.Requests().size(), 1u);
    EXPECT_TRUE(LastMessage(applet.dialogs).startsWith("Reading the data from the device could not be started ("))
        << LastMessage(applet.dialogs).toStdString();
}

TEST(DeviceFunctionsOnSimulator, CancelInTheFactoryResetWarningWritesAndStartsNothing)
{
    DeviceApplet applet;
    PIO_REQUIRE_APPLET(applet);
    frmMain* window = applet.StartConnected();
    ASSERT_NE(window, nullptr);
    applet.dialogs.AnswerMessage(dialogs::DialogResult::Cancel);
    applet.Trigger(*window, "mnuDeviceFactoryReset");
    piotest::Settle();
    ASSERT_EQ(applet.dialogs.Requests().size(), 1u);
    const auto& box = applet.dialogs.Requests().front();
    EXPECT_EQ(box.title, "Reset to factory default") << "the function names its warning";
    EXPECT_EQ(box.text, "Warning!All data changed will be lost if you continue. ");
    EXPECT_EQ(box.buttons, dialogs::MessageButtons::OkCancel);
    EXPECT_EQ(applet.Number(QStringLiteral("factoryReset")), 0);
    EXPECT_EQ(SequenceControl(*window, "seqInitiateFactoryReset")->PendingActions(), 0);
    EXPECT_FALSE(applet.commands.contains(kFactoryReset));
    EXPECT_TRUE(window->isEnabled());
}

TEST(DeviceFunctionsOnSimulator, FactoryResetAndDataSaveRunOnTheDeviceWithTheWindowLocked)
{
    DeviceApplet applet;
    PIO_REQUIRE_APPLET(applet);
    frmMain* window = applet.StartConnected();
    ASSERT_NE(window, nullptr);
    // Not busy after the reset: without the record rules the data save would fail on its busy answer.
    applet.device.transmitter().setFactoryResetDuration(0);
    applet.dialogs.AnswerMessage(dialogs::DialogResult::Ok);
    applet.Trigger(*window, "mnuDeviceFactoryReset");
    EXPECT_EQ(applet.Number(QStringLiteral("factoryReset")), 1);
    EXPECT_FALSE(window->isEnabled());
    EXPECT_TRUE(applet.AnsweredCommand(kFactoryReset));
    ASSERT_TRUE(piotest::RunUntil([&] { return applet.SequenceState("InitiateFactoryReset") == 0; }));

    // The busy window would give the window back; the data save asks nothing.
    global::SetMainWindowEnabled(true);
    applet.Trigger(*window, "mnuDeviceBurnData");
    EXPECT_FALSE(window->isEnabled());
    EXPECT_TRUE(applet.AnsweredCommand(kDisableBurnDelay));
    EXPECT_EQ(applet.dialogs.Requests().size(), 1u);
}

TEST(DeviceFunctionsOnSimulator, FactoryResetThatCannotStartGivesTheWindowBackAndNamesTheFunction)
{
    DeviceApplet applet;
    PIO_REQUIRE_APPLET(applet);
    frmMain* window = applet.StartWithConnectAllowed();
    ASSERT_NE(window, nullptr);
    window->Menu(QStringLiteral("mnuDeviceFactoryReset"))->setEnabled(true); // no device to reset
    applet.dialogs.AnswerMessage(dialogs::DialogResult::Ok);
    applet.dialogs.AnswerMessage(dialogs::DialogResult::Ok);
    applet.Trigger(*window, "mnuDeviceFactoryReset");
    EXPECT_FALSE(window->isEnabled());
    // The request runs later and fails there.
    ASSERT_TRUE(piotest::RunUntil([&] { return window->isEnabled(); }));
    ASSERT_EQ(applet.dialogs.Requests().size(), 2u);
    EXPECT_TRUE(LastMessage(applet.dialogs).startsWith("Reset to factory default could not be started: "))
        << LastMessage(applet.dialogs).toStdString();
}

TEST(DeviceFunctionsOnSimulator, OperationModeSwitchReadsAdjustsWritesScaleWithoutDecimalsAndDisconnects)
{
    DeviceApplet applet;
    PIO_REQUIRE_APPLET(applet);
    frmMain* window = applet.StartConnected(139);
    ASSERT_NE(window, nullptr);
    ASSERT_TRUE(Shown(*window, "mnuDeviceModbusOn"));
    applet.device.transmitter().parameters().set(QStringLiteral("pidFfScaleDecimal"), 3);
    applet.dialogs.AnswerMessage(dialogs::DialogResult::Ok);
    applet.Trigger(*window, "mnuDeviceModbusOn");
    ASSERT_EQ(applet.dialogs.Requests().size(), 1u);
    EXPECT_EQ(applet.dialogs.Requests().front().title, "Activate Operation Mode");
    EXPECT_EQ(applet.dialogs.Requests().front().text,
              "Attention! Activating the operation mode will disconnect the DTM from the device.");
    ASSERT_TRUE(piotest::RunUntil([&] { return applet.Number(loopbacktest::kConnectItem) == 0; }));
    EXPECT_TRUE(applet.commands.contains(kReadPidFfScale));
    EXPECT_TRUE(applet.commands.contains(kWritePidFfScale));
    EXPECT_EQ(applet.device.transmitter().parameters().value(QStringLiteral("pidFfScaleDecimal")).toInt(), 0);
    EXPECT_EQ(applet.Number(QStringLiteral("pidFfScaleDecimal")), 0);
    EXPECT_EQ(window->OperationModeStep(), 0);
}

TEST(DeviceFunctionsOnSimulator, OperationModeCancelledOrReadFailedWritesNothing)
{
    DeviceApplet applet;
    PIO_REQUIRE_APPLET(applet);
    frmMain* window = applet.StartConnected(139);
    ASSERT_NE(window, nullptr);
    applet.dialogs.AnswerMessage(dialogs::DialogResult::Cancel);
    applet.Trigger(*window, "mnuDeviceModbusOn");
    piotest::Settle();
    EXPECT_EQ(SequenceControl(*window, "seqGetPidFfScale")->PendingActions(), 0);
    EXPECT_FALSE(applet.commands.contains(kReadPidFfScale));

    // A read the device refuses leaves nothing to write: the switch ends there.
    applet.PutNumber(QStringLiteral("pidFfScaleDecimal"), 4);
    applet.device.injectResponseCode(64, 1000);
    applet.dialogs.AnswerMessage(dialogs::DialogResult::Ok);
    applet.Trigger(*window, "mnuDeviceModbusOn");
    ASSERT_TRUE(applet.AnsweredCommand(kReadPidFfScale));
    ASSERT_TRUE(piotest::RunUntil([&] { return applet.SequenceState("GetPidFfScale") == 0 && window->OperationModeStep() == 0; }));
    piotest::Settle();
    EXPECT_FALSE(applet.commands.contains(kWritePidFfScale));
    EXPECT_EQ(applet.Number(QStringLiteral("pidFfScaleDecimal")), 4);
    EXPECT_EQ(applet.Number(loopbacktest::kConnectItem), 2);
    // The user learns that the switch did not happen.
    EXPECT_TRUE(LastMessage(applet.dialogs).startsWith("The operation mode was not activated"))
        << LastMessage(applet.dialogs).toStdString();
}

TEST(DeviceFunctionsOnSimulator, ScaleReadyBeforeAnyReadRequestDoesNothing)
{
    DeviceApplet applet;
    PIO_REQUIRE_APPLET(applet);
    frmMain* window = applet.StartConnected(139);
    ASSERT_NE(window, nullptr);
    applet.PutNumber(QStringLiteral("pidFfScaleDecimal"), 4);
    emit SequenceControl(*window, "seqGetPidFfScale")->StatusChanged(applet::SequenceState::Ready);
    piotest::Settle();
    EXPECT_EQ(window->OperationModeStep(), 0);
    EXPECT_EQ(applet.Number(QStringLiteral("pidFfScaleDecimal")), 4);
    EXPECT_EQ(SequenceControl(*window, "seqSetPidFfScale")->PendingActions(), 0);
    EXPECT_TRUE(applet.commands.isEmpty());
    EXPECT_EQ(applet.Number(loopbacktest::kConnectItem), 2);
}

// Only the end of the switch's own write disconnects: not the state the
// window hears when it opens online, nor a write of the scale started elsewhere.
TEST(DeviceFunctionsOnSimulator, ScaleWriteNotStartedByTheSwitchKeepsTheConnection)
{
    DeviceApplet applet;
    PIO_REQUIRE_APPLET(applet);
    frmMain* window = applet.StartConnected(139);
    ASSERT_NE(window, nullptr);
    emit SequenceControl(*window, "seqSetPidFfScale")->StatusChanged(applet::SequenceState::Ready);
    int32_t result = -1;
    applet.host->StartSequence(QStringLiteral("SetPidFfScale"), result);
    ASSERT_EQ(result, 0);
    ASSERT_TRUE(applet.AnsweredCommand(kWritePidFfScale));
    ASSERT_TRUE(piotest::RunUntil([&] { return applet.SequenceState("SetPidFfScale") == 0; }));
    piotest::Settle();
    EXPECT_EQ(applet.Number(loopbacktest::kConnectItem), 2);
}

TEST(DeviceFunctionsOnSimulator, MainWindowLetsTheRangeValuesReadRun)
{
    DeviceApplet applet;
    PIO_REQUIRE_APPLET(applet);
    frmMain* window = applet.StartConnected();
    ASSERT_NE(window, nullptr);
    int32_t result = -1;
    applet.host->StartSequence(QStringLiteral("GetRangeValues"), result);
    ASSERT_EQ(result, 0);
    // Without the main window's answer the read would wait in its request state.
    ASSERT_TRUE(piotest::RunUntil([&] { return !applet.commands.isEmpty() && applet.SequenceState("GetRangeValues") == 0; }));
}
