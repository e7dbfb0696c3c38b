#include "sim/MeasuredParameters.h"

#include "platform/applet/ItemValue.h"
#include "sim/DeviceParameters.h"
#include "sim/SimUnits.h"

namespace sim {

namespace {

struct MeasuredParameter {
    const char* name;
    double (*base)(const ProcessValues&);   // the value in its base unit
    const char* unit;  // the parameter holding its unit code
};

template <uint8_t variable>
double VariableValue(const ProcessValues& values)
{
    return values.value[variable];
}

// The block values themselves (with the sensor temperature) are kept up to
// date by the measurement items before every answer; the revision-21 copies
// and the flow outputs are taken from the process when they are read.
constexpr MeasuredParameter kMeasuredParameters[] = {
    {"ptrbSecondaryValue1_21", VariableValue<Variable::DifferentialPressure>, "ptrbScaleInUnit_21"},
    {"ptrbStaticPressureValue_21", VariableValue<Variable::StaticPressure>, "ptrbStaticPressureScaleInUnit_21"},
    {"ttrbPrimaryValue_21", VariableValue<Variable::Temperature>, "ttrbPrimaryValueUnit_21"},
    {"mvOutVolFlowValue", VariableValue<Variable::Flow>, "mvOutVolFlowUnit"},
    {"mvOutMassFlowValue", [](const ProcessValues& values) { return values.massFlow; }, "mvOutMassFlowUnit"},
};

} // namespace

std::optional<QVariant> measuredParameter(const QString& name, const ProcessValues& values,
                                          const DeviceParameters& parameters)
{
    for (const MeasuredParameter& measured : kMeasuredParameters) {
        if (name.compare(QLatin1String(measured.name), Qt::CaseInsensitive) != 0)
            continue;
        const applet::DescObject* object = parameters.description().FindObject(name);
        if (!object)
            return std::nullopt;
        const auto unit = static_cast<uint8_t>(parameters.value(QLatin1String(measured.unit)).toUInt());
        QVariant stored;
        if (!applet::ItemValue::FromNumber(object->type, object->size, fromBase(measured.base(values), unit),
                                           stored))
            return std::nullopt;
        return stored;
    }
    return std::nullopt;
}

} // namespace sim
