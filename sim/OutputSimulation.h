#pragma once
// Simulation of the flow block's outputs. While "mvOut<X>SimulateEnabled" is
// on, the simulated value "mvOut<X>SimulateValue" (in that output's unit,
// "mvOut<X>Unit") replaces the computed output in everything downstream: the
// output value the block reports, and for the volume flow the flow device
// variable with the loop current and totaliser that follow it. A simulated
// output shows in the device status as simulation active, and the flow device
// variable of a simulated volume flow as fixed.
#include "sim/ProcessModel.h"
#include <array>

namespace sim {

class DeviceParameters;

// The outputs of the flow block.
namespace FlowOutput {
constexpr int Mass = 0;      // mass (standard volume) flow, ProcessValues::massFlow
constexpr int Volume = 1;    // volume flow, the flow device variable
constexpr int Count = 2;
} // namespace FlowOutput

// The outputs whose simulation is on.
std::array<bool, FlowOutput::Count> simulatedOutputs(const DeviceParameters& parameters);
// Puts the simulated outputs in place of the computed ones.
void applySimulatedOutputs(const DeviceParameters& parameters, ProcessValues& values);

} // namespace sim
