#pragma once
// The device parameters that carry measured values. The device-dependent read
// commands answer them from the simulated process, in the unit that the
// parameter's unit parameter holds, as commands 1, 2, 3 and 9 answer the
// device variables; every other parameter is answered as stored.
#include "sim/ProcessModel.h"
#include <QString>
#include <QVariant>
#include <optional>

namespace sim {

class DeviceParameters;

// The value of the named parameter now, in its stored form; nullopt for a
// parameter that is not a measured value.
std::optional<QVariant> measuredParameter(const QString& name, const ProcessValues& values,
                                          const DeviceParameters& parameters);

} // namespace sim
