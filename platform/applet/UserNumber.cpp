#include "platform/applet/UserNumber.h"
#include "platform/applet/clsAppletItemManager.h"
#include <QLocale>
#include <cmath>

namespace applet::UserNumber {

namespace {

const QString kCountryCodeItem = QStringLiteral("&&private&&countrycode");
constexpr int kMostDecimals = 6;

QString Fixed(double value, int decimals)
{
    QString text = QString::number(value, 'f', decimals);
    // "-0" and "-0.00" read as a negative number that is none.
    bool nonZero = false;
    for (const QChar c : text)
        nonZero = nonZero || (c.isDigit() && c != QLatin1Char('0'));
    if (!nonZero && text.startsWith(QLatin1Char('-')))
        text.remove(0, 1);
    return text;
}

QString WithoutTrailingZeros(QString text)
{
    if (!text.contains(QLatin1Char('.')))
        return text;
    while (text.endsWith(QLatin1Char('0')))
        text.chop(1);
    if (text.endsWith(QLatin1Char('.')))
        text.chop(1);
    return text;
}

} // namespace

int32_t CountryCode(clsAppletItemManager& manager)
{
    const int32_t handle = manager.HandleOf(kCountryCodeItem);
    if (handle <= 0)
        return kCountryEnglish;
    double value = 0;
    int32_t failed = 0;
    manager.fncGetUIntValue(handle, value, failed);
    return failed == 0 && std::isfinite(value) ? static_cast<int32_t>(std::lround(value)) : kCountryEnglish;
}

QChar DecimalSeparator(int32_t countryCode)
{
    return countryCode == kCountryGerman ? QLatin1Char(',') : QLatin1Char('.');
}

std::optional<double> Parse(const QString& text, int32_t countryCode)
{
    QString number = text.trimmed();
    const QChar separator = DecimalSeparator(countryCode);
    if (separator != QLatin1Char('.')) {
        // A point is a German reader's group separator ("1.000" is one
        // thousand) and the English decimal point: either reading may be
        // wrong, so the number is refused rather than guessed.
        if (number.contains(QLatin1Char('.')) || number.count(separator) > 1)
            return std::nullopt;
        number.replace(separator, QLatin1Char('.'));
    }
    if (number.isEmpty())
        return std::nullopt;
    QLocale c = QLocale::c();
    c.setNumberOptions(QLocale::RejectGroupSeparator);
    bool ok = false;
    const double value = c.toDouble(number, &ok);
    if (!ok || !std::isfinite(value))
        return std::nullopt;
    return value;
}

QString SeparatorHint(const QString& text, int32_t countryCode)
{
    // A grouped "1.000,5" has the comma already: the refusal names it as it is.
    if (DecimalSeparator(countryCode) != QLatin1Char(',') || !text.contains(QLatin1Char('.'))
        || text.contains(QLatin1Char(',')))
        return QString();
    return QStringLiteral(" Das Dezimalzeichen ist das Komma (zum Beispiel 1,5); ein Punkt wird nicht angenommen.");
}

QString Format(double value, int32_t countryCode, int decimals, int maxDigits)
{
    if (!std::isfinite(value))
        return QString::number(value);
    int places = decimals < 0 ? kMostDecimals : decimals;
    QString text = Fixed(value, places);
    if (decimals < 0)
        text = WithoutTrailingZeros(text);
    while (maxDigits > 0 && text.size() > maxDigits && places > 0) {
        text = Fixed(value, --places);
        if (decimals < 0)
            text = WithoutTrailingZeros(text);
    }
    text.replace(QLatin1Char('.'), DecimalSeparator(countryCode));
    return text;
}

QString ItemText(double value)
{
    return QString::number(value, 'g', QLocale::FloatingPointShortest);
}

} // namespace applet::UserNumber
