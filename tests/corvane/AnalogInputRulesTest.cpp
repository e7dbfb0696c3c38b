// The analog-input rules on the real toolkit with the Trivex description,
// driven by item writes as the pages make them: alarm and warning limits
// kept in order inside the output range, the output range copied to the
// pressure block, the temperature output value held in its range, the
// linearisation type and the "%" unit of older devices, and no rule that
// stays silenced after one of its runs failed.
#include "CorvaneTestSupport.h"
#include "corvane/rules/clsAiObjectMgr.h"
#include <limits>

namespace {

using namespace corvanetest;

class AnalogInputRules : public ::testing::Test {
protected:
    void SetUp() override
    {
        PIO_REQUIRE_APPLET(applet);
        Settle();
        ai = applet.Find<clsAiObjectMgr>(QStringLiteral("clsAiObjectMgr"));
        ASSERT_TRUE(ai && ai->Registered());
        Revision(21);
    }

    void Revision(int revision) { applet.PutNumber(QStringLiteral("pbSoftwareRevisionHART"), revision); }
    void Put(const char* name, double value) { applet.PutText(QLatin1String(name), QString::number(value)); }
    double Value(const char* name) const { return applet.Text(QLatin1String(name)).toDouble(); }
    void Range(const char* block, double lower, double upper)
    {
        Put(qPrintable(QStringLiteral("%1Outscale0").arg(QLatin1String(block))), lower);
        Put(qPrintable(QStringLiteral("%1Outscale100").arg(QLatin1String(block))), upper);
    }

    HomeFolder home;
    CorvaneApplet applet;
    std::shared_ptr<clsAiObjectMgr> ai;
};

TEST_F(AnalogInputRules, AlarmLimitsStayInTheOutputRangeWidenedByATenthFromRevision21)
{
    Range("aip", 0, 10);
    Put("aipHiHiLim", 50);
    EXPECT_FLOAT_EQ(Value("aipHiHiLim"), 11);
    // The upper warning limit followed into the new alarm band.
    EXPECT_FLOAT_EQ(Value("aipHiLim"), 11);
    Put("aipLoLoLim", -5);
    EXPECT_FLOAT_EQ(Value("aipLoLoLim"), -1);
    Put("aipLoLim", -3);
    EXPECT_FLOAT_EQ(Value("aipLoLim"), -1);
    Put("aipLoLim", 4);
    EXPECT_FLOAT_EQ(Value("aipLoLim"), 4);

    Revision(20);
    Put("aipLoLoLim", -5);
    EXPECT_FLOAT_EQ(Value("aipLoLoLim"), 0);
    Put("aipHiHiLim", 12);
    EXPECT_FLOAT_EQ(Value("aipHiHiLim"), 10);
    EXPECT_FLOAT_EQ(Value("aipHiLim"), 10);
    // The other blocks were not touched.
    EXPECT_FLOAT_EQ(Value("aidpLoLoLim"), 0);
    EXPECT_FLOAT_EQ(Value("aiTHiHiLim"), 100);
}

TEST_F(AnalogInputRules, AReversedOutputRangeGivesTheSameBoundsAndWarningLimitsFollowEitherAlarmOrder)
{
    Revision(20);
    Range("aidp", 10, 0);
    Put("aidpLoLoLim", 20);
    EXPECT_FLOAT_EQ(Value("aidpLoLoLim"), 10);
    Put("aidpHiHiLim", -4);
    EXPECT_FLOAT_EQ(Value("aidpHiHiLim"), 0);
    // Alarm limits now reversed (10 and 0): the warning band is still 0 to 10.
    Put("aidpLoLim", 30);
    EXPECT_FLOAT_EQ(Value("aidpLoLim"), 10);
    Put("aidpHiLim", -30);
    EXPECT_FLOAT_EQ(Value("aidpHiLim"), 0);
}

TEST_F(AnalogInputRules, AnOutputRangeChangeRunsTheLimitsCopiesTheDifferentialPressureRangeAndHoldsTheTemperatureValue)
{
    Revision(20);
    Put("aidpOutscale100", 250);
    EXPECT_FLOAT_EQ(Value("ptrbScaleOut100"), 250);
    EXPECT_FLOAT_EQ(Value("aidpXdScale100"), 250);
    Put("aidpOutscale0", -20);
    EXPECT_FLOAT_EQ(Value("ptrbScaleOut0"), -20);
    EXPECT_FLOAT_EQ(Value("aidpXdScale0"), -20);

    Put("aiTOutValue", 80);
    Put("aiTHiLim", 95);
    Put("aiTOutscale100", 60);
    EXPECT_FLOAT_EQ(Value("aiTHiHiLim"), 60);
    EXPECT_FLOAT_EQ(Value("aiTHiLim"), 60);
    EXPECT_FLOAT_EQ(Value("aiTOutValue"), 60);
    // The block that changed was the temperature block, yet the copy is the
    // differential-pressure block's end.
    EXPECT_FLOAT_EQ(Value("ptrbScaleOut100"), 250);
    EXPECT_FLOAT_EQ(Value("aiTOutscale100"), 60);

    // While a sequence runs only the temperature value is held in its range.
    applet.PutText(QStringLiteral("currentSequence"), QStringLiteral("upload"));
    Put("aidpOutscale100", 300);
    Put("aiTOutscale100", 40);
    EXPECT_FLOAT_EQ(Value("ptrbScaleOut100"), 250);
    EXPECT_FLOAT_EQ(Value("aiTHiHiLim"), 60);
    EXPECT_FLOAT_EQ(Value("aiTOutValue"), 40);
}

TEST_F(AnalogInputRules, TheTemperatureOutputValueIsHeldInsideItsRangeEitherWayRound)
{
    Range("aiT", 0, 100);
    Put("aiTOutValue", -7);
    EXPECT_FLOAT_EQ(Value("aiTOutValue"), 0);
    Put("aiTOutValue", 120);
    EXPECT_FLOAT_EQ(Value("aiTOutValue"), 100);
    Put("aiTOutValue", 42);
    EXPECT_FLOAT_EQ(Value("aiTOutValue"), 42);

    Put("aiTOutscale100", 20);
    EXPECT_FLOAT_EQ(Value("aiTOutValue"), 20);
    Put("aiTOutscale0", 50); // reversed: the value is held between 20 and 50
    EXPECT_FLOAT_EQ(Value("aiTOutValue"), 20);
    Put("aiTOutValue", 60);
    EXPECT_FLOAT_EQ(Value("aiTOutValue"), 50);
    Put("aiTOutValue", 10);
    EXPECT_FLOAT_EQ(Value("aiTOutValue"), 20);
    Put("aiTOutValue", 35);
    EXPECT_FLOAT_EQ(Value("aiTOutValue"), 35);

    Put("aiTOutscale100", 50); // equal ends: the value is set to them
    EXPECT_FLOAT_EQ(Value("aiTOutValue"), 50);
    Put("aiTOutValue", 10);
    EXPECT_FLOAT_EQ(Value("aiTOutValue"), 50);
}

TEST_F(AnalogInputRules, TheLinearisationTypeIsAlwaysSetBackToLinearAlsoDuringAnUpload)
{
    applet.PutNumber(QStringLiteral("aipLType"), 1);
    EXPECT_EQ(applet.Number(QStringLiteral("aipLType")), 0);
    applet.PutText(QStringLiteral("currentSequence"), QStringLiteral("upload"));
    applet.PutNumber(QStringLiteral("aiTLType"), 1);
    EXPECT_EQ(applet.Number(QStringLiteral("aiTLType")), 0);
}

TEST_F(AnalogInputRules, OlderDevicesKeepThePercentOutputUnitAndEveryUnitIsCopiedSilently)
{
    applet.PutText(QStringLiteral("ChangesByRevision"), QString());
    Revision(14);
    applet.PutNumber(QStringLiteral("aidpOutscaleUnit"), 12); // kPa
    EXPECT_EQ(applet.Number(QStringLiteral("aidpOutscaleUnit")), 57);
    EXPECT_EQ(applet.Number(QStringLiteral("ptrbScaleOutUnit")), 57);
    EXPECT_EQ(applet.Number(QStringLiteral("aiDpXdScaleUnitFF")), 57);
    EXPECT_EQ(applet.Text(QStringLiteral("ChangesByRevision")), QString());

    Revision(15);
    applet.PutNumber(QStringLiteral("aidpOutscaleUnit"), 12);
    EXPECT_EQ(applet.Number(QStringLiteral("aidpOutscaleUnit")), 12);
    EXPECT_EQ(applet.Number(QStringLiteral("ptrbScaleOutUnit")), 12);
    EXPECT_EQ(applet.Number(QStringLiteral("aiDpXdScaleUnitFF")), 12);
}

TEST(AnalogInputRulesAtStart, OpeningAProjectBeforeTheDeviceIsKnownLeavesTheOutputUnitAsItIs)
{
    HomeFolder home;
    CorvaneApplet applet;
    PIO_REQUIRE_APPLET(applet);
    Settle(); // the refresh of every bound item
    EXPECT_EQ(applet.Text(QStringLiteral("pbSoftwareRevisionHART")), QStringLiteral("0"));
    EXPECT_EQ(applet.Number(QStringLiteral("aidpOutscaleUnit")), 8);
    EXPECT_EQ(applet.Number(QStringLiteral("ptrbScaleOutUnit")), 8);
}

TEST_F(AnalogInputRules, ARuleThatFailsReleasesItsFlagSoTheNextEditRunsIt)
{
    Revision(20);
    Range("aip", 0, 10);
    Put("aipHiHiLim", 50);
    EXPECT_FLOAT_EQ(Value("aipHiHiLim"), 10);
    clsAppItem upper;
    upper.Register(applet.manager, QStringLiteral("aipOutscale100"));
    {
        ErrorTraces traces; // an end that is no number cannot be clamped
        upper.SetFloatValue(std::numeric_limits<float>::quiet_NaN());
        EXPECT_FALSE(traces.lines.isEmpty());
    }
    Put("aipOutscale100", 8);
    EXPECT_FLOAT_EQ(Value("aipHiHiLim"), 8);
}

TEST_F(AnalogInputRules, WritingEveryBoundItemOnceEndsAfterABoundedNumberOfChanges)
{
    ItemLog log(applet.manager);
    QStringList names;
    for (int role = 0; role < clsAiObjectMgr::kRoleCount; ++role)
        for (const auto& item : ai->Items(static_cast<clsAiObjectMgr::Role>(role)))
            if (item->Name() != QLatin1String("currentSequence")) {
                names.append(item->Name());
                log.Watch(item->Name(), item->Name());
            }
    ASSERT_EQ(names.size(), 33);
    double value = 3;
    for (const QString& name : names)
        applet.PutText(name, QString::number(value += 7));
    // Each write changes its own item and at most a handful of dependents.
    EXPECT_GE(log.changes.size(), names.size());
    EXPECT_LT(log.changes.size(), 6 * names.size()) << log.changes.join(QLatin1Char(' ')).toStdString();
}

} // namespace
