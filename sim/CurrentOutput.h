#pragma once
// The analogue output of the transmitter: the fixed-current mode of command
// 40 and the trim of the output at its 4 mA and 20 mA points (commands 45 and
// 46). The trim is an offset (zero, at 4 mA) and a correction of the slope
// (gain, at 20 mA); it moves the current the output drives from the process,
// and is kept in the non-volatile memory.
#include "sim/CommandTable.h"
#include "sim/DeviceState.h"
#include <cstdint>

namespace sim {

// The currents the output can be fixed at: from the lowest low-alarm current
// to the highest high-alarm current the output can signal.
constexpr float kFixedCurrentMin = 3.5f;
constexpr float kFixedCurrentMax = 23.0f;
// The most a trim may correct in all, at either end, mA.
constexpr float kMaxTrimCorrection = 1.0f;

// The current driven for a nominal current, the trim applied.
float trimmedCurrent(const DeviceState& device, float nominal);

// Command 40: request 0-3 level (mA), 0 leaves the fixed-current mode.
uint8_t fixCurrent(CommandContext& c);
// Commands 45 (level 4) and 46 (level 20): request 0-3 the current measured
// in the loop while the output is fixed at that level.
uint8_t trimCurrent(CommandContext& c, float level);

} // namespace sim
