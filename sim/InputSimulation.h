#pragma once
// Simulation of the measured inputs, as the device offers it for a loop
// check. While "mvIn<X>SimulateEnabled" is on, the simulated value
// "mvIn<X>SimulateValue" (in the multivariable block's unit of that input, "mvIn<X>Unit") replaces the
// measured one in everything downstream: the block value, the device
// variable, the flow computed from it, the outputs and the loop current.
// While an analog-input block ("ai<X>...") simulates its output, its output
// value and status are the simulated ones. A simulated input shows in the device
// status as simulation active, and its device variable as fixed.
#include <QString>
#include <QVariant>
#include <array>
#include <optional>

namespace sim {

class DeviceParameters;

// The three simulated inputs in the order of the measured variables
// (differential pressure, static pressure, process temperature).
constexpr int kSimulatedInputs = 3;

// The inputs whose simulation is on.
std::array<bool, kSimulatedInputs> simulatedInputs(const DeviceParameters& parameters);
// The value of measured input (base units): the simulated one while its simulation is on.
double simulatedOrMeasured(const DeviceParameters& parameters, int measured, double value);
// Whether an analog-input block simulates its output.
bool analogInputSimulated(const DeviceParameters& parameters);
// The output value or status of an analog-input block while it simulates
// its output; nullopt for every other parameter and while it does not.
std::optional<QVariant> analogInputOutput(const QString& name, const DeviceParameters& parameters);

} // namespace sim
