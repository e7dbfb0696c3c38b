#include "sim/CurrentOutput.h"

#include "platform/comm/hart/HartStatus.h"
#include <cmath>

namespace sim {

namespace {

namespace RC = comm::ResponseCode;

constexpr float kZeroLevel = 4.0f;
constexpr float kGainLevel = 20.0f;
constexpr float kSpan = kGainLevel - kZeroLevel;
constexpr float kTrimWindow = 0.5f;             // mA around the fixed level one trim may correct
constexpr uint8_t kIncorrectCurrentMode = 9;    // 45, 46: not fixed at the trimmed level
constexpr uint8_t kLoopCurrentNotActive = 11;   // 40, 45, 46: multidrop, the loop current is off

} // namespace

float trimmedCurrent(const DeviceState& device, float nominal)
{
    return nominal + device.loopZeroTrim + (device.loopGainTrim - 1.0f) * (nominal - kZeroLevel);
}

uint8_t fixCurrent(CommandContext& c)
{
    comm::HartDataReader r(c.request);
    const float current = r.f32();
    if (!c.device.loopCurrentEnabled)
        return kLoopCurrentNotActive;
    if (!std::isfinite(current))
        return RC::InvalidSelection;
    if (current == 0.0f) {
        c.device.fixedCurrent.reset();
    } else {
        if (current > kFixedCurrentMax)
            return RC::ParameterTooLarge;
        if (current < kFixedCurrentMin)
            return RC::ParameterTooSmall;
        c.device.fixedCurrent = current;
    }
    c.response.f32(current);
    return RC::Success;
}

uint8_t trimCurrent(CommandContext& c, float level)
{
    comm::HartDataReader r(c.request);
    const float measured = r.f32();
    DeviceState& d = c.device;
    if (!d.loopCurrentEnabled)
        return kLoopCurrentNotActive;
    if (!d.fixedCurrent || *d.fixedCurrent != level)
        return kIncorrectCurrentMode;
    if (!std::isfinite(measured))
        return RC::InvalidSelection;
    if (measured > level + kTrimWindow)
        return RC::ParameterTooLarge;
    if (measured < level - kTrimWindow)
        return RC::ParameterTooSmall;
    // The output moves at the trimmed level by what the loop was off; the
    // zero moves the whole line, the gain turns it about 4 mA.
    const float zero = level == kZeroLevel ? d.loopZeroTrim + (level - measured) : d.loopZeroTrim;
    const float gain = level == kGainLevel ? d.loopGainTrim + (level - measured) / kSpan : d.loopGainTrim;
    const float atGain = zero + (gain - 1.0f) * kSpan;
    if (zero > kMaxTrimCorrection || atGain > kMaxTrimCorrection)
        return RC::ParameterTooSmall;   // the loop reads too little to be corrected further
    if (zero < -kMaxTrimCorrection || atGain < -kMaxTrimCorrection)
        return RC::ParameterTooLarge;
    d.loopZeroTrim = zero;
    d.loopGainTrim = gain;
    d.markConfigurationChanged();
    c.response.f32(measured);
    return RC::Success;
}

} // namespace sim
