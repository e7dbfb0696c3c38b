#pragma once
// The unit codes of HART, PROFIBUS and FOUNDATION Fieldbus and how a value in
// each unit converts to the base unit of its quantity and back. Sans-I/O.
//
// Base units: pressure mbar, volume flow m3/s, mass flow kg/s, temperature
// degrees C, density kg/m3, length mm. A conversion is one or two arithmetic
// steps with the decimal constants of the device's unit table, written
// exactly so (7 significant digits where the table has them, 1.666667E-05
// rather than 1/60000), so that converted values match the device's own.
#include "mvtrivexhelper/Enumerations.h"
#include <QString>
#include <cstdint>
#include <optional>
#include <vector>

namespace UnitTable {

struct Step {
    enum Op { Add, Subtract, Multiply, Divide, MultiplyByInverse };
    Op op;
    double k;
};

// Up to two steps, applied in order; none is the identity. False when a step
// gives no finite number (the value is then left as it was).
struct Conversion {
    std::vector<Step> steps;
    bool Apply(double in, double& out) const;
};

struct UnitRow {
    const char* quantity;
    const char* unit;
    std::vector<int16_t> hart;
    std::vector<int16_t> profibus;
    std::vector<int16_t> ff;
    Conversion toBase;
    Conversion fromBase;                     // every bus unless fromBaseHart is given
    std::optional<Conversion> fromBaseHart;  // where HART computes the same conversion differently
};

// The table, one row per unit, in the order of the device's unit table.
const std::vector<UnitRow>& Rows();

// The codes of a row on a bus.
const std::vector<int16_t>& CodesOf(const UnitRow& row, enmCommType bus);

// The row of a code on a bus; none for a code the bus does not have.
const UnitRow* Find(enmCommType bus, int16_t code);

// The from-base conversion of a row on a bus (the to-base one is the same on all).
const Conversion& FromBase(const UnitRow& row, enmCommType bus);

// A value from the unit of one code into that of another; false when a code
// is not the bus's, the units measure different quantities or a step gives
// no number.
bool Convert(enmCommType bus, int16_t from, int16_t to, double value, double& converted);

} // namespace UnitTable
