// Inputs the engine refuses (an error with the reason, nothing written) and
// inputs it accepts with a warning (status 1, results written).
#include "platform/automation/ComError.h"
#include "platform/flowcalc/MvCalculationEngine.h"
#include "tests/platform/flowcalc/EngineTestSupport.h"
#include "platform/flowcalc/Iso5167.h"
#include <QStringList>
#include <cmath>
#include <functional>
#include <gtest/gtest.h>
#include <limits>

namespace {
using namespace flowcalc;

struct Refusal {
    const char* what;
    std::function<void(MvCalculationInput&)> change;
    const char* reason;
};

const Refusal kRefusals[] = {
    {"unknown medium", [](auto& in) { in.mvMediumType = 8; }, "medium type 8 is not known"},
    {"element without equation", [](auto& in) { in.mvBlendeDuese = 13; }, "primary element 13"},
    {"unknown material", [](auto& in) { in.mvH0 = 7; }, "material code 7 of mvH0"},
    {"not a number", [](auto& in) { in.mvZkb[4] = std::nan(""); }, "mvZkb5 is not a finite number"},
    {"infinite", [](auto& in) { in.mvdpr = std::numeric_limits<double>::infinity(); }, "mvdpr is not a finite"},
    {"no differential pressure", [](auto& in) { in.mvdpr = 0; }, "mvdpr (0) must be above 0"},
    {"no static pressure", [](auto& in) { in.mvPr = -1; }, "mvPr (-1) must be above 0"},
    {"no density", [](auto& in) { in.mvRhor = 0; }, "mvRhor (0) must be above 0"},
    {"beta above", [](auto& in) { in.mvBeta = 0.8; }, "diameter ratio 0.8 is outside 0.1 to 0.75"},
    {"beta below for nozzle", [](auto& in) { in.mvBlendeDuese = 4; in.mvBeta = 0.25; },
     "diameter ratio 0.25 is outside 0.3 to 0.8"},
    {"pipe too small", [](auto& in) { in.mvReserved5 = 40; }, "pipe diameter 40 mm is outside 50 to 1000 mm"},
    {"venturi pipe too large", [](auto& in) { in.mvBlendeDuese = 8; in.mvReserved5 = 300; },
     "pipe diameter 300 mm is outside 50 to 250 mm"},
    {"bore too small", [](auto& in) { in.mvReserved5 = 50; in.mvBeta = 0.2; },
     "bore 10 mm is below the smallest bore 12.5 mm"},
    {"Reynolds below", [](auto& in) { in.mvReDr = 4000; }, "Reynolds number 4000 of the design state is below the minimum 5000"},
    {"Reynolds below for large beta", [](auto& in) { in.mvBeta = 0.7; in.mvReDr = 7000; },
     "below the minimum 7840"},
    {"Reynolds above", [](auto& in) { in.mvBlendeDuese = 7; in.mvReDr = 3e6; },
     "Reynolds number 3000000 of the design state is above the maximum 2000000"},
    {"pressure ratio", [](auto& in) { in.mvdpr = 1500; }, "ratio of differential to static pressure is 0.3"},
    {"density table", [](auto& in) { in.mvMediumType = 5; for (int i = 0; i < 6; ++i) { in.mvT[i] = 10.0 * i; in.mvrho[i] = 1000; } in.mvT[3] = 20; },
     "temperature-density table needs increasing"},
    {"matrix axes", [](auto& in) { UseGasMatrix(in); in.mvPkb[2] = in.mvPkb[1]; }, "compressibility matrix needs"},
    {"no standard density", [](auto& in) { UseGasMatrix(in); in.mvRhonorm = 0; }, "mvRhonorm (0) must be above 0"},
    {"steam above critical", [](auto& in) { in.mvMediumType = 3; in.mvPr = 230; in.mvdpr = 100; },
     "no saturated steam at 230 bar"},
    {"steam beyond the vapour model", [](auto& in) { in.mvMediumType = 2; in.mvTr = 360; },
     "saturated steam at 360 C is beyond 350 C"},
    {"steam pressure beyond the vapour model", [](auto& in) { in.mvMediumType = 3; in.mvPr = 200; in.mvdpr = 100; },
     "saturated steam at 200 bar is beyond 165.292 bar"},
    {"pipe too small when cold", [](auto& in) { in.mvReserved5 = 50; in.mvH0 = in.mvMolCO2 = 148; in.mvTr = -40; },
     "pipe diameter 49.9649 mm is outside 50 to 1000 mm"},
    {"beta above when hot", [](auto& in) { in.mvBeta = 0.75; in.mvH0 = 3; in.mvMolCO2 = 148; in.mvTr = 300; },
     "diameter ratio 0.7509 is outside 0.1 to 0.75"},
    {"steam below triple point", [](auto& in) { in.mvMediumType = 2; in.mvTr = -5; }, "no saturated steam at -5 C"},
    {"isentropic exponent", [](auto& in) { in.mvMediumType = 6; in.mvKapa = 1.0; }, "isentropic exponent 1 must be above 1"},
    {"no 100 % flow", [](auto& in) { in.mvKQCL = 0; in.mvOutMassFlowMaxValue = 0; }, "100 % flow is missing"},
    {"temperature range reversed", [](auto& in) { in.MvInTLoLIm = 90; in.mvInTHiLim = 10; },
     "temperature correction range 90 C to 10 C is reversed"},
    {"correction range impossible", [](auto& in) { in.mvMediumType = 6; in.mvInPLoLim = 0.3; in.mvInDpHiLim = 400; },
     "differential pressure 400 mbar of the correction range reaches the static pressure 0.3 bar"},
};

TEST(ValidityLimits, OutOfLimitInputIsRefusedWithItsReasonAndChangesNothing)
{
    for (const Refusal& refusal : kRefusals) {
        MvCalculationInput in = WaterThroughOrifice();
        refusal.change(in);
        MvCalculationEngine engine;
        MvCalculationOutput out;
        out.mvKqm = 42;
        out.mvInTHiLim = 43;
        int32_t status = 7;
        QString warning = QStringLiteral("before");
        try {
            engine.Calculate(in, QStringLiteral("22"), out, status, warning);
            ADD_FAILURE() << refusal.what << ": accepted";
        } catch (const automation::ComError& e) {
            EXPECT_TRUE(e.description().contains(QLatin1String(refusal.reason), Qt::CaseInsensitive))
                << refusal.what << ": " << e.description().toStdString();
            EXPECT_EQ(e.source(), QStringLiteral("MvCalculationEngine.Calculate"));
        }
        EXPECT_DOUBLE_EQ(out.mvKqm, 42) << refusal.what;
        EXPECT_DOUBLE_EQ(out.mvInTHiLim, 43) << refusal.what;
        EXPECT_EQ(status, 7) << refusal.what;
        EXPECT_EQ(warning, QStringLiteral("before")) << refusal.what;
    }
}

TEST(ValidityLimits, DimensionsAreJudgedAtTheWorkingTemperatureAndAMaximumReynoldsNumberIsNoWarning)
{
    // 49.99 mm at 20 C, 50.05 mm at 100 C: inside the limits in operation.
    MvCalculationInput warm = WaterThroughOrifice();
    warm.mvReserved5 = 49.99;
    warm.mvH0 = warm.mvMolCO2 = 3;
    warm.mvTr = 100;
    warm.mvInTHiLim = 100;
    EXPECT_EQ(Calculate(warm).status, kMvStatusWarning); // below 71.12 mm only

    // Designs exactly at the venturi's largest Reynolds number: the 100 %
    // point lies there too and the 10 % point on the smallest, whatever the
    // rounding of the flows in between.
    for (double diameter = 100; diameter <= 800; diameter += 7) {
        MvCalculationInput venturi = WaterThroughOrifice();
        venturi.mvBlendeDuese = 7;
        venturi.mvReserved5 = diameter;
        venturi.mvBeta = 0.3 + diameter / 2000;
        venturi.mvReDr = 2e6;
        const EngineResult r = Calculate(venturi);
        EXPECT_EQ(r.status, kMvStatusOk) << diameter << ": " << r.warning.toStdString();
    }
}

TEST(ValidityLimits, ReasonsFollowTheCountryCode)
{
    MvCalculationInput in = WaterThroughOrifice();
    in.mvBeta = 0.9;
    try {
        Calculate(in, 49);
        FAIL() << "accepted";
    } catch (const automation::ComError& e) {
        EXPECT_TRUE(e.description().startsWith(QStringLiteral("Das Durchmesserverhältnis 0,9"))) << e.description().toStdString();
    }
}

TEST(Warnings, WiderUncertaintyGivesStatusOneAndStillWritesTheResults)
{
    // A 60 mm pipe: orifice plates below 71.12 mm carry more uncertainty.
    MvCalculationInput small = WaterThroughOrifice();
    small.mvReserved5 = 60;
    EngineResult r = Calculate(small);
    EXPECT_EQ(r.status, kMvStatusWarning);
    EXPECT_TRUE(r.warning.contains(QLatin1String("below 71.12 mm"))) << r.warning.toStdString();
    EXPECT_GT(r.out.mvKqm, 0);
    EXPECT_GT(r.out.mvC[2], 0.6);

    // Design Reynolds number 2e4: the 10 % point lies at 2000, below 5000.
    MvCalculationInput slow = WaterThroughOrifice();
    slow.mvReDr = 2e4;
    r = Calculate(slow);
    EXPECT_EQ(r.status, kMvStatusWarning);
    EXPECT_TRUE(r.warning.contains(QLatin1String("At 10 % flow the Reynolds number 2000 is below the minimum 5000")))
        << r.warning.toStdString();

    // Both at once: one line each.
    small.mvReDr = 2e4;
    r = Calculate(small);
    EXPECT_EQ(r.warning.split(QLatin1Char('\n')).size(), 2) << r.warning.toStdString();

    // German.
    r = Calculate(slow, 49);
    EXPECT_TRUE(r.warning.startsWith(QStringLiteral("Bei 10 % Durchfluss"))) << r.warning.toStdString();
}

TEST(Warnings, CorrectionRangesBeyondTheDataAreLimitedOrFlagged)
{
    // Gas whose pressure range reaches dp/p 0.5 / 1.5 = 0.33: eps is still
    // given up to that ratio, with a warning.
    MvCalculationInput gas = WaterThroughOrifice();
    gas.mvMediumType = 6;
    gas.mvRhor = 5.9;
    gas.mvInPLoLim = 1.5;
    EngineResult r = Calculate(gas);
    EXPECT_EQ(r.status, kMvStatusWarning);
    EXPECT_TRUE(r.warning.contains(QLatin1String("0.333333"))) << r.warning.toStdString();
    EXPECT_NEAR(r.out.mvMolN2, 1.0 / 3.0, 1e-15);
    EXPECT_NEAR(r.out.mvEpsilon[2], Iso5167::OrificeExpansibility(0.5, 2.0 / 3.0, 1.4), 1e-15);

    // Gas with a matrix from 0 to 40 C: the correction range 0..80 C is
    // limited to the matrix.
    MvCalculationInput matrixGas = WaterThroughOrifice();
    UseGasMatrix(matrixGas);
    r = Calculate(matrixGas);
    EXPECT_EQ(r.status, kMvStatusWarning);
    EXPECT_DOUBLE_EQ(r.out.MvInTLoLIm, 0);
    EXPECT_DOUBLE_EQ(r.out.mvInTHiLim, 40);
    EXPECT_TRUE(r.warning.contains(QLatin1String("limited to 0 C to 40 C"))) << r.warning.toStdString();

    // The design state outside the matrix: the nearest edge, flagged.
    matrixGas.mvPr = 20;
    matrixGas.mvInTHiLim = 40;
    r = Calculate(matrixGas);
    EXPECT_EQ(r.status, kMvStatusWarning);
    EXPECT_TRUE(r.warning.contains(QLatin1String("outside the compressibility matrix"))) << r.warning.toStdString();
    EXPECT_DOUBLE_EQ(r.out.mvZr, 0.99 - 0.001 * 5); // T 20 row, 10 bar column
}

TEST(Warnings, AnIdealMatrixNeedsNoAxesAndAWarningIsNotKeptForTheNextCall)
{
    MvCalculationInput gas = WaterThroughOrifice();
    UseGasMatrix(gas);
    for (double& z : gas.mvZkb)
        z = 1.0;
    for (double& p : gas.mvPkb)
        p = 0;
    gas.mvInPLoLim = 4;
    MvCalculationEngine engine;
    MvCalculationOutput out;
    int32_t status = 1;
    QString warning = QStringLiteral("old");
    engine.Calculate(gas, QStringLiteral("22"), out, status, warning);
    EXPECT_EQ(status, kMvStatusOk);
    EXPECT_TRUE(warning.isEmpty()) << warning.toStdString();
    EXPECT_DOUBLE_EQ(out.mvZr, 1.0);
    // Standard density 0.7175 at 1.01325 bar, 0 C, brought to 5 bar, 20 C.
    EXPECT_NEAR(out.mvRhor, 0.7175 * 5 / 1.01325 * 273.15 / 293.15, 1e-12);
}

} // namespace
