#include "platform/applet/ValueConverter.h"

namespace applet {

ValueConverter& ValueConverter::instance()
{
    static ValueConverter converter;
    return converter;
}

void ValueConverter::HexTextToLong(const QString& text, int32_t& value, int32_t& failed) const
{
    QString digits = text.trimmed();
    if (digits.startsWith(QLatin1String("0x"), Qt::CaseInsensitive)
        || digits.startsWith(QLatin1String("&H"), Qt::CaseInsensitive))
        digits = digits.mid(2);
    failed = 1;
    if (digits.isEmpty() || digits.size() > 8)
        return;
    bool ok = false;
    const uint32_t parsed = digits.toUInt(&ok, 16);
    if (!ok)
        return;
    value = static_cast<int32_t>(parsed);
    failed = 0;
}

} // namespace applet
