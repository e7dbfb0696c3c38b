// Functions the user starts from a page or the Device menu, refused by the
// device while the component library's record rules run beside the window:
// "command not implemented" (64), which the rules take silently, and "write
// protected" (7), where the user answers the rules' question with Ignore.
// Each function says that it was not carried out and why, shows no success,
// and gives the window back; and a reset of the device's extreme values
// leaves the dataset as it was.
#include "merrow/pages/frmCalibrateCurrent.h"
#include "merrow/pages/frmCalibratePressure.h"
#include "merrow/pages/frmCalibrateStaticPressure.h"
#include "merrow/pages/frmCalibrateTemperature.h"
#include "merrow/pages/frmEventCounter.h"
#include "merrow/pages/frmFlowBuffer.h"
#include "merrow/pages/frmMaxValues.h"
#include "merrow/pages/frmSimulateCurrent.h"
#include "platform/applet/AppletItem.h"
#include "platform/applet/Description.h"
#include "platform/controls/PioLabelTextUnit.h"
#include "sim/SimOptions.h"
#include "sim/Totaliser.h"
#include "tests/merrow/endtoend/CorvaneDeviceApplet.h"
#include <QCheckBox>
#include <QLineEdit>
#include <QRadioButton>
#include <functional>
#include <vector>

using namespace merrowtest;

namespace {

using dialogs::DialogResult;

constexpr uint8_t kNotImplemented = 64;
constexpr uint8_t kWriteProtected = 7;

class RefusedFunctions : public ::testing::Test {
protected:
    // The window on the flow computer, which offers the totaliser and the
    // operation mode, or on the transmitter, which has the current output.
    void Start(bool flowComputer)
    {
        ASSERT_TRUE(applet.Ready()) << "no staged Trivex description";
        QString error;
        if (flowComputer) {
            ASSERT_TRUE(MakeFlowComputer(device(), error)) << error.toStdString();
        }
        device().device().totaliser.select(sim::Totaliser::Volume);
        window = applet.StartConnectedWithTheDevicesDataset(flowComputer ? 139 : 137);
        ASSERT_NE(window, nullptr);
    }

    sim::SimTransmitter& device() { return applet.device.transmitter(); }

    // The command of the sequence's first record, the one that acts.
    uint8_t CommandOf(const char* sequence) const
    {
        const auto description = applet.manager->GetDescription();
        const applet::DescSequence* found = description->FindSequence(QLatin1String(sequence));
        const applet::DescRecord* record = found && !found->records.isEmpty() ? description->FindRecord(found->records.front()) : nullptr;
        return record ? static_cast<uint8_t>(record->command) : 0;
    }

    // Lets the device refuse the sequence's command with code, presses, and
    // checks that the window told what was not done and why, and nothing else.
    void ExpectRefusalTold(uint8_t code, const char* sequence, int16_t notDone, const std::function<void()>& press,
                           std::vector<DialogResult> confirmations = {})
    {
        SCOPED_TRACE(std::string(sequence) + " refused with " + std::to_string(code));
        const uint8_t command = CommandOf(sequence);
        ASSERT_NE(command, 0);
        ASSERT_TRUE(piotest::RunUntil([&] { return window->isEnabled() && applet.Text(QStringLiteral("currentSequence")).isEmpty(); }));
        global::ShowStatus(QString());
        for (const DialogResult answer : confirmations)
            applet.dialogs.AnswerMessage(answer);
        if (code == kWriteProtected)
            applet.dialogs.AnswerMessage(DialogResult::Ignore); // the record rules ask
        device().injectResponseCode(code, 1, command);
        const size_t before = applet.dialogs.Requests().size();
        applet.commands.clear();
        press();
        const QString reason = global::LoadLocalizedText(code == kNotImplemented ? 3992 : 3993);
        ASSERT_TRUE(piotest::RunUntil([&] {
            return applet.dialogs.Requests().size() > before && LastMessage(applet.dialogs).contains(reason)
                && window->isEnabled() && applet.SequenceState(sequence) == 0;
        })) << LastMessage(applet.dialogs).toStdString() << "; window enabled " << window->isEnabled() << ", running \""
            << applet.Text(QStringLiteral("currentSequence")).toStdString() << "\", state " << applet.SequenceState(sequence);
        piotest::Settle();
        EXPECT_TRUE(applet.commands.contains(command));
        EXPECT_EQ(applet.dialogs.PendingAnswers(), 0);
        const QString told = LastMessage(applet.dialogs);
        EXPECT_TRUE(told.contains(global::LoadLocalizedText(notDone).section(QStringLiteral("%1"), 0, 0)))
            << told.toStdString();
        EXPECT_TRUE(told.contains(global::LoadLocalizedText(3996))) << told.toStdString();
        EXPECT_TRUE(window->PanelText(4).isEmpty()) << "success shown: " << window->PanelText(4).toStdString();
        EXPECT_TRUE(window->isEnabled());
    }

    CorvaneDeviceApplet applet;
    frmMain* window = nullptr;
};

} // namespace

TEST_F(RefusedFunctions, EveryFunctionRefusedWith64OrWith7AndIgnoreSaysWhyAndShowsNoSuccess)
{
    ASSERT_NO_FATAL_FAILURE(Start(true));
    for (const uint8_t code : {kNotImplemented, kWriteProtected}) {
        auto* maxValues = OpenPage<frmMaxValues>(applet, *window, "mnuDiagnosticsMaxValues");
        ASSERT_NE(maxValues, nullptr);
        ASSERT_TRUE(piotest::RunUntil([&] { return maxValues->Command1(0)->isEnabled(); }));
        ExpectRefusalTold(code, "ResetMaxValues0", 3879, [&] { maxValues->Command1(0)->click(); });
        auto* counters = OpenPage<frmEventCounter>(applet, *window, "mnuDiagnosticsEventCounter");
        ASSERT_NE(counters, nullptr);
        ASSERT_TRUE(piotest::RunUntil([&] { return counters->Command1(0)->isEnabled(); }));
        ExpectRefusalTold(code, "ResetEventCounter0", 3879, [&] { counters->Command1(0)->click(); });

        // Every balance point of every calibration page.
        const auto calibrate = [&](CalibrationPage* page, std::initializer_list<const char*> sequences) {
            ASSERT_NE(page, nullptr);
            ASSERT_TRUE(piotest::RunUntil([&] { return page->cmdAbgleichpunkt(0)->isEnabled() && window->isEnabled(); }));
            int row = 0;
            for (const char* sequence : sequences) {
                page->txtAbgleichpunkt(row)->setText(QStringLiteral("0"));
                ExpectRefusalTold(code, sequence, 3872, [&] { page->cmdAbgleichpunkt(row)->click(); });
                ++row;
            }
            page->parentWidget()->close();
        };
        calibrate(OpenPage<frmCalibratePressure>(applet, *window, "mnuCalibratePressure"),
                  {"SetPtrbCalPointLo", "SetPtrbCalPointHi", "SetPtrbTemperatureTrimValue"});
        calibrate(OpenPage<frmCalibrateStaticPressure>(applet, *window, "mnuCalibrateStaticPressure"),
                  {"SetPtrbStaticPressureCalPointLo", "SetPtrbStaticPressureCalPointHi"});
        calibrate(OpenPage<frmCalibrateTemperature>(applet, *window, "mnuCalibrateTemperature"),
                  {"SetTemperatureCalPointLo", "SetTemperatureCalPointHi"});

        auto* flow = OpenFlowSimulation(applet, *window);
        ASSERT_NE(flow, nullptr);
        ExpectRefusalTold(code, "SetMvSimulation", 3902, [&] {
            flow->chkSimulate(0)->setChecked(true);
            flow->cmdSetSimulation()->click();
        });
        EXPECT_FALSE(flow->chkSimulate(0)->isChecked());
        flow->parentWidget()->close();

        // The totaliser, integrating, is not stopped; nor deleted.
        auto* totaliser = OpenPage<frmFlowBuffer>(applet, *window, "mnuFlowBuffer");
        ASSERT_NE(totaliser, nullptr);
        if (!device().device().totaliser.running()) {
            ASSERT_TRUE(piotest::RunUntil([&] { return totaliser->cmdAction(frmFlowBuffer::Start)->isEnabled(); }));
            totaliser->cmdAction(frmFlowBuffer::Start)->click();
            ASSERT_TRUE(piotest::RunUntil([&] { return device().device().totaliser.running() && window->isEnabled(); }));
        }
        ASSERT_TRUE(piotest::RunUntil([&] { return totaliser->cmdAction(frmFlowBuffer::Stop)->isEnabled(); }));
        ExpectRefusalTold(code, "SetPidModeBlk", 3997, [&] { totaliser->cmdAction(frmFlowBuffer::Stop)->click(); });
        EXPECT_TRUE(device().device().totaliser.running());
        EXPECT_EQ(applet.Number(QStringLiteral("pidModeBlkNormal")), frmFlowBuffer::Start);
        ExpectRefusalTold(code, "SetPidModeBlk", 3997, [&] { totaliser->cmdAction(frmFlowBuffer::DeleteAll)->click(); },
                          {DialogResult::Ok});
        totaliser->parentWidget()->close();

        // The operation mode is not switched on, and the connection stays.
        ExpectRefusalTold(code, "SetPidFfScale", 3991, [&] { applet.Trigger(*window, "mnuDeviceModbusOn"); },
                          {DialogResult::Ok});
        EXPECT_EQ(applet.Number(loopbacktest::kConnectItem), 2);
        const QString message = device().device().message;
        ExpectRefusalTold(code, "InitiateFactoryReset", 3812, [&] { applet.Trigger(*window, "mnuDeviceFactoryReset"); },
                          {DialogResult::Ok});
        EXPECT_EQ(device().device().message, message);
        EXPECT_EQ(window->PendingFunction(), frmMain::Pending::None);
        ExpectRefusalTold(code, "SetDisableBurnDelay", 3824, [&] { applet.Trigger(*window, "mnuDeviceBurnData"); });
        EXPECT_EQ(window->PendingFunction(), frmMain::Pending::None);
    }
}

TEST_F(RefusedFunctions, TheOutputCurrentRefusedWith64OrWith7AndIgnoreSaysWhyAndStaysAsItWas)
{
    ASSERT_NO_FATAL_FAILURE(Start(false));
    for (const uint8_t code : {kNotImplemented, kWriteProtected}) {
        // The output current: its fixed level, and the trim at a level the device took.
        auto* current = OpenPage<frmCalibrateCurrent>(applet, *window, "mnuCalibrateCurrent");
        ASSERT_NE(current, nullptr);
        ASSERT_TRUE(piotest::RunUntil([&] { return current->optAbgleich(4)->isEnabled(); }));
        ExpectRefusalTold(code, "SetLevelCurr", 3862, [&] { current->optAbgleich(4)->click(); });
        EXPECT_FALSE(device().device().fixedCurrent.has_value());
        current->optAbgleich(4)->click();
        ASSERT_TRUE(piotest::RunUntil([&] { return window->isEnabled() && device().device().fixedCurrent == 4.0f; }));
        current->txtMeasPvCurrLevel(4)->ValueField()->setText(QStringLiteral("4"));
        ExpectRefusalTold(code, "SetMeasPvCurrLevelZero", 3862, [&] { current->cmdAbgleichen()->click(); });
        current->optAbgleich(0)->click();
        ASSERT_TRUE(piotest::RunUntil([&] { return window->isEnabled() && !device().device().fixedCurrent; }));
        current->parentWidget()->close();

        applet.dialogs.AnswerMessage(DialogResult::Yes); // the simulation influences the process
        auto* simulation = OpenPage<frmSimulateCurrent>(applet, *window, "mnuDiagnosticsSimulateCurrent");
        ASSERT_NE(simulation, nullptr);
        ASSERT_TRUE(piotest::RunUntil([&] { return simulation->chkSimulate()->isEnabled() && window->isEnabled(); }));
        ExpectRefusalTold(code, "SetLevelCurr", 3862, [&] { simulation->chkSimulate()->click(); });
        EXPECT_FALSE(device().device().fixedCurrent.has_value());
        simulation->parentWidget()->close();

    }
}

TEST_F(RefusedFunctions, AResetOfTheExtremeValuesLeavesTheDatasetAsItWas)
{
    ASSERT_NO_FATAL_FAILURE(Start(false));
    auto* maxValues = OpenPage<frmMaxValues>(applet, *window, "mnuDiagnosticsMaxValues");
    ASSERT_NE(maxValues, nullptr);
    ASSERT_TRUE(piotest::RunUntil([&] { return maxValues->Command1(0)->isEnabled(); }));
    const auto held = [&](const char* item) {
        return applet.manager->Item(applet.manager->HandleOf(QLatin1String(item)))->Value();
    };
    device().setAppliedValue(sim::Measured::DifferentialPressure, 10.0);
    // A change mark left by writes that gave the values back, and none.
    for (const double mark : {1.0, 0.0}) {
        SCOPED_TRACE(mark);
        applet.PutNumber(QStringLiteral("&&private&&Dirty"), mark);
        const QVariant minimum = held("ptrbMinSensorValue");
        const QVariant maximum = held("ptrbMaxSensorValue");
        applet.commands.clear();
        maxValues->Command1(0)->click();
        ASSERT_TRUE(piotest::RunUntil([&] {
            return applet.commands.contains(164) && window->isEnabled() && applet.SequenceState("ResetMaxValues0") == 0;
        }));
        piotest::Settle();
        EXPECT_EQ(window->PanelText(4), global::LoadLocalizedText(3878));
        // The device starts over from the pressure now; the dataset holds what it held.
        EXPECT_NEAR(device().device().extremes.extremes(0).lowest, 10.0, 1e-6);
        EXPECT_EQ(held("ptrbMinSensorValue"), minimum);
        EXPECT_EQ(held("ptrbMaxSensorValue"), maximum);
        EXPECT_EQ(applet.Number(QStringLiteral("&&private&&Dirty")), mark);
    }
    // Nothing changed, nothing asked.
    const size_t before = applet.dialogs.Requests().size();
    EXPECT_TRUE(window->close());
    EXPECT_EQ(applet.dialogs.Requests().size(), before);
}
