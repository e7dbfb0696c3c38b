#include "platform/controls/DisplayProtocol.h"
#include "platform/applet/AppletTrace.h"
#include "platform/automation/ComError.h"
#include <QLocale>
#include <cmath>
#include <limits>

namespace controls {

namespace {

using P = DisplayProtocol::Property;
using K = DisplayProtocol::Kind;
using F = DisplayProtocol::Form;

constexpr DisplayProtocol::Entry kEntries[] = {
    {P::ObjectNameMin, "ObjectNameMin", K::Text, F::Both},
    {P::ObjectNameMax, "ObjectNameMax", K::Text, F::Both},
    {P::ObjectNameLoLim, "ObjectNameLoLim", K::Text, F::Plain},
    {P::ObjectNameHiLim, "ObjectNameHiLim", K::Text, F::Plain},
    {P::ObjectNameLoLoLim, "ObjectNameLoLoLim", K::Text, F::Plain},
    {P::ObjectNameHiHiLim, "ObjectNameHiHiLim", K::Text, F::Plain},
    {P::LargeStep, "LargeStep", K::Single, F::Plain},
    {P::SmallStep, "SmallStep", K::Single, F::Plain},
    {P::ObjectNameUnit, "ObjectNameUnit", K::Text, F::Both},
    {P::ObjectNameValue, "ObjectNameValue", K::Text, F::Both},
    {P::MaxDigits, "MaxDigits", K::Integer16, F::Plain},
    {P::DecimalPlaces, "DecimalPlaces", K::Integer16, F::Plain},
    {P::objectcaption, "objectcaption", K::Text, F::Indexed},
};

bool IsNumberType(const QVariant& value)
{
    switch (value.typeId()) {
    case QMetaType::Int:
    case QMetaType::UInt:
    case QMetaType::LongLong:
    case QMetaType::ULongLong:
    case QMetaType::Short:
    case QMetaType::UShort:
    case QMetaType::Double:
    case QMetaType::Float:
        return true;
    default:
        return false;
    }
}

// A number, or a number in text (as written or in the user's locale).
std::optional<double> NumberOf(const QVariant& value)
{
    if (IsNumberType(value))
        return value.toDouble();
    if (value.typeId() != QMetaType::QString)
        return std::nullopt;
    bool ok = false;
    const QString text = value.toString().trimmed();
    double number = text.toDouble(&ok);
    if (!ok)
        number = QLocale().toDouble(text, &ok);
    return ok ? std::optional<double>(number) : std::nullopt;
}

} // namespace

const std::span<const DisplayProtocol::Entry> DisplayProtocol::kDisplayProperties{kEntries};

const DisplayProtocol::Entry* DisplayProtocol::FindProperty(const QString& name)
{
    for (const Entry& entry : kDisplayProperties)
        if (name.compare(QLatin1String(entry.name), Qt::CaseInsensitive) == 0)
            return &entry;
    return nullptr;
}

void DisplayProtocol::RaiseRefused(int32_t number, const QString& description, bool expected) const
{
    const QString source = DisplayName();
    if (expected)
        applet::AppletTrace::Info(QStringLiteral("%1: %2").arg(source, description));
    else
        applet::AppletTrace::Error(QStringLiteral("%1: %2").arg(source, description));
    throw automation::ComError(number, description, source);
}

const DisplayProtocol::Entry& DisplayProtocol::Look(const QString& name, Form form) const
{
    const Entry* entry = FindProperty(name);
    if (!entry || (entry->form != Form::Both && entry->form != form))
        RaiseRefused(kErrNotSupported, QStringLiteral("the display has no property %1%2")
                                           .arg(name, form == Form::Indexed ? QStringLiteral("(index)") : QString()));
    return *entry;
}

QVariant DisplayProtocol::Converted(const Entry& entry, const QVariant& value) const
{
    const QString name = QLatin1String(entry.name);
    if (entry.kind == Kind::Text) {
        // Nothing at all is the empty text.
        if (!value.isValid())
            return QString();
        if (value.typeId() != QMetaType::QString && !IsNumberType(value))
            RaiseRefused(kErrTypeMismatch, QStringLiteral("%1 takes a text, not a value of type %2")
                                               .arg(name, QString::fromLatin1(value.typeName())));
        return value.toString();
    }
    const std::optional<double> number = NumberOf(value);
    if (!number)
        RaiseRefused(kErrTypeMismatch, QStringLiteral("%1 takes a number, not \"%2\"").arg(name, value.toString()));
    if (entry.kind == Kind::Single) {
        if (!std::isfinite(*number) || std::fabs(*number) > std::numeric_limits<float>::max())
            RaiseRefused(kErrOverflow, QStringLiteral("%1 cannot take %2").arg(name).arg(*number));
        return static_cast<float>(*number);
    }
    const double whole = std::nearbyint(*number);
    if (!(whole >= std::numeric_limits<int16_t>::min() && whole <= std::numeric_limits<int16_t>::max()))
        RaiseRefused(kErrOverflow, QStringLiteral("%1 cannot take %2").arg(name).arg(*number));
    return QVariant::fromValue(static_cast<int16_t>(whole));
}

void DisplayProtocol::SetDisplayProperty(const QString& name, const QVariant& value)
{
    const Entry& entry = Look(name, Form::Plain);
    if (!ApplyDisplayProperty(entry.property, Converted(entry, value)))
        RaiseRefused(kErrNotSupported, QStringLiteral("the display does not carry %1").arg(name), true);
}

void DisplayProtocol::SetDisplayProperty(const QString& name, int index, const QVariant& value)
{
    const Entry& entry = Look(name, Form::Indexed);
    if (!ApplyDisplayProperty(entry.property, index, Converted(entry, value)))
        RaiseRefused(kErrNotSupported, QStringLiteral("the display does not carry %1(index)").arg(name), true);
}

bool DisplayProtocol::ApplyDisplayProperty(Property, int, const QVariant&)
{
    return false;
}

} // namespace controls
