// The temperature block rules on the real toolkit with the Trivex description,
// driven by item writes as the pages make them: units carried into the range
// and the minimum span, the range held in the sensor limits, the forced
// degrees C of older devices in automatic mode, the coupling with the
// temperature analog input, the remembered units taken from the unit items,
// and the in-rule flag released after a failed rule.
#include "CorvaneTestSupport.h"
#include "corvane/frame/clsUpDownloadMgr.h"
#include "corvane/rules/clsTtrbObjectMgr.h"
#include <limits>

namespace {

using namespace corvanetest;
using applet::SubItemKind;
using applet::SubItemName::Compose;

constexpr int kDegC = 32, kDegF = 33, kKelvin = 35;

class TemperatureRules : public ::testing::Test {
protected:
    void SetUp() override
    {
        PIO_REQUIRE_APPLET(applet);
        ttrb = applet.Find<clsTtrbObjectMgr>(QStringLiteral("clsTtrbObjectMgr"));
        ASSERT_TRUE(ttrb && ttrb->Registered());
        // Known from the unit items as soon as they are bound.
        EXPECT_EQ(ttrb->LastPrimaryValueUnit().Code(), kDegC);
        EXPECT_EQ(ttrb->LastCalibrationUnit().Code(), kDegC);
        Settle();
        applet.PutNumber(QStringLiteral("pbSoftwareRevisionHART"), 21);
    }

    // The multivariable function on and its block in mode (8 automatic, 128 out of service).
    void Mode(int mode)
    {
        applet.PutNumber(QStringLiteral("pbMultivariableFunction"), 1);
        applet.PutNumber(QStringLiteral("mvModeBlkActual"), mode);
    }
    void Put(const char* name, double value) { applet.PutText(QLatin1String(name), QString::number(value)); }
    double Value(const char* name) const { return applet.Text(QLatin1String(name)).toDouble(); }
    void Range(double lower, double upper)
    {
        Put("ttrbPrimaryValueRange0", lower);
        Put("ttrbPrimaryValueRange100", upper);
    }

    HomeFolder home;
    CorvaneApplet applet;
    std::shared_ptr<clsTtrbObjectMgr> ttrb;
};

TEST_F(TemperatureRules, InAutomaticModeOlderDevicesAreForcedToDegreesCAndTheUnitsAreCoupled)
{
    Mode(8);
    applet.PutNumber(QStringLiteral("pbSoftwareRevisionHART"), 19);
    // The change of revision may have told of the pressure units forced as well.
    applet.PutText(QStringLiteral("ChangesByRevision"), QString());
    Put("ttrbPrimaryValueUnit", kKelvin);
    EXPECT_EQ(Value("ttrbPrimaryValueUnit"), kDegC);
    for (const char* coupled : {"mvInTUnit", "aiTXdScaleUnitFF", "aiTOutScaleUnit", "ttrbPrimaryValueUnit_21"})
        EXPECT_EQ(Value(coupled), kDegC) << coupled;
    // A user's edit is set back silently.
    EXPECT_EQ(applet.Text(QStringLiteral("ChangesByRevision")), QString());

    applet.PutNumber(QStringLiteral("pbSoftwareRevisionHART"), 21);
    Put("ttrbPrimaryValueUnit", kKelvin);
    for (const char* coupled :
         {"ttrbPrimaryValueUnit", "mvInTUnit", "aiTXdScaleUnitFF", "aiTOutScaleUnit", "ttrbPrimaryValueUnit_21"})
        EXPECT_EQ(Value(coupled), kKelvin) << coupled;

    // A change of revision re-runs the unit rule and tells the user; the
    // pressure rules tell of their own forced units on the same change.
    ItemLog messages(applet.manager);
    messages.Watch(QStringLiteral("ChangesByRevision"), QStringLiteral("message"));
    applet.PutNumber(QStringLiteral("pbSoftwareRevisionHART"), 19);
    EXPECT_EQ(Value("ttrbPrimaryValueUnit"), kDegC);
    EXPECT_EQ(Value("aiTOutScaleUnit"), kDegC);
    EXPECT_TRUE(messages.changes.contains(QStringLiteral("message=Setting temperature unit to \"°C\".")))
        << messages.changes.join(QLatin1Char(' ')).toStdString();
}

TEST_F(TemperatureRules, OutOfAutomaticModeNothingIsForcedOrCoupledButTheRangeFollowsTheUnit)
{
    Mode(128);
    applet.PutNumber(QStringLiteral("pbSoftwareRevisionHART"), 19);
    Range(0, 100);
    Put("ttrbPrimaryValueUnit", kDegF);
    EXPECT_EQ(Value("ttrbPrimaryValueUnit"), kDegF);
    EXPECT_NEAR(Value("ttrbPrimaryValueRange0"), 32, 1e-3);
    EXPECT_NEAR(Value("ttrbPrimaryValueRange100"), 212, 1e-3);
    EXPECT_EQ(Value("ttrbPrimaryValueUnit_21"), kDegF);
    EXPECT_EQ(Value("mvInTUnit"), kDegC);
    EXPECT_EQ(Value("aiTOutScaleUnit"), kDegC); // untouched description default

    // The second copy of the unit is copied back, without a conversion.
    Put("ttrbPrimaryValueUnit_21", kDegC);
    EXPECT_EQ(Value("ttrbPrimaryValueUnit"), kDegC);
    EXPECT_NEAR(Value("ttrbPrimaryValueRange100"), 212, 1e-3);
}

TEST_F(TemperatureRules, TheCalibrationUnitCarriesTheMinimumSpanAlong)
{
    Put("ttrbCalMinSpan", 10);
    Put("ttrbCalUnit", kDegF);
    EXPECT_NEAR(Value("ttrbCalMinSpan"), 50, 1e-3);
    Put("ttrbCalUnit", kKelvin);
    EXPECT_NEAR(Value("ttrbCalMinSpan"), 283.15, 1e-2);
}

TEST_F(TemperatureRules, ARangeEndIsHeldInsideTheSensorLimitsAndAMinimumSpanAwayFromTheOtherEnd)
{
    Put("ttrbCalMinSpan", 1);
    Put("ttrbLowerSensorLimit", -50);
    Put("ttrbUpperSensorLimit", 200);
    Range(0, 100);
    Put("ttrbPrimaryValueRange0", 99.5);
    EXPECT_NEAR(Value("ttrbPrimaryValueRange0"), 99, 1e-4);

    // Only span and limits are enforced: the range may be inverted.
    Range(50, 20);
    EXPECT_NEAR(Value("ttrbPrimaryValueRange0"), 50, 1e-4);
    EXPECT_NEAR(Value("ttrbPrimaryValueRange100"), 20, 1e-4);

    Range(0, 100);
    Put("ttrbPrimaryValueRange0", -80);
    EXPECT_NEAR(Value("ttrbPrimaryValueRange0"), -50, 1e-4);
    Put("ttrbPrimaryValueRange0", 0);
    Put("ttrbPrimaryValueRange100", -49.5);
    Put("ttrbPrimaryValueRange0", -80);
    EXPECT_NEAR(Value("ttrbPrimaryValueRange0"), -48.5, 1e-4); // the limit lies within the span: pushed above
}

TEST_F(TemperatureRules, WhileASequenceRunsTheValuesAreNotConvertedButStillCoupled)
{
    Mode(8);
    Range(0, 100);
    applet.PutText(QStringLiteral("currentSequence"), QStringLiteral("uploadTtrb"));
    Put("ttrbPrimaryValueUnit", kDegF);
    EXPECT_NEAR(Value("ttrbPrimaryValueRange100"), 100, 1e-4);
    EXPECT_EQ(Value("mvInTUnit"), kDegF);
    Put("ttrbPrimaryValueRange0", 900); // outside the sensor limits, as read from the device
    EXPECT_NEAR(Value("ttrbPrimaryValueRange0"), 900, 1e-4);
    EXPECT_NEAR(Value("aiTXdScale0"), 900, 1e-4);
    EXPECT_NEAR(Value("aiTOutScale0"), 900, 1e-4);
    Put("ttrbPrimaryValueUnit_21", kKelvin);
    EXPECT_EQ(Value("ttrbPrimaryValueUnit"), kKelvin);

    // At the end of the sequence the remembered unit is the one the values came in.
    applet.PutText(QStringLiteral("currentSequence"), QString());
    EXPECT_EQ(ttrb->LastPrimaryValueUnit().Code(), kKelvin);
}

TEST_F(TemperatureRules, EnteringAutomaticModeCouplesTheScalesAndClearsTheDecimalPlaces)
{
    Mode(128);
    Range(-20, 120);
    for (const char* decimals : {"ttrbPrimaryValueRangeDecimal", "aiTXdScaleDecimalFF", "aiTOutscaleDecimal"})
        Put(decimals, 3);
    EXPECT_EQ(Value("aiTXdScaleDecimalFF"), 3);
    Put("aiTOutValue", 130);

    Mode(8);
    for (const char* decimals : {"ttrbPrimaryValueRangeDecimal", "aiTXdScaleDecimalFF", "aiTOutscaleDecimal"})
        EXPECT_EQ(Value(decimals), 0) << decimals;
    EXPECT_NEAR(Value("aiTXdScale0"), -20, 1e-4);
    EXPECT_NEAR(Value("aiTOutScale0"), -20, 1e-4);
    EXPECT_NEAR(Value("aiTXdScale100"), 120, 1e-4);
    EXPECT_NEAR(Value("aiTOutScale100"), 120, 1e-4);
    EXPECT_EQ(Value("mvInTUnit"), kDegC);
    Put("aiTOutscaleDecimal", 2);
    EXPECT_EQ(Value("aiTOutscaleDecimal"), 0);

    // The analog-input manager holds the temperature output value in the scale the block set.
    Put("aiTOutValue", 130);
    EXPECT_NEAR(Value("aiTOutValue"), 120, 1e-4);
    Put("ttrbPrimaryValueRange100", 80);
    EXPECT_NEAR(Value("aiTOutScale100"), 80, 1e-4);
    EXPECT_NEAR(Value("aiTOutValue"), 80, 1e-4);
}

TEST_F(TemperatureRules, TheRememberedUnitIsTakenFromTheUnitItemWhenBound)
{
    auto view = applet.View();
    ttrb->UnRegister();
    // Changed while the manager is not bound: nothing follows the unit.
    Put("ttrbPrimaryValueUnit", kDegF);
    Range(32, 212);
    EXPECT_EQ(ttrb->LastPrimaryValueUnit().Code(), kDegC);

    ttrb->Register(view);
    EXPECT_EQ(ttrb->LastPrimaryValueUnit().Code(), kDegF);
    Put("ttrbPrimaryValueUnit", kDegC);
    EXPECT_NEAR(Value("ttrbPrimaryValueRange0"), 0, 1e-3);
    EXPECT_NEAR(Value("ttrbPrimaryValueRange100"), 100, 1e-3);
}

TEST_F(TemperatureRules, AnUploadFromTheDeviceIsTakenAsItIsCoupledAndItsUnitRemembered)
{
    sim::DeviceParameters& device = applet.device.transmitter().parameters();
    ASSERT_EQ(device.set(QStringLiteral("ttrbPrimaryValueUnit"), kKelvin), 0);
    ASSERT_EQ(device.set(QStringLiteral("ttrbPrimaryValueUnit_21"), kKelvin), 0);
    ASSERT_EQ(device.set(QStringLiteral("ttrbPrimaryValueRange0"), 250.0f), 0);
    ASSERT_EQ(device.set(QStringLiteral("ttrbPrimaryValueRange100"), 400.0f), 0);
    ItemLog log(applet.manager);
    log.Watch(QStringLiteral("currentSequence"), QStringLiteral("current"));
    log.Watch(QStringLiteral("ttrbPrimaryValueUnit"), QStringLiteral("unit"));
    log.Watch(Compose(SubItemKind::SequenceState, QStringLiteral("uploadTtrb")), QStringLiteral("state"));
    ASSERT_TRUE(applet.Connect());
    ASSERT_TRUE(RunUntil([&] { return log.changes.contains(QStringLiteral("current=GetDeviceInfo"))
                                      && applet.Text(QStringLiteral("currentSequence")).isEmpty(); }));
    Settle();
    Mode(8);
    applet.PutNumber(QStringLiteral("pbSoftwareRevisionHART"), 21); // no degrees C forced

    // The transfer manager takes the block's upload as a step of its chain and
    // goes on with the next steps; the edit below must come after all of them.
    const auto transfers = applet.Find<clsUpDownloadMgr>(QStringLiteral("clsUploadDownloadMgr"));
    ASSERT_TRUE(transfers);
    int32_t code = -1;
    applet.host->StartSequence(QStringLiteral("uploadTtrb"), code);
    ASSERT_EQ(code, 0);
    ASSERT_TRUE(RunUntil([&] { return log.changes.contains(QStringLiteral("current=uploadTtrb"))
                                      && applet.Text(QStringLiteral("currentSequence")).isEmpty()
                                      && !transfers->UploadRunning() && Value("ttrbPrimaryValueUnit") == kKelvin; }))
        << log.changes.join(QLatin1Char(' ')).toStdString();
    Settle();
    // Read, not converted from the unit the project held, and passed on to the analog input.
    EXPECT_NEAR(Value("ttrbPrimaryValueRange0"), 250, 1e-3);
    EXPECT_NEAR(Value("ttrbPrimaryValueRange100"), 400, 1e-3);
    EXPECT_NEAR(Value("aiTOutScale0"), 250, 1e-3);
    EXPECT_NEAR(Value("aiTOutScale100"), 400, 1e-3);
    EXPECT_EQ(Value("aiTOutScaleUnit"), kKelvin);
    EXPECT_EQ(ttrb->LastPrimaryValueUnit().Code(), kKelvin);

    // The next edit converts from the device's unit.
    Put("ttrbPrimaryValueUnit", kDegC);
    EXPECT_NEAR(Value("ttrbPrimaryValueRange0"), -23.15, 1e-3);
    EXPECT_NEAR(Value("ttrbPrimaryValueRange100"), 126.85, 1e-3);
}

TEST_F(TemperatureRules, ARangeRuleThatFailsLeavesTheOtherRulesWorking)
{
    Range(0, 100);
    clsAppItem limit;
    limit.Register(applet.manager, QStringLiteral("ttrbUpperSensorLimit"));
    limit.SetFloatValue(std::numeric_limits<float>::quiet_NaN());
    {
        ErrorTraces traces; // a limit that is no number: the range cannot be clamped
        Put("ttrbPrimaryValueRange100", 90);
        EXPECT_FALSE(traces.lines.isEmpty());
    }
    EXPECT_FALSE(ttrb->InRule());
    Put("ttrbPrimaryValueUnit", kDegF);
    EXPECT_EQ(Value("ttrbPrimaryValueUnit_21"), kDegF);
    EXPECT_NEAR(Value("ttrbPrimaryValueRange0"), 32, 1e-3);
}

TEST_F(TemperatureRules, WritingEveryBoundItemOnceEndsAfterABoundedNumberOfChanges)
{
    Mode(8);
    ItemLog log(applet.manager);
    QStringList names;
    for (const auto& item : ttrb->Items())
        if (item->Name() != QLatin1String("currentSequence")) {
            names.append(item->Name());
            log.Watch(item->Name(), item->Name());
        }
    ASSERT_EQ(names.size(), 20);
    const QStringList units = {"33", "35", "32"};
    int n = 0;
    for (const QString& name : names) {
        const bool isUnit = name.contains(QLatin1String("Unit"), Qt::CaseInsensitive);
        applet.PutText(name, isUnit ? units[n % 3] : QString::number(5 + n));
        ++n;
    }
    EXPECT_GE(log.changes.size(), 10);
    EXPECT_LT(log.changes.size(), 8 * names.size()) << log.changes.join(QLatin1Char(' ')).toStdString();
}

} // namespace
