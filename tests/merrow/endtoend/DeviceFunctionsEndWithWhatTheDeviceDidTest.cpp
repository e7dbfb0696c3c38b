// Device functions with the component library's record rules beside the main
// window: a refusal the rules take still stops the operation-mode switch
// before anything is written, and a factory reset ends with the dataset read
// from the device again, so the pages show what the device now holds.
#include "sim/DeviceState.h"
#include "sim/SimOptions.h"
#include "tests/merrow/endtoend/CorvaneDeviceApplet.h"

using namespace merrowtest;

namespace {

constexpr uint8_t kReadPidFfScale = 182;
constexpr int kWritePidFfScale = 183;
constexpr int kFactoryReset = 162;

} // namespace

TEST(DeviceFunctionsEndWithWhatTheDeviceDid, ARefusedScaleReadTakenByTheRecordRulesWritesNothing)
{
    CorvaneDeviceApplet applet;
    PIO_REQUIRE_APPLET(applet);
    // The switch is offered by a flow computer only: the device is one, so
    // that the dataset read from it at connect keeps the entry.
    sim::VariantOptions flowComputer;
    flowComputer.deviceType = 139;
    QString error;
    ASSERT_TRUE(sim::applyVariant(applet.device.transmitter(), flowComputer, error)) << error.toStdString();
    frmMain* window = applet.StartConnectedWithTheDevicesDataset(139);
    ASSERT_NE(window, nullptr);
    applet.PutNumber(QStringLiteral("pidFfScaleDecimal"), 4);
    // "Command not implemented": the rules take the answer, the sequence ends ready.
    applet.device.transmitter().injectResponseCode(64, 1, kReadPidFfScale);
    applet.commands.clear();
    applet.dialogs.AnswerMessage(dialogs::DialogResult::Ok);
    applet.dialogs.AnswerMessage(dialogs::DialogResult::Ok);
    applet.Trigger(*window, "mnuDeviceModbusOn");
    ASSERT_TRUE(applet.AnsweredCommand(kReadPidFfScale));
    ASSERT_TRUE(piotest::RunUntil([&] { return applet.SequenceState("GetPidFfScale") == 0 && window->OperationModeStep() == 0; }));
    piotest::Settle();
    EXPECT_FALSE(applet.commands.contains(kWritePidFfScale));
    EXPECT_EQ(applet.Number(QStringLiteral("pidFfScaleDecimal")), 4);
    EXPECT_EQ(applet.Number(loopbacktest::kConnectItem), 2);
    EXPECT_TRUE(LastMessage(applet.dialogs).startsWith("The operation mode was not activated"))
        << LastMessage(applet.dialogs).toStdString();
}

TEST(DeviceFunctionsEndWithWhatTheDeviceDid, AFactoryResetEndsWithTheDeviceReadAgain)
{
    CorvaneDeviceApplet applet;
    PIO_REQUIRE_APPLET(applet);
    applet.device.transmitter().device().message = QStringLiteral("BEFORE THE RESET");
    frmMain* window = applet.StartConnectedWithTheDevicesDataset();
    ASSERT_NE(window, nullptr);
    ASSERT_EQ(applet.Text(QStringLiteral("pbMessage")).trimmed(), QStringLiteral("BEFORE THE RESET"));
    applet.commands.clear();
    applet.dialogs.AnswerMessage(dialogs::DialogResult::Ok);
    applet.Trigger(*window, "mnuDeviceFactoryReset");
    ASSERT_TRUE(applet.AnsweredCommand(kFactoryReset));
    const QString factory = sim::DeviceState{}.message.trimmed();
    ASSERT_NE(factory, QStringLiteral("BEFORE THE RESET"));
    ASSERT_TRUE(piotest::RunUntil([&] {
        return window->isEnabled() && window->PendingFunction() == frmMain::Pending::None
            && applet.Text(QStringLiteral("currentSequence")).isEmpty()
            && applet.Text(QStringLiteral("pbMessage")).trimmed() == factory;
    })) << applet.Text(QStringLiteral("pbMessage")).toStdString();
    EXPECT_EQ(window->PanelText(4), global::LoadLocalizedText(3807));
}
