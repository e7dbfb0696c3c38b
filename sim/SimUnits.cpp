#include "sim/SimUnits.h"

#include <iterator>

namespace sim {

namespace {

// Pressure per kPa, temperature from degrees Celsius, volumetric flow per
// m3/h, mass flow per kg/h.
constexpr double kPoundsPerKg = 2.20462262;
constexpr double kShortTonsPerKg = 1.10231131e-3;
constexpr double kLongTonsPerKg = 9.84206528e-4;
constexpr UnitInfo kUnits[] = {
    {1, "inH2O (68 degF)", Classification::Pressure, 4.014742, 0},
    {2, "inHg (0 degC)", Classification::Pressure, 0.2952998, 0},
    {3, "ftH2O (68 degF)", Classification::Pressure, 0.3345618, 0},
    {4, "mmH2O (68 degF)", Classification::Pressure, 101.9744, 0},
    {5, "mmHg (0 degC)", Classification::Pressure, 7.500615, 0},
    {6, "psi", Classification::Pressure, 0.1450377, 0},
    {7, "bar", Classification::Pressure, 0.01, 0},
    {8, "mbar", Classification::Pressure, 10.0, 0},
    {9, "g/cm2", Classification::Pressure, 10.19716, 0},
    {10, "kg/cm2", Classification::Pressure, 0.01019716, 0},
    {11, "Pa", Classification::Pressure, 1000.0, 0},
    {12, "kPa", Classification::Pressure, 1.0, 0},
    {13, "torr", Classification::Pressure, 7.500617, 0},
    {14, "atm", Classification::Pressure, 0.009869233, 0},
    {237, "MPa", Classification::Pressure, 0.001, 0},
    {238, "inH2O (4 degC)", Classification::Pressure, 4.014631, 0},
    {239, "mmH2O (4 degC)", Classification::Pressure, 101.9716, 0},
    {32, "degC", Classification::Temperature, 1.0, 0},
    {33, "degF", Classification::Temperature, 1.8, 32.0},
    {34, "degR", Classification::Temperature, 1.8, 491.67},
    {35, "K", Classification::Temperature, 1.0, 273.15},
    {15, "ft3/min", Classification::VolumetricFlow, 0.5885778, 0},
    {16, "gal/min", Classification::VolumetricFlow, 4.402868, 0},
    {17, "l/min", Classification::VolumetricFlow, 16.666667, 0},
    {19, "m3/h", Classification::VolumetricFlow, 1.0, 0},
    {24, "l/s", Classification::VolumetricFlow, 0.27777778, 0},
    {28, "m3/s", Classification::VolumetricFlow, 1.0 / 3600.0, 0},
    {29, "m3/d", Classification::VolumetricFlow, 24.0, 0},
    {130, "ft3/h", Classification::VolumetricFlow, 35.31467, 0},
    {131, "m3/min", Classification::VolumetricFlow, 1.0 / 60.0, 0},
    {138, "l/h", Classification::VolumetricFlow, 1000.0, 0},
    {70, "g/s", Classification::MassFlow, 1000.0 / 3600.0, 0},
    {71, "g/min", Classification::MassFlow, 1000.0 / 60.0, 0},
    {72, "g/h", Classification::MassFlow, 1000.0, 0},
    {73, "kg/s", Classification::MassFlow, 1.0 / 3600.0, 0},
    {74, "kg/min", Classification::MassFlow, 1.0 / 60.0, 0},
    {75, "kg/h", Classification::MassFlow, 1.0, 0},
    {76, "kg/d", Classification::MassFlow, 24.0, 0},
    {77, "t/min", Classification::MassFlow, 1.0 / 60000.0, 0},
    {78, "t/h", Classification::MassFlow, 1.0 / 1000.0, 0},
    {79, "t/d", Classification::MassFlow, 24.0 / 1000.0, 0},
    {80, "lb/s", Classification::MassFlow, kPoundsPerKg / 3600.0, 0},
    {81, "lb/min", Classification::MassFlow, kPoundsPerKg / 60.0, 0},
    {82, "lb/h", Classification::MassFlow, kPoundsPerKg, 0},
    {83, "lb/d", Classification::MassFlow, kPoundsPerKg * 24.0, 0},
    {84, "STon/min", Classification::MassFlow, kShortTonsPerKg / 60.0, 0},
    {85, "STon/h", Classification::MassFlow, kShortTonsPerKg, 0},
    {86, "STon/d", Classification::MassFlow, kShortTonsPerKg * 24.0, 0},
    {87, "LTon/h", Classification::MassFlow, kLongTonsPerKg, 0},
    {88, "LTon/d", Classification::MassFlow, kLongTonsPerKg * 24.0, 0},
    {39, "mA", Classification::Current, 1.0, 0},
    {57, "%", Classification::NotClassified, 1.0, 0},
};

} // namespace

const UnitInfo* findUnit(uint8_t code)
{
    for (const UnitInfo& u : kUnits)
        if (u.code == code)
            return &u;
    return nullptr;
}

bool unitFits(uint8_t code, uint8_t classification)
{
    const UnitInfo* u = findUnit(code);
    return u && u->classification == classification;
}

double fromBase(double base, uint8_t unitCode)
{
    const UnitInfo* u = findUnit(unitCode);
    return u ? base * u->scale + u->offset : base;
}

double toBase(double value, uint8_t unitCode)
{
    const UnitInfo* u = findUnit(unitCode);
    return u ? (value - u->offset) / u->scale : value;
}

} // namespace sim
