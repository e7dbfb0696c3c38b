// The pressure configuration page on the real toolkit and the simulated
// transmitter: the range from the applied pressure, the parallel shift (and
// the shifts, entries and failed reads it refuses), the tilt adjustment and the
// digitisation sliders, each checked on the device itself.
#include "DeviceFunctionSupport.h"
#include "merrow/pages/frmConfigPressure.h"
#include "platform/comm/hart/HartStatus.h"
#include "merrow/shell/PageTabs.h"
#include "mvtrivexhelper/Enumerations.h"
#include "mvtrivexhelper/IDeviceInfo.h"
#include "platform/controls/PioFieldControl.h"
#include "platform/controls/PioUserCurve.h"
#include "tests/common/WindowScreenshot.h"
#include <QDir>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QSlider>
#include <QTabBar>
#include <QTest>
#include <cmath>
#include <utility>

using namespace merrowtest;

namespace {

constexpr int kSetLowerRange = 37;
constexpr int kWriteRange = 35;
constexpr int kSensorLimits = 129;
constexpr int kZeroAdjust = 165;
constexpr int kPercentOfRange = 2;
constexpr int kWriteUserCurve = 148;

class PressurePage : public ::testing::Test {
protected:
    void SetUp() override
    {
        PIO_REQUIRE_APPLET(applet);
        // A pressure transmitter without the flow function: every part of the page is in use.
        applet.Variant("4607215", 1, false, 1, 137);
        applet.device.device().setFlowFunction(false);
        window = applet.StartWithConnectAllowed();
        ASSERT_NE(window, nullptr);
        ASSERT_TRUE(applet.Connect());
        piotest::Settle();
        window->MDIForm_Activate();
        sim().pvLowerRange = 0;
        sim().pvUpperRange = 10; // kPa
        applet.commands.clear();
        page = OpenPage<frmConfigPressure>(applet, *window, "mnuConfigurePressure");
        ASSERT_NE(page, nullptr);
    }

    sim::DeviceState& sim() { return applet.device.device(); }
    void Apply(double kPa) { applet.device.transmitter().process().setOverride(sim::Variable::DifferentialPressure, kPa); }
    double Reading() { return applet.device.transmitter().processValues().value[sim::Variable::DifferentialPressure]; }
    // The page's work is done: the window is the user's again and no sequence of it runs.
    bool Done()
    {
        return piotest::RunUntil([&] {
            return window->isEnabled() && applet.SequenceState("GetParallelShiftData") == 0
                && applet.SequenceState("SetParallelShiftData") == 0;
        });
    }
    void Screenshot(const QString& name)
    {
        global::LocalizeForm(*page);
        piotest::Settle();
        page->adjustSize();
        if (auto* frame = page->parentWidget())
            frame->adjustSize();
        window->resize(900, 700);
        EXPECT_TRUE(window->isEnabled()) << "a picture of a window at the user's hand";
        TakeScreenshot(*window, name);
    }

    DeviceApplet applet;
    frmMain* window = nullptr;
    frmConfigPressure* page = nullptr;
};

} // namespace

TEST_F(PressurePage, LowerRangeFromTheAppliedPressureAndAParallelShiftMoveTheDevicesRange)
{
    // Opening the page reads nothing for a parallel shift.
    EXPECT_FALSE(applet.commands.contains(kSensorLimits));
    Screenshot(QStringLiteral("pressure-range-en"));

    Apply(2.0);
    page->optProzessdruckuebernahme()->click();
    ASSERT_TRUE(page->cmdSetLowerRangeValue()->isEnabled());
    EXPECT_FALSE(page->txtMessanfang()->isEnabled());
    page->cmdSetLowerRangeValue()->click();
    ASSERT_TRUE(applet.AnsweredCommand(kSetLowerRange));
    ASSERT_TRUE(Done());
    // The reading became the new 0 %, the span kept; the range was read again after it.
    EXPECT_NEAR(sim().pvLowerRange, 2.0, 1e-4);
    EXPECT_NEAR(sim().pvUpperRange, 12.0, 1e-4);
    EXPECT_TRUE(applet.commands.contains(kSensorLimits));
    EXPECT_EQ(window->PanelText(4), global::LoadLocalizedText(2701));

    // A pressure beyond the sensor limits is refused; the page shows the device's range again.
    Apply(1.0e4);
    page->optProzessdruckuebernahme()->click();
    applet.PutText(QStringLiteral("ptrbScaleIn0"), QStringLiteral("7"));
    page->cmdSetLowerRangeValue()->click();
    ASSERT_TRUE(Done());
    ASSERT_TRUE(piotest::RunUntil([&] { return applet.SequenceState("SetPtrbLowerRangeValue") == 0; }));
    EXPECT_NEAR(sim().pvLowerRange, 2.0, 1e-4);
    ASSERT_TRUE(Done());
    EXPECT_NEAR(applet.Text(QStringLiteral("ptrbScaleIn0")).toDouble(), 20, 1e-3) << "20 mbar, as the device holds it";
    EXPECT_EQ(LastMessage(applet.dialogs), global::LoadLocalizedText(2704));

    // 60 % is to read 50 %: the range moves up by a tenth of its span, both ends written.
    Apply(8.0);
    page->optWerteingabe()->click();
    applet.commands.clear();
    page->txtMesswertAktuell()->setText(QStringLiteral("50"));
    ASSERT_TRUE(page->cmdParallelShift()->isEnabled());
    page->cmdParallelShift()->click();
    ASSERT_TRUE(applet.AnsweredCommand(kWriteRange));
    ASSERT_TRUE(Done());
    EXPECT_NEAR(sim().pvLowerRange, 3.0, 1e-3);
    EXPECT_NEAR(sim().pvUpperRange, 13.0, 1e-3);
    EXPECT_EQ(window->PanelText(4), global::LoadLocalizedText(2702));
}

TEST_F(PressurePage, ATypedRangeIsDownloadedToTheDevice)
{
    for (auto [field, text] : {std::pair{page->txtMessanfang(), "20"}, std::pair{page->txtMessende(), "80"}}) {
        ASSERT_TRUE(field->isEnabled());
        field->ValueField()->selectAll();
        QTest::keyClicks(field->ValueField(), QLatin1String(text));
        field->CommitPendingEdit();
    }
    EXPECT_EQ(applet.Text(QStringLiteral("ptrbScaleIn0")).toDouble(), 20);
    EXPECT_EQ(applet.Text(QStringLiteral("ptrbScaleIn100")).toDouble(), 80);
    int32_t result = -1;
    applet.host->ForceSequence(QStringLiteral("downloadAi"), result);
    ASSERT_EQ(result, 0);
    // 20 and 80 mbar.
    ASSERT_TRUE(piotest::RunUntil([&] {
        return applet.SequenceState("downloadAi") == 0 && std::abs(sim().pvLowerRange - 2.0) < 1e-4
            && std::abs(sim().pvUpperRange - 8.0) < 1e-4;
    }));
}

TEST_F(PressurePage, AShiftBeyondTheSensorBandAndAnEntryThatIsNoNumberWriteNothing)
{
    const double lower = sim().pvLowerRange;
    const double upper = sim().pvUpperRange;
    Apply(5.0);
    // "1.-2," is no number in any language: refused before the device is asked.
    page->txtMesswertAktuell()->setText(QStringLiteral("1.-2,"));
    page->cmdParallelShift()->click();
    piotest::Settle();
    EXPECT_EQ(LastMessage(applet.dialogs), global::LoadLocalizedText(2700));
    EXPECT_TRUE(window->isEnabled());
    EXPECT_FALSE(applet.commands.contains(kSensorLimits));

    // 50 % is to read -100000 %: the range would leave the sensor's band by far.
    page->txtMesswertAktuell()->setText(QStringLiteral("-100000"));
    page->cmdParallelShift()->click();
    ASSERT_TRUE(applet.AnsweredCommand(kSensorLimits));
    ASSERT_TRUE(Done());
    EXPECT_EQ(LastMessage(applet.dialogs), global::LoadLocalizedText(2127));
    EXPECT_FALSE(applet.commands.contains(kWriteRange));
    EXPECT_EQ(sim().pvLowerRange, lower);
    EXPECT_EQ(sim().pvUpperRange, upper);

    // A read that fails leaves stale values: nothing is computed from them, nothing written.
    page->txtMesswertAktuell()->setText(QStringLiteral("50"));
    applet.commands.clear();
    applet.device.injectResponseCode(comm::ResponseCode::DeviceSpecificError, 3);
    page->cmdParallelShift()->click();
    ASSERT_TRUE(applet.AnsweredCommand(kPercentOfRange));
    ASSERT_TRUE(Done());
    piotest::Settle();
    EXPECT_FALSE(applet.commands.contains(kWriteRange));
    EXPECT_EQ(sim().pvLowerRange, lower);
    EXPECT_EQ(sim().pvUpperRange, upper);
    EXPECT_EQ(LastMessage(applet.dialogs), global::LoadLocalizedText(2704));

    // A decimal comma is the German way of writing the same number.
    EXPECT_EQ(frmConfigPressure::ParsePercent(QStringLiteral("12,5"), true), 12.5);
    EXPECT_EQ(frmConfigPressure::ParsePercent(QStringLiteral("12.5"), true), 12.5);
    EXPECT_EQ(frmConfigPressure::ParsePercent(QStringLiteral("-"), false), std::nullopt);
}

TEST_F(PressurePage, InGermanAShiftTypedWithADecimalCommaMovesTheRange)
{
    applet.PutNumber(QStringLiteral("&&private&&countrycode"), 49);
    global::LocalizeForm(*window);
    // 50 % is to read 12.5 %: the range moves up by 37.5 % of its 10 kPa span.
    Apply(5.0);
    const auto asked = applet.dialogs.Requests().size();
    page->txtMesswertAktuell()->setText(QStringLiteral("12,5"));
    ASSERT_TRUE(page->cmdParallelShift()->isEnabled());
    page->cmdParallelShift()->click();
    ASSERT_TRUE(applet.AnsweredCommand(kWriteRange));
    ASSERT_TRUE(Done());
    EXPECT_NEAR(sim().pvLowerRange, 3.75, 1e-3);
    EXPECT_NEAR(sim().pvUpperRange, 13.75, 1e-3);
    EXPECT_EQ(window->PanelText(4), global::LoadLocalizedText(2702));
    EXPECT_EQ(applet.dialogs.Requests().size(), asked) << LastMessage(applet.dialogs).toStdString();
    Screenshot(QStringLiteral("pressure-shift-de"));
}

TEST_F(PressurePage, AShiftWhoseReadNeverStartedShiftsNoLaterRange)
{
    // The read of the shift data is asked for, and the connection ends before it can start.
    page->txtMesswertAktuell()->setText(QStringLiteral("50"));
    page->cmdParallelShift()->click();
    int32_t result = -1;
    applet.host->Disconnect(0, result);
    ASSERT_TRUE(piotest::RunUntil([&] { return applet.Number(QStringLiteral("&&private&&Connect")) == 0; }));
    ASSERT_TRUE(piotest::RunUntil([&] { return window->isEnabled(); }));

    // Connected again, the range set from the applied pressure is all that is written.
    applet.host->Connect(0, result);
    ASSERT_EQ(result, 0);
    ASSERT_TRUE(piotest::RunUntil([&] { return applet.Number(QStringLiteral("&&private&&Connect")) == 2; }));
    piotest::Settle();
    Apply(2.0);
    applet.commands.clear();
    page->optProzessdruckuebernahme()->click();
    page->cmdSetLowerRangeValue()->click();
    ASSERT_TRUE(applet.AnsweredCommand(kSetLowerRange));
    ASSERT_TRUE(applet.AnsweredCommand(kSensorLimits));
    ASSERT_TRUE(Done());
    EXPECT_FALSE(applet.commands.contains(kWriteRange));
    EXPECT_NEAR(sim().pvLowerRange, 2.0, 1e-4);
    EXPECT_NEAR(sim().pvUpperRange, 12.0, 1e-4);
    EXPECT_EQ(window->PanelText(4), global::LoadLocalizedText(2701));
}

TEST_F(PressurePage, TheTiltAdjustmentZeroesTheReadingAfterTheUserAgreed)
{
    Apply(1.5);
    ASSERT_GT(Reading(), 1.0);
    applet.dialogs.AnswerMessage(dialogs::DialogResult::Cancel);
    page->cmdMesswerkschieflageAbgleichen()->click();
    piotest::Settle();
    EXPECT_FALSE(applet.commands.contains(kZeroAdjust));

    applet.dialogs.AnswerMessage(dialogs::DialogResult::Ok);
    page->cmdMesswerkschieflageAbgleichen()->click();
    ASSERT_TRUE(applet.AnsweredCommand(kZeroAdjust));
    ASSERT_TRUE(piotest::RunUntil([&] { return std::abs(Reading()) < 1e-6; }));
    ASSERT_TRUE(piotest::RunUntil([&] { return window->isEnabled(); }));
    EXPECT_EQ(window->PanelText(4), global::LoadLocalizedText(2703));
    Apply(2.0);
    EXPECT_NEAR(Reading(), 0.5, 1e-6);
}

TEST_F(PressurePage, TheDigitisationSlidersWriteStepsTheDeviceTakes)
{
    page->Tabs()->SelectKey(QStringLiteral("4t"));
    page->sldMeasIntegrationTime()->setValue(13);
    page->sldThresholdTime()->setValue(150);
    EXPECT_EQ(applet.Number(QStringLiteral("measIntegrationTimeADC")), 13);
    EXPECT_EQ(applet.Number(QStringLiteral("thresholdTimeADC")), 150);
    EXPECT_EQ(page->lblMeasIntegrationTime()->text(), QStringLiteral("1300 ms"));
    EXPECT_EQ(page->lblThresholdTime()->text(), QStringLiteral("1500 ms"));
    // The dataset now differs from the device: marked.
    EXPECT_TRUE(page->lblMeasIntegrationTime()->font().underline());

    int32_t result = -1;
    applet.host->ForceSequence(QStringLiteral("downloadAi"), result);
    ASSERT_EQ(result, 0);
    const sim::DeviceParameters& device = applet.device.transmitter().parameters();
    ASSERT_TRUE(piotest::RunUntil([&] {
        return applet.SequenceState("downloadAi") == 0
            && device.value(QStringLiteral("measIntegrationTimeADC")).toUInt() == 13u;
    }));
    EXPECT_EQ(device.value(QStringLiteral("thresholdTimeADC")).toUInt(), 150u);

    // The automatic adjustment of a linear transfer function: the longer the
    // turndown (upper sensor limit over the span, 250 mbar here), the longer the
    // integration; a turndown of exactly 40 is not above 40.
    applet.PutNumber(QStringLiteral("ptrbLinType"), global::gDeviceInfo->GetPtrbLinTypeCode(enmPtrbLinType::LINEAR));
    struct Turndown {
        const char* upper;
        uint32_t steps;
    };
    for (const Turndown& t : {Turndown{"100", 2}, Turndown{"20", 4}, Turndown{"6.25", 8}, Turndown{"5", 13}}) {
        applet.PutText(QStringLiteral("ptrbScaleIn0"), QStringLiteral("0"));
        applet.PutText(QStringLiteral("ptrbScaleIn100"), QLatin1String(t.upper));
        page->cmdAutoAdjust()->click();
        EXPECT_EQ(applet.Number(QStringLiteral("measIntegrationTimeADC")), t.steps) << t.upper;
        EXPECT_EQ(applet.Number(QStringLiteral("thresholdTimeADC")), 200);
        EXPECT_EQ(applet.Text(QStringLiteral("thresholdValADC")).toDouble(), 100);
    }
    EXPECT_EQ(page->sldMeasIntegrationTime()->value(), 13) << "the slider follows the item";
}

TEST_F(PressurePage, AnEditedUserCurveIsDrawnAndMarkedDirtyOnceWhenASequenceStarts)
{
    const double userCurve = global::gDeviceInfo->GetPtrbLinTypeCode(enmPtrbLinType::USER_CURVE);
    applet.PutNumber(QStringLiteral("ptrbLinType"), userCurve);
    applet.PutNumber(QStringLiteral("UserCurveActualNumber"), 5);
    page->Tabs()->SelectKey(QStringLiteral("2t"));
    piotest::Settle();
    controls::PioUserCurve* curve = page->UserCurve(0);
    const QList<QPointF> points = {{0, 0}, {25, 10}, {50, 30}, {75, 60}, {100, 100}};
    for (int i = 0; i < points.size(); ++i)
        ASSERT_TRUE(curve->SetPoint(i, points[i].x(), points[i].y())) << i;
    EXPECT_FALSE(curve->ShowsPreset());
    EXPECT_EQ(curve->ShownCurve(), points);
    EXPECT_TRUE(curve->Modified());
    Screenshot(QStringLiteral("pressure-user-curve-en"));

    // The orifice tab is there only for the primary-element type.
    EXPECT_EQ(page->Tabs()->IndexOfKey(QStringLiteral("3t")), -1);
    applet.PutNumber(QStringLiteral("ptrbLinType"),
                     global::gDeviceInfo->GetPtrbLinTypeCode(enmPtrbLinType::PRIMARY_ELEMENT_LINEARIZATION));
    piotest::Settle();
    EXPECT_EQ(page->Tabs()->IndexOfKey(QStringLiteral("3t")), 3);
    EXPECT_EQ(page->Tabs()->SelectedKey(), QStringLiteral("2t"));

    // A preset type draws its curve instead of the points.
    applet.PutNumber(QStringLiteral("ptrbLinType"), global::gDeviceInfo->GetPtrbLinTypeCode(enmPtrbLinType::SQUARE_ROOT));
    piotest::Settle();
    EXPECT_TRUE(curve->ShowsPreset());

    applet.PutNumber(QStringLiteral("ptrbLinType"), userCurve);
    applet.PutNumber(QStringLiteral("&&private&&countrycode"), 49);
    global::LocalizeForm(*window);
    Screenshot(QStringLiteral("pressure-user-curve-de"));
    page->Tabs()->SelectKey(QStringLiteral("0t"));
    Screenshot(QStringLiteral("pressure-range-de"));
    EXPECT_EQ(page->Tabs()->tbsOptions()->tabText(0), global::LoadLocalizedText(2104));

    // The edit shows at the next sequence; a 1 set by another part later is not cleared by the one after.
    applet.PutText(QStringLiteral("currentSequence"), QStringLiteral("download"));
    piotest::Settle();
    EXPECT_EQ(applet.Number(QStringLiteral("userCurveDirty")), 1);
    ASSERT_TRUE(curve->Modified());
    curve->SetModified(false);
    page->UserCurve(1)->SetModified(false);
    applet.PutText(QStringLiteral("currentSequence"), QString());
    piotest::Settle();
    EXPECT_EQ(applet.Number(QStringLiteral("userCurveDirty")), 0);
    applet.PutNumber(QStringLiteral("userCurveDirty"), 1);
    applet.PutText(QStringLiteral("currentSequence"), QStringLiteral("upload"));
    piotest::Settle();
    EXPECT_EQ(applet.Number(QStringLiteral("userCurveDirty")), 1);
}

TEST_F(PressurePage, ACurveTheDeviceDidNotTakeStaysMarkedForTheNextDownload)
{
    applet.PutNumber(QStringLiteral("ptrbLinType"), global::gDeviceInfo->GetPtrbLinTypeCode(enmPtrbLinType::USER_CURVE));
    applet.PutNumber(QStringLiteral("UserCurveActualNumber"), 3);
    page->Tabs()->SelectKey(QStringLiteral("2t"));
    piotest::Settle();
    controls::PioUserCurve* curve = page->UserCurve(0);
    ASSERT_TRUE(curve->SetPoint(1, 50, 20));
    ASSERT_TRUE(curve->Modified());

    // The device refuses the curve.
    applet.device.transmitter().injectResponseCode(comm::ResponseCode::DeviceSpecificError, 1, kWriteUserCurve);
    const auto asked = applet.dialogs.Requests().size();
    curve->RunCommand(controls::PioUserCurve::WriteCurve);
    ASSERT_TRUE(applet.AnsweredCommand(kWriteUserCurve));
    ASSERT_TRUE(piotest::RunUntil([&] { return applet.SequenceState("SetUserCurve") == 0 && window->isEnabled(); }));
    piotest::Settle();
    EXPECT_TRUE(curve->Modified());
    ASSERT_GT(applet.dialogs.Requests().size(), asked);
    EXPECT_EQ(LastMessage(applet.dialogs), global::LoadLocalizedText(2704));
    // The next sequence marks the curve as not written, so a download writes it.
    applet.PutText(QStringLiteral("currentSequence"), QStringLiteral("download"));
    piotest::Settle();
    EXPECT_EQ(applet.Number(QStringLiteral("userCurveDirty")), 1);
}

TEST_F(PressurePage, ReadingAndWritingTheCurveEndWithALineInTheStatusBar)
{
    applet.PutNumber(QStringLiteral("ptrbLinType"), global::gDeviceInfo->GetPtrbLinTypeCode(enmPtrbLinType::USER_CURVE));
    applet.PutNumber(QStringLiteral("UserCurveActualNumber"), 3);
    page->Tabs()->SelectKey(QStringLiteral("2t"));
    piotest::Settle();
    controls::PioUserCurve* curve = page->UserCurve(0);
    const auto ends = [&](controls::PioUserCurve::Command command, const char* sequence) {
        window->findChild<QLabel*>(QStringLiteral("sbStatusBarPanel4"))->clear();
        applet.commands.clear();
        curve->RunCommand(command);
        return piotest::RunUntil([&] {
            return !applet.commands.isEmpty() && applet.SequenceState(sequence) == 0 && window->isEnabled()
                && !window->PanelText(4).isEmpty();
        });
    };
    ASSERT_TRUE(ends(controls::PioUserCurve::ReadCurve, "GetUserCurve"));
    EXPECT_EQ(window->PanelText(4), global::LoadLocalizedText(3807));
    ASSERT_TRUE(curve->SetPoint(1, 50, 20));
    ASSERT_TRUE(ends(controls::PioUserCurve::WriteCurve, "SetUserCurve"));
    EXPECT_EQ(window->PanelText(4), global::LoadLocalizedText(3808));
    EXPECT_FALSE(curve->Modified());
}

TEST(PressurePageVariants, FlowModeLocksTheParallelShiftAndADisconnectGoesBackToValueInput)
{
    DeviceApplet applet;
    PIO_REQUIRE_APPLET(applet);
    frmMain* window = applet.StartConnected(); // multivariable function on, flow block mode
    ASSERT_NE(window, nullptr);
    auto* page = OpenPage<frmConfigPressure>(applet, *window, "mnuConfigurePressure");
    ASSERT_NE(page, nullptr);
    page->txtMesswertAktuell()->setText(QStringLiteral("50"));
    EXPECT_FALSE(page->txtMesswertAktuell()->isEnabled());
    EXPECT_FALSE(page->cmdParallelShift()->isEnabled());
    EXPECT_TRUE(page->cmdMesswerkschieflageAbgleichen()->isEnabled());

    page->optProzessdruckuebernahme()->click();
    ASSERT_TRUE(page->cmdSetUpperRangeValue()->isEnabled());
    applet.PutNumber(QStringLiteral("&&private&&Connect"), 0);
    piotest::Settle();
    EXPECT_TRUE(page->optWerteingabe()->isChecked());
    EXPECT_FALSE(page->optProzessdruckuebernahme()->isEnabled());
    EXPECT_FALSE(page->cmdSetUpperRangeValue()->isEnabled());
    EXPECT_TRUE(page->txtMessende()->isEnabled());
    EXPECT_FALSE(page->cmdMesswerkschieflageAbgleichen()->isEnabled());
    EXPECT_FALSE(page->UserCurve(0)->CommandEnabled(controls::PioUserCurve::WriteCurve));
}
