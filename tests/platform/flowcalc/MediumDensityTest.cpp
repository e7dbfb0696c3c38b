#include "platform/flowcalc/Iapws97.h"
#include "platform/flowcalc/MediumDensity.h"
#include <gtest/gtest.h>

namespace {
using namespace flowcalc::MediumDensity;
namespace Iapws97 = flowcalc::Iapws97;

TEST(SaturatedSteam, ReproducesTheFormulationsVerificationValues)
{
    // The computed values that IAPWS-IF97 publishes to check an
    // implementation: saturation pressure and temperature (region 4), and
    // specific volume, enthalpy and entropy of steam (region 2); the latter
    // two need the ideal-gas part too. Nine digits: agreement to half a unit
    // of the last one.
    const struct {
        double t, p;
    } pressures[] = {{300, 0.353658941e-2}, {500, 0.263889776e1}, {600, 0.123443146e2}};
    for (const auto& row : pressures)
        EXPECT_NEAR(Iapws97::SaturationPressureMPa(row.t) / row.p, 1.0, 5e-9) << row.t;
    const struct {
        double p, t;
    } temperatures[] = {{0.1, 0.372755919e3}, {1, 0.453035632e3}, {10, 0.584149488e3}};
    for (const auto& row : temperatures)
        EXPECT_NEAR(Iapws97::SaturationTemperatureK(row.p) / row.t, 1.0, 5e-9) << row.p;
    const struct {
        double t, p, v, h, s;
    } steam[] = {{300, 0.0035, 0.394913866e2, 0.254991145e4, 0.852238967e1},
                 {700, 0.0035, 0.923015898e2, 0.333568375e4, 0.101749996e2},
                 {700, 30, 0.542946619e-2, 0.263149474e4, 0.517540298e1}};
    for (const auto& row : steam) {
        EXPECT_NEAR(Iapws97::Region2SpecificVolume(row.p, row.t) / row.v, 1.0, 5e-9) << row.t << " K " << row.p;
        EXPECT_NEAR(Iapws97::Region2SpecificEnthalpy(row.p, row.t) / row.h, 1.0, 5e-9) << row.t << " K " << row.p;
        EXPECT_NEAR(Iapws97::Region2SpecificEntropy(row.p, row.t) / row.s, 1.0, 5e-9) << row.t << " K " << row.p;
    }
}

TEST(SaturatedSteam, MatchesPublishedSteamTablesUpToTheEndOfTheVapourModel)
{
    // Saturated steam by temperature as printed in common steam tables,
    // rounded to four or five digits: pressure in bar, vapour density in
    // kg/m3. Tables of the scientific formulation differ from the
    // industrial one by a few 1e-4 in the vapour density near 350 C.
    const struct {
        double t, p, rho;
    } rows[] = {{100, 1.0142, 0.5982}, {200, 15.547, 7.8610}, {300, 85.88, 46.17}, {350, 165.29, 113.6}};
    for (const auto& row : rows) {
        EXPECT_NEAR(SaturationPressureBar(row.t) / row.p, 1.0, 2e-4) << row.t;
        EXPECT_NEAR(SaturatedVapourDensity(row.t) / row.rho, 1.0, 6e-4) << row.t;
        EXPECT_NEAR(SaturationTemperatureC(SaturationPressureBar(row.t)), row.t, 1e-9);
    }
    EXPECT_NEAR(SteamModelMaxBar(), 165.291643, 1e-5);
    // Beyond the vapour model the density is held at its end, not extrapolated.
    EXPECT_EQ(SaturatedVapourDensity(370), SaturatedVapourDensity(kSteamModelMaxC));
}

TEST(LiquidDensityFit, ReproducesQuadraticDataAndFitsWater)
{
    const double t[6] = {0, 20, 40, 60, 80, 100};
    double rho[6];
    for (int i = 0; i < 6; ++i)
        rho[i] = 1000.0 - 0.05 * t[i] - 0.004 * t[i] * t[i];
    const auto exact = FitQuadratic(t, rho);
    ASSERT_TRUE(exact);
    EXPECT_NEAR((*exact)[0], 1000.0, 1e-9);
    EXPECT_NEAR((*exact)[1], -0.05, 1e-11);
    EXPECT_NEAR((*exact)[2], -0.004, 1e-13);

    // Water from 0 to 100 C; least-squares coefficients solved with exact
    // rational arithmetic in a separate evaluation.
    const double water[6] = {999.84, 998.21, 992.22, 983.20, 971.82, 958.37};
    const auto fit = FitQuadratic(t, water);
    ASSERT_TRUE(fit);
    EXPECT_NEAR(Quadratic(*fit, 60.0), 983.5622857142857, 1e-9);

    const double same[6] = {20, 20, 20, 20, 20, 20};
    EXPECT_FALSE(FitQuadratic(same, water));
}

TEST(CompressibilityMatrix, InterpolatesThroughItsNodesAndHoldsToTheGrid)
{
    CompressibilityMatrix m{{10, 30, 50}, {0, 20, 40}, {0.975, 0.925, 0.88, 0.98, 0.94, 0.90, 0.985, 0.95, 0.915}};
    ASSERT_TRUE(m.IsValid());
    EXPECT_FALSE(m.IsIdeal());
    EXPECT_DOUBLE_EQ(m.Factor(30, 20), 0.94);
    EXPECT_DOUBLE_EQ(m.Factor(50, 0), 0.88);
    EXPECT_NEAR(m.Factor(90, 80), 0.915, 1e-15); // outside: the nearest corner
    EXPECT_FALSE(m.Contains(90, 20));
    // Between the rows: the quadratic through 0.925, 0.94, 0.95 at T = 10
    // (weights 0.375, 0.75, -0.125).
    EXPECT_NEAR(m.Factor(30, 10), 0.933125, 1e-12);

    CompressibilityMatrix ideal;
    for (double& z : ideal.z)
        z = 1.0;
    EXPECT_TRUE(ideal.IsIdeal());
    EXPECT_DOUBLE_EQ(ideal.Factor(5, 5), 1.0);
    m.p[2] = 30;
    EXPECT_FALSE(m.IsValid());
}

} // namespace
