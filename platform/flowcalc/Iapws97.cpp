#include "platform/flowcalc/Iapws97.h"
#include <cmath>

namespace flowcalc::Iapws97 {

namespace {
// Coefficients n1..n10 of the saturation-line equations.
constexpr double kN[11] = {0,
                           0.11670521452767e4,
                           -0.72421316703206e6,
                           -0.17073846940092e2,
                           0.12020824702470e5,
                           -0.32325550322333e7,
                           0.14915108613530e2,
                           -0.48232657361591e4,
                           0.40511340542057e6,
                           -0.23855557567849,
                           0.65017534844798e3};

// Region 2, ideal-gas part: gamma0 = ln(pi) + sum n0 tau^J0.
struct IdealTerm {
    int j;
    double n;
};
constexpr IdealTerm kIdeal[] = {
    {0, -0.96927686500217e1}, {1, 0.10086655968018e2},   {-5, -0.56087911283020e-2},
    {-4, 0.71452738081455e-1}, {-3, -0.40710498223928},   {-2, 0.14240819171444e1},
    {-1, -0.43839511319450e1}, {2, -0.28408632460772},    {3, 0.21268463753307e-1},
};

// Region 2, residual part: gammaR = sum n pi^I (tau - 0.5)^J.
struct ResidualTerm {
    int i;
    int j;
    double n;
};
constexpr ResidualTerm kResidual[] = {
    {1, 0, -0.17731742473213e-2},  {1, 1, -0.17834862292358e-1},  {1, 2, -0.45996013696365e-1},
    {1, 3, -0.57581259083432e-1},  {1, 6, -0.50325278727930e-1},  {2, 1, -0.33032641670203e-4},
    {2, 2, -0.18948987516315e-3},  {2, 4, -0.39392777243355e-2},  {2, 7, -0.43797295650573e-1},
    {2, 36, -0.26674547914087e-4}, {3, 0, 0.20481737692309e-7},   {3, 1, 0.43870667284435e-6},
    {3, 3, -0.32277677238570e-4},  {3, 6, -0.15033924542148e-2},  {3, 35, -0.40668253562649e-1},
    {4, 1, -0.78847309559367e-9},  {4, 2, 0.12790717852285e-7},   {4, 3, 0.48225372718507e-6},
    {5, 7, 0.22922076337661e-5},   {6, 3, -0.16714766451061e-10}, {6, 16, -0.21171472321355e-2},
    {6, 35, -0.23895741934104e2},  {7, 0, -0.59059564324270e-17}, {7, 11, -0.12621808899101e-5},
    {7, 25, -0.38946842435739e-1}, {8, 8, 0.11256211360459e-10},  {8, 36, -0.82311340897998e1},
    {9, 13, 0.19809712802088e-7},  {10, 4, 0.10406965210174e-18}, {10, 10, -0.10234747095929e-12},
    {10, 14, -0.10018179379511e-8}, {16, 29, -0.80882908646985e-10}, {16, 50, 0.10693031879409},
    {18, 57, -0.33662250574171},   {20, 20, 0.89185845355421e-24}, {20, 35, 0.30629316876232e-12},
    {20, 48, -0.42002467698208e-5}, {21, 21, -0.59056029685639e-25}, {22, 53, 0.37826947613457e-5},
    {23, 39, -0.12768608934681e-14}, {24, 26, 0.73087610595061e-28}, {24, 40, 0.55414715350778e-16},
    {24, 58, -0.94369707241210e-6},
};

constexpr double kRegion2ReferenceK = 540.0;
} // namespace

double SaturationPressureMPa(double temperatureK)
{
    const double t = temperatureK;
    const double theta = t + kN[9] / (t - kN[10]);
    const double a = theta * theta + kN[1] * theta + kN[2];
    const double b = kN[3] * theta * theta + kN[4] * theta + kN[5];
    const double c = kN[6] * theta * theta + kN[7] * theta + kN[8];
    return std::pow(2.0 * c / (-b + std::sqrt(b * b - 4.0 * a * c)), 4);
}

double SaturationTemperatureK(double pressureMPa)
{
    const double beta = std::pow(pressureMPa, 0.25);
    const double e = beta * beta + kN[3] * beta + kN[6];
    const double f = kN[1] * beta * beta + kN[4] * beta + kN[7];
    const double g = kN[2] * beta * beta + kN[5] * beta + kN[8];
    const double d = 2.0 * g / (-f - std::sqrt(f * f - 4.0 * e * g));
    return (kN[10] + d - std::sqrt((kN[10] + d) * (kN[10] + d) - 4.0 * (kN[9] + kN[10] * d))) / 2.0;
}

Region2Gibbs Region2(double pressureMPa, double temperatureK)
{
    const double pi = pressureMPa;
    const double tau = kRegion2ReferenceK / temperatureK;
    Region2Gibbs g;
    g.gamma = std::log(pi);
    g.gammaPi = 1.0 / pi;
    for (const IdealTerm& term : kIdeal) {
        g.gamma += term.n * std::pow(tau, term.j);
        g.gammaTau += term.n * term.j * std::pow(tau, term.j - 1);
    }
    const double x = tau - 0.5;
    for (const ResidualTerm& term : kResidual) {
        const double piI = std::pow(pi, term.i);
        const double xJ = std::pow(x, term.j);
        g.gamma += term.n * piI * xJ;
        g.gammaPi += term.n * term.i * std::pow(pi, term.i - 1) * xJ;
        g.gammaTau += term.n * piI * term.j * std::pow(x, term.j - 1);
    }
    return g;
}

double Region2SpecificVolume(double pressureMPa, double temperatureK)
{
    // v = R T / p * pi * gamma_pi; R in kJ/(kg K) and p in kPa give m3/kg.
    const Region2Gibbs g = Region2(pressureMPa, temperatureK);
    return kGasConstant * temperatureK / (pressureMPa * 1000.0) * pressureMPa * g.gammaPi;
}

double Region2SpecificEnthalpy(double pressureMPa, double temperatureK)
{
    const Region2Gibbs g = Region2(pressureMPa, temperatureK);
    return kGasConstant * kRegion2ReferenceK * g.gammaTau;
}

double Region2SpecificEntropy(double pressureMPa, double temperatureK)
{
    const Region2Gibbs g = Region2(pressureMPa, temperatureK);
    const double tau = kRegion2ReferenceK / temperatureK;
    return kGasConstant * (tau * g.gammaTau - g.gamma);
}

} // namespace flowcalc::Iapws97
