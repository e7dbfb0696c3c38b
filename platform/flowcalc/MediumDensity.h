#pragma once
// Density models of the media: saturated steam, the liquid temperature-density
// fit and the gas compressibility matrix. Pure functions; the engine and the
// transmitter's flow model share them, so both compute the same density.
#include <array>
#include <optional>

namespace flowcalc::MediumDensity {

constexpr double kKelvin = 273.15;
constexpr double kStandardPressureBar = 1.01325;
constexpr double kStandardTemperatureC = 0.0;

// Saturated steam by IAPWS-IF97: the saturation line (region 4) from the
// triple point to the critical point, the density of the saturated vapour
// (region 2) up to 350 C, where region 2 ends; nearer the critical point
// the vapour is not modelled.
constexpr double kSteamTripleC = 0.01;
constexpr double kSteamCriticalC = 373.946;
constexpr double kSteamCriticalBar = 220.64;
constexpr double kSteamTripleBar = 0.00611657;
constexpr double kSteamModelMaxC = 350.0;
double SaturationPressureBar(double temperatureC);   // temperature held to triple..critical
double SaturationTemperatureC(double pressureBar);   // inverse of the above, pressure held alike
double SteamModelMaxBar();                           // saturation pressure at kSteamModelMaxC
// kg/m3; the temperature is held to kSteamTripleC..kSteamModelMaxC.
double SaturatedVapourDensity(double temperatureC);

// Least-squares quadratic rho(T) = a0 + a1*T + a2*T^2 through the table;
// no value when the temperatures do not give a solvable fit.
std::optional<std::array<double, 3>> FitQuadratic(const double (&t)[6], const double (&rho)[6]);
double Quadratic(const std::array<double, 3>& a, double t);

// The compressibility matrix: factor of temperature row r and pressure column
// c at z[3*r + c]. Biquadratic interpolation, with (p, t) held to the grid.
struct CompressibilityMatrix {
    double p[3] = {};
    double t[3] = {};
    double z[9] = {};
    // All nine factors 1: the gas is taken as ideal and the axes do not matter.
    bool IsIdeal() const;
    // Axes strictly increasing and factors above 0.
    bool IsValid() const;
    bool Contains(double pressureBar, double temperatureC) const;
    double Factor(double pressureBar, double temperatureC) const;
};

} // namespace flowcalc::MediumDensity
