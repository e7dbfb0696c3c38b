#include "mvtrivexhelper/NumberText.h"
#include <QRegularExpression>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <limits>
#include <string>

namespace NumberText {

namespace {

// Digits of the plain text before the switch to exponent notation.
constexpr int kSignificantDigits = 15;
// Smallest magnitude (as a power of ten) still written without an exponent.
constexpr int kSmallestPlainExponent = -4;

// Reads a number in the syntax of the patterns below; false when it is out
// of the range of a double or not finite.
bool Parse(const QString& digits, double& value)
{
    const std::string text = digits.toStdString();
    const char* first = text.data();
    if (!text.empty() && text.front() == '+')
        ++first;
    double parsed = 0;
    const auto [end, error] = std::from_chars(first, text.data() + text.size(), parsed);
    if (error != std::errc() || end != text.data() + text.size() || !std::isfinite(parsed))
        return false;
    value = parsed;
    return true;
}

const QString kNumberPattern = QStringLiteral(R"([+-]?(?:\d+\.?\d*|\.\d+)(?:[eE][+-]?\d+)?)");

template <class Int>
bool RoundTo(double number, Int& value)
{
    if (std::isnan(number))
        return false;
    double rounded = std::round(number);
    if (std::fabs(number - std::trunc(number)) == 0.5)
        rounded = 2.0 * std::round(number / 2.0);
    if (rounded < static_cast<double>(std::numeric_limits<Int>::min())
        || rounded > static_cast<double>(std::numeric_limits<Int>::max()))
        return false;
    value = static_cast<Int>(rounded);
    return true;
}

} // namespace

QString Plain(double value)
{
    if (!std::isfinite(value))
        return QString();
    if (value == 0)
        return QStringLiteral("0");
    // d.dddddddddddddde±x: the rounding to 15 digits is printf's, which
    // also moves the exponent when the digits round up to a power of ten.
    char buffer[40];
    std::snprintf(buffer, sizeof buffer, "%.*e", kSignificantDigits - 1, value);
    const QString scientific = QString::fromLatin1(buffer);
    const bool negative = scientific.startsWith(QLatin1Char('-'));
    const QString body = negative ? scientific.mid(1) : scientific;
    const int e = body.indexOf(QLatin1Char('e'));
    QString digits = body.left(1) + body.mid(2, e - 2);
    const int exponent = body.mid(e + 1).toInt();
    while (digits.size() > 1 && digits.endsWith(QLatin1Char('0')))
        digits.chop(1);

    QString text;
    if (exponent >= kSignificantDigits || exponent < kSmallestPlainExponent) {
        text = digits.left(1);
        if (digits.size() > 1)
            text += QLatin1Char('.') + digits.mid(1);
        text += QStringLiteral("E%1%2")
                    .arg(exponent < 0 ? QLatin1Char('-') : QLatin1Char('+'))
                    .arg(std::abs(exponent), 2, 10, QLatin1Char('0'));
    } else if (exponent >= 0) {
        const int whole = exponent + 1;
        text = digits.left(whole).leftJustified(whole, QLatin1Char('0'));
        if (digits.size() > whole)
            text += QLatin1Char('.') + digits.mid(whole);
    } else {
        text = QStringLiteral("0.") + QString(-exponent - 1, QLatin1Char('0')) + digits;
    }
    return negative ? QLatin1Char('-') + text : text;
}

bool ToNumber(const QString& text, double& value)
{
    static const QRegularExpression whole(QStringLiteral("^\\s*(") + kNumberPattern + QStringLiteral(")\\s*$"));
    const QRegularExpressionMatch match = whole.match(text);
    return match.hasMatch() && Parse(match.captured(1), value);
}

bool LeadingNumber(const QString& text, double& value)
{
    static const QRegularExpression leading(QStringLiteral("^\\s*(") + kNumberPattern + QLatin1Char(')'));
    const QRegularExpressionMatch match = leading.match(text);
    if (!match.hasMatch()) {
        value = 0;
        return true;
    }
    return Parse(match.captured(1), value);
}

bool RoundToInt32(double number, int32_t& value)
{
    return RoundTo(number, value);
}

bool RoundToInt16(double number, int16_t& value)
{
    return RoundTo(number, value);
}

} // namespace NumberText
