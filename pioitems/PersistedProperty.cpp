#include "pioitems/PersistedProperty.h"
#include <cmath>
#include <limits>

namespace pioitems::detail {

namespace {

bool ToWholeNumber(const QVariant& stored, qlonglong& number)
{
    switch (stored.typeId()) {
    case QMetaType::Bool:
        return false;
    case QMetaType::Double:
    case QMetaType::Float: {
        const double d = stored.toDouble();
        if (!std::isfinite(d) || d != std::floor(d) || std::fabs(d) > 1e15)
            return false;
        number = static_cast<qlonglong>(d);
        return true;
    }
    case QMetaType::QString: {
        bool ok = false;
        number = stored.toString().trimmed().toLongLong(&ok);
        return ok;
    }
    default:
        break;
    }
    bool ok = false;
    number = stored.toLongLong(&ok);
    return ok;
}

} // namespace

bool ToPropertyValue(const QVariant& stored, const PropertyValue& defaultValue, PropertyValue& value)
{
    if (std::holds_alternative<QString>(defaultValue)) {
        if (stored.typeId() != QMetaType::QString)
            return false;
        value = stored.toString();
        return true;
    }
    if (std::holds_alternative<bool>(defaultValue)) {
        if (stored.typeId() == QMetaType::Bool) {
            value = stored.toBool();
            return true;
        }
        // The 16-bit form of a stored Boolean: -1 true, 0 false.
        qlonglong number = 0;
        if (!ToWholeNumber(stored, number) || (number != 0 && number != -1))
            return false;
        value = number == -1;
        return true;
    }
    qlonglong number = 0;
    if (!ToWholeNumber(stored, number) || number < std::numeric_limits<int16_t>::min()
        || number > std::numeric_limits<int16_t>::max())
        return false;
    value = static_cast<int16_t>(number);
    return true;
}

QVariant ToVariant(const PropertyValue& value)
{
    if (const auto* text = std::get_if<QString>(&value))
        return *text;
    if (const auto* flag = std::get_if<bool>(&value))
        return *flag;
    return static_cast<int>(std::get<int16_t>(value));
}

} // namespace pioitems::detail
