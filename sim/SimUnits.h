#pragma once
// Engineering units the simulated transmitter knows: the HART unit code, its
// text, the kind of quantity it measures and how it relates to the device's
// internal base unit of that kind (kPa, degrees Celsius, m3/h, kg/h):
// value in unit = base value * scale + offset.
#include <cstdint>

namespace sim {

// Device variable classifications (the kind of quantity).
namespace Classification {
constexpr uint8_t NotClassified = 0;
constexpr uint8_t Temperature = 64;
constexpr uint8_t Pressure = 65;
constexpr uint8_t VolumetricFlow = 66;
constexpr uint8_t MassFlow = 72;
constexpr uint8_t Current = 84;
} // namespace Classification

namespace UnitCode {
constexpr uint8_t InH2O68F = 1;
constexpr uint8_t Psi = 6;
constexpr uint8_t Bar = 7;
constexpr uint8_t Mbar = 8;
constexpr uint8_t Pa = 11;
constexpr uint8_t KPa = 12;
constexpr uint8_t LitresPerMinute = 17;
constexpr uint8_t CubicMetresPerHour = 19;
constexpr uint8_t DegC = 32;
constexpr uint8_t DegF = 33;
constexpr uint8_t Kelvin = 35;
constexpr uint8_t MilliAmpere = 39;
constexpr uint8_t Seconds = 51;
constexpr uint8_t Percent = 57;
constexpr uint8_t NotUsed = 250;
} // namespace UnitCode

struct UnitInfo {
    uint8_t code;
    const char* name;
    uint8_t classification;
    double scale;
    double offset;
};

// The unit with that code, or null when the device does not know it.
const UnitInfo* findUnit(uint8_t code);
// True when the code is a unit of that classification.
bool unitFits(uint8_t code, uint8_t classification);
double fromBase(double base, uint8_t unitCode);
double toBase(double value, uint8_t unitCode);

} // namespace sim
