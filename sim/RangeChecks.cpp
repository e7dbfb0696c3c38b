#include "sim/RangeChecks.h"

#include "platform/comm/hart/HartStatus.h"
#include "sim/SimUnits.h"
#include <cmath>

namespace sim {

namespace RC = comm::ResponseCode;

uint8_t checkRange(const DeviceVariable& v, double lower, double upper)
{
    const bool lowerBad = lower < v.lowerLimit || lower > v.upperLimit;
    const bool upperBad = upper < v.lowerLimit || upper > v.upperLimit;
    if (lowerBad && upperBad)
        return RangeCode::BothRangesOutOfLimits;
    if (lower > v.upperLimit)
        return RangeCode::LowerRangeTooHigh;
    if (lower < v.lowerLimit)
        return RangeCode::LowerRangeTooLow;
    if (upper > v.upperLimit)
        return RangeCode::UpperRangeTooHigh;
    if (upper < v.lowerLimit)
        return RangeCode::UpperRangeTooLow;
    if (upper == lower)
        return RangeCode::InvalidSpan;
    return RC::Success;
}

uint8_t spanWarning(const DeviceVariable& v, double lower, double upper)
{
    return std::fabs(upper - lower) < v.minimumSpan ? RangeCode::SpanTooSmall : RC::Success;
}

uint8_t appliedProcessCheck(const DeviceVariable& v, double value)
{
    if (value > v.upperLimit)
        return RangeCode::LowerRangeTooHigh;
    if (value < v.lowerLimit)
        return RangeCode::LowerRangeTooLow;
    return RC::Success;
}

uint8_t writeRangeValues(CommandContext& c, const DeviceVariable& v, double& lowerRange, double& upperRange)
{
    comm::HartDataReader r(c.request);
    const uint8_t units = r.u8();
    const float upper = r.f32();
    const float lower = r.f32();
    if (!unitFits(units, v.classification))
        return RC::InvalidUnitsCode;
    if (!std::isfinite(upper) || !std::isfinite(lower))
        return RC::InvalidSelection;
    const double upperBase = toBase(upper, units);
    const double lowerBase = toBase(lower, units);
    if (const uint8_t bad = checkRange(v, lowerBase, upperBase))
        return bad;
    lowerRange = lowerBase;
    upperRange = upperBase;
    c.device.markConfigurationChanged();
    c.response.u8(units).f32(upper).f32(lower);
    return spanWarning(v, lowerBase, upperBase);
}

} // namespace sim
