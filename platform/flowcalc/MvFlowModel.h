#pragma once
// The transmitter's flow computation from the coefficients the calculation
// wrote to it: the same model the engine uses, so a simulated transmitter
// measures the flow a real one would. Pure functions.
//
// Per measurement (dp in mbar, p absolute in bar, T in C):
//   T used     = T, or the design temperature for medium 7, or the
//                saturation temperature of p for medium 3
//   rho        = density model of the medium (mvHt1..3, mvZr, matrix, steam)
//   beta_T     = beta * (1 + mvK1 (T - 20)) / (1 + mvK2 (T - 20))
//   eps        = cubic through (0, 1) and (k mvMolN2 / 3, mvEpsilon k), x = dp / p
//   C          = quadratic in Re^-0.5 through (mvReserved2..4, mvC1..3), Re held
//                to the three points; Re = mvReserved4 * qm / qm100
//   qm         = mvKqm (1 + mvK1 (T - 20))^2 / sqrt(1 - beta_T^4) C eps sqrt(dp rho)
//   qm100      = mvOutVolFlowMaxValue * mvRhor
// The flow value QV is qm in kg/s, or the standard volume flow qm / rho_n in
// m3/s for the gas medium 4.
#include "platform/flowcalc/MvCalculationInput.h"
#include "platform/flowcalc/MvCalculationOutput.h"

namespace flowcalc {

// What the transmitter holds after a calculation: the results plus the
// configuration values of the flow block that the model reads.
struct MvFlowCoefficients {
    int32_t medium = 0;
    double beta = 0;
    double kqm = 0;
    double k1 = 0, k2 = 0;
    double ht[3] = {};
    double zr = 1;
    double xMax = 0;
    double c[3] = {};
    double reynolds[3] = {};
    double epsilon[3] = {};
    double rhoR = 0;
    double pR = 0;
    double tR = 0;
    double volFlowMax = 0;
    double rhoNorm = 0;
    double pkb[3] = {}, tkb[3] = {}, zkb[9] = {};
};

MvFlowCoefficients FlowCoefficientsFrom(const MvCalculationInput& input, const MvCalculationOutput& output);

struct MvFlowValues {
    double flow = 0;      // QV: kg/s, standard m3/s for medium 4
    double massFlow = 0;  // kg/s
    double density = 0;   // kg/m3 at the measured state
    double reynolds = 0;  // pipe Reynolds number at this flow
};

// A differential pressure of 0 or below, a static pressure of 0 or below or
// coefficients without a 100 % flow give no flow (all values 0 but density).
MvFlowValues MvFlowFromCoefficients(const MvFlowCoefficients& k, double dpMbar, double pBar, double tC);

// The operating density of the medium at (p, T) from the coefficients.
double MvDensity(const MvFlowCoefficients& k, double pBar, double tC);

} // namespace flowcalc
