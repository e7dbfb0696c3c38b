// The measured-values window on the real toolkit and the simulated
// transmitter: its rows follow the process, take their decimals from their
// ranges, and show a simulated input in place of the measured one.
#include "DeviceFunctionSupport.h"
#include "merrow/pages/frmMesswerte.h"
#include "pioitems/PioAppItem.h"
#include "sim/ProcessModel.h"
#include <QElapsedTimer>
#include <QLabel>

using namespace merrowtest;

namespace {

constexpr int kTemperature = 2;
constexpr int kDiffPressure = 3;
constexpr int kVolumeFlow = 1;

frmMesswerte* OpenMeasuredValues(DeviceApplet& applet, frmMain& window)
{
    applet.Trigger(window, "mnuDisplayMeasuredValues");
    piotest::Settle();
    for (PioPage* page : window.ChildForms())
        if (auto* wanted = qobject_cast<frmMesswerte*>(page))
            return wanted;
    return nullptr;
}

double Shown(const frmMesswerte& page, int row)
{
    bool ok = false;
    const double value = page.lblMeasValue(row)->text().toDouble(&ok);
    return ok ? value : -1e30;
}

int DecimalsShown(const frmMesswerte& page, int row)
{
    const QString text = page.lblMeasValue(row)->text();
    const auto point = text.indexOf(QLatin1Char('.'));
    return point < 0 ? 0 : static_cast<int>(text.size() - point - 1);
}

} // namespace

TEST(MeasuredValuesFollowTheProcess, DecimalsComeFromTheRangeAndATinyRangeKeepsToTheDisplaysDigits)
{
    EXPECT_EQ(frmMesswerte::DecimalsForSpan(100), 2);
    EXPECT_EQ(frmMesswerte::DecimalsForSpan(10), 3);
    EXPECT_EQ(frmMesswerte::DecimalsForSpan(1), 4);
    EXPECT_EQ(frmMesswerte::DecimalsForSpan(1000), 1);
    EXPECT_EQ(frmMesswerte::DecimalsForSpan(5000), 1);
    EXPECT_EQ(frmMesswerte::DecimalsForSpan(-100), 3);
    EXPECT_EQ(frmMesswerte::DecimalsForSpan(0), 1);
    // 1000 / 1e-9 lies far beyond a whole number of 32 bits.
    EXPECT_EQ(frmMesswerte::DecimalsForSpan(1e-9f), frmMesswerte::kMaxDigits);
    EXPECT_EQ(frmMesswerte::DecimalsForSpan(-1e-30f), frmMesswerte::kMaxDigits);
}

TEST(MeasuredValuesFollowTheProcess, RowsFollowTheProcessAndASimulatedInputReplacesTheMeasuredOne)
{
    DeviceApplet applet;
    PIO_REQUIRE_APPLET(applet);
    frmMain* window = applet.StartConnected();
    ASSERT_NE(window, nullptr);
    frmMesswerte* page = OpenMeasuredValues(applet, *window);
    ASSERT_NE(page, nullptr);
    EXPECT_EQ(page->RowLabel(kDiffPressure)->text(), global::LoadLocalizedText(2167));
    sim::ProcessModel& process = applet.device.transmitter().process();

    process.setOverride(sim::Variable::DifferentialPressure, 10.0);
    double low = 0;
    ASSERT_TRUE(piotest::RunUntil([&] {
        low = Shown(*page, kDiffPressure);
        return page->lblMeasValue(kDiffPressure)->isEnabled() && low > 0 && !page->lblUnit(kDiffPressure)->text().isEmpty();
    }));
    const double lowFlow = Shown(*page, kVolumeFlow);
    // The pressure range 0 to 250 shows one decimal.
    EXPECT_EQ(DecimalsShown(*page, kDiffPressure), 1);

    process.setOverride(sim::Variable::DifferentialPressure, 20.0);
    ASSERT_TRUE(piotest::RunUntil([&] { return std::abs(Shown(*page, kDiffPressure) - 2 * low) < 0.02 * low; }))
        << page->lblMeasValue(kDiffPressure)->text().toStdString() << " after " << low;
    ASSERT_TRUE(piotest::RunUntil([&] { return Shown(*page, kVolumeFlow) > lowFlow; }));

    // The device simulates the differential pressure: the row shows the simulated value, and says so once.
    auto& parameters = applet.device.transmitter().parameters();
    ASSERT_EQ(parameters.set(QStringLiteral("mvInDPSimulateValue"), 42.5), 0);
    ASSERT_EQ(parameters.set(QStringLiteral("mvInDPSimulateEnabled"), 1), 0);
    const QString simulated = global::LoadLocalizedText(2167) + QLatin1Char(' ') + global::LoadLocalizedText(2582);
    ASSERT_TRUE(piotest::RunUntil([&] { return page->RowLabel(kDiffPressure)->text() == simulated; }));
    EXPECT_EQ(page->appMeasValue(kDiffPressure)->AppItemName(), "mvInDPSimulateValue");
    ASSERT_TRUE(piotest::RunUntil([&] { return Shown(*page, kDiffPressure) == 42.5; }))
        << page->lblMeasValue(kDiffPressure)->text().toStdString();
    QElapsedTimer later; // further reads of the same state add nothing
    later.start();
    piotest::RunUntil([&] { return later.elapsed() > 1500; });
    EXPECT_EQ(page->RowLabel(kDiffPressure)->text(), simulated);

    ASSERT_EQ(parameters.set(QStringLiteral("mvInDPSimulateEnabled"), 0), 0);
    ASSERT_TRUE(piotest::RunUntil([&] { return page->RowLabel(kDiffPressure)->text() == global::LoadLocalizedText(2167); }));
    EXPECT_TRUE(page->appMeasValue(kDiffPressure)->AppItemName().startsWith("ptrbSecondaryValue1"));
    ASSERT_TRUE(piotest::RunUntil([&] { return std::abs(Shown(*page, kDiffPressure) - 2 * low) < 0.02 * low; }));

    // A simulated volume flow is marked as well.
    ASSERT_EQ(parameters.set(QStringLiteral("mvOutVolFlowSimulateValue"), 12.5), 0);
    ASSERT_EQ(parameters.set(QStringLiteral("mvOutVolFlowSimulateEnabled"), 1), 0);
    const QString simulatedFlow = global::LoadLocalizedText(2165) + QLatin1Char(' ') + global::LoadLocalizedText(2582);
    ASSERT_TRUE(piotest::RunUntil([&] { return page->RowLabel(kVolumeFlow)->text() == simulatedFlow; }))
        << page->RowLabel(kVolumeFlow)->text().toStdString();
    ASSERT_TRUE(piotest::RunUntil([&] { return Shown(*page, kVolumeFlow) == 12.5; }))
        << page->lblMeasValue(kVolumeFlow)->text().toStdString();
    ASSERT_EQ(parameters.set(QStringLiteral("mvOutVolFlowSimulateEnabled"), 0), 0);
    ASSERT_TRUE(piotest::RunUntil([&] { return page->RowLabel(kVolumeFlow)->text() == global::LoadLocalizedText(2165); }));

    // Leaving the automatic mode closes the window.
    applet.PutNumber(QStringLiteral("mvModeBlkActual"), 4);
    ASSERT_TRUE(piotest::RunUntil([&] { return window->ChildForms().isEmpty(); }));
}

TEST(MeasuredValuesFollowTheProcess, OpenedWhileADefaultOrASimulatedInputIsInUseTheRowShowsIt)
{
    DeviceApplet applet;
    PIO_REQUIRE_APPLET(applet);
    frmMain* window = applet.StartConnected();
    ASSERT_NE(window, nullptr);
    auto& parameters = applet.device.transmitter().parameters();
    // The flow calculation uses the default temperature, and the device simulates the differential pressure.
    ASSERT_EQ(parameters.set(QStringLiteral("mvDefaultInpSel"), 4), 0);
    ASSERT_EQ(parameters.set(QStringLiteral("mvInTDefault"), 37.5), 0);
    ASSERT_EQ(parameters.set(QStringLiteral("mvInDPSimulateValue"), 42.5), 0);
    ASSERT_EQ(parameters.set(QStringLiteral("mvInDPSimulateEnabled"), 1), 0);
    ASSERT_TRUE(ReadIntoDataset(applet, "uploadMv"));
    ASSERT_TRUE(ReadIntoDataset(applet, "GetMvSimulation"));
    ASSERT_EQ(applet.Number(QStringLiteral("mvDefaultInpSel")), 4);
    ASSERT_EQ(applet.Number(QStringLiteral("MvInDPSimulateEnabled")), 1);

    frmMesswerte* page = OpenMeasuredValues(applet, *window);
    ASSERT_NE(page, nullptr);
    EXPECT_EQ(page->appMeasValue(kTemperature)->AppItemName(), "mvInTDefault");
    ASSERT_TRUE(piotest::RunUntil([&] { return Shown(*page, kTemperature) == 37.5; }))
        << page->lblMeasValue(kTemperature)->text().toStdString();
    const QString simulated = global::LoadLocalizedText(2167) + QLatin1Char(' ') + global::LoadLocalizedText(2582);
    EXPECT_EQ(page->RowLabel(kDiffPressure)->text(), simulated);
    ASSERT_TRUE(piotest::RunUntil([&] { return Shown(*page, kDiffPressure) == 42.5; }))
        << page->lblMeasValue(kDiffPressure)->text().toStdString();
}
