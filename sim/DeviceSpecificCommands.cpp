// Device-specific commands (128 and up): the process variables of the
// multivariable transmitter. Further commands of the device join this table.
#include "platform/comm/hart/HartStatus.h"
#include "sim/CommandTable.h"
#include <cmath>

namespace sim {

namespace {

using comm::HartDataReader;
namespace RC = comm::ResponseCode;

constexpr double kMaxFlowCoefficient = 1.0e6;

constexpr CommandSpec kDeviceSpecific[] = {
    // 128 Read Process Variables
    //   request : none
    //   response: for differential pressure, static pressure, temperature and
    //             flow in this order: units | value (4) | device variable status
    {128, "Read Process Variables", 0, Access::Read, [](CommandContext& c) -> uint8_t {
        for (uint8_t code = 0; code < Variable::Count; ++code) {
            const auto r = c.device.read(code, c.values);
            c.response.u8(r->units).f32(r->value).u8(r->status);
        }
        return RC::Success;
    }},

    // 129 Read Flow Coefficient
    //   request : none
    //   response: 0-3 k, flow in m3/h at 1 kPa differential pressure (flow = k * sqrt(dp))
    {129, "Read Flow Coefficient", 0, Access::Read, [](CommandContext& c) -> uint8_t {
        c.response.f32(static_cast<float>(c.process.flowCoefficient()));
        return RC::Success;
    }},

    // 130 Write Flow Coefficient
    //   request : 0-3 k, above 0 and at most 1e6
    //   response: 0-3 k
    {130, "Write Flow Coefficient", 4, Access::Write, [](CommandContext& c) -> uint8_t {
        HartDataReader r(c.request);
        const float k = r.f32();
        if (!std::isfinite(k))
            return RC::InvalidSelection;
        if (k > kMaxFlowCoefficient)
            return RC::ParameterTooLarge;
        if (k <= 0)
            return RC::ParameterTooSmall;
        c.process.setFlowCoefficient(k);
        c.device.markConfigurationChanged();
        c.response.f32(k);
        return RC::Success;
    }},
};

} // namespace

std::span<const CommandSpec> deviceSpecificCommands()
{
    return kDeviceSpecific;
}

} // namespace sim
