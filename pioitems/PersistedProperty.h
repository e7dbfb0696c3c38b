#pragma once
// The persisted properties of a control as a table: property-bag key, the
// member that holds the value, and its default. A value equal to its default
// is not stored. Reading takes the whole table or nothing: a stored value of
// the wrong type or out of range raises ComError(13) and changes no member.
#include "platform/automation/ComError.h"
#include "platform/automation/PropertyBag.h"
#include <QString>
#include <QVariant>
#include <cstdint>
#include <span>
#include <variant>
#include <vector>

namespace pioitems {

using PropertyValue = std::variant<QString, bool, int16_t>;

// "Type mismatch"
constexpr int32_t kErrTypeMismatch = 13;

template <class Control>
struct PersistedProperty {
    QString key;
    std::variant<QString Control::*, bool Control::*, int16_t Control::*> member;
    PropertyValue defaultValue;
};

namespace detail {
// The stored value as the type of defaultValue; false when it is not one.
bool ToPropertyValue(const QVariant& stored, const PropertyValue& defaultValue, PropertyValue& value);
QVariant ToVariant(const PropertyValue& value);
} // namespace detail

template <class Control>
void ReadPersisted(Control& control, const automation::PropertyBag& bag,
                   std::span<const PersistedProperty<Control>> table, const QString& source)
{
    std::vector<PropertyValue> values;
    values.reserve(table.size());
    for (const PersistedProperty<Control>& property : table) {
        PropertyValue value = property.defaultValue;
        if (bag.Contains(property.key)
            && !detail::ToPropertyValue(bag.Read(property.key), property.defaultValue, value))
            throw automation::ComError(kErrTypeMismatch,
                                       QStringLiteral("Type mismatch: the stored value of %1 is %2")
                                           .arg(property.key, bag.Read(property.key).toString()),
                                       source);
        values.push_back(std::move(value));
    }
    for (size_t i = 0; i < table.size(); ++i)
        std::visit([&](auto member) {
            using T = std::remove_reference_t<decltype(control.*member)>;
            control.*member = std::get<T>(values[i]);
        }, table[i].member);
}

template <class Control>
void WritePersisted(const Control& control, automation::PropertyBag& bag,
                    std::span<const PersistedProperty<Control>> table)
{
    for (const PersistedProperty<Control>& property : table) {
        const PropertyValue value = std::visit([&](auto member) { return PropertyValue(control.*member); },
                                               property.member);
        if (value == property.defaultValue)
            bag.Remove(property.key);
        else
            bag.Write(property.key, detail::ToVariant(value));
    }
}

} // namespace pioitems
