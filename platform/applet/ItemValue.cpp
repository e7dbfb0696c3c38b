#include "platform/applet/ItemValue.h"
#include "platform/comm/hart/HartBytes.h"
#include "platform/comm/hart/PackedAscii.h"
#include <QDate>
#include <QRegularExpression>
#include <QStringList>
#include <array>
#include <charconv>
#include <cmath>
#include <cstring>

namespace applet::ItemValue {

namespace {

struct TypeRow {
    ItemType type;
    const char* name;
};

constexpr std::array<TypeRow, 9> kTypes{{
    {ItemType::Text, "text"},
    {ItemType::Int, "int"},
    {ItemType::Unsigned, "unsigned"},
    {ItemType::Enumerated, "enumerated"},
    {ItemType::Float, "float"},
    {ItemType::Octets, "octets"},
    {ItemType::PackedAscii, "packedAscii"},
    {ItemType::HartDate, "hartDate"},
    {ItemType::Boolean, "boolean"},
}};

// Which access families each type takes: rows in ValueAccess order
// (UInt, Int, Bcd, Float, Bool, Octets, PackedAscii, HartDate, Text).
struct AccessRow {
    ItemType type;
    std::array<bool, 9> accepts;
};

constexpr std::array<AccessRow, 9> kAccess{{
    //                        UInt   Int    Bcd    Float  Bool   Octets PCA    Date   Text
    {ItemType::Text,        {{false, false, false, false, false, false, false, false, true}}},
    {ItemType::Int,         {{true,  true,  true,  false, true,  false, false, false, true}}},
    {ItemType::Unsigned,    {{true,  true,  true,  false, true,  false, false, false, true}}},
    {ItemType::Enumerated,  {{true,  true,  true,  false, false, false, false, false, true}}},
    {ItemType::Float,       {{false, false, false, true,  false, false, false, false, true}}},
    {ItemType::Octets,      {{false, false, false, false, false, true,  false, false, true}}},
    {ItemType::PackedAscii, {{false, false, false, false, false, true,  true,  false, true}}},
    {ItemType::HartDate,    {{false, false, false, false, false, true,  false, true,  true}}},
    {ItemType::Boolean,     {{true,  true,  false, false, true,  false, false, false, true}}},
}};

int Bits(int32_t size)
{
    return (size <= 0 || size > 32) ? 32 : size;
}

bool ParseNumber(const QString& text, double& number)
{
    const QString t = text.trimmed();
    if (t.isEmpty())
        return false;
    bool ok = false;
    if (t.startsWith(QLatin1String("0x"), Qt::CaseInsensitive)) {
        const qulonglong v = t.mid(2).toULongLong(&ok, 16);
        number = static_cast<double>(v);
        return ok;
    }
    number = t.toDouble(&ok);
    return ok;
}

QByteArray PackedBlanks(int32_t size)
{
    QByteArray out;
    comm::PackedAscii::pack(QString(), size, out);
    return out;
}

QString HexText(const QByteArray& bytes)
{
    QStringList parts;
    for (char c : bytes)
        parts << QStringLiteral("%1").arg(static_cast<uint8_t>(c), 2, 16, QLatin1Char('0')).toUpper();
    return parts.join(QLatin1Char(' '));
}

QString MaskText(const QByteArray& bytes)
{
    QStringList parts;
    for (char c : bytes)
        parts << QString::number(static_cast<uint8_t>(c));
    return parts.join(QStringLiteral(", "));
}

// "0A 1B", "0a,1b", "0, 1, 1" or "0A1B": bytes in hexadecimal.
bool ParseHexBytes(const QString& text, QByteArray& bytes)
{
    static const QRegularExpression separators(QStringLiteral("[\\s,;]+"));
    const QStringList tokens = text.trimmed().split(separators, Qt::SkipEmptyParts);
    QByteArray out;
    if (tokens.size() == 1 && tokens.front().size() > 2) {
        const QString& t = tokens.front();
        if (t.size() % 2 != 0)
            return false;
        for (int i = 0; i < t.size(); i += 2) {
            bool ok = false;
            const uint v = t.mid(i, 2).toUInt(&ok, 16);
            if (!ok)
                return false;
            out.append(static_cast<char>(v));
        }
    } else {
        for (const QString& t : tokens) {
            bool ok = false;
            const uint v = t.toUInt(&ok, 16);
            if (!ok || t.size() > 2)
                return false;
            out.append(static_cast<char>(v));
        }
    }
    bytes = out;
    return true;
}

QString DateText(const QByteArray& bytes)
{
    const int day = bytes.size() > 0 ? static_cast<uint8_t>(bytes[0]) : 0;
    const int month = bytes.size() > 1 ? static_cast<uint8_t>(bytes[1]) : 0;
    const int year = 1900 + (bytes.size() > 2 ? static_cast<uint8_t>(bytes[2]) : 0);
    return QStringLiteral("%1-%2-%3")
        .arg(year, 4, 10, QLatin1Char('0'))
        .arg(month, 2, 10, QLatin1Char('0'))
        .arg(day, 2, 10, QLatin1Char('0'));
}

// "yyyy-MM-dd", the one form a date is kept in, naming a day of the
// calendar between 1900 and 2155 (the years the device's byte counts), or
// "1900-00-00", the date a device leaves unset (zero bytes).
bool ParseDate(const QString& text, QByteArray& bytes)
{
    static const QRegularExpression iso(QStringLiteral("^(\\d{4})-(\\d{2})-(\\d{2})$"));
    const QRegularExpressionMatch m = iso.match(text.trimmed());
    if (!m.hasMatch())
        return false;
    if (m.captured(0) == QLatin1String("1900-00-00")) {
        bytes = QByteArray(3, '\0');
        return true;
    }
    const QDate date(m.captured(1).toInt(), m.captured(2).toInt(), m.captured(3).toInt());
    if (!date.isValid() || date.year() < 1900 || date.year() > 2155)
        return false;
    bytes = QByteArray();
    bytes.append(static_cast<char>(date.day()));
    bytes.append(static_cast<char>(date.month()));
    bytes.append(static_cast<char>(date.year() - 1900));
    return true;
}

// Lower-case ASCII letters in upper case: all that packed ASCII cannot hold
// and can stand for. Every other character is left as it is.
QString PackableCase(const QString& text)
{
    QString upper = text;
    for (QChar& c : upper)
        if (c >= QLatin1Char('a') && c <= QLatin1Char('z'))
            c = QChar(c.unicode() - 'a' + 'A');
    return upper;
}

} // namespace

QString PackedCase(const QString& text)
{
    return PackableCase(text);
}

bool IsTypeCode(int32_t code)
{
    return code >= 0 && code <= 8;
}

QString TypeName(ItemType type)
{
    for (const TypeRow& row : kTypes)
        if (row.type == type)
            return QString::fromLatin1(row.name);
    return QString();
}

bool TypeFromName(const QString& name, ItemType& type)
{
    for (const TypeRow& row : kTypes)
        if (name.compare(QLatin1String(row.name), Qt::CaseInsensitive) == 0) {
            type = row.type;
            return true;
        }
    return false;
}

bool Accepts(ItemType type, ValueAccess access)
{
    for (const AccessRow& row : kAccess)
        if (row.type == type)
            return row.accepts[static_cast<size_t>(access)];
    return false;
}

QVariant Default(ItemType type, int32_t size)
{
    switch (type) {
    case ItemType::Text:
        return QString();
    case ItemType::Int:
        return QVariant::fromValue<qint64>(0);
    case ItemType::Unsigned:
    case ItemType::Enumerated:
        return QVariant::fromValue<quint64>(0);
    case ItemType::Float:
        return QVariant::fromValue<float>(0.0f);
    case ItemType::Boolean:
        return QVariant::fromValue<bool>(false);
    case ItemType::Octets:
        return QByteArray(size > 0 ? size : 0, '\0');
    case ItemType::PackedAscii:
        return PackedBlanks(size);
    case ItemType::HartDate:
        return QByteArray("\x01\x01\x00", 3);
    }
    return QVariant();
}

bool FromNumber(ItemType type, int32_t size, double number, QVariant& value)
{
    if (std::isnan(number) && type != ItemType::Float)
        return false;
    switch (type) {
    case ItemType::Int: {
        const double r = std::round(number);
        const int bits = Bits(size);
        const double low = -std::ldexp(1.0, bits - 1);
        const double high = std::ldexp(1.0, bits - 1) - 1;
        if (r < low || r > high)
            return false;
        value = QVariant::fromValue<qint64>(static_cast<qint64>(r));
        return true;
    }
    case ItemType::Unsigned:
    case ItemType::Enumerated: {
        const double r = std::round(number);
        const double high = std::ldexp(1.0, Bits(size)) - 1;
        if (r < 0 || r > high)
            return false;
        value = QVariant::fromValue<quint64>(static_cast<quint64>(r));
        return true;
    }
    case ItemType::Float: {
        if (std::isfinite(number) && std::fabs(number) > static_cast<double>(std::numeric_limits<float>::max()))
            return false;
        value = QVariant::fromValue<float>(static_cast<float>(number));
        return true;
    }
    case ItemType::Boolean:
        value = QVariant::fromValue<bool>(number != 0);
        return true;
    default:
        return false;
    }
}

bool FromText(ItemType type, int32_t size, const QString& text, QVariant& value, QString* why)
{
    auto refuse = [&](const QString& reason) {
        if (why)
            *why = reason;
        return false;
    };
    switch (type) {
    case ItemType::Text:
        if (size > 0 && text.size() > size)
            return refuse(QStringLiteral("text longer than %1 characters").arg(size));
        value = text;
        return true;
    case ItemType::Int:
    case ItemType::Unsigned:
    case ItemType::Enumerated:
    case ItemType::Float: {
        double number = 0;
        if (!ParseNumber(text, number))
            return refuse(QStringLiteral("'%1' is not a number").arg(text));
        if (!FromNumber(type, size, number, value))
            return refuse(QStringLiteral("%1 is out of range").arg(text));
        return true;
    }
    case ItemType::Boolean: {
        const QString t = text.trimmed().toLower();
        if (t == QLatin1String("true") || t == QLatin1String("1") || t == QLatin1String("-1")) {
            value = QVariant::fromValue<bool>(true);
            return true;
        }
        if (t == QLatin1String("false") || t == QLatin1String("0")) {
            value = QVariant::fromValue<bool>(false);
            return true;
        }
        return refuse(QStringLiteral("'%1' is not a Boolean").arg(text));
    }
    case ItemType::Octets: {
        QByteArray bytes;
        if (!ParseHexBytes(text, bytes))
            return refuse(QStringLiteral("'%1' is not a list of bytes").arg(text));
        if (!FromBytes(type, size, bytes, value))
            return refuse(QStringLiteral("more than %1 bytes").arg(size));
        return true;
    }
    case ItemType::PackedAscii: {
        QByteArray packed;
        QString error;
        if (size <= 0 || !comm::PackedAscii::pack(PackableCase(text), size, packed, &error))
            return refuse(error.isEmpty() ? QStringLiteral("no packed field") : error);
        value = packed;
        return true;
    }
    case ItemType::HartDate: {
        QByteArray bytes;
        if (!ParseDate(text, bytes))
            return refuse(QStringLiteral("'%1' is no date of the calendar in the form yyyy-MM-dd").arg(text));
        value = bytes;
        return true;
    }
    }
    return refuse(QStringLiteral("unknown type"));
}

bool FromBytes(ItemType type, int32_t size, const QByteArray& bytes, QVariant& value)
{
    switch (type) {
    case ItemType::Octets:
        if (size > 0) {
            if (bytes.size() > size)
                return false;
            QByteArray padded = bytes;
            padded.append(QByteArray(size - bytes.size(), '\0'));
            value = padded;
        } else {
            value = bytes;
        }
        return true;
    case ItemType::PackedAscii:
        if (size > 0 && bytes.size() != size)
            return false;
        value = bytes;
        return true;
    case ItemType::HartDate:
        if (bytes.size() != 3)
            return false;
        value = bytes;
        return true;
    case ItemType::Text:
        if (size > 0 && bytes.size() > size)
            return false;
        value = QString::fromLatin1(bytes);
        return true;
    default:
        return false;
    }
}

double ToNumber(ItemType type, const QVariant& value)
{
    switch (type) {
    case ItemType::Int:
        return static_cast<double>(value.value<qint64>());
    case ItemType::Unsigned:
    case ItemType::Enumerated:
        return static_cast<double>(value.value<quint64>());
    case ItemType::Float:
        return static_cast<double>(value.value<float>());
    case ItemType::Boolean:
        return value.value<bool>() ? 1.0 : 0.0;
    default:
        return 0.0;
    }
}

QString FloatText(float value)
{
    if (std::isnan(value))
        return QStringLiteral("nan");
    if (std::isinf(value))
        return value > 0 ? QStringLiteral("inf") : QStringLiteral("-inf");
    char buffer[64];
    const auto result = std::to_chars(buffer, buffer + sizeof buffer, value);
    return QString::fromLatin1(buffer, static_cast<int>(result.ptr - buffer));
}

QString ToText(ItemType type, const QVariant& value, TextStyle style)
{
    switch (type) {
    case ItemType::Text:
        return value.toString();
    case ItemType::Int:
        return QString::number(value.value<qint64>());
    case ItemType::Unsigned:
    case ItemType::Enumerated:
        return QString::number(value.value<quint64>());
    case ItemType::Float:
        return FloatText(value.value<float>());
    case ItemType::Boolean:
        return value.value<bool>() ? QStringLiteral("1") : QStringLiteral("0");
    case ItemType::Octets:
        return style == TextStyle::Mask ? MaskText(value.toByteArray()) : HexText(value.toByteArray());
    case ItemType::PackedAscii: {
        QString text = comm::PackedAscii::unpack(value.toByteArray());
        while (text.endsWith(QLatin1Char(' ')))
            text.chop(1);
        return text;
    }
    case ItemType::HartDate:
        return DateText(value.toByteArray());
    }
    return QString();
}

QByteArray ToBytes(ItemType type, const QVariant& value)
{
    switch (type) {
    case ItemType::Octets:
    case ItemType::PackedAscii:
    case ItemType::HartDate:
        return value.toByteArray();
    case ItemType::Text:
        return value.toString().toLatin1();
    default:
        return QByteArray();
    }
}

bool Equal(ItemType type, const QVariant& a, const QVariant& b)
{
    if (type == ItemType::Float) {
        const float x = a.value<float>();
        const float y = b.value<float>();
        return std::memcmp(&x, &y, sizeof x) == 0;
    }
    switch (type) {
    case ItemType::Text:
        return a.toString() == b.toString();
    case ItemType::Int:
        return a.value<qint64>() == b.value<qint64>();
    case ItemType::Unsigned:
    case ItemType::Enumerated:
        return a.value<quint64>() == b.value<quint64>();
    case ItemType::Boolean:
        return a.value<bool>() == b.value<bool>();
    default:
        return a.toByteArray() == b.toByteArray();
    }
}

} // namespace applet::ItemValue
