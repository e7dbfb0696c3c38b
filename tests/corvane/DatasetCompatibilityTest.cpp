// The dataset's verdict against the device: the rules in their order, the
// range tolerance that only ever widens the allowed range, a check that
// cannot decide a rule, the revision check at the end of the device
// identification against the simulated transmitter (an unsupported revision
// is disconnected with its message), the copy of a fitting device's
// identification, and the allowed-entries masks by software revision.
#include "CorvaneTestSupport.h"
#include "corvane/frame/clsDatasetValid.h"
#include "corvane/frame/frmRecordItemHandler.h"
#include "corvane/rules/clsAiObjectMgr.h"
#include "corvane/rules/clsTtrbObjectMgr.h"
#include "corvane/rules/ctlMvObjectMgr.h"
#include "corvane/rules/ctlPtrbObjectMgr.h"
#include "pioextensions/clsSequenceItem.h"
#include "platform/applet/AppletStates.h"
#include "platform/applet/SubItemName.h"
#include "platform/dialogs/ScopedDialogService.h"
#include "platform/dialogs/ScriptedDialogService.h"
#include <limits>

namespace {

using namespace corvanetest;
using applet::SubItemKind;
using applet::SubItemName::Compose;

const QString kVerdict = QStringLiteral("InCompatibleDataset");
constexpr int kBar = 7;
constexpr int kMbar = 8;

class DatasetCompatibility : public ::testing::Test {
protected:
    DatasetCompatibility()
    {
        dialogs.SetFailureHandler([](const QString& error) { ADD_FAILURE() << error.toStdString(); });
    }

    std::shared_ptr<clsDatasetValid> Check() const
    {
        return applet.Find<clsDatasetValid>(QStringLiteral("clsDatasetValidation"));
    }
    // The block rules hold what a page writes inside the device's limits and
    // masks; a loaded dataset arrives without them. The checks below meet the
    // dataset as written, so the rules are taken off the items.
    void WithoutTheBlockRules()
    {
        frmRecordItemHandler* form = applet.View()->HostForm();
        ASSERT_TRUE(form);
        auto* pressure = form->findChild<ctlPtrbObjectMgr*>(QStringLiteral("ctlPtrbObjectMgr1"));
        auto* multivariable = form->findChild<ctlMvObjectMgr*>(QStringLiteral("ctlMvObjectMgr1"));
        ASSERT_TRUE(pressure && multivariable);
        pressure->UnRegister();
        multivariable->UnRegister();
        for (const char* key : {"clsAiObjectMgr", "clsTtrbObjectMgr"}) {
            auto component = applet.View()->Components().Item(QLatin1String(key));
            ASSERT_TRUE(component) << key;
            component->UnRegister();
        }
    }
    void Shadow(const char* item, const QVariant& value) { applet.PutShadow(QLatin1String(item), value); }
    void Dataset(const char* item, const QString& value) { applet.PutText(QLatin1String(item), value); }
    QString ShadowText(const QString& item) const
    {
        QString value;
        int32_t failed = 0;
        applet.manager->fncReadString(applet.manager->HandleOf(item), value, true, failed);
        return value;
    }

    // A dataset that fits a differential pressure device with sensor limits
    // -100 to 100 mbar and static pressure limits 0 to 100 bar.
    void FittingDevice()
    {
        for (const char* item : {"ptrbModulType", "pbMultivariableFunction"}) {
            Shadow(item, 1);
            Dataset(item, QStringLiteral("1"));
        }
        Shadow("ptrbSensorLimitUnit", kMbar);
        Shadow("ptrbLowerSensorLimit", -100.0);
        Shadow("ptrbUpperSensorLimit", 100.0);
        Shadow("ptrbMinSpan", 5.0);
        Shadow("ptrbStaticPressureLoLim", 0.0);
        Shadow("ptrbStaticPressureHiLim", 100000.0); // mbar: 100 bar
        Shadow("ptrbStaticPressureMinSpan", 1000.0);
        Range(0, 100, kMbar);
        Dataset("ptrbStaticPressureScaleInUnit", QString::number(kBar));
        StaticRange(0, 100);
    }
    void Range(double lo, double hi, int unit = kMbar)
    {
        Dataset("ptrbScaleInUnit", QString::number(unit));
        Dataset("ptrbScaleIn0", QString::number(lo));
        Dataset("ptrbScaleIn100", QString::number(hi));
    }
    void StaticRange(double lo, double hi)
    {
        Dataset("ptrbStaticPressureScaleIn0", QString::number(lo));
        Dataset("ptrbStaticPressureScaleIn100", QString::number(hi));
    }
    void SensorLimits(double lower, double upper)
    {
        Shadow("ptrbLowerSensorLimit", lower);
        Shadow("ptrbUpperSensorLimit", upper);
    }
    // The verdict the check returns; it must also be the published one.
    int Verdict()
    {
        const int verdict = Check()->CompatibilityCheck();
        EXPECT_EQ(applet.Text(kVerdict), QString::number(verdict));
        return verdict;
    }
    // Waits until "GetDeviceInfo" has run and ended once more.
    bool IdentificationEnded(ItemLog& log)
    {
        return RunUntil([&] { return log.changes.contains(QStringLiteral("state=64")) && log.changes.last() == QStringLiteral("state=0"); });
    }

    HomeFolder home;
    dialogs::ScriptedDialogService dialogs;
    dialogs::ScopedDialogService installed{dialogs};
    CorvaneApplet applet;
};

TEST_F(DatasetCompatibility, TheFirstRuleThatAppliesDecidesTheVerdict)
{
    PIO_REQUIRE_APPLET(applet);
    WithoutTheBlockRules();
    ASSERT_TRUE(Check() && Check()->Registered());
    FittingDevice();
    EXPECT_EQ(Verdict(), clsDatasetValid::kFits);

    // Every later rule broken as well: the module type still decides.
    Range(0, 1);
    StaticRange(0, 1000);
    Dataset("pbMultivariableFunction", QStringLiteral("0"));
    Dataset("ptrbModulType", QStringLiteral("0"));
    EXPECT_EQ(Verdict(), clsDatasetValid::kModuleTypeDiffers);
    Dataset("ptrbModulType", QStringLiteral("1"));
    EXPECT_EQ(Verdict(), clsDatasetValid::kMvFunctionDiffers);
    Dataset("pbMultivariableFunction", QStringLiteral("1"));
    Range(0, 111);
    EXPECT_EQ(Verdict(), clsDatasetValid::kRangeOutsideLimits);
    Range(0, 1); // inside the limits, below the minimum span 5
    StaticRange(0, 100);
    EXPECT_EQ(Verdict(), clsDatasetValid::kSpanBelowMinimum);

    // The end of an upload and an abort both run the check.
    Range(0, 100);
    Check()->HandleUploadCompleted();
    EXPECT_EQ(applet.Text(kVerdict), QStringLiteral("0"));
    Range(0, 111);
    Check()->Abort();
    EXPECT_EQ(applet.Text(kVerdict), QStringLiteral("3"));
}

TEST_F(DatasetCompatibility, RangesMayExceedTheLimitsByATenthOfTheLimitOutwardOnly)
{
    PIO_REQUIRE_APPLET(applet);
    WithoutTheBlockRules();
    FittingDevice();
    struct Case {
        double lowerLimit, upperLimit, lo, hi;
        int verdict;
    };
    const Case cases[] = {
        {-100, 100, -110, 110, 0}, // a negative lower limit admits a tenth below it
        {-100, 100, -111, 100, 3},
        {0, 100, -0.5, 100, 3},    // a lower limit of 0 admits nothing below 0
        {-100, 100, 0, 111, 3},
        {-100, 100, 100, 0, 0},    // an inverted range is checked upright
        // A positive lower limit and a negative upper limit widen outward as well.
        {10, 100, 9.5, 100, 0},
        {10, 100, 8.9, 100, 3},
        {-100, -10, -100, -9.5, 0},
        {-100, -10, -100, -8.9, 3},
    };
    for (const Case& c : cases) {
        SensorLimits(c.lowerLimit, c.upperLimit);
        Range(c.lo, c.hi);
        EXPECT_EQ(Verdict(), c.verdict) << "limits " << c.lowerLimit << ".." << c.upperLimit << ", range " << c.lo
                                        << ".." << c.hi;
    }

    // The limits are converted into the range's unit: -100..100 mbar is -0.1..0.1 bar.
    SensorLimits(-100, 100);
    Range(0, 0.105, kBar);
    Shadow("ptrbMinSpan", 0.0);
    EXPECT_EQ(Verdict(), 0);
    Range(0, 0.115, kBar);
    EXPECT_EQ(Verdict(), 3);
}

TEST_F(DatasetCompatibility, TheStaticPressureCountsByModuleAndBus)
{
    PIO_REQUIRE_APPLET(applet);
    WithoutTheBlockRules();
    FittingDevice();
    // Static range 0..200 bar against limits up to 100 bar (110 with the tenth).
    StaticRange(0, 200);
    EXPECT_EQ(Verdict(), 3);
    for (const char* item : {"ptrbModulType"}) { // an absolute pressure module
        Shadow(item, 30);
        Dataset(item, QStringLiteral("30"));
    }
    EXPECT_EQ(Verdict(), 0);

    // A static span of 0.5 bar below the minimum of 1 bar: no error on HART ...
    StaticRange(10, 10.5);
    EXPECT_EQ(Verdict(), 0);
    // ... but on PROFIBUS.
    Dataset("pbSoftwareSpecifics", QStringLiteral("SW4607221-P1"));
    EXPECT_EQ(Verdict(), 4);
}

TEST_F(DatasetCompatibility, ARuleThatCannotBeDecidedPublishesItsVerdictNotTheLastOne)
{
    PIO_REQUIRE_APPLET(applet);
    FittingDevice();
    ASSERT_EQ(Verdict(), 0);
    // A device limit that is no finite number: the range rule cannot be decided.
    Shadow("ptrbUpperSensorLimit", std::numeric_limits<float>::infinity());
    ErrorTraces traces;
    EXPECT_EQ(Verdict(), clsDatasetValid::kRangeOutsideLimits);
    EXPECT_TRUE(traces.Contains(QStringLiteral("cannot be checked"))) << traces.lines.join(QLatin1Char('\n')).toStdString();
}

TEST_F(DatasetCompatibility, AnUnsupportedRevisionIsDisconnectedWithItsMessage)
{
    PIO_REQUIRE_APPLET(applet);
    applet.device.device().extendedSoftwareRevision = {22, 0, 1}; // revision 65558
    applet.PutNumber(QStringLiteral("&&private_FDT&&EngineeringContext"), -1);
    dialogs.AnswerMessage(dialogs::DialogResult::Ok);
    ItemLog log(applet.manager);
    log.Watch(kVerdict, QStringLiteral("verdict"));
    log.Watch(loopbacktest::kConnectItem, QStringLiteral("connect"));
    ErrorTraces traces;
    // The connection may come and go within one turn of the loop: the log sees both.
    ASSERT_TRUE(applet.AttachDevice());
    int32_t code = -1;
    applet.host->Connect(0, code);
    ASSERT_EQ(code, 0);
    ASSERT_TRUE(RunUntil([&] {
        return log.changes.contains(QStringLiteral("connect=2")) && applet.Number(loopbacktest::kConnectItem) == 0;
    })) << log.changes.join(QLatin1Char(' ')).toStdString();
    Settle();
    // The verdict comes before the disconnect; the lost connection then writes 5 again.
    const auto verdict = log.changes.indexOf(QStringLiteral("verdict=5"));
    ASSERT_GE(verdict, 0) << log.changes.join(QLatin1Char(' ')).toStdString();
    EXPECT_GT(log.changes.indexOf(QStringLiteral("connect=0"), verdict), verdict);
    EXPECT_EQ(applet.Text(kVerdict), QStringLiteral("5"));
    ASSERT_EQ(dialogs.Requests().size(), 1u);
    EXPECT_EQ(dialogs.Requests()[0].text,
              QStringLiteral("This DTM version can not used for the connected device. The connection was canceled!"));
    EXPECT_TRUE(dialogs.Requests()[0].topMost);
    EXPECT_TRUE(traces.Contains(QStringLiteral("65558")));
}

TEST_F(DatasetCompatibility, TheHighestSupportedRevisionStaysConnectedAndNoFormMeansNoMessage)
{
    PIO_REQUIRE_APPLET(applet);
    applet.device.device().extendedSoftwareRevision = {255, 255, 0}; // 65535
    ItemLog log(applet.manager);
    log.Watch(Compose(SubItemKind::SequenceState, clsDatasetValid::kGetDeviceInfo), QStringLiteral("state"));
    ASSERT_TRUE(applet.Connect());
    ASSERT_TRUE(IdentificationEnded(log)) << log.changes.join(QLatin1Char(' ')).toStdString();
    Settle();
    EXPECT_EQ(applet.Number(loopbacktest::kConnectItem), 2);
    EXPECT_NE(applet.Text(kVerdict), QStringLiteral("5"));

    // Unsupported, but no form open and no engineering context: disconnected silently.
    // The device's new software shows at the next connection.
    int32_t code = -1;
    applet.host->Disconnect(0, code);
    ASSERT_EQ(code, 0);
    ASSERT_TRUE(RunUntil([&] { return applet.Number(loopbacktest::kConnectItem) == 0; }));
    applet.device.device().extendedSoftwareRevision = {0, 0, 1};
    log.changes.clear();
    log.Watch(loopbacktest::kConnectItem, QStringLiteral("connect"));
    applet.host->Connect(0, code);
    ASSERT_EQ(code, 0);
    ASSERT_TRUE(RunUntil([&] {
        return log.changes.contains(QStringLiteral("connect=2")) && applet.Number(loopbacktest::kConnectItem) == 0;
    })) << log.changes.join(QLatin1Char(' ')).toStdString();
    Settle();
    EXPECT_EQ(applet.Text(kVerdict), QStringLiteral("5"));
    EXPECT_TRUE(dialogs.Requests().empty());
}

TEST_F(DatasetCompatibility, AFittingDeviceHasItsIdentificationCopiedIntoTheDataset)
{
    PIO_REQUIRE_APPLET(applet);
    ItemLog log(applet.manager);
    log.Watch(Compose(SubItemKind::SequenceState, clsDatasetValid::kGetDeviceInfo), QStringLiteral("state"));
    ASSERT_TRUE(applet.Connect());
    ASSERT_TRUE(IdentificationEnded(log)) << log.changes.join(QLatin1Char(' ')).toStdString();
    Settle();
    // The default dataset names no module: it does not fit, and nothing is copied.
    EXPECT_EQ(applet.Text(kVerdict), QStringLiteral("1"));
    EXPECT_NE(applet.Text(QStringLiteral("timeConstTADC")), QStringLiteral("1"));

    // The dataset made to fit the device; the identification runs again.
    for (const char* item : {"ptrbModulType", "pbMultivariableFunction"})
        Dataset(item, ShadowText(QLatin1String(item)));
    const double lower = ShadowText(QStringLiteral("ptrbLowerSensorLimit")).toDouble();
    const double upper = ShadowText(QStringLiteral("ptrbUpperSensorLimit")).toDouble();
    Range(lower, upper, ShadowText(QStringLiteral("ptrbSensorLimitUnit")).toInt());
    Dataset("ptrbStaticPressureScaleInUnit", ShadowText(QStringLiteral("ptrbSensorLimitUnit")));
    StaticRange(ShadowText(QStringLiteral("ptrbStaticPressureLoLim")).toDouble(),
                ShadowText(QStringLiteral("ptrbStaticPressureHiLim")).toDouble());
    clsSequenceItem identification;
    identification.Register(applet.manager, clsDatasetValid::kGetDeviceInfo);
    log.changes.clear();
    identification.Start();
    ASSERT_TRUE(IdentificationEnded(log)) << log.changes.join(QLatin1Char(' ')).toStdString();
    Settle();
    EXPECT_EQ(applet.Text(kVerdict), QStringLiteral("0"));
    for (const char* item : {"pbSoftwareSpecHOLLEN", "pbSoftwareRevisionHART", "timeConstPADC", "timeConstTADC"})
        EXPECT_EQ(applet.Text(QLatin1String(item)), ShadowText(QLatin1String(item))) << item;
    EXPECT_EQ(applet.Text(QStringLiteral("timeConstTADC")), QStringLiteral("1"));
}

TEST_F(DatasetCompatibility, TheMultivariableMasksFollowTheSoftwareRevision)
{
    PIO_REQUIRE_APPLET(applet);
    WithoutTheBlockRules();
    const QString primaryElements = QStringLiteral("&&ObjectLimit&&mvBlendeDuese");
    const QString mediumTypes = QStringLiteral("&&ObjectLimit&&mvMediumType");
    const QString all26 = QStringLiteral("1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1");
    const QString first2 = QStringLiteral("1, 1, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0");
    const auto materials = [&] {
        return applet.Text(QStringLiteral("mvh0")) + QLatin1Char('/') + applet.Text(QStringLiteral("mvMolCO2"));
    };
    Dataset("pbMultivariableFunction", QStringLiteral("1"));
    Dataset("mvh0", QStringLiteral("1"));
    Dataset("mvMolCO2", QStringLiteral("2"));

    Dataset("pbSoftwareRevisionHART", QStringLiteral("21"));
    EXPECT_EQ(applet.Text(primaryElements), first2);
    EXPECT_EQ(applet.Text(mediumTypes), QStringLiteral("1, 1, 1, 0, 0, 1, 1"));
    EXPECT_EQ(materials(), QStringLiteral("250/250"));

    // Later revisions are told by the extended revision octets (22, 1, 0).
    Dataset("mvh0", QStringLiteral("1"));
    Dataset("pbSoftwareSpecHOLLEN", QStringLiteral("16 01 00"));
    Dataset("pbSoftwareRevisionHART", QStringLiteral("22"));
    EXPECT_EQ(applet.Text(primaryElements), all26);
    EXPECT_EQ(applet.Text(mediumTypes), QStringLiteral("1, 0, 0, 1, 1, 1, 1"));
    EXPECT_EQ(materials(), QStringLiteral("1/250"));

    // Without the multivariable function nothing changes.
    Dataset("pbMultivariableFunction", QStringLiteral("0"));
    Dataset("pbSoftwareRevisionHART", QStringLiteral("20"));
    EXPECT_EQ(applet.Text(primaryElements), all26);
    EXPECT_EQ(materials(), QStringLiteral("1/250"));
}

} // namespace
