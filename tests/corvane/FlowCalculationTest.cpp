// The flow-coefficient calculation on the applet with an engine double: what
// starts it, what the engine is handed for device revisions 20, 21 and 22 and
// for the gas and liquid media, what comes back to the items, the three
// outcomes, and that a failure anywhere asks for the abort and leaves the
// items with the coefficients they held.
#include "FlowCalculationSupport.h"
#include "corvane/frame/frmRecordItemHandler.h"
#include "corvane/rules/ctlMvObjectMgr.h"
#include <cmath>

namespace {

using namespace flowtest;
using Mode = EngineDouble::Mode;

const QString kAbort = QStringLiteral("abortSequences");

class FlowCalculation : public FlowApplet {
protected:
    void SetUp() override
    {
        if (!Ready())
            return;
        EngineDouble::Install();
        // The calculation alone: the host form's rule control would convert,
        // clamp and copy the values these tests write and the results.
        frmRecordItemHandler* form = applet.View()->HostForm();
        ctlMvObjectMgr* rules = form ? form->findChild<ctlMvObjectMgr*>(QStringLiteral("ctlMvObjectMgr1")) : nullptr;
        ASSERT_TRUE(rules);
        rules->UnRegister();
        FunctionOnInAuto();
        applet.PutText(kAbort, QStringLiteral("0"));
    }

    // Every physical value in a unit other than the calculation's base unit.
    void ForeignUnits()
    {
        applet.PutNumber(QStringLiteral("mvInPUnit"), 12);       // kPa
        applet.PutNumber(QStringLiteral("mvInTUnit"), 35);       // K
        applet.PutNumber(QStringLiteral("mvDensityUnit"), 91);   // g/cm3
        applet.PutNumber(QStringLiteral("mvInDPUnit"), 11);      // Pa
        applet.PutNumber(QStringLiteral("mvReserved6"), 47);     // in
        applet.PutText(QStringLiteral("mvPr"), QStringLiteral("500"));
        applet.PutText(QStringLiteral("mvTr"), QStringLiteral("303.15"));
        applet.PutText(QStringLiteral("mvRhor"), QStringLiteral("0.5"));
        applet.PutText(QStringLiteral("mvRhoNorm"), QStringLiteral("0.25"));
        applet.PutText(QStringLiteral("mvReserved5"), QStringLiteral("4"));
        applet.PutText(QStringLiteral("mvDpr"), QStringLiteral("25000"));
        applet.PutText(QStringLiteral("mvInPHiLim"), QStringLiteral("1000"));
        for (int i = 1; i <= 3; ++i) {
            applet.PutText(QStringLiteral("mvPkb%1").arg(i), QString::number(100 * i));
            applet.PutText(QStringLiteral("mvTkb%1").arg(i), QString::number(273.15 + 10 * i));
        }
        for (int i = 1; i <= 6; ++i) {
            applet.PutText(QStringLiteral("mvT%1").arg(i), QString::number(273.15 + 10 * i));
            applet.PutText(QStringLiteral("mvRho%1").arg(i), QString::number(1.0 - 0.001 * i));
        }
    }

    // The coefficient items and what they read.
    QStringList Coefficients() const
    {
        QStringList values;
        for (const char* item : {"mvC1", "mvC2", "mvC3", "mvReserved2", "mvReserved3", "mvReserved4", "mvEpsilon1",
                                 "mvEpsilon2", "mvEpsilon3", "mvHt1", "mvHt2", "mvHt3", "mvK1", "mvK2", "mvKqm",
                                 "mvRemin", "mvZr", "mvMolN2", "mvTr", "mvRhor", "mvRhorGUI", "mvKQCL",
                                 "mvOutVolFlowMaxValue", "mvInTLoLim", "mvInTHiLim"})
            values.append(QLatin1String(item) + QLatin1Char('=') + applet.Text(QLatin1String(item)));
        return values;
    }
};

TEST_F(FlowCalculation, OnlyCalculateMvOneStartsItAndOnlyWithTheFunctionOnInAutomaticMode)
{
    FLOW_REQUIRE_APPLET();
    const EngineDouble::Script& engine = EngineDouble::script();
    ASSERT_TRUE(Calculation());

    applet.PutText(clsMvCalculation::kCalculateMv, QStringLiteral("2"));
    EXPECT_EQ(applet.Text(clsMvCalculation::kCalculateMv), QStringLiteral("2"));
    EXPECT_EQ(engine.calls, 0);

    applet.PutNumber(QStringLiteral("mvModeBlkActual"), 4);
    RequestCalculation();
    EXPECT_EQ(applet.Text(clsMvCalculation::kCalculateMv), QStringLiteral("0"));
    EXPECT_EQ(engine.calls, 0);
    applet.PutNumber(QStringLiteral("mvModeBlkActual"), 8);
    applet.PutNumber(QStringLiteral("pbMultivariableFunction"), 0);
    RequestCalculation();
    EXPECT_EQ(engine.calls, 0);

    // A running device sequence does not hold it back; the reset to 0 starts nothing.
    applet.PutNumber(QStringLiteral("pbMultivariableFunction"), 1);
    applet.PutText(QStringLiteral("currentSequence"), QStringLiteral("Upload"));
    RequestCalculation();
    EXPECT_EQ(engine.calls, 1);
    EXPECT_EQ(applet.Text(clsMvCalculation::kCalculateMv), QStringLiteral("0"));
    EXPECT_EQ(applet.Text(kAbort), QStringLiteral("0"));

    Calculation()->UnRegister();
    RequestCalculation();
    EXPECT_EQ(applet.Text(clsMvCalculation::kCalculateMv), QStringLiteral("1"));
    EXPECT_EQ(engine.calls, 1);
}

TEST_F(FlowCalculation, RevisionsBelow21And22SendAndReceiveTheReferenceValuesInTheDevicesFixedUnits)
{
    FLOW_REQUIRE_APPLET();
    const EngineDouble::Script& engine = EngineDouble::script();
    const flowcalc::MvCalculationInput& in = engine.input;
    struct Case {
        int revision;
        bool pressureAndTemperatureConverted;
        bool densitiesConverted;
    };
    for (const Case& c : {Case{20, false, false}, Case{21, true, false}, Case{22, true, true}}) {
        SCOPED_TRACE(c.revision);
        Revision(c.revision);
        // After the revision: the device components set its units afresh.
        ForeignUnits();
        RequestCalculation();
        ASSERT_EQ(engine.calls, 1 + (c.revision - 20));
        EXPECT_EQ(engine.revision, QString::number(c.revision));

        // Gated: taken as they stand below the revision, converted from it on.
        const double pr = in.mvPr, tr = in.mvTr, rhor = in.mvRhor, rhon = in.mvRhonorm;
        EXPECT_DOUBLE_EQ(pr, c.pressureAndTemperatureConverted ? 5.0 : 500.0);
        EXPECT_NEAR(tr, c.pressureAndTemperatureConverted ? 30.0 : 303.15, 1e-4);
        EXPECT_NEAR(rhor, c.densitiesConverted ? 500.0 : 0.5, 1e-9);
        EXPECT_NEAR(rhon, c.densitiesConverted ? 250.0 : 0.25, 1e-9);
        for (int i = 0; i < 3; ++i) {
            const double pkb = in.mvPkb[i], tkb = in.mvTkb[i];
            EXPECT_NEAR(pkb, c.pressureAndTemperatureConverted ? (i + 1) * 1.0 : (i + 1) * 100.0, 1e-9);
            EXPECT_NEAR(tkb, c.pressureAndTemperatureConverted ? 10.0 * (i + 1) : 273.15 + 10 * (i + 1), 1e-4);
        }
        // Never gated.
        const double d = in.mvReserved5, dp = in.mvdpr, pHi = in.mvInPHiLim, t1 = in.mvT[0], rho6 = in.mvrho[5];
        EXPECT_NEAR(d, 101.6, 1e-9);
        EXPECT_NEAR(dp, 250.0, 1e-9);
        EXPECT_NEAR(pHi, 10.0, 1e-9);
        EXPECT_NEAR(t1, 10.0, 1e-9);
        EXPECT_NEAR(rho6, 994.0, 1e-6);
        EXPECT_EQ(in.mvMediumType, 1);
        EXPECT_EQ(in.mvBlendeDuese, 1);
        EXPECT_EQ(in.softwareRevisionRef, 0u);

        // Back: the design temperature in C below 21, in the chosen unit (K)
        // from 21 on; the density in kg/m3 below 22 with its shown copy in
        // g/cm3, from 22 on both in g/cm3.
        EXPECT_NEAR(Number(QStringLiteral("mvTr")), c.pressureAndTemperatureConverted ? 293.15 : 20.0, 1e-4);
        EXPECT_NEAR(Number(QStringLiteral("mvRhor")), c.densitiesConverted ? 0.9982 : 998.2, 1e-4);
        EXPECT_NEAR(Number(QStringLiteral("mvRhorGUI")), 0.9982, 1e-6);
        EXPECT_NEAR(Number(QStringLiteral("mvInTLoLim")), 278.15, 1e-3);
        EXPECT_NEAR(Number(QStringLiteral("mvInTHiLim")), 353.15, 1e-3);
        EXPECT_EQ(applet.Text(kAbort), QStringLiteral("0"));
    }
}

TEST_F(FlowCalculation, TheFlowLimitGoesInStandardCubicMetresPerSecondForGasAndInKilogramsPerSecondOtherwise)
{
    FLOW_REQUIRE_APPLET();
    Revision(22);
    const EngineDouble::Script& engine = EngineDouble::script();
    struct Case {
        int medium;
        int unit;
        bool refused;
    };
    // m3/h and kg/h; a mass flow unit cannot be a standard volume flow, nor a volume unit a mass flow.
    for (const Case& c : {Case{4, 19, false}, Case{5, 75, false}, Case{4, 75, true}, Case{5, 19, true}}) {
        SCOPED_TRACE(testing::Message() << "medium " << c.medium << " unit " << c.unit);
        applet.PutText(kAbort, QStringLiteral("0"));
        applet.PutNumber(QStringLiteral("mvMediumType"), c.medium);
        applet.PutNumber(QStringLiteral("mvOutMassFlowUnit"), c.unit);
        // After the unit: a change of the unit converts the limit into it.
        applet.PutText(QStringLiteral("mvOutMassFlowMaxValue"), QStringLiteral("36"));
        const int calls = engine.calls;
        ErrorTraces traces;
        RequestCalculation();
        if (c.refused) {
            EXPECT_EQ(engine.calls, calls);
            EXPECT_EQ(applet.Text(kAbort), QStringLiteral("1"));
            EXPECT_TRUE(traces.Contains(QStringLiteral("mvOutMassFlowMaxValue")));
            continue;
        }
        ASSERT_EQ(engine.calls, calls + 1);
        EXPECT_EQ(engine.input.mvMediumType, c.medium);
        const double limit = engine.input.mvOutMassFlowMaxValue;
        EXPECT_NEAR(limit, 0.01, 1e-8); // kg/h carries the unit table's seven digits
    }
}

TEST_F(FlowCalculation, ResultsGoBackInTheirOrderAndAWarningIsShownFirst)
{
    FLOW_REQUIRE_APPLET();
    Revision(22);
    applet.PutNumber(QStringLiteral("mvOutVolFlowUnit"), 19); // m3/h
    applet.PutNumber(QStringLiteral("&&private&&countrycode"), 49);
    // Values the engine's results differ from, so that each write shows.
    applet.PutText(QStringLiteral("mvRemin"), QStringLiteral("0"));
    applet.PutText(QStringLiteral("mvOutVolFlowMaxValue"), QStringLiteral("100"));
    ItemLog log(applet.manager);
    for (const char* item : {"mvC1", "mvC2", "mvC3", "mvReserved2", "mvReserved3", "mvReserved4", "mvEpsilon1",
                             "mvHt1", "mvK2", "mvKqm", "mvRemin", "mvZr", "mvMolN2", "mvTr", "mvRhor", "mvRhorGUI",
                             "mvKQCL", "mvOutVolFlowMaxValue", "MvInTLoLIm", "mvInTHiLim"})
        log.Watch(QLatin1String(item), QLatin1String(item));
    EngineDouble::script().mode = Mode::Warn;
    OpenForm();
    dialogs.AnswerMessage(dialogs::DialogResult::Ok);
    RequestCalculation();

    EXPECT_EQ(EngineDouble::script().countryCode, 49);
    ASSERT_EQ(dialogs.Requests().size(), 1u);
    EXPECT_EQ(dialogs.Requests()[0].title, dialogs::DialogService::kMessageTitle);
    EXPECT_EQ(dialogs.Requests()[0].text, QStringLiteral("Warnung!\nReynolds number below the range"));
    EXPECT_EQ(dialogs.Requests()[0].icon, dialogs::MessageIcon::Warning);
    EXPECT_TRUE(dialogs.Requests()[0].topMost);
    EXPECT_EQ(log.changes.join(QLatin1Char(' ')).toStdString(),
              "mvC1=0.601 mvC2=0.602 mvC3=0.603 mvReserved2=20000 mvReserved3=63200 mvReserved4=2e+05 "
              "mvEpsilon1=0.99 mvHt1=1000.5 mvK2=1.2e-05 mvKqm=0.0111 mvRemin=5000 mvZr=0.98 mvMolN2=0.05 "
              "mvRhor=998.2 mvRhorGUI=998.2 mvKQCL=75 mvOutVolFlowMaxValue=36 MvInTLoLIm=5 mvInTHiLim=80");
    EXPECT_EQ(applet.Text(kAbort), QStringLiteral("0"));

    // Succeeding: written, nothing shown.
    EngineDouble::script().mode = Mode::Succeed;
    EngineDouble::script().output.mvC[0] = 0.6;
    RequestCalculation();
    EXPECT_EQ(applet.Text(QStringLiteral("mvC1")), QStringLiteral("0.6"));
    EXPECT_EQ(dialogs.Requests().size(), 1u);
}

TEST_F(FlowCalculation, AnEngineErrorIsShownAsksForTheAbortAndWritesNothing)
{
    FLOW_REQUIRE_APPLET();
    Revision(22);
    RequestCalculation();
    const QStringList before = Coefficients();
    EngineDouble::script().mode = Mode::Fail;
    EngineDouble::script().output.mvC[0] = 0.5;

    // No form open and no engineering context: no box, but the abort.
    {
        ErrorTraces traces;
        RequestCalculation();
        EXPECT_TRUE(dialogs.Requests().empty());
        EXPECT_EQ(applet.Text(kAbort), QStringLiteral("1"));
        EXPECT_TRUE(traces.Contains(QStringLiteral("Diameter ratio outside")));
        EXPECT_EQ(Coefficients(), before);
    }
    // An engineering context shows the error with the engine's reason.
    applet.PutText(kAbort, QStringLiteral("0"));
    applet.PutNumber(QStringLiteral("&&private_FDT&&EngineeringContext"), -1);
    dialogs.AnswerMessage(dialogs::DialogResult::Ok);
    RequestCalculation();
    ASSERT_EQ(dialogs.Requests().size(), 1u);
    EXPECT_EQ(dialogs.Requests()[0].title, dialogs::DialogService::kMessageTitle);
    EXPECT_EQ(dialogs.Requests()[0].text, QStringLiteral("MV calculation error.\nDiameter ratio outside 0.1 to 0.75"));
    EXPECT_EQ(applet.Text(kAbort), QStringLiteral("1"));
    EXPECT_EQ(Coefficients(), before);
}

TEST_F(FlowCalculation, AFailureBeforeOrAfterTheEngineAlsoAsksForTheAbortAndLeavesEveryCoefficient)
{
    FLOW_REQUIRE_APPLET();
    Revision(22);
    RequestCalculation();
    const QStringList before = Coefficients();
    EngineDouble::Script& engine = EngineDouble::script();
    engine.output.mvC[0] = 0.5;
    const auto failsAndKeeps = [&](const char* why, const QString& traced) {
        SCOPED_TRACE(why);
        applet.PutText(kAbort, QStringLiteral("0"));
        ErrorTraces traces;
        EXPECT_FALSE(Calculation()->CalculateCoeff());
        EXPECT_EQ(applet.Text(kAbort), QStringLiteral("1"));
        EXPECT_TRUE(traces.Contains(traced)) << traces.lines.join(QLatin1Char('\n')).toStdString();
        EXPECT_EQ(Coefficients(), before);
    };

    // Before: a unit code the bus does not know; the engine is not asked.
    applet.PutNumber(QStringLiteral("mvInPUnit"), 200);
    failsAndKeeps("unknown pressure unit", QStringLiteral("mvPr cannot be converted from unit 200"));
    EXPECT_EQ(engine.calls, 1);
    applet.PutNumber(QStringLiteral("mvInPUnit"), 7);
    // No engine to create.
    automation::ClassRegistry::instance().Unregister(flowcalc::kMvCalculationEngineClassId);
    failsAndKeeps("no engine", QStringLiteral("flow calculation failed"));
    EngineDouble::Install();
    engine.output.mvC[0] = 0.5;

    // After: a result unit the bus does not know, found before anything is written.
    applet.PutNumber(QStringLiteral("mvOutVolFlowUnit"), 200);
    failsAndKeeps("unknown volume flow unit", QStringLiteral("unit of mvOutVolFlowUnit"));
    applet.PutNumber(QStringLiteral("mvOutVolFlowUnit"), 19);
    // A result that is no number.
    engine.output.mvKQCL = std::nan("");
    failsAndKeeps("result not a number", QStringLiteral("mvKQCL is not a finite number"));
    engine.output.mvKQCL = 75;
    // A result whose conversion into the chosen unit (m3/h) overflows.
    engine.output.mvOutVolFlowMaxValue = 1e307;
    failsAndKeeps("conversion overflows", QStringLiteral("converted from unit 28 to unit 19 is not a finite number"));
    engine.output.mvOutVolFlowMaxValue = 0.01;
    // The last result does not fit its item: the manager refuses it after
    // nineteen others were written; they are put back.
    engine.output.mvInTHiLim = 1e39;
    failsAndKeeps("last write refused", QStringLiteral("mvInTHiLim"));
    EXPECT_EQ(engine.calls, 4);

    // And the next sound calculation writes everything.
    engine.output.mvInTHiLim = 80;
    applet.PutText(kAbort, QStringLiteral("0"));
    EXPECT_TRUE(Calculation()->CalculateCoeff());
    EXPECT_EQ(applet.Text(QStringLiteral("mvC1")), QStringLiteral("0.5"));
    EXPECT_EQ(applet.Text(kAbort), QStringLiteral("0"));
}

} // namespace
