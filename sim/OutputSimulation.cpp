#include "sim/OutputSimulation.h"

#include "sim/DeviceParameters.h"
#include "sim/SimUnits.h"

namespace sim {

namespace {

// Per output: its simulation items and the unit the value is in.
struct SimulatedOutput {
    const char* enabled;
    const char* value;
    const char* unit;
};
constexpr SimulatedOutput kOutputs[FlowOutput::Count] = {
    {"mvOutMassFlowSimulateEnabled", "mvOutMassFlowSimulateValue", "mvOutMassFlowUnit"},
    {"mvOutVolFlowSimulateEnabled", "mvOutVolFlowSimulateValue", "mvOutVolFlowUnit"},
};

double& Computed(ProcessValues& values, int output)
{
    return output == FlowOutput::Mass ? values.massFlow : values.value[Variable::Flow];
}

} // namespace

std::array<bool, FlowOutput::Count> simulatedOutputs(const DeviceParameters& parameters)
{
    std::array<bool, FlowOutput::Count> on{};
    for (int i = 0; i < FlowOutput::Count; ++i)
        on[static_cast<size_t>(i)] = parameters.value(QLatin1String(kOutputs[i].enabled)).toUInt() == 1;
    return on;
}

void applySimulatedOutputs(const DeviceParameters& parameters, ProcessValues& values)
{
    const std::array<bool, FlowOutput::Count> on = simulatedOutputs(parameters);
    for (int i = 0; i < FlowOutput::Count; ++i) {
        if (!on[static_cast<size_t>(i)])
            continue;
        const auto unit = static_cast<uint8_t>(parameters.value(QLatin1String(kOutputs[i].unit)).toUInt());
        Computed(values, i) = toBase(parameters.value(QLatin1String(kOutputs[i].value)).toDouble(), unit);
    }
}

} // namespace sim
