#pragma once
// Range values against a device variable's sensor limits, as the range
// commands answer them: those of the primary variable (35, 36, 37) and the
// device-specific one of the static pressure (133). Values are in base units.
#include "sim/CommandTable.h"
#include "sim/DeviceState.h"
#include <cstdint>

namespace sim {

// Response codes of the range commands.
namespace RangeCode {
constexpr uint8_t LowerRangeTooHigh = 9;     // 36/37: applied process too high
constexpr uint8_t LowerRangeTooLow = 10;     // 36/37: applied process too low
constexpr uint8_t UpperRangeTooHigh = 11;
constexpr uint8_t UpperRangeTooLow = 12;
constexpr uint8_t BothRangesOutOfLimits = 13;
constexpr uint8_t SpanTooSmall = 14;         // warning; 37: upper range pushed over the limit
constexpr uint8_t InvalidSpan = 29;
} // namespace RangeCode

// 0, or the error code of a new lower and upper range value.
uint8_t checkRange(const DeviceVariable& v, double lower, double upper);
// The warning "span too small" when the range is narrower than the minimum span.
uint8_t spanWarning(const DeviceVariable& v, double lower, double upper);
// 9 above the upper sensor limit, 10 below the lower one, 0 inside.
uint8_t appliedProcessCheck(const DeviceVariable& v, double value);

// Takes the range values of a write request into lowerRange and upperRange:
//   request : 0 range units (of the variable's kind) | 1-4 upper range value | 5-8 lower range value
//   response: as the request
// Nothing changes on an error code.
uint8_t writeRangeValues(CommandContext& c, const DeviceVariable& v, double& lowerRange, double& upperRange);

} // namespace sim
