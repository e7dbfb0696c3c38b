#include "platform/printview/ReportValues.h"
#include "platform/applet/AppletItem.h"
#include "platform/applet/AppletTrace.h"
#include "platform/applet/Description.h"
#include "platform/applet/ItemValue.h"
#include "platform/applet/UserDate.h"
#include "platform/applet/UserNumber.h"
#include "platform/applet/clsAppletItemManager.h"

namespace printview {

namespace {
// The digits a float holds: what lies beyond them is no part of the value.
constexpr int kFloatDigits = 7;

// Revision bytes: the revision in the upper five bits, a sub-number in the
// lower three, printed as the identification page shows them (17: 2.1).
constexpr const char* kRevisionBytes[] = {"pbHardwareRev"};

// Dates the device keeps as text in its own form, printed in the reader's.
constexpr const char* kDeviceDates[] = {"pbDeviceInstalDate"};

template <size_t N>
bool IsOneOf(const char* const (&names)[N], const QString& itemName)
{
    for (const char* name : names)
        if (itemName.compare(QLatin1String(name), Qt::CaseInsensitive) == 0)
            return true;
    return false;
}
} // namespace

ReportValues::ReportValues(std::shared_ptr<applet::clsAppletItemManager> manager, UnitTable units, int countryCode)
    : m_manager(std::move(manager)), m_units(std::move(units)),
      m_countryCode(countryCode), m_language(countryCode == applet::UserNumber::kCountryGerman ? 1 : 0)
{
}

QString ReportValues::Symbol(const QString& unit) const
{
    return m_units.symbols.value(unit, unit);
}

std::optional<QString> ReportValues::ValueText(const QString& itemName) const
{
    const applet::AppletItem* item = m_manager ? m_manager->Item(m_manager->HandleOf(itemName)) : nullptr;
    if (!item)
        return std::nullopt;
    if (IsOneOf(kRevisionBytes, itemName)) {
        const auto v = static_cast<unsigned>(applet::ItemValue::ToNumber(item->Type(), item->Value())) & 0xFFu;
        return QStringLiteral("%1.%2").arg(v / 8).arg(v & 7);
    }
    const auto description = m_manager->GetDescription();
    const applet::DescObject* object = description ? description->FindObject(itemName) : nullptr;
    const applet::DescEnumeration* enumeration =
        object && !object->enumeration.isEmpty() ? description->FindEnumeration(object->enumeration) : nullptr;
    const auto texts = m_units.texts.constFind(itemName.toLower());
    if (enumeration || texts != m_units.texts.constEnd()) {
        const double number = applet::ItemValue::ToNumber(item->Type(), item->Value());
        if (enumeration)
            for (const applet::DescEnumEntry& entry : enumeration->entries)
                if (entry.value == number)
                    return entry.Text(m_countryCode);
        if (texts != m_units.texts.constEnd()) {
            const auto text = texts->constFind(static_cast<qint64>(number));
            if (text != texts->constEnd() && static_cast<double>(text.key()) == number)
                return text->value(m_language);
        }
    }
    if (item->Type() == applet::ItemType::Float) {
        // 100000, not 1e+05, and in the reader's format.
        const double digits =
            QString::number(static_cast<double>(item->Value().toFloat()), 'g', kFloatDigits).toDouble();
        return applet::UserNumber::Format(digits, m_countryCode);
    }
    const QString text = applet::ItemValue::ToText(item->Type(), item->Value(), item->Style()).trimmed();
    return IsOneOf(kDeviceDates, itemName) ? applet::UserDate::Shown(text, m_countryCode) : text;
}

std::optional<QString> ReportValues::Text(const QString& itemName) const
{
    std::optional<QString> value = ValueText(itemName);
    if (!value)
        return value;
    const auto unit = m_units.units.constFind(itemName.toLower());
    if (unit == m_units.units.constEnd())
        return value;
    QString unitText = *unit;
    if (unitText.startsWith(QLatin1Char('@'))) {
        const std::optional<QString> shown = ValueText(unitText.mid(1));
        if (!shown) {
            applet::AppletTrace::Error(QStringLiteral("Print view: the unit item \"%1\" of \"%2\" is not known")
                                           .arg(unitText.mid(1), itemName));
            return value;
        }
        unitText = *shown;
    }
    if (!unitText.isEmpty())
        *value += QLatin1Char(' ') + Symbol(unitText);
    return value;
}

} // namespace printview
