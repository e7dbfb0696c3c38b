// Worked examples of each medium class through the engine, and the
// transmitter's flow model fed with the engine's results. Expected flows were
// computed independently of this library (separate Python evaluation of the
// ISO 5167 equations, the quadratic density fit solved in exact rational
// arithmetic, saturated steam by IAPWS-IF97).
#include "platform/flowcalc/Iso5167.h"
#include "platform/flowcalc/MvCalculationEngine.h"
#include "platform/flowcalc/MvFlowModel.h"
#include "tests/platform/flowcalc/EngineTestSupport.h"
#include <cmath>
#include <gtest/gtest.h>
#include <numbers>

namespace {
using namespace flowcalc;

void ExpectRel(double actual, double expected, double tolerance = 1e-6);

// The engine's design flow (from the design percentage and the 100 % flow),
// and the transmitter model's flow at the design state, which interpolates C
// and eps between the three points and so agrees to about 1e-4.
void ExpectDesignFlow(const MvCalculationInput& in, const EngineResult& r, double fullFlow, double expected)
{
    ExpectRel(r.out.mvKQCL / 100.0 * fullFlow, expected, 1e-9);
    ExpectRel(MvFlowFromCoefficients(FlowCoefficientsFrom(in, r.out), in.mvdpr, in.mvPr, r.out.mvTr).massFlow,
              expected, 1e-4);
}

void ExpectRel(double actual, double expected, double tolerance)
{
    EXPECT_NEAR(actual / expected, 1.0, tolerance) << actual << " vs " << expected;
}

MvCalculationInput MethaneThroughNozzle()
{
    MvCalculationInput in = WaterThroughOrifice();
    in.mvMediumType = 4;
    in.mvBlendeDuese = 4;
    in.mvReserved5 = 200;
    in.mvBeta = 0.6;
    in.mvReDr = 5e6;
    in.mvPr = 30;
    in.mvTr = 20;
    in.mvdpr = 500;
    in.mvKapa = 1.3;
    in.mvRhonorm = 0.7175;
    in.mvOutMassFlowMaxValue = 25; // standard m3/s
    in.MvInTLoLIm = 0;
    in.mvInTHiLim = 40;
    in.mvInPLoLim = 10;
    in.mvInDpHiLim = 1000;
    const double p[3] = {10, 30, 50}, t[3] = {0, 20, 40};
    const double z[9] = {0.975, 0.925, 0.88, 0.98, 0.94, 0.90, 0.985, 0.95, 0.915};
    for (int i = 0; i < 3; ++i) {
        in.mvPkb[i] = p[i];
        in.mvTkb[i] = t[i];
    }
    for (int i = 0; i < 9; ++i)
        in.mvZkb[i] = z[i];
    return in;
}

TEST(FlowCalculation, LiquidThroughOrificePlate)
{
    const MvCalculationInput in = WaterThroughOrifice();
    const EngineResult r = Calculate(in);
    ASSERT_EQ(r.status, kMvStatusOk) << r.warning.toStdString();
    EXPECT_TRUE(r.warning.isEmpty());
    // C(beta 0.5, Re 2e5, D 100, corner) 0.6055426; qm 8.6752647 kg/s.
    ExpectRel(r.out.mvC[2], 0.6055425971832127);
    EXPECT_DOUBLE_EQ(r.out.mvKQCL, 100.0); // the 100 % flow follows from mvKQCL
    ExpectDesignFlow(in, r, r.out.mvOutVolFlowMaxValue * 998.2, 8.67526472203932);
    ExpectRel(r.out.mvOutVolFlowMaxValue, 8.67526472203932 / 998.2);
    ExpectRel(r.out.mvKqm, std::numbers::pi / 4 * 0.05 * 0.05 * std::sqrt(200.0), 1e-12);
    EXPECT_DOUBLE_EQ(r.out.mvHt[0], 998.2);
    EXPECT_DOUBLE_EQ(r.out.mvMolN2, 0.0);
    for (double eps : r.out.mvEpsilon)
        EXPECT_EQ(eps, 1.0);
    // The three points: 10 %, 31.6 % and 100 % of the flow, Re scaled with it.
    ExpectRel(r.out.mvC[3], 2e4);
    ExpectRel(r.out.mvC[5], 2e5);
    ExpectRel(r.out.mvC[0], Iso5167::OrificeDischargeCoefficient(Iso5167::OrificeTapping::Corner, 0.5, 2e4, 100));
    EXPECT_DOUBLE_EQ(r.out.mvRemin, 5000);
    EXPECT_DOUBLE_EQ(r.out.MvInTLoLIm, 0);
    EXPECT_DOUBLE_EQ(r.out.mvInTHiLim, 80);
}

TEST(FlowCalculation, LiquidWithDensityTableThroughVenturiNozzle)
{
    MvCalculationInput in = WaterThroughOrifice();
    in.mvMediumType = 5;
    in.mvBlendeDuese = 6;
    in.mvReserved5 = 150;
    in.mvBeta = 0.6;
    in.mvReDr = 1.5e6;
    in.mvTr = 60;
    in.mvdpr = 300;
    in.mvH0 = in.mvMolCO2 = 3; // stainless steel 316, 16e-6 1/K
    in.mvOutMassFlowMaxValue = 60;
    const double t[6] = {0, 20, 40, 60, 80, 100}, rho[6] = {999.84, 998.21, 992.22, 983.20, 971.82, 958.37};
    for (int i = 0; i < 6; ++i) {
        in.mvT[i] = t[i];
        in.mvrho[i] = rho[i];
    }
    const EngineResult r = Calculate(in);
    ASSERT_EQ(r.status, kMvStatusOk) << r.warning.toStdString();
    ExpectRel(r.out.mvRhor, 983.5622857142857, 1e-9);
    ExpectDesignFlow(in, r, 60, 50.67346597765897);
    ExpectRel(r.out.mvC[0], 0.9661240052465956);
    EXPECT_DOUBLE_EQ(r.out.mvK[0], 16e-6);
}

TEST(FlowCalculation, GasWithCompressibilityMatrixThroughIsaNozzle)
{
    const MvCalculationInput in = MethaneThroughNozzle();
    const EngineResult r = Calculate(in);
    ASSERT_EQ(r.status, kMvStatusOk) << r.warning.toStdString();
    EXPECT_DOUBLE_EQ(r.out.mvZr, 0.94);
    ExpectRel(r.out.mvRhor, 21.057654725387064, 1e-12);
    ExpectDesignFlow(in, r, 25 * 0.7175, 16.72955283129352);
    const auto k = FlowCoefficientsFrom(in, r.out);
    ExpectRel(MvFlowFromCoefficients(k, in.mvdpr, in.mvPr, in.mvTr).flow, 23.316449939085047, 1e-4); // standard m3/s
    // Design expansibility 0.98846827 at dp/p 1/60; the third point at the
    // range corner dp/p = 1000 mbar / 10 bar.
    EXPECT_DOUBLE_EQ(r.out.mvMolN2, 0.1);
    ExpectRel(r.out.mvEpsilon[2], Iso5167::NozzleExpansibility(0.6, 0.9, 1.3), 1e-12);
}

TEST(FlowCalculation, SaturatedSteamThroughFlangeTappedOrifice)
{
    MvCalculationInput in = WaterThroughOrifice();
    in.mvMediumType = 3;
    in.mvBlendeDuese = 2;
    in.mvBeta = 0.6;
    in.mvPr = 10;
    in.mvdpr = 200;
    in.mvReDr = 1e6;
    in.mvKapa = 0; // steam brings its own exponent
    in.mvH0 = in.mvMolCO2 = 148; // carbon steel, 11.7e-6 1/K
    in.mvOutMassFlowMaxValue = 1.0;
    in.MvInTLoLIm = 100;
    in.mvInTHiLim = 250;
    in.mvInPLoLim = 5;
    const EngineResult r = Calculate(in);
    ASSERT_EQ(r.status, kMvStatusOk) << r.warning.toStdString();
    ExpectRel(r.out.mvTr, 179.88563239146663, 1e-9);
    ExpectRel(r.out.mvRhor, 5.145385853182684, 1e-9);
    ExpectDesignFlow(in, r, 1.0, 0.8311257634599785);
}

TEST(FlowModel, FollowsTheStandardAwayFromTheDesignState)
{
    // Water at 100 mbar: the standard's flow with C at the Reynolds number of
    // that flow (viscosity constant, so Re scales with the flow).
    const MvCalculationInput water = WaterThroughOrifice();
    const EngineResult r = Calculate(water);
    const double designFlow = 8.67526472203932;
    double expected = designFlow;
    for (int i = 0; i < 50; ++i)
        expected = Iso5167::MassFlow(Iso5167::OrificeDischargeCoefficient(Iso5167::OrificeTapping::Corner, 0.5,
                                                                          2e5 * expected / designFlow, 100),
                                     0.5, 1.0, 0.05, 1e4, 998.2);
    const auto flow = MvFlowFromCoefficients(FlowCoefficientsFrom(water, r.out), 100, 5, 20);
    ExpectRel(flow.massFlow, expected, 1e-4);
    ExpectRel(flow.reynolds, 2e5 * expected / designFlow, 1e-4);

    // Gas at the matrix corner 50 bar, 40 C and 800 mbar.
    const MvCalculationInput gas = MethaneThroughNozzle();
    const EngineResult g = Calculate(gas);
    const double rho = 0.7175 * (50 / 1.01325) * (273.15 / 313.15) / 0.915;
    const double gasDesign = 16.72955283129352;
    double gasExpected = gasDesign;
    for (int i = 0; i < 50; ++i)
        gasExpected = Iso5167::MassFlow(Iso5167::Isa1932NozzleDischargeCoefficient(0.6, 5e6 * gasExpected / gasDesign),
                                        0.6, Iso5167::NozzleExpansibility(0.6, 1 - 0.8 / 50, 1.3), 0.12, 8e4, rho);
    const auto gasFlow = MvFlowFromCoefficients(FlowCoefficientsFrom(gas, g.out), 800, 50, 40);
    ExpectRel(gasFlow.density, rho, 1e-12);
    ExpectRel(gasFlow.massFlow, gasExpected, 1e-4);
}

TEST(FlowModel, NoFlowWithoutDifferentialPressureOrCoefficients)
{
    const MvCalculationInput in = WaterThroughOrifice();
    const auto k = FlowCoefficientsFrom(in, Calculate(in).out);
    EXPECT_EQ(MvFlowFromCoefficients(k, 0, 5, 20).flow, 0.0);
    EXPECT_EQ(MvFlowFromCoefficients(k, -3, 5, 20).flow, 0.0);
    EXPECT_EQ(MvFlowFromCoefficients(k, 100, 0, 20).flow, 0.0);
    EXPECT_EQ(MvFlowFromCoefficients(MvFlowCoefficients{}, 100, 5, 20).flow, 0.0);
}

} // namespace
