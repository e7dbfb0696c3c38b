#include "platform/applet/ValueAdmission.h"
#include "platform/applet/AppletItem.h"
#include "platform/applet/Description.h"
#include "platform/applet/ItemValue.h"
#include "platform/applet/ValueEncoding.h"
#include <QDate>
#include <cmath>

namespace applet::ValueAdmission {

namespace {

bool Refuse(QString& why, const QString& reason)
{
    why = reason;
    return false;
}

bool IsNumber(ItemType type)
{
    return type == ItemType::Int || type == ItemType::Unsigned || type == ItemType::Enumerated
        || type == ItemType::Float;
}

QString Bound(const std::optional<double>& bound)
{
    return bound ? ItemValue::FloatText(static_cast<float>(*bound)) : QStringLiteral("-");
}

bool InEnumeration(const Description& description, const DescObject& object, const QVariant& stored, QString& why)
{
    const DescEnumeration* enumeration = object.enumeration.isEmpty()
                                             ? nullptr
                                             : description.FindEnumeration(object.enumeration);
    if (!enumeration || enumeration->entries.isEmpty())
        return true;
    const double code = ItemValue::ToNumber(object.type, stored);
    for (const DescEnumEntry& entry : enumeration->entries)
        if (entry.value == code)
            return true;
    return Refuse(why, QStringLiteral("%1 is no entry of the list %2").arg(code).arg(enumeration->name));
}

bool RealDate(const QVariant& stored, QString& why)
{
    const QByteArray bytes = stored.toByteArray();
    if (bytes == QByteArray(3, '\0')) // left unset by the device
        return true;
    if (bytes.size() == 3
        && QDate(1900 + static_cast<uint8_t>(bytes[2]), static_cast<uint8_t>(bytes[1]), static_cast<uint8_t>(bytes[0]))
               .isValid())
        return true;
    return Refuse(why, QStringLiteral("%1 is no day of the calendar").arg(ItemValue::ToText(ItemType::HartDate, stored)));
}

// Whether the record field that carries the item can carry the value, as
// the record encoder will put it.
bool Carried(const FieldLayout& field, const AppletItem& item, const QVariant& stored, QString& why)
{
    FieldLayout alone = field;
    alone.offset = 0;
    QByteArray scratch(alone.length, '\0');
    QString reason;
    if (ValueEncoding::Encode(alone, item.Type(), stored, scratch, &reason))
        return true;
    return Refuse(why, QStringLiteral("the device cannot take it: %1").arg(reason));
}

} // namespace

bool Fits(const Description* description, const AppletItem& item, const QVariant& stored, QString& why)
{
    if (item.Type() == ItemType::Float && !std::isfinite(stored.value<float>()))
        return Refuse(why, QStringLiteral("%1 is no finite number").arg(ItemValue::FloatText(stored.value<float>())));
    if (item.Type() == ItemType::HartDate && !RealDate(stored, why))
        return false;
    if (!description)
        return true;
    const DescObject* object = description->FindObject(item.Name());
    if (object && object->dateText && !stored.toString().isEmpty()) {
        QVariant date;
        if (!ItemValue::FromText(ItemType::HartDate, 3, stored.toString(), date, &why))
            return false;
    }
    if (object && IsNumber(item.Type())) {
        if (!object->InRange(ItemValue::ToNumber(item.Type(), stored)))
            return Refuse(why, QStringLiteral("%1 lies outside its range %2 to %3")
                                   .arg(ItemValue::ToText(item.Type(), stored), Bound(object->minimum),
                                        Bound(object->maximum)));
        if (item.Type() == ItemType::Enumerated && !InEnumeration(*description, *object, stored, why))
            return false;
    }
    const FieldLayout* field = description->WireField(item.Name());
    return !field || Carried(*field, item, stored, why);
}

bool FromText(const Description* description, const AppletItem& item, const QString& text, QVariant& stored,
              QString& why)
{
    QString taken = text;
    if (item.Type() == ItemType::Text && description) {
        const FieldLayout* field = description->WireField(item.Name());
        if (field && field->encoding == Encoding::PackedAscii)
            taken = ItemValue::PackedCase(text);
    }
    QVariant value;
    if (!ItemValue::FromText(item.Type(), item.Size(), taken, value, &why) || !Fits(description, item, value, why))
        return false;
    stored = value;
    return true;
}

QString Refusal(const QString& itemName, const QString& text, const QString& why)
{
    return QStringLiteral("the value '%1' of %2 does not fit the item: %3").arg(text, itemName, why);
}

} // namespace applet::ValueAdmission
