#pragma once
// What the transmitter records about its measuring history: the lowest and
// the highest value of each measured variable, and how often a value left
// its limits, below and above, counted once per excursion. Each group is
// reset on its own (commands 163 and 164).
#include <array>
#include <cstdint>

namespace sim {

// The groups of the lowest and highest values, in the order the reset command numbers them.
namespace ExtremeGroup {
constexpr int DifferentialPressure = 0;
constexpr int StaticPressure = 1;
constexpr int SensorTemperature = 2;
constexpr int ProcessTemperature = 3;
constexpr int Count = 4;
} // namespace ExtremeGroup

// The groups of the limit violation counters, in the order the reset command numbers them.
namespace ViolationGroup {
constexpr int Range = 0;             // the primary variable against its range values
constexpr int Sensor = 1;            // the differential pressure against its sensor limits
constexpr int StaticPressure = 2;    // the static pressure against its sensor limits
constexpr int SensorTemperature = 3; // the sensor temperature against its limits
constexpr int Count = 4;
} // namespace ViolationGroup

// A value and the limits it should stay within.
struct WatchedBand {
    double value = 0;
    double lower = 0;
    double upper = 0;
};

class ExtremeValues {
public:
    struct Extremes {
        bool seen = false;
        double lowest = 0;
        double highest = 0;
    };
    struct Violations {
        uint16_t below = 0;
        uint16_t above = 0;
        bool isBelow = false;    // the value is out now: the excursion is counted already
        bool isAbove = false;
    };

    // One look at the process: the value of each extreme group and the band
    // of each violation group.
    void observe(const std::array<double, ExtremeGroup::Count>& values,
                 const std::array<WatchedBand, ViolationGroup::Count>& bands);
    // The group starts again from the value measured now.
    void resetExtremes(int group, double now);
    // The counters of the group start again from 0; a value out of its limits
    // now is not counted again.
    void resetViolations(int group);

    const Extremes& extremes(int group) const { return m_extremes[group]; }
    const Violations& violations(int group) const { return m_violations[group]; }

private:
    std::array<Extremes, ExtremeGroup::Count> m_extremes{};
    std::array<Violations, ViolationGroup::Count> m_violations{};
};

} // namespace sim
