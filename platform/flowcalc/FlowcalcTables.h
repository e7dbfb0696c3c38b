#pragma once
// The engine's data tables: primary elements, media and materials, each row
// found by its code. MvCalculationEngine.h explains the codes.
#include "platform/flowcalc/Iso5167.h"
#include <cstdint>

namespace flowcalc {

enum class ElementKind { Orifice, Isa1932Nozzle, LongRadiusNozzle, VenturiNozzle, ClassicalVenturi };

struct PrimaryElement {
    int32_t code;
    ElementKind kind;
    Iso5167::OrificeTapping tapping; // orifice plates only
    double fixedC;                   // classical venturi tubes only
    double diameterMinMm, diameterMaxMm;
    double betaMin, betaMax;
    double reynoldsMin, reynoldsMax; // reynoldsMin before the beta-dependent rules
    double boreMinMm;
    const char* name;       // English
    const char* nameGerman;
};

enum class DensityModel {
    Liquid,               // constant density: the design density
    LiquidTable,          // quadratic fit of the temperature-density table
    GasMatrix,            // standard density, compressibility matrix
    GasIdeal,             // design density, ideal-gas correction in p and T
    GasFixedTemperature,  // design density, ideal-gas correction in p only
    SteamByTemperature,   // saturated steam, density from the measured temperature
    SteamByPressure,      // saturated steam, density from the measured pressure
};

struct Medium {
    int32_t code;
    DensityModel model;
    bool compressible;
    double fixedKappa;  // 0: the record's isentropic exponent
    const char* name;
};

struct Material {
    int32_t code;
    double expansion;   // linear expansion coefficient at 20 C, 1/K
    const char* name;
};

const PrimaryElement* FindPrimaryElement(int32_t code);
const Medium* FindMedium(int32_t code);
const Material* FindMaterial(int32_t code);

// The lowest pipe Reynolds number at which the element's discharge
// coefficient holds, for the diameter ratio and pipe diameter in use.
double MinimumReynolds(const PrimaryElement& element, double beta, double diameterMm);

// The element's discharge coefficient.
double DischargeCoefficient(const PrimaryElement& element, double beta, double reynolds, double diameterMm);

// The element's expansibility factor for tau = p2/p1.
double Expansibility(const PrimaryElement& element, double beta, double tau, double kappa);

} // namespace flowcalc
