#include "platform/flowcalc/Iso5167.h"
#include <cmath>
#include <numbers>

namespace flowcalc::Iso5167 {

namespace {
struct TappingSpacing {
    double l1;
    double l2;
};

TappingSpacing Spacing(OrificeTapping tapping, double diameterMm)
{
    switch (tapping) {
    case OrificeTapping::Corner:
        return {0.0, 0.0};
    case OrificeTapping::DAndDHalf:
        return {1.0, 0.47};
    case OrificeTapping::Flange:
        break;
    }
    const double l = 25.4 / diameterMm;
    return {l, l};
}
} // namespace

double OrificeDischargeCoefficient(OrificeTapping tapping, double beta, double reynolds, double diameterMm)
{
    const auto [l1, l2] = Spacing(tapping, diameterMm);
    const double b4 = std::pow(beta, 4);
    const double a = std::pow(19000.0 * beta / reynolds, 0.8);
    const double m2 = 2.0 * l2 / (1.0 - beta);
    double c = 0.5961 + 0.0261 * beta * beta - 0.216 * std::pow(beta, 8)
               + 0.000521 * std::pow(1e6 * beta / reynolds, 0.7)
               + (0.0188 + 0.0063 * a) * std::pow(beta, 3.5) * std::pow(1e6 / reynolds, 0.3)
               + (0.043 + 0.080 * std::exp(-10.0 * l1) - 0.123 * std::exp(-7.0 * l1)) * (1.0 - 0.11 * a) * b4
                     / (1.0 - b4)
               - 0.031 * (m2 - 0.8 * std::pow(m2, 1.1)) * std::pow(beta, 1.3);
    if (diameterMm < 71.12)
        c += 0.011 * (0.75 - beta) * (2.8 - diameterMm / 25.4);
    return c;
}

double OrificeExpansibility(double beta, double tau, double kappa)
{
    return 1.0 - (0.351 + 0.256 * std::pow(beta, 4) + 0.93 * std::pow(beta, 8)) * (1.0 - std::pow(tau, 1.0 / kappa));
}

double NozzleExpansibility(double beta, double tau, double kappa)
{
    if (tau >= 1.0)
        return 1.0;
    const double b4 = std::pow(beta, 4);
    const double t2k = std::pow(tau, 2.0 / kappa);
    const double value = kappa * t2k / (kappa - 1.0) * (1.0 - b4) / (1.0 - b4 * t2k)
                         * (1.0 - std::pow(tau, (kappa - 1.0) / kappa)) / (1.0 - tau);
    return std::sqrt(value);
}

double Isa1932NozzleDischargeCoefficient(double beta, double reynolds)
{
    return 0.9900 - 0.2262 * std::pow(beta, 4.1)
           - (0.00175 * beta * beta - 0.0033 * std::pow(beta, 4.15)) * std::pow(1e6 / reynolds, 1.15);
}

double LongRadiusNozzleDischargeCoefficient(double beta, double reynolds)
{
    return 0.9965 - 0.00653 * std::sqrt(beta) * std::sqrt(1e6 / reynolds);
}

double VenturiNozzleDischargeCoefficient(double beta)
{
    return 0.9858 - 0.196 * std::pow(beta, 4.5);
}

double ApproachFactor(double beta)
{
    return 1.0 / std::sqrt(1.0 - std::pow(beta, 4));
}

double MassFlow(double c, double beta, double epsilon, double boreM, double dpPa, double rho)
{
    return c * ApproachFactor(beta) * epsilon * std::numbers::pi / 4.0 * boreM * boreM * std::sqrt(2.0 * dpPa * rho);
}

} // namespace flowcalc::Iso5167
