// The flow simulation page on the real toolkit and the simulated
// transmitter: simulating the differential pressure changes the flow and the
// loop current the device reports, simulating the flow outputs replaces the
// mass and volume flow it reports, closing the page ends the simulation in
// the device and closes the measured-values window opened with it, and a
// write that never started or that the device refused leaves neither check
// box nor item switched on and tells the user.
#include "DeviceFunctionSupport.h"
#include "merrow/pages/frmDisplayBar.h"
#include "merrow/pages/frmDisplayTrend.h"
#include "merrow/pages/frmMesswerte.h"
#include "dalvex/ctlDisplaySetting.h"
#include "platform/controls/PioBarGraph.h"
#include <QComboBox>
#include <QDir>
#include "merrow/pages/frmSimulateFlow.h"
#include "merrow/shell/PageTabs.h"
#include "pioitems/PioSequenceItem.h"
#include "platform/applet/AppletHost.h"
#include "platform/applet/clsAppletItemManager.h"
#include "sim/SimUnits.h"
#include <QCheckBox>
#include <QLabel>
#include <QPushButton>

using namespace merrowtest;

namespace {

constexpr int kDiffPressure = 1; // the channel on the page
constexpr int kStaticPressure = 2;
constexpr int kMassFlow = 3;
constexpr int kVolumeFlow = 4;
constexpr int kDiffPressureRow = 3; // the row of the measured-values window
constexpr int kMassFlowRow = 0;
constexpr int kVolumeFlowRow = 1;

double DeviceValue(DeviceApplet& applet, const char* name)
{
    return applet.device.transmitter().parameters().value(QLatin1String(name)).toDouble();
}

float LoopCurrent(DeviceApplet& applet)
{
    auto& transmitter = applet.device.transmitter();
    return transmitter.device().loopCurrent(transmitter.processValues());
}

// The measured values with a bar graph and a trend during the simulation,
// rendered into docs/screenshots when asked to; the bar shows the simulated
// differential pressure either way.
void Screenshot(DeviceApplet& applet, frmMain& window, double barValue)
{
    applet.Trigger(window, "mnuDisplayBar");
    applet.Trigger(window, "mnuDisplayTrend");
    piotest::Settle();
    auto* bar = FindPage<frmDisplayBar>(window);
    auto* trend = FindPage<frmDisplayTrend>(window);
    ASSERT_TRUE(bar && trend);
    for (int i = 0; i < bar->ctlDisplaySetting1()->EntryCount(); ++i)
        if (bar->ctlDisplaySetting1()->GetEntry(i).Value.startsWith(QStringLiteral("ptrbSecondaryValue1")))
            bar->cmbMeasValue()->setCurrentIndex(i);
    ASSERT_TRUE(piotest::RunUntil([&] {
        return bar->displayCtrl()->Value() && std::abs(*bar->displayCtrl()->Value() - barValue) < 1e-3 * barValue;
    }));
    window.resize(1180, 760);
    // The windows side by side: simulation and measured values left, bar and trend right.
    int left = 0;
    int top = 0;
    for (PioPage* page : window.ChildForms()) {
        QWidget* frame = page->parentWidget();
        if (top + frame->height() > 640) {
            left += 480;
            top = 0;
        }
        frame->move(left, top);
        top += frame->height();
    }
    piotest::Settle();
    const QImage picture = window.grab().toImage();
    EXPECT_FALSE(picture.isNull());
    const QString folder = qEnvironmentVariable("TRIVEX_SCREENSHOT_DIR");
    if (!folder.isEmpty()) {
        EXPECT_TRUE(picture.save(QDir(folder).filePath(QStringLiteral("flow-simulation-displays-en.png"))));
    }
    bar->parentWidget()->close();
    trend->parentWidget()->close();
    piotest::Settle();
}

} // namespace

TEST(FlowSimulationDrivesTheDevice, SimulatedDifferentialPressureMovesFlowAndCurrentAndClosingEndsIt)
{
    DeviceApplet applet;
    PIO_REQUIRE_APPLET(applet);
    frmMain* window = applet.StartConnected();
    ASSERT_NE(window, nullptr);
    applet.device.transmitter().process().setOverride(sim::Variable::DifferentialPressure, 10.0);
    frmSimulateFlow* page = OpenFlowSimulation(applet, *window);
    ASSERT_NE(page, nullptr);
    auto* values = FindPage<frmMesswerte>(*window);
    ASSERT_NE(values, nullptr); // opened beside the simulation
    ASSERT_TRUE(piotest::RunUntil([&] { return values->lblMeasValue(1)->text().toDouble() > 0; }));
    const double measuredFlow = values->lblMeasValue(1)->text().toDouble();
    const float measuredCurrent = LoopCurrent(applet);

    // 20 kPa in the multivariable block's unit of the input.
    const auto unit = static_cast<uint8_t>(DeviceValue(applet, "mvInDPUnit"));
    const double simulated = sim::fromBase(20.0, unit);
    int32_t failed = 0;
    applet.manager->fncPutFloatValue(applet.manager->HandleOf(QStringLiteral("mvInDPSimulateValue")),
                                     static_cast<float>(simulated), failed);
    ASSERT_EQ(failed, 0);
    page->chkSimulate(kDiffPressure)->setChecked(true);
    page->cmdSetSimulation()->click();
    ASSERT_TRUE(piotest::RunUntil([&] { return DeviceValue(applet, "mvInDPSimulateEnabled") == 1 && window->isEnabled(); }));
    EXPECT_NEAR(DeviceValue(applet, "mvInDPSimulateValue"), simulated, 1e-3 * simulated);
    EXPECT_GT(LoopCurrent(applet), measuredCurrent);
    ASSERT_TRUE(piotest::RunUntil([&] {
        return values->RowLabel(kDiffPressureRow)->text().endsWith(global::LoadLocalizedText(2582))
            && values->lblMeasValue(1)->text().toDouble() > 1.3 * measuredFlow;
    })) << values->lblMeasValue(1)->text().toStdString();
    EXPECT_TRUE(page->chkSimulate(kDiffPressure)->isChecked());
    // The simulated value comes with the unit it was entered in.
    EXPECT_TRUE(piotest::RunUntil([&] { return values->lblUnit(kDiffPressureRow)->text() == page->lblUnit(kDiffPressure)->text(); }));
    // The bar shows the differential pressure in the unit of the range.
    Screenshot(applet, *window, sim::fromBase(20.0, static_cast<uint8_t>(applet.Number(QStringLiteral("ptrbScaleInUnit")))));

    // Closing asks under the page's close title, ends the simulation in the
    // device, then closes both windows.
    applet.dialogs.AnswerMessage(dialogs::DialogResult::Yes);
    page->parentWidget()->close();
    ASSERT_TRUE(piotest::RunUntil([&] { return window->ChildForms().isEmpty(); }));
    EXPECT_EQ(applet.dialogs.Requests().back().text, "Terminate Simulation?");
    EXPECT_EQ(applet.dialogs.Requests().back().title, "Simulate Flow Measurement Close");
    EXPECT_EQ(DeviceValue(applet, "mvInDPSimulateEnabled"), 0);
    EXPECT_NEAR(LoopCurrent(applet), measuredCurrent, 1e-3);
    EXPECT_TRUE(window->isEnabled());
}

TEST(FlowSimulationDrivesTheDevice, SimulatedOutputValuesReplaceTheComputedFlowsUntilTheyAreSwitchedOff)
{
    DeviceApplet applet;
    PIO_REQUIRE_APPLET(applet);
    frmMain* window = applet.StartConnected();
    ASSERT_NE(window, nullptr);
    // 40 m3/h at the operating density of 1000 kg/m3 (the square-root law of a
    // block without a usable coefficient set); the flow is the PV over 0 to 100 m3/h.
    auto& transmitter = applet.device.transmitter();
    transmitter.parameters().set(QStringLiteral("mvKqm"), 0.0f);
    transmitter.process().setOverride(sim::Variable::DifferentialPressure, 16.0);
    transmitter.device().dynamicVariables[0] = sim::Variable::Flow;
    transmitter.device().pvUpperRange = 100.0;
    transmitter.device().transferFunction = 0; // a flow PV is output linearly
    frmSimulateFlow* page = OpenFlowSimulation(applet, *window);
    ASSERT_NE(page, nullptr);
    auto* values = FindPage<frmMesswerte>(*window);
    ASSERT_NE(values, nullptr);
    const auto massUnit = static_cast<uint8_t>(DeviceValue(applet, "mvOutMassFlowUnit"));
    const auto volumeUnit = static_cast<uint8_t>(DeviceValue(applet, "mvOutVolFlowUnit"));
    const double mass = sim::fromBase(40.0 * 1000.0, massUnit);
    const double volume = sim::fromBase(40.0, volumeUnit);
    auto shows = [&](int row, double value) {
        return std::abs(values->lblMeasValue(row)->text().toDouble() - value) <= 1e-3 * value;
    };
    ASSERT_TRUE(piotest::RunUntil([&] { return shows(kMassFlowRow, mass) && shows(kVolumeFlowRow, volume); }))
        << values->lblMeasValue(kMassFlowRow)->text().toStdString();
    EXPECT_NEAR(LoopCurrent(applet), 4.0f + 16.0f * 0.4f, 1e-4);

    // On the output tab: a quarter of the volume flow and twice the mass flow.
    page->Tabs()->SelectKey(QStringLiteral("1t"));
    int32_t failed = 0;
    applet.manager->fncPutFloatValue(applet.manager->HandleOf(QStringLiteral("mvOutVolFlowSimulateValue")),
                                     static_cast<float>(volume / 4), failed);
    applet.manager->fncPutFloatValue(applet.manager->HandleOf(QStringLiteral("mvOutMassFlowSimulateValue")),
                                     static_cast<float>(mass * 2), failed);
    ASSERT_EQ(failed, 0);
    page->chkSimulate(kMassFlow)->setChecked(true);
    page->chkSimulate(kVolumeFlow)->setChecked(true);
    page->cmdSetSimulation()->click();
    ASSERT_TRUE(piotest::RunUntil([&] {
        return DeviceValue(applet, "mvOutMassFlowSimulateEnabled") == 1
            && DeviceValue(applet, "mvOutVolFlowSimulateEnabled") == 1 && window->isEnabled();
    }));
    ASSERT_TRUE(piotest::RunUntil([&] { return shows(kMassFlowRow, mass * 2) && shows(kVolumeFlowRow, volume / 4); }))
        << values->lblMeasValue(kMassFlowRow)->text().toStdString() << " "
        << values->lblMeasValue(kVolumeFlowRow)->text().toStdString();
    EXPECT_NEAR(LoopCurrent(applet), 4.0f + 16.0f * 0.1f, 1e-4);

    // Closing ends the simulation: the computed flows again.
    applet.dialogs.AnswerMessage(dialogs::DialogResult::Yes);
    page->parentWidget()->close();
    ASSERT_TRUE(piotest::RunUntil([&] { return window->ChildForms().isEmpty(); }));
    EXPECT_EQ(DeviceValue(applet, "mvOutMassFlowSimulateEnabled"), 0);
    EXPECT_EQ(DeviceValue(applet, "mvOutVolFlowSimulateEnabled"), 0);
    EXPECT_NEAR(LoopCurrent(applet), 4.0f + 16.0f * 0.4f, 1e-4);
}

TEST(FlowSimulationDrivesTheDevice, WriteThatNeverStartedRestoresCheckBoxAndItem)
{
    DeviceApplet applet;
    PIO_REQUIRE_APPLET(applet);
    frmMain* window = applet.StartConnected();
    ASSERT_NE(window, nullptr);
    frmSimulateFlow* page = OpenFlowSimulation(applet, *window);
    ASSERT_NE(page, nullptr);
    int32_t result = 0;
    applet.host->Disconnect(0, result);
    ASSERT_TRUE(piotest::RunUntil([&] { return applet.Number(QStringLiteral("&&private&&Connect")) == 0; }));

    applet.dialogs.AnswerMessage(dialogs::DialogResult::Ok);
    page->chkSimulate(kDiffPressure)->setChecked(true);
    page->cmdSetSimulation_Click();
    ASSERT_TRUE(piotest::RunUntil([&] { return !page->chkSimulate(kDiffPressure)->isChecked(); }));
    // A later download must not switch the simulation on.
    EXPECT_EQ(applet.Number(QStringLiteral("mvInDPSimulateEnabled")), 0);
    EXPECT_TRUE(window->isEnabled());
    EXPECT_EQ(LastMessage(applet.dialogs), global::LoadLocalizedText(3902)); // and the user is told
    // Disconnected, the page closes without asking.
    const auto asked = applet.dialogs.Requests().size();
    page->parentWidget()->close();
    piotest::Settle();
    EXPECT_EQ(applet.dialogs.Requests().size(), asked);
    EXPECT_EQ(FindPage<frmSimulateFlow>(*window), nullptr);
}

TEST(FlowSimulationDrivesTheDevice, ClosingTheMainWindowWhileSimulatingEndsTheSimulationFirst)
{
    DeviceApplet applet;
    PIO_REQUIRE_APPLET(applet);
    frmMain* window = applet.StartConnected();
    ASSERT_NE(window, nullptr);
    frmSimulateFlow* page = OpenFlowSimulation(applet, *window);
    ASSERT_NE(page, nullptr);
    page->chkSimulate(kDiffPressure)->setChecked(true);
    page->cmdSetSimulation()->click();
    ASSERT_TRUE(piotest::RunUntil([&] { return DeviceValue(applet, "mvInDPSimulateEnabled") == 1 && window->isEnabled(); }));
    EXPECT_TRUE(piotest::RunUntil([&] { return window->PanelText(4) == global::LoadLocalizedText(3901); }));

    // The device refuses the write: what it does not simulate is not switched
    // on, on the page or in the dataset, what it simulates stays, and the user is told.
    auto* write = page->findChild<pioitems::PioSequenceItem*>(QStringLiteral("seqSetMvSimulation"));
    ASSERT_NE(write, nullptr);
    const auto refuse = QObject::connect(write, &pioitems::PioSequenceItem::StatusChanged, [&](int32_t status) {
        if (status == 1)
            applet.device.transmitter().injectResponseCode(16, 1, 181); // access restricted, "Write_MvSimulation"
    });
    applet.dialogs.AnswerMessage(dialogs::DialogResult::Ok);
    const auto asked = applet.dialogs.Requests().size();
    page->chkSimulate(kStaticPressure)->setChecked(true);
    page->cmdSetSimulation()->click();
    ASSERT_TRUE(piotest::RunUntil([&] { return applet.dialogs.Requests().size() > asked && window->isEnabled(); }));
    QObject::disconnect(refuse);
    EXPECT_EQ(LastMessage(applet.dialogs), global::LoadLocalizedText(3902));
    EXPECT_FALSE(page->chkSimulate(kStaticPressure)->isChecked());
    EXPECT_TRUE(page->chkSimulate(kDiffPressure)->isChecked());
    EXPECT_EQ(applet.Number(QStringLiteral("MvInPSimulateEnabled")), 0);
    EXPECT_EQ(applet.Number(QStringLiteral("MvInDPSimulateEnabled")), 1);
    EXPECT_EQ(DeviceValue(applet, "mvInPSimulateEnabled"), 0);
    EXPECT_EQ(DeviceValue(applet, "mvInDPSimulateEnabled"), 1);

    // Cancel keeps everything open and simulating.
    applet.dialogs.AnswerMessage(dialogs::DialogResult::Cancel);
    EXPECT_FALSE(window->close());
    piotest::Settle();
    EXPECT_NE(FindPage<frmSimulateFlow>(*window), nullptr);
    EXPECT_EQ(DeviceValue(applet, "mvInDPSimulateEnabled"), 1);

    // Yes: the main window waits while the page switches the device back.
    applet.dialogs.AnswerMessage(dialogs::DialogResult::Yes);
    EXPECT_FALSE(window->close());
    ASSERT_TRUE(piotest::RunUntil([&] { return FindPage<frmSimulateFlow>(*window) == nullptr && window->isEnabled(); }));
    EXPECT_EQ(DeviceValue(applet, "mvInDPSimulateEnabled"), 0);
    EXPECT_EQ(window->PanelText(4), "Simulation ended in the device.");
    EXPECT_TRUE(applet.dialogs.Errors().isEmpty()) << applet.dialogs.Errors().join(", ").toStdString();
}

TEST(FlowSimulationDrivesTheDevice, SetLeavesAStateTheDeviceReportsAboveOneAsItIs)
{
    DeviceApplet applet;
    PIO_REQUIRE_APPLET(applet);
    frmMain* window = applet.StartConnected();
    ASSERT_NE(window, nullptr);
    frmSimulateFlow* page = OpenFlowSimulation(applet, *window);
    ASSERT_NE(page, nullptr);
    // The device reports a simulation state of 2 for the volume flow: a grey box.
    const auto report = [&](double state) {
        applet::AppletItem* item = applet.manager->Item(applet.manager->HandleOf(QStringLiteral("mvOutVolFlowSimulateEnabled")));
        QVariant stored;
        return item && applet::ItemValue::FromNumber(item->Type(), item->Size(), state, stored)
            && applet.manager->WriteShadow(item->Handle(), stored);
    };
    ASSERT_TRUE(report(2));
    ASSERT_EQ(page->chkSimulate(kVolumeFlow)->checkState(), Qt::PartiallyChecked);

    // Simulating an input beside it neither warns of an output simulated too nor switches the volume flow on.
    const auto asked = applet.dialogs.Requests().size();
    page->chkSimulate(kDiffPressure)->setChecked(true);
    page->cmdSetSimulation()->click();
    ASSERT_TRUE(piotest::RunUntil([&] { return DeviceValue(applet, "mvInDPSimulateEnabled") == 1 && window->isEnabled(); }));
    EXPECT_EQ(applet.dialogs.Requests().size(), asked);
    EXPECT_EQ(DeviceValue(applet, "mvOutVolFlowSimulateEnabled"), 0);
    EXPECT_NE(applet.Number(QStringLiteral("mvOutVolFlowSimulateEnabled")), 1);
    // A click on a grey box makes it the user's choice again: on or off, never grey.
    page->Tabs()->SelectKey(QStringLiteral("1t"));
    ASSERT_TRUE(report(2));
    ASSERT_EQ(page->chkSimulate(kVolumeFlow)->checkState(), Qt::PartiallyChecked);
    page->chkSimulate(kVolumeFlow)->click();
    EXPECT_EQ(page->chkSimulate(kVolumeFlow)->checkState(), Qt::Checked);
    page->chkSimulate(kVolumeFlow)->click();
    EXPECT_EQ(page->chkSimulate(kVolumeFlow)->checkState(), Qt::Unchecked);
}
