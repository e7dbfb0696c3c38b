// Device-specific commands (128 and up) of the Trivex transmitter: its
// configuration, the sensor limits, the static pressure range and the time
// constants of its converters. The other device-dependent commands are
// answered from the device description (DeviceParameters); 223, 225, 227,
// 228, 248 and 249 are reserved and answered "command not implemented".
#include "platform/comm/hart/HartStatus.h"
#include "sim/CommandTable.h"
#include "sim/RangeChecks.h"
#include "sim/SimUnits.h"
#include <cmath>

namespace sim {

namespace {

using comm::HartDataReader;
namespace RC = comm::ResponseCode;

constexpr int kSoftwareSpecificsBytes = 12;     // 16 packed-ASCII characters
constexpr float kMaxAdcTimeConstant = 10.0f;    // s
// The read commands whose answers make up the configuration summary (200).
constexpr uint8_t kSummaryParts[] = {7, 12, 13, 15, 16, 128, 129, 132, 134};

float inUnit(double base, uint8_t units)
{
    return static_cast<float>(fromBase(base, units));
}

// A span (difference) in a unit: without the unit's offset.
float spanInUnit(double base, uint8_t units)
{
    return static_cast<float>(fromBase(base, units) - fromBase(0, units));
}

uint8_t checkTimeConstant(float seconds)
{
    if (!std::isfinite(seconds))
        return RC::InvalidSelection;
    if (seconds > kMaxAdcTimeConstant)
        return RC::ParameterTooLarge;
    if (seconds < 0)
        return RC::ParameterTooSmall;
    return RC::Success;
}

constexpr CommandEntry kDeviceSpecific[] = {
    // 128 Read Device Configuration
    //   request : none
    //   response: 0 module type | 1 multivariable function (0 off, 1 on)
    //             | 2 actual mode of the multivariable block (8 automatic, 128 out of service)
    //             | 3-5 extended software revision (first octet lowest)
    //             | 6-17 software specifics (packed ASCII, 16 characters)
    {128, "Read Device Configuration", 0, Access::Read, [](CommandContext& c) -> uint8_t {
        const DeviceState& d = c.device;
        c.response.u8(d.moduleType).u8(d.multivariableFunction ? 1 : 0).u8(d.multivariableBlockMode);
        for (uint8_t octet : d.extendedSoftwareRevision)
            c.response.u8(octet);
        writePacked(c, d.softwareSpecifics, kSoftwareSpecificsBytes);
        return RC::Success;
    }},

    // 129 Read Sensor Limits
    //   request : none
    //   response: 0 unit of the limits (that of the differential pressure)
    //             | 1-4 lower sensor limit | 5-8 upper sensor limit | 9-12 minimum span
    //             | 13-16 lower static pressure limit | 17-20 upper static pressure limit
    //             | 21-24 minimum static pressure span
    {129, "Read Sensor Limits", 0, Access::Read, [](CommandContext& c) -> uint8_t {
        const DeviceVariable& dp = c.device.variables[Variable::DifferentialPressure];
        const DeviceVariable& sp = c.device.staticPressure();
        const uint8_t units = dp.units;
        c.response.u8(units)
            .f32(inUnit(dp.lowerLimit, units)).f32(inUnit(dp.upperLimit, units)).f32(spanInUnit(dp.minimumSpan, units))
            .f32(inUnit(sp.lowerLimit, units)).f32(inUnit(sp.upperLimit, units)).f32(spanInUnit(sp.minimumSpan, units));
        return RC::Success;
    }},

    // 132 Read Static Pressure Range
    //   request : none
    //   response: 0 range unit (that of the static pressure) | 1-4 upper range value
    //             | 5-8 lower range value
    {132, "Read Static Pressure Range", 0, Access::Read, [](CommandContext& c) -> uint8_t {
        const uint8_t units = c.device.staticPressure().units;
        c.response.u8(units).f32(inUnit(c.device.spUpperRange, units)).f32(inUnit(c.device.spLowerRange, units));
        return RC::Success;
    }},

    // 133 Write Static Pressure Range
    //   request : 0 range unit (any pressure unit) | 1-4 upper range value | 5-8 lower range value
    //   response: as the request
    //   Checked against the static pressure sensor limits as command 35 checks
    //   the primary variable's range (codes 9 to 14, 18, 29). Unlike 35, the
    //   unit is kept: it becomes the static pressure's, which 132 reads back.
    //   Below revision 21 the device has no other command that sets it.
    {133, "Write Static Pressure Range", 9, Access::Write, [](CommandContext& c) -> uint8_t {
        const uint8_t code =
            writeRangeValues(c, c.device.staticPressure(), c.device.spLowerRange, c.device.spUpperRange);
        if (code == RC::Success || code == RangeCode::SpanTooSmall)
            c.device.variables[Variable::StaticPressure].units = static_cast<uint8_t>(c.request.at(0));
        return code;
    }},

    // 134 Read ADC Time Constants
    //   request : none
    //   response: 0-3 pressure ADC time constant (s) | 4-7 temperature ADC time constant (s)
    {134, "Read ADC Time Constants", 0, Access::Read, [](CommandContext& c) -> uint8_t {
        c.response.f32(c.device.pressureAdcTimeConstant).f32(c.device.temperatureAdcTimeConstant);
        return RC::Success;
    }},

    // 135 Write ADC Time Constants
    //   request : 0-3 pressure ADC time constant | 4-7 temperature ADC time constant (s, 0 to 10 each)
    //   response: as the request
    {135, "Write ADC Time Constants", 8, Access::Write, [](CommandContext& c) -> uint8_t {
        HartDataReader r(c.request);
        const float pressure = r.f32();
        const float temperature = r.f32();
        if (const uint8_t bad = checkTimeConstant(pressure))
            return bad;
        if (const uint8_t bad = checkTimeConstant(temperature))
            return bad;
        c.device.pressureAdcTimeConstant = pressure;
        c.device.temperatureAdcTimeConstant = temperature;
        c.device.markConfigurationChanged();
        c.response.f32(pressure).f32(temperature);
        return RC::Success;
    }},

    // 200 Read Configuration Summary
    //   request : none
    //   response: the responses of 7, 12, 13, 15, 16, 128, 129, 132 and 134 in
    //             this order (2 + 24 + 21 + 18 + 3 + 18 + 25 + 9 + 8 = 128 bytes):
    //             an upload reads the whole configuration in one transaction.
    {200, "Read Configuration Summary", 0, Access::Read, [](CommandContext& c) -> uint8_t {
        for (uint8_t part : kSummaryParts)
            if (const uint8_t code = findCommand(part)->handler(c))
                return code;
        return RC::Success;
    }},
};

} // namespace

std::span<const CommandEntry> deviceSpecificCommands()
{
    return kDeviceSpecific;
}

} // namespace sim
