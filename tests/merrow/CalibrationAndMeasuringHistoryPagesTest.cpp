// The sensor calibration pages and the measuring-history pages on the real
// toolkit and the simulated transmitter: a two-point pressure calibration
// the device applies to its readings and keeps across a restart, a point it
// refuses or that is no number, the lowest and highest values and the limit
// violations after the process moved, the reset of one group, and the
// arrangement for an absolute pressure module without the multivariable
// function.
#include "PagesOnSimulatorSupport.h"
#include "merrow/pages/frmCalibratePressure.h"
#include "merrow/pages/frmCalibrateStaticPressure.h"
#include "merrow/pages/frmCalibrateTemperature.h"
#include "merrow/pages/frmEventCounter.h"
#include "merrow/pages/frmMaxValues.h"
#include "mvtrivexhelper/IDeviceInfo.h"
#include "pioitems/PioAppItem.h"
#include "platform/controls/PioLabelTextUnit.h"
#include "platform/controls/PioText.h"
#include "sim/SimOptions.h"
#include "sim/SimUnits.h"
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QLocale>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>

using namespace merrowtest;

namespace {

double Shown(const controls::PioText& field)
{
    return QLocale().toDouble(field.ShownText().trimmed());
}

// Presses the button and waits until the device ran the sequence and the window is the user's again.
bool RunToTheEnd(DeviceApplet& applet, frmMain& window, QPushButton& button, const char* sequence)
{
    applet.commands.clear();
    button.click();
    if (window.isEnabled())
        return false;
    return piotest::RunUntil(
        [&] { return window.isEnabled() && !applet.commands.isEmpty() && applet.SequenceState(sequence) == 0; });
}

} // namespace

TEST(CalibrationAndMeasuringHistoryPages, TwoPressurePointsMoveTheReadingsOntoTheReferencesAndARefusedPointChangesNothing)
{
    constexpr int kCalibratePointLoCommand = 167; // "Write_PtrbCalPointLo"
    constexpr int kCalibratePointHiCommand = 168; // "Write_PtrbCalPointHi"
    DeviceApplet applet;
    PIO_REQUIRE_APPLET(applet);
    sim::SimTransmitter& device = applet.device.transmitter();
    QTemporaryDir dir;
    sim::VariantOptions options;
    options.memory = dir.filePath(QStringLiteral("memory.json"));
    QString error;
    ASSERT_TRUE(sim::applyVariant(device, options, error)) << error.toStdString();
    frmMain* window = applet.StartConnected();
    ASSERT_NE(window, nullptr);
    ASSERT_TRUE(ReadIntoDataset(applet, "upload"));
    auto* page = OpenPage<frmCalibratePressure>(applet, *window, "mnuCalibratePressure");
    ASSERT_NE(page, nullptr);
    // Open: the device's points are read, the units shown without a later change.
    ASSERT_TRUE(piotest::RunUntil([&] {
        return !page->Covered() && window->isEnabled() && page->cmdAbgleichpunkt(0)->isEnabled() &&
               !page->lblUnit(0)->text().isEmpty();
    }));
    EXPECT_EQ(page->windowTitle(), global::LoadLocalizedText(2119)); // a differential pressure module
    EXPECT_EQ(page->lblUnit(0)->text(), page->lblUnit(1)->text());
    // The references are typed in the unit the page shows.
    const auto unit = static_cast<uint8_t>(
        page->findChild<pioitems::PioAppItem*>(QStringLiteral("appPtrbScaleInUnit"))->UIntValue());
    const auto typed = [unit](double kPa) { return QString::number(sim::fromBase(kPa, unit), 'g', 9); };
    ASSERT_TRUE(page->cmdAbgleichpunkt(0)->isEnabled());

    // Only numbers are typed.
    QTest::keyClicks(page->txtAbgleichpunkt(2), QStringLiteral("12a"));
    EXPECT_EQ(page->txtAbgleichpunkt(2)->text(), QStringLiteral("12"));

    const double upperBefore = applet.Number(QStringLiteral("ptrbCalPointHi"));
    device.setAppliedValue(sim::Measured::DifferentialPressure, 5.0);
    page->txtAbgleichpunkt(0)->setText(typed(5.2));
    page->txtAbgleichpunkt(1)->setText(typed(7.7));
    ASSERT_TRUE(RunToTheEnd(applet, *window, *page->cmdAbgleichpunkt(0), "SetPtrbCalPointLo"));
    EXPECT_TRUE(LastMessage(applet.dialogs).isEmpty()) << LastMessage(applet.dialogs).toStdString();
    // The other row's text is not the device's point: its item stays.
    EXPECT_EQ(applet.Number(QStringLiteral("ptrbCalPointHi")), upperBefore);
    EXPECT_NEAR(device.processValues().dp(), 5.2, 1e-3);

    device.setAppliedValue(sim::Measured::DifferentialPressure, 20.0);
    page->txtAbgleichpunkt(1)->setText(typed(19.6));
    ASSERT_TRUE(RunToTheEnd(applet, *window, *page->cmdAbgleichpunkt(1), "SetPtrbCalPointHi"));
    EXPECT_TRUE(LastMessage(applet.dialogs).isEmpty()) << LastMessage(applet.dialogs).toStdString();
    EXPECT_NEAR(device.processValues().dp(), 19.6, 1e-3);
    device.setAppliedValue(sim::Measured::DifferentialPressure, 5.0);
    EXPECT_NEAR(device.processValues().dp(), 5.2, 1e-3);
    // The page shows the corrected reading live.
    EXPECT_TRUE(piotest::RunUntil([&] {
        return std::abs(QLocale().toDouble(page->Display(0)->ShownText().trimmed()) - sim::fromBase(5.2, unit)) <
               sim::fromBase(1e-3, unit);
    })) << page->Display(0)->ShownText().toStdString();
    // The sensor's own temperature, as the device measures it.
    EXPECT_TRUE(piotest::RunUntil([&] {
        return QLocale().toDouble(page->Display(1)->ShownText().trimmed()) == sim::SimTransmitter::kSensorTemperature;
    })) << page->Display(1)->ShownText().toStdString();
    Screenshot(*window, *page, QStringLiteral("calibrate-pressure-en"));

    // Beyond the sensor limit: refused with the allowed range before anything
    // reaches the device, the trim as it was.
    device.setAppliedValue(sim::Measured::DifferentialPressure, 20.0);
    page->txtAbgleichpunkt(1)->setText(typed(30.0));
    applet.dialogs.AnswerMessage(dialogs::DialogResult::Ok);
    applet.commands.clear();
    page->cmdAbgleichpunkt(1)->click();
    piotest::Settle();
    EXPECT_TRUE(LastMessage(applet.dialogs).contains(QStringLiteral("Allowed: "))) << LastMessage(applet.dialogs).toStdString();
    // The open page keeps reading its live values; the calibration command is not sent.
    EXPECT_FALSE(applet.commands.contains(kCalibratePointHiCommand)) << applet.commands.size();
    EXPECT_NEAR(device.processValues().dp(), 19.6, 1e-3);

    // No number: a message, nothing asked of the device.
    page->txtAbgleichpunkt(0)->setText(QStringLiteral("-"));
    applet.commands.clear();
    page->cmdAbgleichpunkt(0)->click();
    EXPECT_EQ(LastMessage(applet.dialogs), global::FillPlaceholders(global::LoadLocalizedText(3870), {"-"}));
    EXPECT_TRUE(window->isEnabled());
    piotest::Settle();
    EXPECT_EQ(applet.SequenceState("SetPtrbCalPointLo"), 0);
    EXPECT_NEAR(device.processValues().dp(), 19.6, 1e-3);

    // A grouped number keeps every key typed and is refused, never taken as 1.0005.
    page->txtAbgleichpunkt(0)->clear();
    QTest::keyClicks(page->txtAbgleichpunkt(0), QStringLiteral("1.000,5"));
    EXPECT_EQ(page->txtAbgleichpunkt(0)->text(), QStringLiteral("1.000,5"));
    page->cmdAbgleichpunkt(0)->click();
    EXPECT_EQ(LastMessage(applet.dialogs), global::FillPlaceholders(global::LoadLocalizedText(3870), {"1.000,5"}));
    applet.commands.clear();
    piotest::Settle();
    EXPECT_FALSE(applet.commands.contains(kCalibratePointLoCommand)) << applet.commands.size();
    EXPECT_NEAR(device.processValues().dp(), 19.6, 1e-3);

    // The device keeps its trim in its memory.
    sim::SimTransmitter restarted;
    restarted.freezeProcessTime(0);
    ASSERT_TRUE(sim::applyVariant(restarted, options, error)) << error.toStdString();
    restarted.setAppliedValue(sim::Measured::DifferentialPressure, 20.0);
    EXPECT_NEAR(restarted.processValues().dp(), 19.6, 1e-3);
    restarted.setAppliedValue(sim::Measured::DifferentialPressure, 5.0);
    EXPECT_NEAR(restarted.processValues().dp(), 5.2, 1e-3);
}

TEST(CalibrationAndMeasuringHistoryPages, TheCalibrationUnitTakesThePagesUnitAtAdjustAndThePointArrivesInIt)
{
    DeviceApplet applet;
    PIO_REQUIRE_APPLET(applet);
    sim::SimTransmitter& device = applet.device.transmitter();
    frmMain* window = applet.StartConnected();
    ASSERT_NE(window, nullptr);
    ASSERT_TRUE(ReadIntoDataset(applet, "upload"));
    ASSERT_TRUE(ReadIntoDataset(applet, "uploadTtrb"));
    const double pressureCalUnit = applet.Number(QStringLiteral("ptrbCalUnit"));
    const double temperatureCalUnit = applet.Number(QStringLiteral("ttrbCalUnit"));

    // The static pressure page shows its points in bar; the pressure's calibration unit is another.
    auto* staticPage = OpenPage<frmCalibrateStaticPressure>(applet, *window, "mnuCalibrateStaticPressure");
    ASSERT_NE(staticPage, nullptr);
    ASSERT_TRUE(piotest::RunUntil([&] { return !staticPage->Covered() && staticPage->cmdAbgleichpunkt(0)->isEnabled(); }));
    ASSERT_EQ(staticPage->lblUnit(0)->text(), QStringLiteral("bar"));
    ASSERT_NE(pressureCalUnit, sim::UnitCode::Bar);
    device.setAppliedValue(sim::Measured::StaticPressure, 1000.0); // kPa
    staticPage->txtAbgleichpunkt(0)->setText(QStringLiteral("9"));
    // "Adjust" writes the page's unit into the calibration unit before the point goes.
    applet.commands.clear();
    staticPage->cmdAbgleichpunkt(0)->click();
    EXPECT_EQ(applet.Number(QStringLiteral("ptrbCalUnit")), sim::UnitCode::Bar);
    ASSERT_FALSE(window->isEnabled());
    ASSERT_TRUE(piotest::RunUntil([&] {
        return window->isEnabled() && !applet.commands.isEmpty() && applet.SequenceState("SetPtrbStaticPressureCalPointLo") == 0;
    }));
    EXPECT_TRUE(LastMessage(applet.dialogs).isEmpty()) << LastMessage(applet.dialogs).toStdString();
    // The point arrived as 9 bar: the applied 1000 kPa now reads 900 kPa.
    EXPECT_NEAR(device.processValues().value[sim::Variable::StaticPressure], 900.0, 1e-3);
    // The point's record does not carry the calibration unit: the device keeps
    // the pressure's, and once the point is taken the dataset has it again.
    EXPECT_EQ(device.parameters().value(QStringLiteral("ptrbCalUnit")).toDouble(), pressureCalUnit);
    EXPECT_EQ(applet.Number(QStringLiteral("ptrbCalUnit")), pressureCalUnit);
    staticPage->parentWidget()->close();
    piotest::Settle();

    // A unit change of the temperature shows at once and reaches the calibration unit only at "Adjust".
    auto* page = OpenPage<frmCalibrateTemperature>(applet, *window, "mnuCalibrateTemperature");
    ASSERT_NE(page, nullptr);
    ASSERT_TRUE(piotest::RunUntil([&] {
        return !page->Covered() && page->cmdAbgleichpunkt(0)->isEnabled() && page->lblUnit(0)->text() == QStringLiteral("°C");
    }))
        << page->lblUnit(0)->text().toStdString();
    ASSERT_EQ(device.parameters().set(QStringLiteral("ttrbPrimaryValueUnit_21"), QVariant(uint(sim::UnitCode::DegF))), 0);
    ASSERT_TRUE(piotest::RunUntil([&] { return page->lblUnit(0)->text() == QStringLiteral("°F"); }));
    EXPECT_EQ(page->lblUnit(1)->text(), page->lblUnit(0)->text());
    EXPECT_EQ(applet.Number(QStringLiteral("ttrbCalUnit")), temperatureCalUnit);
    device.setAppliedValue(sim::Measured::ProcessTemperature, 20.0);
    page->txtAbgleichpunkt(0)->setText(QStringLiteral("68.9"));
    ASSERT_TRUE(RunToTheEnd(applet, *window, *page->cmdAbgleichpunkt(0), "SetTemperatureCalPointLo"));
    EXPECT_TRUE(LastMessage(applet.dialogs).isEmpty()) << LastMessage(applet.dialogs).toStdString();
    EXPECT_EQ(applet.Number(QStringLiteral("ttrbCalUnit")), sim::UnitCode::DegF);
    EXPECT_NEAR(device.processValues().value[sim::Variable::Temperature], 20.5, 1e-3);
}

TEST(CalibrationAndMeasuringHistoryPages, ExtremesAndViolationsFollowTheProcessAndAResetStartsOnlyItsGroupOver)
{
    constexpr uint8_t kResetMaxValuesCommand = 164; // "Write_ResetMaxValues0"
    DeviceApplet applet;
    PIO_REQUIRE_APPLET(applet);
    sim::SimTransmitter& device = applet.device.transmitter();
    frmMain* window = applet.StartConnected();
    ASSERT_NE(window, nullptr);
    auto* maxValues = OpenPage<frmMaxValues>(applet, *window, "mnuDiagnosticsMaxValues");
    ASSERT_NE(maxValues, nullptr);
    ASSERT_TRUE(piotest::RunUntil([&] { return maxValues->Command1(0)->isEnabled(); }));
    EXPECT_TRUE(maxValues->lblUnit(0)->text().startsWith(QLatin1Char('[')));
    EXPECT_NE(maxValues->lblUnit(0)->text(), QStringLiteral("[]"));

    // The history starts over from the pressure now; then the process moves.
    // A reset of the device's extremes is no change of an unchanged dataset.
    const QString dirty = QStringLiteral("&&private&&Dirty");
    applet.PutNumber(dirty, 0);
    device.setAppliedValue(sim::Measured::DifferentialPressure, 10.0);
    ASSERT_TRUE(RunToTheEnd(applet, *window, *maxValues->Command1(0), "ResetMaxValues0"));
    EXPECT_TRUE(LastMessage(applet.dialogs).isEmpty()) << LastMessage(applet.dialogs).toStdString();
    EXPECT_EQ(applet.Number(dirty), 0);
    // The dataset holds what it held before, not the start markers.
    EXPECT_LT(applet.Number(QStringLiteral("ptrbMinSensorValue")), 1e37);
    EXPECT_GT(applet.Number(QStringLiteral("ptrbMaxSensorValue")), -1e37);
    for (const double applied : {3.0, 7.0}) {
        device.setAppliedValue(sim::Measured::DifferentialPressure, applied);
        applet.commands.clear();
        ASSERT_TRUE(piotest::RunUntil([&] { return applet.commands.size() > 2; }));
        EXPECT_NEAR(device.device().extremes.extremes(0).lowest, 3.0, 1e-6);
        EXPECT_NEAR(device.device().extremes.extremes(0).highest, 10.0, 1e-6);
    }
    ASSERT_TRUE(piotest::RunUntil([&] {
        const double low = Shown(*maxValues->Field(0, 0));
        const double high = Shown(*maxValues->Field(0, 1));
        return low > 0 && std::abs(high / low - 10.0 / 3.0) < 1e-3;
    }));
    Screenshot(*window, *maxValues, QStringLiteral("max-values-en"));

    // A reset the device does not carry out keeps the values as they were.
    const double minimumBefore = applet.Number(QStringLiteral("ptrbMinSensorValue"));
    auto* reset = maxValues->findChild<pioitems::PioSequenceItem*>(QStringLiteral("seqResetMaxValues(0)"));
    ASSERT_NE(reset, nullptr);
    const auto refuse = QObject::connect(reset, &pioitems::PioSequenceItem::StatusChanged, [&](int32_t status) {
        if (status == 1)
            device.injectResponseCode(16, 1, kResetMaxValuesCommand);
    });
    ASSERT_TRUE(RunToTheEnd(applet, *window, *maxValues->Command1(0), "ResetMaxValues0"));
    QObject::disconnect(refuse);
    EXPECT_EQ(LastMessage(applet.dialogs), global::LoadLocalizedText(3879));
    EXPECT_EQ(applet.Number(QStringLiteral("ptrbMinSensorValue")), minimumBefore);
    EXPECT_NEAR(device.device().extremes.extremes(0).lowest, 3.0, 1e-6);
    EXPECT_EQ(applet.Number(dirty), 0);

    // Above the sensor limit and the range: one excursion each, counted once.
    device.setAppliedValue(sim::Measured::DifferentialPressure, 30.0);
    ASSERT_TRUE(piotest::RunUntil([&] { return device.device().extremes.violations(1).above == 1; }));
    device.setAppliedValue(sim::Measured::DifferentialPressure, 5.0);
    auto* counters = OpenPage<frmEventCounter>(applet, *window, "mnuDiagnosticsEventCounter");
    ASSERT_NE(counters, nullptr);
    ASSERT_TRUE(piotest::RunUntil([&] {
        return counters->Command1(1)->isEnabled() && Shown(*counters->Field(1, 1)) == 1 &&
               Shown(*counters->Field(0, 1)) == 1;
    }));
    EXPECT_EQ(counters->Field(1, 1)->ValueField()->alignment() & Qt::AlignHorizontal_Mask, Qt::AlignRight);
    ASSERT_TRUE(RunToTheEnd(applet, *window, *counters->Command1(1), "ResetEventCounter1"));
    ASSERT_TRUE(piotest::RunUntil([&] { return Shown(*counters->Field(1, 1)) == 0; }));
    EXPECT_EQ(device.device().extremes.violations(1).above, 0);
    EXPECT_EQ(device.device().extremes.violations(0).above, 1);
    EXPECT_EQ(Shown(*counters->Field(0, 1)), 1);
}

TEST(CalibrationAndMeasuringHistoryPages, AnAbsolutePressureModuleWithoutTheMultivariableFunctionShowsOnlyItsGroups)
{
    DeviceApplet applet;
    PIO_REQUIRE_APPLET(applet);
    frmMain* window = applet.StartConnected();
    ASSERT_NE(window, nullptr);
    applet.PutNumber(QStringLiteral("ptrbModulType"), 30); // the first absolute pressure module
    applet.PutNumber(QStringLiteral("pbMultivariableFunction"), 0);
    piotest::Settle();

    auto* maxValues = OpenPage<frmMaxValues>(applet, *window, "mnuDiagnosticsMaxValues");
    ASSERT_NE(maxValues, nullptr);
    // Pressure and sensor temperature, one below the other.
    EXPECT_EQ(maxValues->WindowHeight(), 3045);
    EXPECT_TRUE(maxValues->Frame(1)->isHidden());
    EXPECT_TRUE(maxValues->Frame(3)->isHidden());
    EXPECT_FALSE(maxValues->Frame(2)->isHidden());
    EXPECT_EQ(maxValues->FrameTop(2), 1275);
    EXPECT_EQ(maxValues->Frame(0)->title(), global::LoadLocalizedText(2219));
    EXPECT_FALSE(maxValues->Field(3, 0)->IsRegistered());

    auto* counters = OpenPage<frmEventCounter>(applet, *window, "mnuDiagnosticsEventCounter");
    ASSERT_NE(counters, nullptr);
    EXPECT_EQ(counters->WindowHeight(), 4230);
    EXPECT_TRUE(counters->Frame(2)->isHidden());
    EXPECT_EQ(counters->FrameTop(3), 2550);
    EXPECT_EQ(counters->Frame(0)->title(), global::LoadLocalizedText(2598));
    EXPECT_EQ(counters->Frame(1)->title(), global::LoadLocalizedText(2091));
}

TEST(CalibrationAndMeasuringHistoryPages, DevicesAboveRevision20ShowTheirUnitsAndValuesUnderTheRevision21Items)
{
    for (const uint32_t revision : {20u, 21u}) {
        SCOPED_TRACE(revision);
        DeviceApplet applet;
        PIO_REQUIRE_APPLET(applet);
        sim::VariantOptions variant;
        variant.revision = revision;
        QString error;
        ASSERT_TRUE(sim::applyVariant(applet.device.transmitter(), variant, error)) << error.toStdString();
        applet.PutNumber(QStringLiteral("pbSoftwareRevisionHART"), revision);
        frmMain* window = applet.StartConnected();
        ASSERT_NE(window, nullptr);
        ASSERT_EQ(global::gDeviceInfo->softwareRevision(), QString::number(revision));
        const QString suffix = revision > 20 ? QStringLiteral("_21") : QString();
        auto* maxValues = OpenPage<frmMaxValues>(applet, *window, "mnuDiagnosticsMaxValues");
        ASSERT_NE(maxValues, nullptr);
        EXPECT_EQ(maxValues->appUnit(0)->AppItemName(), QStringLiteral("ptrbScaleInUnit") + suffix);
        EXPECT_EQ(maxValues->appUnit(3)->AppItemName(), QStringLiteral("ttrbPrimaryValueUnit") + suffix);
        auto* page = OpenPage<frmCalibratePressure>(applet, *window, "mnuCalibratePressure");
        ASSERT_NE(page, nullptr);
        auto* unit = page->findChild<pioitems::PioAppItem*>(QStringLiteral("appPtrbScaleInUnit"));
        ASSERT_NE(unit, nullptr);
        EXPECT_EQ(unit->AppItemName(), QStringLiteral("ptrbScaleInUnit") + suffix);
        // The points and the calibration unit keep their names on every revision.
        EXPECT_EQ(page->findChild<pioitems::PioAppItem*>(QStringLiteral("appPtrbCalUnit"))->AppItemName(),
                  QStringLiteral("ptrbCalUnit"));
    }
}
