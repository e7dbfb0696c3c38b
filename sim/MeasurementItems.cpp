#include "sim/MeasurementItems.h"

#include "platform/applet/ItemValue.h"
#include "platform/comm/hart/HartStatus.h"
#include "sim/SimUnits.h"
#include <algorithm>
#include <cmath>

namespace sim {

namespace {

namespace RC = comm::ResponseCode;

// The items that show the unit of a device variable's range: the device
// keeps each unit once, in its variable (commands 15, 44, 129 and 132 report
// it there), so a range and its unit always come from the same place.
struct UnitItem {
    const char* item;
    int variable;
};
constexpr UnitItem kUnitItems[] = {
    {"ptrbScaleInUnit_21", Variable::DifferentialPressure},
    {"ptrbStaticPressureScaleInUnit", Variable::StaticPressure},
    {"ptrbStaticPressureScaleInUnit_21", Variable::StaticPressure},
};
// The sensor temperature's limits are items of the description (degrees Celsius).
constexpr const char* kSensorTemperatureLower = "ptrbTemperatureLoLim";
constexpr const char* kSensorTemperatureUpper = "ptrbTemperatureHiLim";
constexpr double kSensorTemperatureMinimumSpan = 10.0;

// Each measured variable: the kind of its units, the device variable whose
// limits and unit it has (none for the sensor temperature), else the item
// that holds its unit.
struct MeasuredInfo {
    uint8_t classification;
    int variable;             // -1: no device variable of its own
    const char* unitItem;     // the unit of the shown values when there is no device variable
};
constexpr MeasuredInfo kMeasured[Measured::Count] = {
    {Classification::Pressure, Variable::DifferentialPressure, nullptr},
    {Classification::Pressure, Variable::StaticPressure, nullptr},
    {Classification::Temperature, Variable::Temperature, "ttrbPrimaryValueUnit"},
    {Classification::Temperature, -1, "ptrbTemperatureValueUnit"},
};

// The calibration records: which point of which variable each takes, and
// the items that carry the reference value and its unit.
struct CalibrationRecord {
    const char* record;
    int measured;
    TrimPoint point;
    const char* unitItem;
    const char* referenceItem;
};
constexpr CalibrationRecord kCalibrationRecords[] = {
    {"Write_PtrbCalPointLo", Measured::DifferentialPressure, TrimPoint::Lower, "ptrbCalUnit", "ptrbCalPointLo"},
    {"Write_PtrbCalPointHi", Measured::DifferentialPressure, TrimPoint::Upper, "ptrbCalUnit", "ptrbCalPointHi"},
    {"Write_PtrbStaticPressureCalPointLo", Measured::StaticPressure, TrimPoint::Lower,
     "ptrbStaticPressureScaleInUnit", "ptrbStaticPressureCalPointLo"},
    {"Write_PtrbStaticPressureCalPointHi", Measured::StaticPressure, TrimPoint::Upper,
     "ptrbStaticPressureScaleInUnit", "ptrbStaticPressureCalPointHi"},
    {"Write_TemperatureCalPointLo", Measured::ProcessTemperature, TrimPoint::Lower, "ttrbCalUnit", "ttrbCalPointLo"},
    {"Write_TemperatureCalPointHi", Measured::ProcessTemperature, TrimPoint::Upper, "ttrbCalUnit", "ttrbCalPointHi"},
    // The sensor temperature takes one point: an offset.
    {"Write_TemperatureTrim", Measured::SensorTemperature, TrimPoint::Lower, "ptrbTemperatureValueUnit",
     "ptrbTemperatureTrimValue"},
};

// The items showing the lowest and highest values, by group, and the measured variable of each.
struct ExtremeItems {
    const char* lowest;
    const char* highest;
    int measured;
};
constexpr ExtremeItems kExtremeItems[ExtremeGroup::Count] = {
    {"ptrbMinSensorValue", "ptrbMaxSensorValue", Measured::DifferentialPressure},
    {"ptrbMinStaticPressure", "ptrbMaxStaticPressure", Measured::StaticPressure},
    {"ptrbMinTemperature", "ptrbMaxTemperature", Measured::SensorTemperature},
    {"ttrbMinSensorValue1", "ttrbMaxSensorValue1", Measured::ProcessTemperature},
};

// The items of the violation counters, below and above, by group.
struct ViolationItems {
    const char* below;
    const char* above;
};
constexpr ViolationItems kViolationItems[ViolationGroup::Count] = {
    {"ptrbLowerRangeValueFailure", "ptrbUpperRangeValueFailure"},
    {"ptrbLowerSensorValueFailure", "ptrbUpperSensorValueFailure"},
    {"ptrbLowerStaticPressFailure", "ptrbUpperStaticPressFailure"},
    {"ptrbLowerTemperatureFailure", "ptrbUpperTemperatureFailure"},
};

// The items showing the measured values, in the measured variable's unit
// unless the item has a unit item of its own.
struct ValueItem {
    const char* item;
    int measured;
    const char* unitItem = nullptr;
};
constexpr ValueItem kValueItems[] = {
    {"ptrbSecondaryValue1", Measured::DifferentialPressure},
    {"ptrbStaticPressureValue", Measured::StaticPressure},
    {"ttrbPrimaryValue", Measured::ProcessTemperature},
    {"ptrbTemperatureValue", Measured::SensorTemperature},
    // the sensor temperature as devices of revision 21 and later show it
    {"ptrbTemperatureValue_21", Measured::SensorTemperature, "ptrbTemperatureValueUnit_21"},
};

struct ResetRecord {
    const char* record;
    void (*reset)(DeviceState& device, int group, const MeasuredValues& measured);
};
constexpr ResetRecord kResetRecords[] = {
    {"Write_ResetMaxValues0", [](DeviceState& d, int group, const MeasuredValues& m) {
         d.extremes.resetExtremes(group, m[kExtremeItems[group].measured]);
     }},
    {"Write_ResetEventCounter0", [](DeviceState& d, int group, const MeasuredValues&) {
         d.extremes.resetViolations(group);
     }},
};

double number(const DeviceParameters& parameters, const char* item)
{
    return parameters.value(QLatin1String(item)).toDouble();
}

uint8_t unitOf(int measured, const DeviceState& device, const DeviceParameters& parameters)
{
    const MeasuredInfo& info = kMeasured[measured];
    if (info.unitItem)
        return static_cast<uint8_t>(number(parameters, info.unitItem));
    return device.variables[info.variable].units;
}

// Stores a number into an item in the item's own type; an item the
// description does not carry is left alone.
void setNumber(DeviceParameters& parameters, const char* item, double value)
{
    const applet::DescObject* object = parameters.description().FindObject(QLatin1String(item));
    QVariant stored;
    if (object && applet::ItemValue::FromNumber(object->type, object->size, value, stored))
        parameters.set(QLatin1String(item), stored);
}

bool carries(const DescribedCommand& command, const QString& item)
{
    return std::any_of(command.request.begin(), command.request.end(), [&item](const applet::FieldLayout& f) {
        return f.item.compare(item, Qt::CaseInsensitive) == 0;
    });
}

} // namespace

TrimLimits trimLimits(int measured, const DeviceState& device, const DeviceParameters& parameters)
{
    const MeasuredInfo& info = kMeasured[measured];
    if (info.variable < 0)
        return {number(parameters, kSensorTemperatureLower), number(parameters, kSensorTemperatureUpper),
                kSensorTemperatureMinimumSpan};
    const DeviceVariable& v = device.variables[info.variable];
    return {v.lowerLimit, v.upperLimit, v.minimumSpan};
}

std::optional<uint8_t> takeWrittenMeasurementItems(const DescribedCommand& command, DeviceState& device,
                                                   const DeviceParameters& parameters, const MeasuredValues& applied)
{
    std::optional<uint8_t> code;
    std::array<uint8_t, Variable::Count> units{};
    for (int v = 0; v < Variable::Count; ++v)
        units[v] = device.variables[v].units;
    for (const UnitItem& u : kUnitItems) {
        if (!carries(command, QLatin1String(u.item)))
            continue;
        units[u.variable] = static_cast<uint8_t>(number(parameters, u.item));
        if (!unitFits(units[u.variable], device.variables[u.variable].classification))
            return RC::InvalidUnitsCode;
        code = RC::Success;
    }
    const auto record = std::find_if(std::begin(kCalibrationRecords), std::end(kCalibrationRecords),
                                     [&command](const CalibrationRecord& r) { return command.record == QLatin1String(r.record); });
    if (record != std::end(kCalibrationRecords)) {
        const uint8_t unit = static_cast<uint8_t>(number(parameters, record->unitItem));
        if (!unitFits(unit, kMeasured[record->measured].classification))
            return RC::InvalidUnitsCode;
        const double reference = toBase(number(parameters, record->referenceItem), unit);
        code = device.sensorTrim.take(record->measured, record->point, applied[record->measured], reference,
                                      trimLimits(record->measured, device, parameters));
        if (*code != RC::Success)
            return code;
    }
    for (int v = 0; v < Variable::Count; ++v)
        device.variables[v].units = units[v];
    return code;
}

std::optional<uint8_t> resetMeasurementHistory(const QString& record, int selector, DeviceState& device,
                                               const MeasuredValues& measured)
{
    for (const ResetRecord& r : kResetRecords) {
        if (record != QLatin1String(r.record))
            continue;
        if (selector < 0 || selector >= ExtremeGroup::Count)
            return RC::InvalidSelection;
        r.reset(device, selector, measured);
        return RC::Success;
    }
    return std::nullopt;
}

void observeMeasurements(DeviceState& device, const MeasuredValues& measured, const ProcessValues& values,
                         const DeviceParameters& parameters)
{
    std::array<double, ExtremeGroup::Count> extremes{};
    for (int g = 0; g < ExtremeGroup::Count; ++g)
        extremes[g] = measured[kExtremeItems[g].measured];
    auto sensorBand = [&](int m) {
        const TrimLimits limits = trimLimits(m, device, parameters);
        return WatchedBand{measured[m], limits.lower, limits.upper};
    };
    const WatchedBand range{values.value[device.pv().code], std::min(device.pvLowerRange, device.pvUpperRange),
                            std::max(device.pvLowerRange, device.pvUpperRange)};
    device.extremes.observe(extremes, {range, sensorBand(Measured::DifferentialPressure),
                                       sensorBand(Measured::StaticPressure), sensorBand(Measured::SensorTemperature)});
}

void publishMeasurementItems(const DeviceState& device, const MeasuredValues& measured, DeviceParameters& parameters)
{
    auto shown = [&](int m, double base) { return fromBase(base, unitOf(m, device, parameters)); };
    for (const UnitItem& u : kUnitItems)
        setNumber(parameters, u.item, device.variables[u.variable].units);
    for (const ValueItem& v : kValueItems)
        setNumber(parameters, v.item,
                  v.unitItem ? fromBase(measured[v.measured], static_cast<uint8_t>(number(parameters, v.unitItem)))
                             : shown(v.measured, measured[v.measured]));
    for (int g = 0; g < ExtremeGroup::Count; ++g) {
        const ExtremeValues::Extremes& e = device.extremes.extremes(g);
        if (!e.seen)
            continue;
        setNumber(parameters, kExtremeItems[g].lowest, shown(kExtremeItems[g].measured, e.lowest));
        setNumber(parameters, kExtremeItems[g].highest, shown(kExtremeItems[g].measured, e.highest));
    }
    for (int g = 0; g < ViolationGroup::Count; ++g) {
        setNumber(parameters, kViolationItems[g].below, device.extremes.violations(g).below);
        setNumber(parameters, kViolationItems[g].above, device.extremes.violations(g).above);
    }
    // The calibration points as the trim took them, in the unit of the record.
    for (const CalibrationRecord& r : kCalibrationRecords) {
        const double reference = device.sensorTrim.reference(r.measured, r.point);
        if (std::isfinite(reference))
            setNumber(parameters, r.referenceItem,
                      fromBase(reference, static_cast<uint8_t>(number(parameters, r.unitItem))));
    }
}

} // namespace sim
