// Common-practice commands, as far as a pressure transmitter answers them.
#include "platform/comm/hart/HartStatus.h"
#include "sim/CommandTable.h"
#include "sim/CurrentOutput.h"
#include "sim/RangeChecks.h"
#include "sim/SimUnits.h"
#include <algorithm>
#include <cmath>

namespace sim {

namespace {

using comm::HartDataReader;
namespace RC = comm::ResponseCode;

// Command-specific response codes.
constexpr uint8_t kSetToNearest = 8;
constexpr uint8_t kSpanTooSmall = RangeCode::SpanTooSmall;
constexpr uint8_t kInvalidSpan = RangeCode::InvalidSpan;

constexpr int kMaxSlots33 = 4;
constexpr uint8_t kMinPreambles = 5;
constexpr uint8_t kMaxPreambles = 20;
constexpr uint32_t kAcquisitionPeriod = 100 * 32; // 100 ms in 1/32 ms
constexpr uint8_t kPropertiesNone = 0;

bool isPressureUnit(uint8_t units, const DeviceVariable& v)
{
    return unitFits(units, v.classification);
}

constexpr CommandEntry kCommonPractice[] = {
    // 33 Read Device Variables
    //   request : 0..3 device variable codes, one to four
    //   response: per slot: code | units | value (4)
    {33, "Read Device Variables", 1, Access::Read, [](CommandContext& c) -> uint8_t {
        const qsizetype slotCount = std::min<qsizetype>(c.request.size(), kMaxSlots33);
        for (qsizetype i = 0; i < slotCount; ++i) {
            const auto r = c.device.read(static_cast<uint8_t>(c.request[i]), c.values);
            if (!r)
                return RC::InvalidSelection;
            c.response.u8(r->code).u8(r->units).f32(r->value);
        }
        return RC::Success;
    }},

    // 34 Write Primary Variable Damping Value
    //   request : 0-3 damping (s), 0..32
    //   response: 0-3 damping as set
    {34, "Write Primary Variable Damping Value", 4, Access::Write, [](CommandContext& c) -> uint8_t {
        HartDataReader r(c.request);
        const float damping = r.f32();
        if (const uint8_t code = setDamping(c.device.pv(), damping))
            return code;
        const float applied = c.device.pv().damping;
        c.device.markConfigurationChanged();
        c.response.f32(applied);
        return applied == damping ? RC::Success : kSetToNearest;
    }},

    // 35 Write Primary Variable Range Values
    //   request : 0 range units | 1-4 upper range value | 5-8 lower range value
    //   response: as the request
    {35, "Write Primary Variable Range Values", 9, Access::Write, [](CommandContext& c) -> uint8_t {
        return writeRangeValues(c, c.device.pv(), c.device.pvLowerRange, c.device.pvUpperRange);
    }},

    // 36 Set Primary Variable Upper Range Value
    //   request : none
    //   response: none
    //   The present PV becomes the upper range value.
    {36, "Set Primary Variable Upper Range Value", 0, Access::Write, [](CommandContext& c) -> uint8_t {
        const DeviceVariable& pv = c.device.pv();
        const double value = c.values.value[pv.code];
        if (const uint8_t bad = appliedProcessCheck(pv, value))
            return bad;
        if (value == c.device.pvLowerRange)
            return kInvalidSpan;
        c.device.pvUpperRange = value;
        c.device.markConfigurationChanged();
        return spanWarning(pv, c.device.pvLowerRange, value);
    }},

    // 37 Set Primary Variable Lower Range Value
    //   request : none
    //   response: none
    //   The present PV becomes the lower range value; the upper range value
    //   moves along to keep the span, stopping at the upper sensor limit (warning 14).
    {37, "Set Primary Variable Lower Range Value", 0, Access::Write, [](CommandContext& c) -> uint8_t {
        const DeviceVariable& pv = c.device.pv();
        const double value = c.values.value[pv.code];
        if (const uint8_t bad = appliedProcessCheck(pv, value))
            return bad;
        double upper = c.device.pvUpperRange + (value - c.device.pvLowerRange);
        uint8_t code = RC::Success;
        if (upper > pv.upperLimit) {
            upper = pv.upperLimit;
            code = kSpanTooSmall;
        }
        if (upper == value)
            return kInvalidSpan;
        c.device.pvLowerRange = value;
        c.device.pvUpperRange = upper;
        c.device.markConfigurationChanged();
        return code;
    }},

    // 40 Enter/Exit Fixed Current Mode
    //   request : 0-3 loop current (mA), 3.5 to 23; 0 leaves the fixed current mode
    //   response: 0-3 loop current as fixed
    {40, "Enter/Exit Fixed Current Mode", 4, Access::Action, [](CommandContext& c) -> uint8_t {
        return fixCurrent(c);
    }},

    // 41 Perform Self Test
    //   request : none
    //   response: none
    {41, "Perform Self Test", 0, Access::Action, [](CommandContext&) -> uint8_t {
        return RC::Success;
    }},

    // 42 Perform Device Reset
    //   request : none
    //   response: none; the device restarts after answering
    {42, "Perform Device Reset", 0, Access::Action, [](CommandContext& c) -> uint8_t {
        c.resetRequested = true;
        return RC::Success;
    }},

    // 44 Write Primary Variable Units
    //   request : 0 units code
    //   response: 0 units code
    {44, "Write Primary Variable Units", 1, Access::Write, [](CommandContext& c) -> uint8_t {
        const uint8_t units = static_cast<uint8_t>(c.request[0]);
        DeviceVariable& pv = c.device.pv();
        if (!isPressureUnit(units, pv))
            return RC::InvalidSelection;
        pv.units = units;
        c.device.markConfigurationChanged();
        c.response.u8(units);
        return RC::Success;
    }},

    // 45 Trim Loop Current Zero
    //   request : 0-3 measured loop current (mA), with the loop fixed at 4 mA
    //   response: 0-3 measured loop current
    {45, "Trim Loop Current Zero", 4, Access::Write, [](CommandContext& c) -> uint8_t {
        return trimCurrent(c, 4.0f);
    }},

    // 46 Trim Loop Current Gain
    //   request : 0-3 measured loop current (mA), with the loop fixed at 20 mA
    //   response: 0-3 measured loop current
    {46, "Trim Loop Current Gain", 4, Access::Write, [](CommandContext& c) -> uint8_t {
        return trimCurrent(c, 20.0f);
    }},

    // 47 Write Primary Variable Transfer Function
    //   request : 0 transfer function (a code of findTransferFunction)
    //   response: 0 transfer function
    {47, "Write Primary Variable Transfer Function", 1, Access::Write, [](CommandContext& c) -> uint8_t {
        const uint8_t function = static_cast<uint8_t>(c.request[0]);
        if (!findTransferFunction(function))
            return RC::InvalidSelection;
        c.device.transferFunction = function;
        c.device.markConfigurationChanged();
        c.response.u8(function);
        return RC::Success;
    }},

    // 53 Write Device Variable Units
    //   request : 0 device variable code | 1 units code
    //   response: as the request
    {53, "Write Device Variable Units", 2, Access::Write, [](CommandContext& c) -> uint8_t {
        HartDataReader r(c.request);
        const uint8_t code = r.u8();
        const uint8_t units = r.u8();
        DeviceVariable* v = c.device.variable(code);
        if (!v)
            return RC::InvalidDeviceVariable;
        if (!unitFits(units, v->classification))
            return RC::InvalidSelection;
        v->units = units;
        c.device.markConfigurationChanged();
        c.response.u8(code).u8(units);
        return RC::Success;
    }},

    // 54 Read Device Variable Information
    //   request : 0 device variable code
    //   response: 0 code | 1-3 transducer serial number | 4 units of limits and span
    //             | 5-8 upper limit | 9-12 lower limit | 13-16 damping (s)
    //             | 17-20 minimum span | 21 classification | 22 family
    //             | 23-26 acquisition period (1/32 ms) | 27 properties
    {54, "Read Device Variable Information", 1, Access::Read, [](CommandContext& c) -> uint8_t {
        const uint8_t code = static_cast<uint8_t>(c.request[0]);
        const DeviceVariable* v = c.device.variable(code);
        if (!v)
            return RC::InvalidSelection;
        c.response.u8(code).u24(v->transducerSerial).u8(v->units)
            .f32(static_cast<float>(fromBase(v->upperLimit, v->units)))
            .f32(static_cast<float>(fromBase(v->lowerLimit, v->units)))
            .f32(v->damping)
            .f32(static_cast<float>(fromBase(v->minimumSpan, v->units) - fromBase(0, v->units)))
            .u8(v->classification).u8(v->family)
            .u32(kAcquisitionPeriod).u8(kPropertiesNone);
        return RC::Success;
    }},

    // 59 Write Number Of Response Preambles
    //   request : 0 preambles, 5..20
    //   response: 0 preambles
    {59, "Write Number Of Response Preambles", 1, Access::Write, [](CommandContext& c) -> uint8_t {
        const uint8_t count = static_cast<uint8_t>(c.request[0]);
        if (count > kMaxPreambles)
            return RC::ParameterTooLarge;
        if (count < kMinPreambles)
            return RC::ParameterTooSmall;
        c.device.responsePreambles = count;
        c.device.markConfigurationChanged();
        c.response.u8(count);
        return RC::Success;
    }},
};

} // namespace

std::span<const CommandEntry> commonPracticeCommands()
{
    return kCommonPractice;
}

} // namespace sim
