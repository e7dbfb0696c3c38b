#include "sim/SensorTrim.h"

#include "platform/comm/hart/HartStatus.h"
#include <QJsonValue>
#include <cmath>
#include <limits>

namespace sim {

namespace {

// A trim corrects a sensor, it does not replace it: a line steeper or flatter
// than this is taken for a wrong reference.
constexpr double kMinGain = 0.5;
constexpr double kMaxGain = 2.0;
constexpr double kMaxKeptValue = 1e9;

// Keys of the measured variables in the memory.
constexpr const char* kKeys[Measured::Count] = {"differentialPressure", "staticPressure", "processTemperature",
                                                "sensorTemperature"};

struct PointKeys {
    const char* applied;
    const char* reference;
};
constexpr PointKeys kLowerKeys{"lowerApplied", "lowerReference"};
constexpr PointKeys kUpperKeys{"upperApplied", "upperReference"};

uint8_t limitCheck(double value, const TrimLimits& limits)
{
    if (value > limits.upper)
        return TrimCode::TooHigh;
    if (value < limits.lower)
        return TrimCode::TooLow;
    return comm::ResponseCode::Success;
}

} // namespace

double SensorTrim::corrected(int measured, double applied) const
{
    const Line& line = m_lines[measured];
    return line.gain * applied + line.offset;
}

double SensorTrim::reference(int measured, TrimPoint point) const
{
    const Point& p = point == TrimPoint::Lower ? m_lines[measured].lower : m_lines[measured].upper;
    return p.taken ? p.reference : std::numeric_limits<double>::quiet_NaN();
}

uint8_t SensorTrim::check(const Line& line, TrimPoint point, double applied, double reference,
                          const TrimLimits& limits)
{
    if (!std::isfinite(applied) || !std::isfinite(reference))
        return comm::ResponseCode::InvalidSelection;
    if (const uint8_t bad = limitCheck(applied, limits))
        return bad;
    if (const uint8_t bad = limitCheck(reference, limits))
        return bad;
    Line trial = line;
    (point == TrimPoint::Lower ? trial.lower : trial.upper) = {true, applied, reference};
    if (trial.lower.taken && trial.upper.taken) {
        if (std::fabs(trial.upper.applied - trial.lower.applied) < limits.minimumSpan
            || std::fabs(trial.upper.reference - trial.lower.reference) < limits.minimumSpan)
            return TrimCode::SpanTooSmall;
        fit(trial);
        if (trial.gain < kMinGain || trial.gain > kMaxGain)
            return TrimCode::ExcessCorrection;
    }
    return comm::ResponseCode::Success;
}

void SensorTrim::fit(Line& line)
{
    if (line.lower.taken && line.upper.taken) {
        line.gain = (line.upper.reference - line.lower.reference) / (line.upper.applied - line.lower.applied);
        line.offset = line.lower.reference - line.gain * line.lower.applied;
        return;
    }
    const Point& only = line.lower.taken ? line.lower : line.upper;
    line.gain = 1;
    line.offset = only.taken ? only.reference - only.applied : 0;
}

uint8_t SensorTrim::take(int measured, TrimPoint point, double applied, double reference, const TrimLimits& limits)
{
    Line& line = m_lines[measured];
    if (const uint8_t bad = check(line, point, applied, reference, limits))
        return bad;
    (point == TrimPoint::Lower ? line.lower : line.upper) = {true, applied, reference};
    fit(line);
    return comm::ResponseCode::Success;
}

QJsonObject SensorTrim::save() const
{
    QJsonObject kept;
    for (int m = 0; m < Measured::Count; ++m) {
        QJsonObject line;
        for (const auto& [p, keys] : {std::pair{&m_lines[m].lower, kLowerKeys}, std::pair{&m_lines[m].upper, kUpperKeys}})
            if (p->taken) {
                line.insert(QLatin1String(keys.applied), p->applied);
                line.insert(QLatin1String(keys.reference), p->reference);
            }
        if (!line.isEmpty())
            kept.insert(QLatin1String(kKeys[m]), line);
    }
    return kept;
}

bool SensorTrim::restore(const QJsonObject& kept, QString& error)
{
    std::array<Line, Measured::Count> lines{};
    for (int m = 0; m < Measured::Count; ++m) {
        const QJsonObject line = kept.value(QLatin1String(kKeys[m])).toObject();
        for (const auto& [p, keys] : {std::pair{&lines[m].lower, kLowerKeys}, std::pair{&lines[m].upper, kUpperKeys}}) {
            const QJsonValue applied = line.value(QLatin1String(keys.applied));
            const QJsonValue reference = line.value(QLatin1String(keys.reference));
            if (applied.isUndefined() && reference.isUndefined())
                continue;
            if (!applied.isDouble() || !reference.isDouble() || std::fabs(applied.toDouble()) > kMaxKeptValue
                || std::fabs(reference.toDouble()) > kMaxKeptValue) {
                error = QStringLiteral("sensor trim \"%1\": the %2 point is not a pair of numbers")
                            .arg(QLatin1String(kKeys[m]), p == &lines[m].lower ? QStringLiteral("lower")
                                                                               : QStringLiteral("upper"));
                return false;
            }
            *p = {true, applied.toDouble(), reference.toDouble()};
        }
        fit(lines[m]);
        if (!std::isfinite(lines[m].gain) || lines[m].gain < kMinGain || lines[m].gain > kMaxGain) {
            error = QStringLiteral("sensor trim \"%1\": the points give no usable characteristic").arg(QLatin1String(kKeys[m]));
            return false;
        }
    }
    m_lines = lines;
    return true;
}

} // namespace sim
