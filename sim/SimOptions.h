#pragma once
// The identity and variant of the simulated transmitter as its command line
// selects them: device type code, software revision, pressure module, the
// multivariable function, the file of its non-volatile memory and the faults
// its diagnosis reports.
#include "sim/DeviceState.h"
#include "sim/SensorTrim.h"
#include <QString>
#include <array>
#include <cstdint>
#include <optional>

namespace sim {

class SimTransmitter;

struct VariantOptions {
    std::optional<uint32_t> deviceType;   // the device type code command 0 reports
    std::optional<uint32_t> revision;     // software revision
    std::optional<uint32_t> module;       // pressure module type
    std::optional<bool> multivariable;    // multivariable function on
    QString memory;                       // non-volatile memory file, empty: none
    // Values held at the sensors (kPa, degrees Celsius) instead of the moving process.
    std::array<std::optional<double>, Measured::Count> held{};
    // Bits of the device diagnosis (octets 0-3) the device reports as faults.
    std::array<uint8_t, Diagnosis::Octets> faults{};
};

// Software codes in the software specifics, by revision.
QString softwareCode(uint32_t revision);

// A whole number, decimal or 0x-hexadecimal, up to max.
bool parseNumber(const QString& text, uint32_t max, uint32_t& out);
// Each parse refuses (false, error set, options unchanged) what it cannot take.
bool parseModule(const QString& text, VariantOptions& options, QString& error);
bool parseMultivariable(const QString& text, VariantOptions& options, QString& error);
// NAME=VALUE: dp, sp (kPa), temperature or sensor-temperature (degrees Celsius).
bool parseHeld(const QString& text, VariantOptions& options, QString& error);

// A fault of the device diagnosis by name: electronics, configuration,
// maintenance, characteristic or ident-number.
bool parseFault(const QString& text, VariantOptions& options, QString& error);
// The names parseFault takes, for the help.
QString faultNames();

// Applies the options; false with error when the memory file is refused
// (nothing is changed then).
bool applyVariant(SimTransmitter& transmitter, const VariantOptions& options, QString& error);

} // namespace sim
