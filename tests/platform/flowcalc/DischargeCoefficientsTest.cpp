// Discharge coefficients and expansibility factors of the primary elements.
// Reference values: computed independently of this library, with a separate
// Python evaluation (double precision) of the published ISO 5167-2 (orifice
// plates, Reader-Harris/Gallagher; orifice expansibility) and ISO 5167-3
// (ISA 1932 and long radius nozzles; nozzle and venturi expansibility)
// equations, rounded to six decimals. They are not copied from the standards'
// annex tables.
#include "platform/flowcalc/FlowcalcTables.h"
#include "platform/flowcalc/Iso5167.h"
#include <functional>
#include <gtest/gtest.h>

namespace {
using namespace flowcalc;
using Iso5167::OrificeTapping;

struct Row {
    double beta;
    double reference[3];
};

// Each row's three reference values at the three abscissae (Reynolds numbers
// or pressure ratios), to 1e-4 relative.
void CheckTable(const std::function<double(double beta, double at)>& equation, const Row (&rows)[3],
                const double (&at)[3], const char* what)
{
    for (const Row& row : rows)
        for (int i = 0; i < 3; ++i)
            EXPECT_NEAR(equation(row.beta, at[i]) / row.reference[i], 1.0, 1e-4)
                << what << " beta " << row.beta << " at " << at[i];
}

void CheckOrifice(OrificeTapping tapping, const Row (&rows)[3], const char* what)
{
    const double reynolds[3] = {2e4, 1e5, 1e7};
    CheckTable([tapping](double beta, double re) { return Iso5167::OrificeDischargeCoefficient(tapping, beta, re, 100.0); },
               rows, reynolds, what);
}

TEST(DischargeCoefficients, OrificePlatesFollowReaderHarrisGallagherForEachTapping)
{
    // D = 100 mm; Re_D = 2e4, 1e5, 1e7.
    CheckOrifice(OrificeTapping::Corner,
                 {{0.2, {0.599991, 0.598127, 0.597211}}, {0.5, {0.613106, 0.606873, 0.602679}},
                  {0.7, {0.624377, 0.609954, 0.599227}}},
                 "corner");
    CheckOrifice(OrificeTapping::Flange,
                 {{0.2, {0.599464, 0.597601, 0.596684}}, {0.5, {0.612351, 0.606201, 0.602038}},
                  {0.7, {0.627500, 0.613595, 0.603060}}},
                 "flange");
    CheckOrifice(OrificeTapping::DAndDHalf,
                 {{0.2, {0.599218, 0.597355, 0.596439}}, {0.5, {0.612292, 0.606185, 0.602037}},
                  {0.7, {0.630548, 0.616904, 0.606466}}},
                 "D and D/2");
}

TEST(DischargeCoefficients, SmallPipesRaiseTheOrificeCoefficient)
{
    // Below D = 71.12 mm the equation adds 0.011 (0.75 - beta)(2.8 - D/25.4).
    const double at71 = Iso5167::OrificeDischargeCoefficient(OrificeTapping::Corner, 0.5, 1e5, 71.12);
    const double at60 = Iso5167::OrificeDischargeCoefficient(OrificeTapping::Corner, 0.5, 1e5, 60.0);
    EXPECT_NEAR(at60 - at71, 0.011 * 0.25 * (2.8 - 60.0 / 25.4), 1e-12);
}

TEST(DischargeCoefficients, NozzlesFollowTheirEquations)
{
    const Row isa[3] = {{0.45, {0.960367, 0.979945, 0.981420}},
                        {0.6, {0.941117, 0.960656, 0.962128}},
                        {0.8, {0.916223, 0.900585, 0.899406}}};
    const double isaRe[3] = {2e4, 2e5, 1e7};
    CheckTable(Iso5167::Isa1932NozzleDischargeCoefficient, isa, isaRe, "ISA 1932");

    const Row longRadius[3] = {{0.2, {0.967297, 0.987265, 0.995577}},
                               {0.5, {0.950326, 0.981898, 0.995040}},
                               {0.8, {0.938094, 0.978030, 0.994653}}};
    const double lrRe[3] = {1e4, 1e5, 1e7};
    CheckTable(Iso5167::LongRadiusNozzleDischargeCoefficient, longRadius, lrRe, "long radius");
}

TEST(DischargeCoefficients, VenturiElementsHaveTheirFixedOrBetaOnlyCoefficient)
{
    // Classical venturi tubes: 0.984 as cast, 0.995 machined, 0.985 rough-welded.
    const double expected[3] = {0.984, 0.995, 0.985};
    for (int code = 7; code <= 9; ++code) {
        const PrimaryElement* element = FindPrimaryElement(code);
        ASSERT_NE(element, nullptr);
        for (double re : {2e5, 1e6})
            EXPECT_DOUBLE_EQ(DischargeCoefficient(*element, 0.5, re, 200.0), expected[code - 7]);
    }
    // Venturi nozzle: 0.9858 - 0.196 beta^4.5 (0.5: 0.9858 - 0.196 / 22.627417).
    EXPECT_NEAR(Iso5167::VenturiNozzleDischargeCoefficient(0.5), 0.977138, 1e-6);
}

TEST(Expansibility, OrificeAndNozzleFactorsAtThreePressureRatios)
{
    // kappa 1.4; tau = p2/p1 = 0.98, 0.9, 0.75.
    const double tau[3] = {0.98, 0.9, 0.75};
    const Row orifice[3] = {{0.2, {0.994965, 0.974524, 0.934725}},
                            {0.5, {0.994690, 0.973131, 0.931155}},
                            {0.75, {0.992477, 0.961932, 0.902462}}};
    CheckTable([](double beta, double t) { return Iso5167::OrificeExpansibility(beta, t, 1.4); }, orifice, tau,
               "orifice eps");
    const Row nozzle[3] = {{0.3, {0.989113, 0.944381, 0.854643}},
                           {0.5, {0.988291, 0.940549, 0.846363}},
                           {0.75, {0.982778, 0.915769, 0.795987}}};
    CheckTable([](double beta, double t) { return Iso5167::NozzleExpansibility(beta, t, 1.4); }, nozzle, tau,
               "nozzle eps");
    EXPECT_DOUBLE_EQ(Iso5167::NozzleExpansibility(0.5, 1.0, 1.4), 1.0);
}

TEST(Expansibility, ElementsPickTheirEquation)
{
    EXPECT_DOUBLE_EQ(Expansibility(*FindPrimaryElement(2), 0.5, 0.9, 1.4), Iso5167::OrificeExpansibility(0.5, 0.9, 1.4));
    for (int code : {4, 5, 6, 8})
        EXPECT_DOUBLE_EQ(Expansibility(*FindPrimaryElement(code), 0.5, 0.9, 1.4),
                         Iso5167::NozzleExpansibility(0.5, 0.9, 1.4));
}

TEST(MinimumReynolds, FollowsTheBetaAndDiameterRules)
{
    EXPECT_DOUBLE_EQ(MinimumReynolds(*FindPrimaryElement(1), 0.5, 100), 5000);
    EXPECT_DOUBLE_EQ(MinimumReynolds(*FindPrimaryElement(1), 0.7, 100), 16000 * 0.49);
    EXPECT_DOUBLE_EQ(MinimumReynolds(*FindPrimaryElement(2), 0.7, 500), 170 * 0.49 * 500);
    EXPECT_DOUBLE_EQ(MinimumReynolds(*FindPrimaryElement(4), 0.4, 100), 7e4);
    EXPECT_DOUBLE_EQ(MinimumReynolds(*FindPrimaryElement(4), 0.5, 100), 2e4);
}

} // namespace
