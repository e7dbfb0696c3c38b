#pragma once
// How the sensor trim and the measuring history meet the description: the
// calibration records take a point from the values they carry, the reset
// records clear one group, and before every answer from the description the
// items that show the device's own values (calibration points, lowest and
// highest values, violation counters, measured values, the units of the
// pressure ranges) are filled from the device state, so the device keeps each
// of them once.
#include "sim/DeviceParameters.h"
#include "sim/DeviceState.h"
#include "sim/ProcessModel.h"
#include "sim/SensorTrim.h"
#include <QString>
#include <cstdint>
#include <optional>

namespace sim {

// The limits a calibration point of a measured variable must keep.
TrimLimits trimLimits(int measured, const DeviceState& device, const DeviceParameters& parameters);

// Takes what a write record just stored that the device keeps in its own
// state: the units of the pressure ranges, and the point of a calibration record
// (taken from the value applied now). The response code; nullopt when the
// record carries nothing of that. The caller undoes the write on a refusal.
std::optional<uint8_t> takeWrittenMeasurementItems(const DescribedCommand& command, DeviceState& device,
                                                   const DeviceParameters& parameters, const MeasuredValues& applied);

// The reset records of the lowest and highest values and of the violation
// counters: selector 0 to 3 picks the group. Nullopt for any other record.
std::optional<uint8_t> resetMeasurementHistory(const QString& record, int selector, DeviceState& device,
                                               const MeasuredValues& measured);

// One look at the process for the measuring history.
void observeMeasurements(DeviceState& device, const MeasuredValues& measured, const ProcessValues& values,
                         const DeviceParameters& parameters);

// Fills the items that show the device's own values, each in the unit its page shows.
void publishMeasurementItems(const DeviceState& device, const MeasuredValues& measured, DeviceParameters& parameters);

} // namespace sim
