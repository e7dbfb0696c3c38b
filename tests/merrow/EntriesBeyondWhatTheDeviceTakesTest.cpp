// Entries at and beyond what the simulated transmitter takes: a float value
// typed as its limit reaches the device, one just beyond is refused with the
// allowed range and sends nothing; so are a static-pressure offset beyond the
// flow computation's input limits and a design differential pressure beyond
// the sensor's, which a download would otherwise carry to the device.
#include "DeviceFunctionSupport.h"
#include "merrow/pages/frmBasicParameter.h"
#include "merrow/pages/frmCalibratePressure.h"
#include "merrow/pages/frmConfigFlow.h"
#include "merrow/pages/frmConfigStaticPressureHart.h"
#include "merrow/pages/frmSimulateFlow.h"
#include "platform/controls/PioLabelTextUnit.h"
#include <QLabel>
#include <QPushButton>
#include "platform/controls/PioFieldControl.h"
#include <QLineEdit>

using namespace merrowtest;

namespace {

constexpr int kWriteSimulationCommand = 181; // "Write_MvSimulation"
constexpr int kCalibratePointLoCommand = 167; // "Write_PtrbCalPointLo"

// Types text into the field and leaves it, as the user does.
void Type(controls::PioFieldControl* field, const QString& text)
{
    ASSERT_NE(field, nullptr);
    field->ValueField()->setText(text);
    field->ValueField()->setModified(true);
    field->CommitPendingEdit();
    piotest::Settle();
}

float FloatItem(DeviceApplet& applet, const char* name)
{
    float value = -1;
    int32_t failed = 0;
    applet.manager->fncReadFloatValue(applet.manager->HandleOf(QLatin1String(name)), value, false, failed);
    return value;
}

bool Download(DeviceApplet& applet)
{
    int32_t result = -1;
    applet.commands.clear();
    applet.host->ForceSequence(QStringLiteral("download"), result);
    return result == 0
           && piotest::RunUntil([&] { return !applet.commands.isEmpty() && applet.SequenceState("download") == 0; });
}

} // namespace

TEST(EntriesBeyondWhatTheDeviceTakes, AFloatTypedAsItsLimitReachesTheDeviceAndOneJustBeyondIsRefused)
{
    DeviceApplet applet;
    PIO_REQUIRE_APPLET(applet);
    frmMain* window = applet.StartConnected();
    ASSERT_NE(window, nullptr);
    auto* page = OpenPage<frmBasicParameter>(applet, *window, "mnuConfigureBasicParameter");
    ASSERT_NE(page, nullptr);
    controls::PioFieldControl* saturation = page->Field(QStringLiteral("PioLabelTextUnit1(3)")); // 3.6 to 4 mA
    controls::PioFieldControl* lowAlarm = page->Field(QStringLiteral("PioLabelTextUnit1(1)"));   // 3.5 to 3.8 mA

    // Neither 3.6 nor 3.8 is exact in single precision.
    Type(saturation, QStringLiteral("3.6"));
    Type(lowAlarm, QStringLiteral("3.8"));
    EXPECT_FLOAT_EQ(FloatItem(applet, "minOutputCurr"), 3.6f);
    EXPECT_FLOAT_EQ(FloatItem(applet, "lowAlarmCurr"), 3.8f);
    ASSERT_TRUE(Download(applet));
    const sim::DeviceState& device = applet.device.transmitter().device();
    EXPECT_EQ(device.minOutputCurrent, 3.6f);
    EXPECT_EQ(device.lowAlarmCurrent, 3.8f);

    struct Beyond {
        controls::PioFieldControl* field;
        const char* typed;
        const char* item;
        float kept;
        const char* allowed;
    };
    for (const Beyond& beyond : {Beyond{saturation, "3.59", "minOutputCurr", 3.6f, "Allowed: 3.6 to 4."},
                                 Beyond{lowAlarm, "3.81", "lowAlarmCurr", 3.8f, "Allowed: 3.5 to 3.8."}}) {
        SCOPED_TRACE(beyond.typed);
        const auto asked = applet.dialogs.Requests().size();
        applet.dialogs.AnswerMessage(dialogs::DialogResult::Ok);
        Type(beyond.field, QLatin1String(beyond.typed));
        ASSERT_EQ(applet.dialogs.Requests().size(), asked + 1);
        EXPECT_TRUE(LastMessage(applet.dialogs).endsWith(QLatin1String(beyond.allowed)))
            << LastMessage(applet.dialogs).toStdString();
        EXPECT_FLOAT_EQ(FloatItem(applet, beyond.item), beyond.kept);
    }
}

TEST(EntriesBeyondWhatTheDeviceTakes, AFlowSimulationBeyondTheSensorLimitsIsRefusedByNameAndRangeAndForcesNothing)
{
    DeviceApplet applet;
    PIO_REQUIRE_APPLET(applet);
    frmMain* window = applet.StartConnected();
    ASSERT_NE(window, nullptr);
    auto* page = OpenFlowSimulation(applet, *window);
    ASSERT_NE(page, nullptr);
    controls::PioLabelTextUnit* field = page->txtSimValue(1); // the differential pressure
    const QString unit = page->lblUnit(1)->text();
    ASSERT_FALSE(unit.isEmpty());
    const float before = FloatItem(applet, "mvInDPSimulateValue");

    for (int country : {1, 49}) {
        SCOPED_TRACE(country);
        applet.PutNumber(QStringLiteral("&&private&&countrycode"), country);
        const auto asked = applet.dialogs.Requests().size();
        applet.dialogs.AnswerMessage(dialogs::DialogResult::Ok);
        applet.commands.clear();
        Type(field, QStringLiteral("99999"));
        ASSERT_EQ(applet.dialogs.Requests().size(), asked + 1);
        const QString message = LastMessage(applet.dialogs);
        const QString label = country == 49 ? QStringLiteral("Simulierter Differenzdruck (") + unit + ")"
                                            : QStringLiteral("Simulated differential pressure (") + unit + ")";
        EXPECT_TRUE(message.contains(label)) << message.toStdString();
        EXPECT_TRUE(message.contains(country == 49 ? QStringLiteral("Zulässig: ") : QStringLiteral("Allowed: ")))
            << message.toStdString();
        EXPECT_EQ(FloatItem(applet, "mvInDPSimulateValue"), before);
        piotest::Settle();
        // The open page may read its live values; the simulation is not written.
        EXPECT_FALSE(applet.commands.contains(kWriteSimulationCommand));
    }
    applet.PutNumber(QStringLiteral("&&private&&countrycode"), 1);
    // Within the limits the value is taken.
    const auto asked = applet.dialogs.Requests().size();
    Type(field, QStringLiteral("1"));
    EXPECT_EQ(applet.dialogs.Requests().size(), asked);
    EXPECT_EQ(FloatItem(applet, "mvInDPSimulateValue"), 1.0f);
    EXPECT_EQ(applet.device.transmitter().parameters().value(QStringLiteral("mvInDPSimulateEnabled")).toInt(), 0);
}

TEST(EntriesBeyondWhatTheDeviceTakes, ACalibrationPointBeyondTheSensorLimitsIsRefusedBeforeAnythingIsSent)
{
    DeviceApplet applet;
    PIO_REQUIRE_APPLET(applet);
    frmMain* window = applet.StartConnected();
    ASSERT_NE(window, nullptr);
    auto* page = OpenPage<frmCalibratePressure>(applet, *window, "mnuCalibratePressure");
    ASSERT_NE(page, nullptr);
    ASSERT_TRUE(piotest::RunUntil([&] {
        return !page->Covered() && window->isEnabled() && page->cmdAbgleichpunkt(0)->isEnabled()
               && !page->lblUnit(0)->text().isEmpty();
    }));
    const QString status = window->PanelText(4);
    const auto asked = applet.dialogs.Requests().size();
    applet.dialogs.AnswerMessage(dialogs::DialogResult::Ok);
    applet.commands.clear();
    page->txtAbgleichpunkt(0)->setText(QStringLiteral("99999"));
    page->cmdAbgleichpunkt(0)->click();
    piotest::Settle();
    ASSERT_EQ(applet.dialogs.Requests().size(), asked + 1);
    const QString message = LastMessage(applet.dialogs);
    const QString label = global::LoadLocalizedText(2134).remove(QLatin1Char(':'));
    EXPECT_TRUE(message.contains(label + " (" + page->lblUnit(0)->text() + ")")) << message.toStdString();
    EXPECT_TRUE(message.contains(QStringLiteral("Allowed: "))) << message.toStdString();
    // The page keeps reading its live values; no point is sent.
    EXPECT_FALSE(applet.commands.contains(kCalibratePointLoCommand));
    EXPECT_EQ(window->PanelText(4), status);
    EXPECT_TRUE(window->isEnabled());
}

TEST(EntriesBeyondWhatTheDeviceTakes, AStaticOffsetOrDesignPressureBeyondItsLimitsIsRefusedAndNeverDownloaded)
{
    DeviceApplet applet;
    PIO_REQUIRE_APPLET(applet);
    frmMain* window = applet.StartConnected();
    ASSERT_NE(window, nullptr);
    auto* staticPage = OpenPage<frmConfigStaticPressureHart>(applet, *window, "mnuConfigureStaticPressure");
    ASSERT_NE(staticPage, nullptr);
    // 99999 typed into the field is refused by its label, and the item keeps its value.
    auto refusedKeepingItsValue = [&](controls::PioFieldControl* field, const char* item, const QString& label) {
        const float before = FloatItem(applet, item);
        applet.dialogs.AnswerMessage(dialogs::DialogResult::Ok);
        Type(field, QStringLiteral("99999"));
        const QString refused = LastMessage(applet.dialogs);
        EXPECT_TRUE(refused.startsWith(QStringLiteral("\"99999\" is not a valid value of ") + label + QStringLiteral(" (")))
            << refused.toStdString();
        EXPECT_TRUE(refused.contains(QStringLiteral("Allowed: "))) << refused.toStdString();
        EXPECT_EQ(FloatItem(applet, item), before) << item;
    };
    refusedKeepingItsValue(staticPage->Field(QStringLiteral("PioLabelTextUnit1")), "mvInPDefault",
                           QStringLiteral("Offset static pressure"));
    const float offset = FloatItem(applet, "mvInPDefault");

    auto* flowPage = OpenPage<frmConfigFlow>(applet, *window, "mnuConfigureFlow");
    ASSERT_NE(flowPage, nullptr);
    refusedKeepingItsValue(flowPage->Control(QStringLiteral("PioText42(0)")), "mvDPr",
                           QStringLiteral("Differential pressure"));
    EXPECT_EQ(applet.dialogs.PendingAnswers(), 0);

    // The device gets the offset the dataset kept.
    ASSERT_TRUE(Download(applet));
    EXPECT_FLOAT_EQ(applet.device.transmitter().parameters().value(QStringLiteral("mvInPDefault")).toFloat(), offset);
}
