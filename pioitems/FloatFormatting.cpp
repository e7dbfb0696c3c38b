#include "pioitems/FloatFormatting.h"
#include "platform/applet/UserNumber.h"
#include <algorithm>
#include <cmath>
#include <cstdio>
#include <string>

namespace pioitems::FloatFormatting {

namespace {

// value with that many decimals; the C library rounds exact ties to even
// (Qt's own formatting rounds them away from zero).
QString Fixed(double value, int decimals)
{
    const int size = std::snprintf(nullptr, 0, "%.*f", decimals, value);
    // A failed count would size the buffer wrong: Qt's own formatting then.
    if (size <= 0)
        return QString::number(value, 'f', decimals);
    std::string text(static_cast<size_t>(size) + 1, '\0');
    std::snprintf(text.data(), text.size(), "%.*f", decimals, value);
    text.resize(static_cast<size_t>(size));
    return QString::fromStdString(text);
}

// value in the form "0.000E+00": one integer digit, three decimals, a signed exponent of two digits at least.
QString Exponent(double value)
{
    char text[32];
    const int size = std::snprintf(text, sizeof text, "%.3E", value);
    if (size <= 0 || size >= static_cast<int>(sizeof text))
        return QString::number(value, 'E', 3);
    return QString::fromLatin1(text, size);
}

QString Localised(QString text, int32_t countryCode)
{
    return text.replace(QLatin1Char('.'), applet::UserNumber::DecimalSeparator(countryCode));
}

} // namespace

std::optional<QString> FormatFloat(double value, int16_t decimalPlaces, int16_t maxDigits, int32_t countryCode)
{
    if (!std::isfinite(value) || decimalPlaces < 0)
        return std::nullopt;
    // Width of the integer part taken towards minus infinity, the sign counting.
    const int integerWidth = static_cast<int>(QString::number(std::floor(value), 'f', 0).size());
    const QString rounded = Fixed(value, decimalPlaces);
    const QString shown = decimalPlaces == 0 ? rounded + QStringLiteral(".0") : rounded;
    // An integer part wider than the field: the exponent form fits it.
    if (integerWidth > maxDigits)
        return Localised(Exponent(value), countryCode);
    // Rounding may carry into one more integer digit (999.96 to 1000.0):
    // the whole integer part then, never a number cut short.
    const int roundedWidth = static_cast<int>(shown.indexOf(QLatin1Char('.')));
    if (roundedWidth > maxDigits)
        return Fixed(value, 0);
    QString cut = shown.left(maxDigits);
    if (cut.endsWith(QLatin1Char('.')))
        cut.chop(1);
    return Localised(cut, countryCode);
}

} // namespace pioitems::FloatFormatting
