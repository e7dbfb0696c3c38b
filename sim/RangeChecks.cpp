#include "sim/RangeChecks.h"

#include "platform/comm/hart/HartStatus.h"
#include "sim/SimUnits.h"
#include <algorithm>
#include <cmath>
#include <limits>

namespace sim {

namespace RC = comm::ResponseCode;

namespace {

// A range travels as a single-precision number in the unit it is given in:
// one at a sensor limit, given in another unit, arrives a few float steps off
// the limit, and is the limit still.
bool above(double value, double limit)
{
    return value - limit > 4 * std::numeric_limits<float>::epsilon() * std::max(1.0, std::fabs(limit));
}

} // namespace

uint8_t checkRange(const DeviceVariable& v, double lower, double upper)
{
    const bool lowerBad = above(v.lowerLimit, lower) || above(lower, v.upperLimit);
    const bool upperBad = above(v.lowerLimit, upper) || above(upper, v.upperLimit);
    if (lowerBad && upperBad)
        return RangeCode::BothRangesOutOfLimits;
    if (above(lower, v.upperLimit))
        return RangeCode::LowerRangeTooHigh;
    if (above(v.lowerLimit, lower))
        return RangeCode::LowerRangeTooLow;
    if (above(upper, v.upperLimit))
        return RangeCode::UpperRangeTooHigh;
    if (above(v.lowerLimit, upper))
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
