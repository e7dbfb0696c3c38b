#include "pioitems/FloatFormatting.h"
#include "platform/applet/UserNumber.h"
#include <charconv>
#include <cmath>

namespace pioitems::FloatFormatting {

namespace {

// The C library's formatting follows the process's locale, which Qt takes
// from the environment: under a German one it writes a comma, the cut below
// finds no point and an English reader would see "1,235E+07". to_chars
// writes the point whatever the locale, and rounds exact ties to even (Qt's
// own formatting rounds them away from zero).
QString Formatted(double value, std::chars_format format, int precision)
{
    char text[400]; // the widest double with the most decimals asked for
    const auto [end, error] = std::to_chars(text, text + sizeof text, value, format, precision);
    if (error != std::errc())
        return QString::number(value, format == std::chars_format::fixed ? 'f' : 'e', precision);
    return QString::fromLatin1(text, end - text);
}

// value with that many decimals.
QString Fixed(double value, int decimals)
{
    return Formatted(value, std::chars_format::fixed, decimals);
}

// value in the form "0.000E+00": one integer digit, three decimals, a signed exponent of two digits at least.
QString Exponent(double value)
{
    return Formatted(value, std::chars_format::scientific, 3).toUpper();
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
