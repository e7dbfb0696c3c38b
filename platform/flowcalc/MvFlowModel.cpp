#include "platform/flowcalc/MvFlowModel.h"
#include "platform/flowcalc/FlowcalcTables.h"
#include "platform/flowcalc/MediumDensity.h"
#include <algorithm>
#include <cmath>
#include <cstring>

namespace flowcalc {

namespace {
using MediumDensity::kKelvin;

double Lagrange(const double (&x)[4], const double (&y)[4], double at)
{
    double sum = 0;
    for (int i = 0; i < 4; ++i) {
        double w = 1;
        for (int j = 0; j < 4; ++j)
            if (j != i)
                w *= (at - x[j]) / (x[i] - x[j]);
        sum += w * y[i];
    }
    return sum;
}

double ExpansibilityAt(const MvFlowCoefficients& k, double x)
{
    if (!(k.xMax > 0))
        return 1.0;
    const double xs[4] = {0, k.xMax / 3, 2 * k.xMax / 3, k.xMax};
    const double ys[4] = {1, k.epsilon[0], k.epsilon[1], k.epsilon[2]};
    return Lagrange(xs, ys, std::clamp(x, 0.0, k.xMax));
}

double DischargeAt(const MvFlowCoefficients& k, double reynolds)
{
    const double* re = k.reynolds;
    if (!(re[0] > 0 && re[1] > re[0] && re[2] > re[1]))
        return k.c[2];
    // In u = Re^-0.5 the coefficients of all elements are close to a parabola.
    const double l[3] = {1.0 / std::sqrt(re[0]), 1.0 / std::sqrt(re[1]), 1.0 / std::sqrt(re[2])};
    const double x = 1.0 / std::sqrt(std::clamp(reynolds, re[0], re[2]));
    double sum = 0;
    for (int i = 0; i < 3; ++i) {
        double w = 1;
        for (int j = 0; j < 3; ++j)
            if (j != i)
                w *= (x - l[j]) / (l[i] - l[j]);
        sum += w * k.c[i];
    }
    return sum;
}

double TemperatureUsed(const MvFlowCoefficients& k, const Medium* medium, double pBar, double tC)
{
    if (!medium)
        return tC;
    if (medium->model == DensityModel::GasFixedTemperature)
        return k.tR;
    if (medium->model == DensityModel::SteamByPressure)
        return MediumDensity::SaturationTemperatureC(pBar);
    return tC;
}
} // namespace

MvFlowCoefficients FlowCoefficientsFrom(const MvCalculationInput& input, const MvCalculationOutput& output)
{
    MvFlowCoefficients k;
    k.medium = input.mvMediumType;
    k.beta = input.mvBeta;
    k.kqm = output.mvKqm;
    k.k1 = output.mvK[0];
    k.k2 = output.mvK[1];
    k.zr = output.mvZr;
    k.xMax = output.mvMolN2;
    for (int i = 0; i < 3; ++i) {
        k.ht[i] = output.mvHt[i];
        k.c[i] = output.mvC[i];
        k.reynolds[i] = output.mvC[3 + i];
        k.epsilon[i] = output.mvEpsilon[i];
        k.pkb[i] = input.mvPkb[i];
        k.tkb[i] = input.mvTkb[i];
    }
    for (int i = 0; i < 9; ++i)
        k.zkb[i] = input.mvZkb[i];
    k.rhoR = output.mvRhor;
    k.pR = input.mvPr;
    k.tR = output.mvTr;
    k.volFlowMax = output.mvOutVolFlowMaxValue;
    k.rhoNorm = input.mvRhonorm;
    return k;
}

double MvDensity(const MvFlowCoefficients& k, double pBar, double tC)
{
    const Medium* medium = FindMedium(k.medium);
    if (!medium)
        return 0;
    const double t = TemperatureUsed(k, medium, pBar, tC);
    switch (medium->model) {
    case DensityModel::Liquid:
    case DensityModel::LiquidTable:
        return MediumDensity::Quadratic({k.ht[0], k.ht[1], k.ht[2]}, t);
    case DensityModel::SteamByTemperature:
    case DensityModel::SteamByPressure:
        return MediumDensity::SaturatedVapourDensity(t);
    case DensityModel::GasMatrix: {
        MediumDensity::CompressibilityMatrix matrix;
        std::memcpy(matrix.p, k.pkb, sizeof matrix.p);
        std::memcpy(matrix.t, k.tkb, sizeof matrix.t);
        std::memcpy(matrix.z, k.zkb, sizeof matrix.z);
        return k.ht[0] * pBar / (matrix.Factor(pBar, t) * (t + kKelvin));
    }
    case DensityModel::GasIdeal:
    case DensityModel::GasFixedTemperature:
        break;
    }
    return k.ht[0] * pBar / (t + kKelvin);
}

MvFlowValues MvFlowFromCoefficients(const MvFlowCoefficients& k, double dpMbar, double pBar, double tC)
{
    MvFlowValues values;
    if (!(pBar > 0))
        return values;
    const Medium* medium = FindMedium(k.medium);
    const double t = TemperatureUsed(k, medium, pBar, tC);
    values.density = MvDensity(k, pBar, tC);
    const double massFlow100 = k.volFlowMax * k.rhoR;
    if (!(dpMbar > 0) || !(values.density > 0) || !(massFlow100 > 0))
        return values;

    const double dt = t - 20.0;
    const double bore = 1.0 + k.k1 * dt;
    const double beta = k.beta * bore / (1.0 + k.k2 * dt);
    const double base = k.kqm * bore * bore * Iso5167::ApproachFactor(beta)
                        * ExpansibilityAt(k, dpMbar / (1000.0 * pBar)) * std::sqrt(dpMbar * values.density);
    // C depends on the Reynolds number, which follows the flow: a few
    // fixed-point steps settle it (C changes little with the flow).
    double massFlow = base * k.c[2];
    for (int i = 0; i < 20; ++i) {
        const double next = base * DischargeAt(k, k.reynolds[2] * massFlow / massFlow100);
        const bool settled = std::fabs(next - massFlow) <= 1e-14 * massFlow;
        massFlow = next;
        if (settled)
            break;
    }
    values.massFlow = massFlow;
    values.reynolds = k.reynolds[2] * massFlow / massFlow100;
    const bool standardVolume = medium && medium->model == DensityModel::GasMatrix;
    values.flow = standardVolume ? (k.rhoNorm > 0 ? massFlow / k.rhoNorm : 0) : massFlow;
    return values;
}

} // namespace flowcalc
