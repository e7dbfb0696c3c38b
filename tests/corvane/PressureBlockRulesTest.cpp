// The pressure transducer block rules, driven through item writes on the
// host form that the always-started view loads, as the pages drive them:
// the linearisation mask and type, range clamps, unit conversions, the copies
// into the other blocks, the twins, decimal places, the reactions to the flow
// block's mode and the software revision, and the busy flag after a failure.
#include "CorvaneTestSupport.h"
#include "corvane/frame/clsUpDownloadMgr.h"
#include "corvane/frame/frmRecordItemHandler.h"
#include "corvane/rules/Module1.h"
#include "corvane/rules/clsMessageSender.h"
#include "corvane/rules/ctlPtrbObjectMgr.h"
#include "pioitems/PioAppItem.h"
#include <cmath>
#include <limits>

namespace {

using namespace corvanetest;

const QString kMaskFrom22 = QStringLiteral("0, 1, 1, 0, 0, 0, 0, 0");
const QString kMaskBefore22 = QStringLiteral("0, 1, 0, 0, 0, 0, 0, 0");
const QString kMaskOther = QStringLiteral("1, 1, 0, 1, 1, 1, 1, 1");
// Linearisation type codes on HART.
constexpr double kSquareRoot = 1;
constexpr double kPrimaryElement = 160;
constexpr double kUserCurve = 4;
constexpr int kMbar = 8;
constexpr int kBar = 7;

class PressureBlockRules : public ::testing::Test {
protected:
    void SetUp() override
    {
        PIO_REQUIRE_APPLET(applet);
        ASSERT_TRUE(applet.View() && applet.View()->HostForm());
        rules = applet.View()->HostForm()->findChild<ctlPtrbObjectMgr*>(QStringLiteral("ctlPtrbObjectMgr1"));
        ASSERT_TRUE(rules);
        Settle(); // the registrations' refreshes
    }

    double Float(const QString& name) const { return applet.Text(name).toDouble(); }
    // The flow block in automatic mode (the multivariable function on), or not,
    // with the rules re-applied as the flow block manager has them re-applied.
    void FlowBlock(bool automatic)
    {
        applet.PutNumber(QStringLiteral("pbMultivariableFunction"), automatic ? 1 : 0);
        applet.PutNumber(QStringLiteral("mvModeBlkActual"), 8);
        rules->OnMvModeBlkActualChanged();
    }
    // A new software revision runs the revision reaction. A HART device
    // names revisions above 21 in its extended revision bytes.
    void Revision(int revision)
    {
        applet.PutShadow(QStringLiteral("pbSoftwareSpecHOLLEN"), QByteArray(1, char(revision)) + QByteArray(2, '\0'));
        QVariant result;
        applet.manager->AdjustItem(QStringLiteral("pbSoftwareSpecHOLLEN"), result);
        applet.PutNumber(QStringLiteral("pbSoftwareRevisionHART"), revision);
    }
    void PutFloat(const QString& name, float value)
    {
        int32_t failed = 0;
        applet.manager->fncPutFloatValue(applet.manager->HandleOf(name), value, failed);
        EXPECT_EQ(failed, 0) << name.toStdString();
    }
    // A unit code the description's enumeration does not hold, set as a
    // reload sets it, and its change event as the item would raise it.
    void LoadCalUnit(int code)
    {
        applet.manager->Load(applet.manager->HandleOf(QStringLiteral("ptrbCalUnit")), QVariant::fromValue<quint64>(code));
        rules->appPtrbCalUnit_ValueChanged2(QString(), false);
    }
    void Running(const QString& sequence) { applet.PutText(QStringLiteral("currentSequence"), sequence); }
    // A change the rules must take as not a user's: the device's value adjusted in.
    void Adjusted(const QString& name, const QVariant& stored)
    {
        applet.PutShadow(name, stored);
        QVariant result;
        applet.manager->AdjustItem(name, result);
    }
    QString Message(int id) const { return Module1::LoadLocalizedText(Module1::kCountryEnglish, id); }

    HomeFolder home;
    CorvaneApplet applet;
    ctlPtrbObjectMgr* rules = nullptr;
};

TEST_F(PressureBlockRules, TheHostFormCarriesTheControlAndItsStartLeavesTheDatasetAsItWas)
{
    EXPECT_EQ(rules->Typ(), QStringLiteral("PioItem"));
    EXPECT_TRUE(rules->Registered());
    int controls = 0;
    for (int c = 0; c < ctlPtrbObjectMgr::kControlCount; ++c)
        controls += rules->Count(static_cast<ctlPtrbObjectMgr::Control>(c));
    EXPECT_EQ(controls, 46);
    EXPECT_TRUE(rules->Item(ctlPtrbObjectMgr::appPtrbScaleIn0)->IsRegistered());
    // The load aligned the mask for a device without the flow function; the
    // ranges of the description stand (no rule read an unbound sibling).
    EXPECT_EQ(applet.Text(QStringLiteral("&&ObjectLimit&&ptrbLinType")), kMaskOther);
    EXPECT_EQ(Float(QStringLiteral("ptrbScaleIn0")), 0);
    EXPECT_EQ(Float(QStringLiteral("ptrbScaleIn100")), 100);
    EXPECT_EQ(Float(QStringLiteral("ptrbStaticPressureScaleIn0")), 0);
    EXPECT_EQ(Float(QStringLiteral("ptrbStaticPressureScaleIn100")), 100);
    EXPECT_FALSE(rules->Busy());

    rules->UnRegister();
    EXPECT_FALSE(rules->Registered());
    EXPECT_FALSE(rules->Item(ctlPtrbObjectMgr::appPtrbScaleIn0)->IsRegistered());
    applet.PutText(QStringLiteral("ptrbScaleIn0"), QStringLiteral("98"));
    EXPECT_EQ(Float(QStringLiteral("ptrbScaleIn0")), 98) << "an unregistered control runs no rule";

    // Registered again, the controls' first values run the rules only once
    // every control is bound: a range that fits stays as it is.
    applet.PutText(QStringLiteral("ptrbScaleIn0"), QStringLiteral("30"));
    ErrorTraces traces;
    rules->Register(applet.manager);
    EXPECT_TRUE(rules->Registered());
    EXPECT_EQ(Float(QStringLiteral("ptrbScaleIn0")), 30);
    EXPECT_EQ(Float(QStringLiteral("ptrbScaleIn100")), 100);
    EXPECT_TRUE(traces.lines.isEmpty()) << traces.lines.join(QLatin1Char('\n')).toStdString();
}

TEST_F(PressureBlockRules, TheLinearisationMaskFollowsTheFlowBlockAndTheRevision)
{
    Revision(21);
    FlowBlock(true);
    EXPECT_EQ(applet.Text(QStringLiteral("&&ObjectLimit&&ptrbLinType")), kMaskBefore22);
    Revision(22);
    EXPECT_EQ(applet.Text(QStringLiteral("&&ObjectLimit&&ptrbLinType")), kMaskFrom22);

    // Without the flow function only the linearisation rule runs: the ranges
    // are not clamped, the mask opens everything but primary-element linearisation.
    applet.PutNumber(QStringLiteral("ptrbLinType"), kPrimaryElement);
    Running(QStringLiteral("upload"));
    applet.PutText(QStringLiteral("ptrbScaleIn0"), QStringLiteral("99"));
    Running(QString());
    FlowBlock(false);
    EXPECT_EQ(Float(QStringLiteral("ptrbScaleIn0")), 99);
    EXPECT_EQ(applet.Text(QStringLiteral("&&ObjectLimit&&ptrbLinType")), kMaskOther);
    EXPECT_EQ(applet.Number(QStringLiteral("ptrbLinType")), kSquareRoot);
}

TEST_F(PressureBlockRules, TheLinearisationTypeIsMovedToAnAllowedOne)
{
    ItemLog messages(applet.manager);
    messages.Watch(QStringLiteral("ChangesByRevision"), QStringLiteral("message"));
    Revision(22);
    FlowBlock(true); // the linear type of the description becomes square rooting
    EXPECT_EQ(applet.Number(QStringLiteral("ptrbLinType")), kSquareRoot);
    EXPECT_TRUE(messages.changes.isEmpty()) << "a correction outside the revision reaction is silent";

    applet.PutNumber(QStringLiteral("ptrbLinType"), kPrimaryElement);
    EXPECT_EQ(applet.Number(QStringLiteral("ptrbLinType")), kPrimaryElement) << "allowed from revision 22";
    applet.PutNumber(QStringLiteral("ptrbLinType"), kUserCurve);
    EXPECT_EQ(applet.Number(QStringLiteral("ptrbLinType")), kSquareRoot);

    applet.PutNumber(QStringLiteral("ptrbLinType"), kPrimaryElement);
    Revision(21); // the revision reaction reports what it forces
    EXPECT_EQ(applet.Number(QStringLiteral("ptrbLinType")), kSquareRoot);
    EXPECT_EQ(messages.changes, QStringList{QStringLiteral("message=") + Message(2000)});
    EXPECT_FALSE(rules->MessageSender()->SwitchedOn());

    FlowBlock(false);
    applet.PutNumber(QStringLiteral("ptrbLinType"), kUserCurve);
    EXPECT_EQ(applet.Number(QStringLiteral("ptrbLinType")), kUserCurve);
    applet.PutNumber(QStringLiteral("ptrbLinType"), kPrimaryElement);
    EXPECT_EQ(applet.Number(QStringLiteral("ptrbLinType")), kSquareRoot);
    EXPECT_EQ(messages.changes.size(), 1);
}

TEST_F(PressureBlockRules, AnUploadTakesTheDevicesLinearisationAsItIs)
{
    Revision(22);
    FlowBlock(false);
    // The type arrives before the flow block's mode: the device computes flow
    // with primary-element linearisation, which it holds legitimately.
    Running(QStringLiteral("upload"));
    applet.PutNumber(QStringLiteral("ptrbLinType"), kPrimaryElement);
    EXPECT_EQ(applet.Number(QStringLiteral("ptrbLinType")), kPrimaryElement);
    FlowBlock(true);
    EXPECT_EQ(applet.Number(QStringLiteral("ptrbLinType")), kPrimaryElement);
    Running(QString());
    EXPECT_EQ(applet.Number(QStringLiteral("ptrbLinType")), kPrimaryElement);

    // After the transfer the rule judges edits again.
    applet.PutNumber(QStringLiteral("ptrbLinType"), kUserCurve);
    EXPECT_EQ(applet.Number(QStringLiteral("ptrbLinType")), kSquareRoot);
}

TEST_F(PressureBlockRules, TheEndOfAnUploadChecksTheLinearisationOnce)
{
    Revision(22);
    FlowBlock(true);
    // The device holds a user curve, which automatic mode does not allow.
    Running(QStringLiteral("upload"));
    applet.PutNumber(QStringLiteral("ptrbLinType"), kUserCurve);
    Running(QString());
    EXPECT_EQ(applet.Number(QStringLiteral("ptrbLinType")), kUserCurve);
    const auto chain = applet.Find<clsUpDownloadMgr>(QStringLiteral("clsUploadDownloadMgr"));
    ASSERT_TRUE(chain);
    emit chain->UploadCompleted();
    EXPECT_EQ(applet.Number(QStringLiteral("ptrbLinType")), kSquareRoot);
    // An allowed type the device holds stays.
    Running(QStringLiteral("upload"));
    applet.PutNumber(QStringLiteral("ptrbLinType"), kPrimaryElement);
    Running(QString());
    emit chain->UploadCompleted();
    EXPECT_EQ(applet.Number(QStringLiteral("ptrbLinType")), kPrimaryElement);
}

TEST_F(PressureBlockRules, TheDifferentialRangeStaysInsideTheSensorLimitsWithTheMinimumSpan)
{
    // Limits -250 to 250 mbar, minimum span 5 mbar, range 0 to 100 mbar.
    applet.PutText(QStringLiteral("ptrbScaleIn0"), QStringLiteral("98"));
    EXPECT_EQ(Float(QStringLiteral("ptrbScaleIn0")), 95);
    applet.PutText(QStringLiteral("ptrbScaleIn100"), QStringLiteral("1000"));
    EXPECT_EQ(Float(QStringLiteral("ptrbScaleIn100")), 250);
    applet.PutText(QStringLiteral("ptrbScaleIn0"), QStringLiteral("-900"));
    EXPECT_EQ(Float(QStringLiteral("ptrbScaleIn0")), -250);
    // Outside automatic mode nothing is copied.
    EXPECT_EQ(Float(QStringLiteral("ptrbScaleOut0")), 0);
    EXPECT_EQ(Float(QStringLiteral("aidpXdScale100")), 250); // its factory value

    // In automatic mode the ends reach the output scale and the analog input.
    FlowBlock(true);
    EXPECT_EQ(Float(QStringLiteral("ptrbScaleOut0")), -250);
    EXPECT_EQ(Float(QStringLiteral("aidpOutScale100")), 250);

    // While a sequence runs, or for a change no user made, there is no clamp,
    // but the copies still follow.
    Running(QStringLiteral("upload"));
    applet.PutText(QStringLiteral("ptrbScaleIn0"), QStringLiteral("249"));
    EXPECT_EQ(Float(QStringLiteral("ptrbScaleIn0")), 249);
    for (const char* copy : {"ptrbScaleOut0", "aidpXdScale0", "aidpOutScale0"})
        EXPECT_EQ(Float(QLatin1String(copy)), 249) << copy;
    Running(QString());
    Adjusted(QStringLiteral("ptrbScaleIn100"), QVariant::fromValue(1000.0f));
    EXPECT_EQ(Float(QStringLiteral("ptrbScaleIn100")), 1000);
}

TEST_F(PressureBlockRules, TheStaticRangeStaysBetweenZeroAndItsUpperLimit)
{
    // Range 0 to 100 bar; limit 160000 mbar and minimum span 1000 mbar, in the unit of the sensor limits.
    Revision(22);
    applet.PutText(QStringLiteral("dummyStaticPressureLoLim"), QStringLiteral("-5"));
    applet.PutText(QStringLiteral("ptrbStaticPressureScaleIn0"), QStringLiteral("99.5"));
    EXPECT_NEAR(Float(QStringLiteral("ptrbStaticPressureScaleIn0")), 99, 1e-4);
    EXPECT_EQ(Float(QStringLiteral("dummyStaticPressureLoLim")), 0);
    applet.PutText(QStringLiteral("ptrbStaticPressureScaleIn0"), QStringLiteral("-3"));
    EXPECT_EQ(Float(QStringLiteral("ptrbStaticPressureScaleIn0")), 0);
    applet.PutText(QStringLiteral("ptrbStaticPressureScaleIn100"), QStringLiteral("500"));
    EXPECT_EQ(Float(QStringLiteral("ptrbStaticPressureScaleIn100")), 160);
    // The transducer scale follows in every mode, the output scale only in automatic mode.
    EXPECT_EQ(Float(QStringLiteral("aipXdScale100")), 160);
    EXPECT_EQ(Float(QStringLiteral("aipOutscale100")), 100);
    FlowBlock(true);
    EXPECT_EQ(Float(QStringLiteral("aipOutscale100")), 160);

    // An upper end of 0 becomes 0.1, also while a sequence runs.
    Running(QStringLiteral("upload"));
    applet.PutText(QStringLiteral("ptrbStaticPressureScaleIn100"), QStringLiteral("0"));
    EXPECT_NEAR(Float(QStringLiteral("ptrbStaticPressureScaleIn100")), 0.1, 1e-6);
    EXPECT_NEAR(Float(QStringLiteral("aipXdScale100")), 0.1, 1e-6);
}

TEST_F(PressureBlockRules, AUnitChangeConvertsItsRangeFromTheRememberedUnit)
{
    ItemLog twins(applet.manager);
    twins.Watch(QStringLiteral("ptrbScaleInUnit_21"), QStringLiteral("twin"));
    twins.Watch(QStringLiteral("ptrbScaleInUnit"), QStringLiteral("unit"));
    // The first change already converts from the unit the range was bound in.
    applet.PutNumber(QStringLiteral("ptrbScaleInUnit"), kBar);
    EXPECT_NEAR(Float(QStringLiteral("ptrbScaleIn100")), 0.1, 1e-6);
    EXPECT_EQ(Float(QStringLiteral("ptrbScaleIn0")), 0);
    EXPECT_EQ(twins.changes.count(QStringLiteral("unit=7")), 1) << "the twin's change copies nothing back";
    EXPECT_EQ(twins.changes.count(QStringLiteral("twin=7")), 1);
    // Outside automatic mode the unit reaches none of the copies.
    EXPECT_EQ(applet.Number(QStringLiteral("mvInDPUnit")), kMbar);
    EXPECT_EQ(applet.Number(QStringLiteral("ptrbScaleOutUnit")), kMbar);
    applet.PutNumber(QStringLiteral("ptrbScaleInUnit"), kMbar);
    EXPECT_NEAR(Float(QStringLiteral("ptrbScaleIn100")), 100, 1e-3);

    // The static unit: only the transducer scale unit outside automatic mode.
    applet.PutNumber(QStringLiteral("ptrbStaticPressureScaleInUnit"), kMbar);
    EXPECT_NEAR(Float(QStringLiteral("ptrbStaticPressureScaleIn100")), 100000, 1e-1);
    EXPECT_EQ(applet.Number(QStringLiteral("aipXdScaleUnitFF")), kMbar);
    EXPECT_EQ(applet.Number(QStringLiteral("mvInPUnit")), kBar);
    EXPECT_EQ(applet.Number(QStringLiteral("ptrbStaticPressureScaleInUnit_21")), kMbar);

    // While a sequence runs the unit is remembered but nothing converted.
    Running(QStringLiteral("upload"));
    applet.PutNumber(QStringLiteral("ptrbStaticPressureScaleInUnit"), kBar);
    EXPECT_NEAR(Float(QStringLiteral("ptrbStaticPressureScaleIn100")), 100000, 1e-1);
    Running(QString());
    applet.PutNumber(QStringLiteral("ptrbStaticPressureScaleInUnit"), kMbar);
    EXPECT_NEAR(Float(QStringLiteral("ptrbStaticPressureScaleIn100")), 100000000, 10)
        << "converted from the uploaded unit";
}

TEST_F(PressureBlockRules, OlderRevisionsForceMbarInAutomaticModeAndTheUnitsReachTheOtherBlocks)
{
    ItemLog messages(applet.manager);
    messages.Watch(QStringLiteral("ChangesByRevision"), QStringLiteral("message"));
    Revision(22);
    FlowBlock(true);
    applet.PutNumber(QStringLiteral("ptrbScaleInUnit"), kBar);
    applet.PutNumber(QStringLiteral("ptrbStaticPressureScaleInUnit"), kMbar);
    for (const char* copy : {"mvInDPUnit", "ptrbScaleOutUnit", "aiDPXdScaleUnitFF", "aiDPOutScaleUnit"})
        EXPECT_EQ(applet.Number(QLatin1String(copy)), kBar) << copy;
    for (const char* copy : {"mvInPUnit", "aiPXdScaleUnitFF", "aiPOutScaleUnit"})
        EXPECT_EQ(applet.Number(QLatin1String(copy)), kMbar) << copy;
    messages.changes.clear();

    // Revision 20: the differential unit goes back to mbar (its range with
    // it), the static unit is free from 20 on.
    Revision(20);
    EXPECT_EQ(applet.Number(QStringLiteral("ptrbScaleInUnit")), kMbar);
    EXPECT_EQ(applet.Number(QStringLiteral("mvInDPUnit")), kMbar);
    EXPECT_NEAR(Float(QStringLiteral("ptrbScaleIn100")), 100, 1e-3);
    EXPECT_EQ(applet.Number(QStringLiteral("ptrbStaticPressureScaleInUnit")), kMbar);
    EXPECT_TRUE(messages.changes.contains(QStringLiteral("message=") + Message(2001)));
    EXPECT_FALSE(messages.changes.contains(QStringLiteral("message=") + Message(2002)));

    // A user's change is corrected at once, silently.
    messages.changes.clear();
    applet.PutNumber(QStringLiteral("ptrbScaleInUnit"), kBar);
    EXPECT_EQ(applet.Number(QStringLiteral("ptrbScaleInUnit")), kMbar);
    EXPECT_TRUE(messages.changes.isEmpty());
    Revision(19);
    applet.PutNumber(QStringLiteral("ptrbStaticPressureScaleInUnit"), kBar);
    EXPECT_EQ(applet.Number(QStringLiteral("ptrbStaticPressureScaleInUnit")), kMbar);
}

TEST_F(PressureBlockRules, TheCalibrationUnitConvertsTheStaticMinimumSpanOnProfibusOnly)
{
    applet.PutNumber(QStringLiteral("ptrbCalUnit"), kBar);
    EXPECT_EQ(Float(QStringLiteral("ptrbStaticPressureMinSpan")), 1000) << "HART converts nothing";

    // PROFIBUS, with its own unit codes: each change converts from the
    // remembered unit.
    applet.PutText(QStringLiteral("pbSoftwareSpecifics"), QStringLiteral("XX4607221"));
    {
        ErrorTraces traces;
        LoadCalUnit(1138);
        EXPECT_EQ(Float(QStringLiteral("ptrbStaticPressureMinSpan")), 1000) << "7 is no PROFIBUS unit code";
    }
    LoadCalUnit(1137);
    EXPECT_NEAR(Float(QStringLiteral("ptrbStaticPressureMinSpan")), 1, 1e-6);
    LoadCalUnit(1138);
    EXPECT_NEAR(Float(QStringLiteral("ptrbStaticPressureMinSpan")), 1000, 1e-3);
    // While a sequence runs the unit is only remembered.
    Running(QStringLiteral("upload"));
    LoadCalUnit(1137);
    EXPECT_NEAR(Float(QStringLiteral("ptrbStaticPressureMinSpan")), 1000, 1e-3);
}

TEST_F(PressureBlockRules, TwinsAreMirroredBothWays)
{
    applet.PutNumber(QStringLiteral("ptrbStaticPressureScaleInUnit_21"), kMbar);
    EXPECT_EQ(applet.Number(QStringLiteral("ptrbStaticPressureScaleInUnit")), kMbar);
    applet.PutNumber(QStringLiteral("ptrbTemperatureValueUnit"), 33);
    EXPECT_EQ(applet.Number(QStringLiteral("ptrbTemperatureValueUnit_21")), 33);
    applet.PutNumber(QStringLiteral("ptrbTemperatureValueUnit_21"), 35);
    EXPECT_EQ(applet.Number(QStringLiteral("ptrbTemperatureValueUnit")), 35);
    EXPECT_FALSE(rules->Busy());
}

TEST_F(PressureBlockRules, DecimalPlacesAreZeroInAutomaticMode)
{
    applet.PutText(QStringLiteral("aipOutscaleDecimal"), QStringLiteral("4"));
    EXPECT_EQ(applet.Text(QStringLiteral("aipOutscaleDecimal")), QStringLiteral("4"));
    FlowBlock(true);
    for (const char* item : {"ptrbScaleInDecimal", "ptrbScaleOutDecimal", "aidpXdScaleDecimalFF", "aidpOutscaleDecimal",
                             "ptrbStaticPressureScaleInDecimal", "aipXdScaleDecimalFF", "aipOutscaleDecimal"})
        EXPECT_EQ(applet.Text(QLatin1String(item)), QStringLiteral("0")) << item;
    applet.PutText(QStringLiteral("ptrbScaleOutDecimal"), QStringLiteral("2"));
    EXPECT_EQ(applet.Text(QStringLiteral("ptrbScaleOutDecimal")), QStringLiteral("0"));
}

TEST_F(PressureBlockRules, AFailedClampLeavesTheRulesFreeForTheNextEdit)
{
    {
        ErrorTraces traces;
        PutFloat(QStringLiteral("ptrbMinSpan"), std::numeric_limits<float>::quiet_NaN());
        applet.PutText(QStringLiteral("ptrbScaleIn0"), QStringLiteral("98"));
        EXPECT_TRUE(traces.Contains(QStringLiteral("differential range clamp"))) << traces.lines.join('\n').toStdString();
        EXPECT_EQ(Float(QStringLiteral("ptrbScaleIn0")), 98);
        EXPECT_FALSE(rules->Busy());
    }
    PutFloat(QStringLiteral("ptrbMinSpan"), 5);
    applet.PutText(QStringLiteral("ptrbScaleIn0"), QStringLiteral("97"));
    EXPECT_EQ(Float(QStringLiteral("ptrbScaleIn0")), 95);
    applet.PutNumber(QStringLiteral("ptrbScaleInUnit"), kBar);
    EXPECT_NEAR(Float(QStringLiteral("ptrbScaleIn0")), 0.095, 1e-6) << "the unit rule still runs";
}

TEST_F(PressureBlockRules, EveryBoundItemWrittenOnceEndsItsNotifications)
{
    FlowBlock(true);
    int notifications = 0;
    std::vector<std::unique_ptr<clsAppItem>> watched;
    QStringList names;
    for (int c = 0; c < ctlPtrbObjectMgr::kControlCount; ++c)
        for (int i = 0; i < rules->Count(static_cast<ctlPtrbObjectMgr::Control>(c)); ++i) {
            const QString name = rules->Item(static_cast<ctlPtrbObjectMgr::Control>(c), i)->AppItemName();
            if (names.contains(name, Qt::CaseInsensitive))
                continue;
            names.append(name);
            auto item = std::make_unique<clsAppItem>();
            item->Register(applet.manager, name);
            QObject::connect(item.get(), &clsAppItem::ValueChanged, [&notifications] { ++notifications; });
            watched.push_back(std::move(item));
        }
    for (const QString& name : names) {
        if (name == QLatin1String("currentSequence"))
            continue;
        const QString before = applet.Text(name);
        bool isNumber = false;
        const double number = before.toDouble(&isNumber);
        int32_t failed = 0;
        if (isNumber)
            applet.manager->fncPutUintValue(applet.manager->HandleOf(name), number == 7 ? 8 : 7, failed);
        else
            applet.manager->fncPutString(applet.manager->HandleOf(name), QStringLiteral("1, 1, 1, 1, 1, 1, 1, 1"),
                                         failed);
    }
    EXPECT_GT(notifications, 0);
    EXPECT_LT(notifications, 400) << "the rules keep writing each other's items";
    EXPECT_FALSE(rules->Busy());
}

} // namespace
