#pragma once
// The flow coefficients the transmitter holds: the values the flow
// calculation last downloaded, read from the device parameters and brought
// into the units the flow model takes (bar, degrees Celsius, kg/m3, m3/s).
// The flow device variable follows them through the same model the
// calculation used, so a download of new coefficients changes the measured
// flow exactly. Without a usable set (no flow constant, no 100 % flow, an
// unknown medium or unit, a value that is not finite) the transmitter keeps
// its square-root law with the process model's flow coefficient.
#include "platform/flowcalc/MvFlowModel.h"
#include <cstdint>
#include <optional>

namespace sim {

class DeviceParameters;

// The coefficient set, or nullopt when the parameters hold no usable one.
// The software revision tells the units the reference values are held in.
std::optional<flowcalc::MvFlowCoefficients> MvFlowParameters(const DeviceParameters& parameters,
                                                             uint8_t softwareRevision);
// The operating density the flow block holds ("mvRho"), kg/m3; nullopt when
// it is not a number in a density unit the block converts.
std::optional<double> MvOperatingDensity(const DeviceParameters& parameters);

} // namespace sim
