#include "platform/flowcalc/MediumDensity.h"
#include "platform/flowcalc/Iapws97.h"
#include <algorithm>
#include <iterator>
#include <cmath>

namespace flowcalc::MediumDensity {

namespace {
// Lagrange weights of x on three increasing nodes.
std::array<double, 3> Weights(const double (&n)[3], double x)
{
    return {(x - n[1]) * (x - n[2]) / ((n[0] - n[1]) * (n[0] - n[2])),
            (x - n[0]) * (x - n[2]) / ((n[1] - n[0]) * (n[1] - n[2])),
            (x - n[0]) * (x - n[1]) / ((n[2] - n[0]) * (n[2] - n[1]))};
}

bool Increasing(const double* v, int n)
{
    for (int i = 1; i < n; ++i)
        if (!(v[i] > v[i - 1]))
            return false;
    return true;
}
} // namespace

// The formulation's own equations, so the density agrees with its
// published verification values to their nine digits.
double SaturationPressureBar(double temperatureC)
{
    const double t = std::clamp(temperatureC, kSteamTripleC, kSteamCriticalC);
    return 10.0 * Iapws97::SaturationPressureMPa(t + kKelvin);
}

double SaturationTemperatureC(double pressureBar)
{
    const double p = std::clamp(pressureBar, kSteamTripleBar, kSteamCriticalBar);
    return Iapws97::SaturationTemperatureK(p / 10.0) - kKelvin;
}

double SteamModelMaxBar()
{
    return SaturationPressureBar(kSteamModelMaxC);
}

double SaturatedVapourDensity(double temperatureC)
{
    const double tk = std::clamp(temperatureC, kSteamTripleC, kSteamModelMaxC) + kKelvin;
    return 1.0 / Iapws97::Region2SpecificVolume(Iapws97::SaturationPressureMPa(tk), tk);
}

std::optional<std::array<double, 3>> FitQuadratic(const double (&t)[6], const double (&rho)[6])
{
    // Normal equations m * a = v of the least-squares fit, solved by Cramer's rule.
    double s[5] = {};
    double v[3] = {};
    for (int i = 0; i < 6; ++i) {
        double power = 1;
        for (int k = 0; k < 5; ++k) {
            s[k] += power;
            if (k < 3)
                v[k] += power * rho[i];
            power *= t[i];
        }
    }
    const double m[3][3] = {{s[0], s[1], s[2]}, {s[1], s[2], s[3]}, {s[2], s[3], s[4]}};
    auto det = [](const double (&a)[3][3]) {
        return a[0][0] * (a[1][1] * a[2][2] - a[1][2] * a[2][1]) - a[0][1] * (a[1][0] * a[2][2] - a[1][2] * a[2][0])
               + a[0][2] * (a[1][0] * a[2][1] - a[1][1] * a[2][0]);
    };
    const double d = det(m);
    if (!std::isfinite(d) || std::fabs(d) < 1e-12 * std::fabs(s[4] * s[2] * s[0]))
        return std::nullopt;
    std::array<double, 3> a{};
    for (int col = 0; col < 3; ++col) {
        double mc[3][3];
        for (int r = 0; r < 3; ++r)
            for (int c = 0; c < 3; ++c)
                mc[r][c] = c == col ? v[r] : m[r][c];
        a[col] = det(mc) / d;
    }
    return a;
}

double Quadratic(const std::array<double, 3>& a, double t)
{
    return a[0] + (a[1] + a[2] * t) * t;
}

bool CompressibilityMatrix::IsIdeal() const
{
    return std::all_of(std::begin(z), std::end(z), [](double f) { return f == 1.0; });
}

bool CompressibilityMatrix::IsValid() const
{
    return Increasing(p, 3) && Increasing(t, 3) && std::all_of(std::begin(z), std::end(z), [](double f) { return f > 0; });
}

bool CompressibilityMatrix::Contains(double pressureBar, double temperatureC) const
{
    return pressureBar >= p[0] && pressureBar <= p[2] && temperatureC >= t[0] && temperatureC <= t[2];
}

double CompressibilityMatrix::Factor(double pressureBar, double temperatureC) const
{
    if (IsIdeal())
        return 1.0;
    const auto wp = Weights(p, std::clamp(pressureBar, p[0], p[2]));
    const auto wt = Weights(t, std::clamp(temperatureC, t[0], t[2]));
    double sum = 0;
    for (int r = 0; r < 3; ++r)
        for (int c = 0; c < 3; ++c)
            sum += wt[r] * wp[c] * z[3 * r + c];
    return sum;
}

} // namespace flowcalc::MediumDensity
