#include "platform/flowcalc/MediumDensity.h"
#include <gtest/gtest.h>

namespace {
using namespace flowcalc::MediumDensity;

TEST(SaturatedSteam, MatchesPublishedSteamTables)
{
    // Saturated steam by temperature, values of the IAPWS industrial
    // formulation (IAPWS-IF97) as printed in common steam tables (100, 180 and
    // 200 C): pressure 1.01418, 10.0281, 15.5493 bar; vapour density 0.59817,
    // 5.1596, 7.8610 kg/m3. The short saturation equations agree to about 1e-4.
    const struct {
        double t, p, rho;
    } rows[] = {{100, 1.01418, 0.59817}, {180, 10.0281, 5.1596}, {200, 15.5493, 7.8610}};
    for (const auto& row : rows) {
        EXPECT_NEAR(SaturationPressureBar(row.t) / row.p, 1.0, 2e-4) << row.t;
        EXPECT_NEAR(SaturatedVapourDensity(row.t) / row.rho, 1.0, 3e-4) << row.t;
        EXPECT_NEAR(SaturationTemperatureC(SaturationPressureBar(row.t)), row.t, 1e-9);
    }
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
