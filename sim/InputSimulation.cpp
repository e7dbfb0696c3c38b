#include "sim/InputSimulation.h"

#include "platform/applet/ItemValue.h"
#include "sim/DeviceParameters.h"
#include "sim/SimUnits.h"

namespace sim {

namespace {

// Per input: the multivariable block's simulation items, the unit they are
// in, and the analog-input block fed by the input.
struct SimulatedInput {
    const char* enabled;
    const char* value;
    const char* unit;
    const char* analogInput;
};
constexpr SimulatedInput kInputs[kSimulatedInputs] = {
    {"mvInDPSimulateEnabled", "mvInDPSimulateValue", "mvInDPUnit", "aiDP"},
    {"mvInPSimulateEnabled", "mvInPSimulateValue", "mvInPUnit", "aiP"},
    {"mvInTSimulateEnabled", "mvInTSimulateValue", "mvInTUnit", "aiT"},
};

bool On(const DeviceParameters& parameters, const QString& item)
{
    return parameters.value(item).toUInt() == 1;
}

uint8_t UnitOf(const DeviceParameters& parameters, const char* item)
{
    return static_cast<uint8_t>(parameters.value(QLatin1String(item)).toUInt());
}

} // namespace

std::array<bool, kSimulatedInputs> simulatedInputs(const DeviceParameters& parameters)
{
    std::array<bool, kSimulatedInputs> on{};
    for (int i = 0; i < kSimulatedInputs; ++i)
        on[static_cast<size_t>(i)] = On(parameters, QLatin1String(kInputs[i].enabled));
    return on;
}

double simulatedOrMeasured(const DeviceParameters& parameters, int measured, double value)
{
    if (measured < 0 || measured >= kSimulatedInputs)
        return value;
    const SimulatedInput& input = kInputs[measured];
    if (!On(parameters, QLatin1String(input.enabled)))
        return value;
    return toBase(parameters.value(QLatin1String(input.value)).toDouble(), UnitOf(parameters, input.unit));
}

bool analogInputSimulated(const DeviceParameters& parameters)
{
    for (const SimulatedInput& input : kInputs)
        if (On(parameters, QLatin1String(input.analogInput) + QStringLiteral("SimulateEnabled")))
            return true;
    return false;
}

std::optional<QVariant> analogInputOutput(const QString& name, const DeviceParameters& parameters)
{
    for (const SimulatedInput& input : kInputs) {
        const QString block = QLatin1String(input.analogInput);
        const bool value = name.compare(block + QStringLiteral("OutValue"), Qt::CaseInsensitive) == 0;
        const bool status = name.compare(block + QStringLiteral("OutStatus"), Qt::CaseInsensitive) == 0;
        if ((!value && !status) || !On(parameters, block + QStringLiteral("SimulateEnabled")))
            continue;
        const applet::DescObject* object = parameters.description().FindObject(name);
        if (!object)
            return std::nullopt;
        const double number =
            parameters.value(block + (value ? QStringLiteral("SimulateValue") : QStringLiteral("SimulateStatus")))
                .toDouble();
        QVariant stored;
        if (!applet::ItemValue::FromNumber(object->type, object->size, number, stored))
            return std::nullopt;
        return stored;
    }
    return std::nullopt;
}

} // namespace sim
