#include "sim/ExtremeValues.h"

#include <algorithm>
#include <cmath>
#include <limits>

namespace sim {

namespace {

void count(uint16_t& counter, bool& out, bool nowOut)
{
    if (nowOut && !out && counter < std::numeric_limits<uint16_t>::max())
        ++counter;
    out = nowOut;
}

} // namespace

void ExtremeValues::observe(const std::array<double, ExtremeGroup::Count>& values,
                            const std::array<WatchedBand, ViolationGroup::Count>& bands)
{
    for (int g = 0; g < ExtremeGroup::Count; ++g) {
        if (!std::isfinite(values[g]))
            continue;
        Extremes& e = m_extremes[g];
        e.lowest = e.seen ? std::min(e.lowest, values[g]) : values[g];
        e.highest = e.seen ? std::max(e.highest, values[g]) : values[g];
        e.seen = true;
    }
    for (int g = 0; g < ViolationGroup::Count; ++g) {
        const WatchedBand& band = bands[g];
        Violations& v = m_violations[g];
        count(v.below, v.isBelow, band.value < band.lower);
        count(v.above, v.isAbove, band.value > band.upper);
    }
}

void ExtremeValues::resetExtremes(int group, double now)
{
    m_extremes[group] = {true, now, now};
}

void ExtremeValues::resetViolations(int group)
{
    m_violations[group].below = 0;
    m_violations[group].above = 0;
}

} // namespace sim
