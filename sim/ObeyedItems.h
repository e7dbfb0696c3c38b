#pragma once
// The items of the description that the device obeys rather than only keeps:
// the software write lock, the alarm current (selection and levels), the
// limits the output current saturates at, the mode of the flow block, the
// flow totaliser, and the message, date and damping that standard commands
// also carry. A write record that carries one of them changes the device
// state with it; before every answer the items that show the device's own
// state (flow block mode, the totaliser's state, total and integration time,
// message, date, damping and the revision byte of command 0) are filled from
// it, so the device keeps each once.
#include "sim/DeviceParameters.h"
#include "sim/DeviceState.h"
#include <QByteArray>
#include <QList>
#include <QVariant>
#include <utility>
#include <cstdint>

namespace sim {

// Takes the obeyed items a write record just stored into the device state;
// the response code (the caller undoes the write on a refusal). Without a
// command, after the memory was read: the lock and the output current's settings.
// A value the device keeps once but also takes by a standard command (message,
// date, damping) is taken from every write that carries it, in the order the
// writes come: the last one holds.
uint8_t takeObeyedItems(const DescribedCommand* command, DeviceState& device, const DeviceParameters& parameters);

// Whether a write request switches the software write lock off: a locked
// device takes that write (and with it the rest of its record).
bool unlocksWriteLock(const DescribedCommand& command, const DeviceParameters& parameters, const QByteArray& request);

// The totaliser integrates only on the flow computer while it computes flow.
bool totaliserAvailable(const DeviceState& device);
bool computesFlow(const DeviceState& device);

// Fills the items that show the flow block mode and the totaliser.
void publishObeyedItems(const DeviceState& device, DeviceParameters& parameters);

// Whether the device holds a value the command carried only as the nearest
// it can (the damping, in steps of 0.1 s): the write then answers "set to
// nearest possible value". Asked after takeObeyedItems, before the publish.
bool setToNearest(const DescribedCommand& command, const DeviceState& device, const DeviceParameters& parameters);

} // namespace sim
