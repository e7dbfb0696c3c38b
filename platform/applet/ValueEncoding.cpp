#include "platform/applet/ValueEncoding.h"
#include "platform/comm/hart/HartBytes.h"
#include "platform/comm/hart/PackedAscii.h"
#include <array>
#include <cmath>

namespace applet::ValueEncoding {

namespace {

struct EncodingRow {
    Encoding encoding;
    const char* name;
    int fixedLength; // 0: the field gives its length
};

constexpr std::array<EncodingRow, 15> kEncodings{{
    {Encoding::UInt8, "uint8", 1},
    {Encoding::UInt16, "uint16", 2},
    {Encoding::UInt24, "uint24", 3},
    {Encoding::UInt32, "uint32", 4},
    {Encoding::Int8, "int8", 1},
    {Encoding::Int16, "int16", 2},
    {Encoding::Int32, "int32", 4},
    {Encoding::Float32, "float32", 4},
    {Encoding::Bcd, "bcd", 0},
    {Encoding::PackedAscii, "packedAscii", 0},
    {Encoding::Ascii, "ascii", 0},
    {Encoding::Octets, "octets", 0},
    {Encoding::HartDate, "hartDate", 3},
    {Encoding::Constant, "const", 0},
    {Encoding::Skip, "skip", 0},
}};

const EncodingRow* Row(Encoding encoding)
{
    for (const EncodingRow& row : kEncodings)
        if (row.encoding == encoding)
            return &row;
    return nullptr;
}

bool IsSigned(Encoding encoding)
{
    return encoding == Encoding::Int8 || encoding == Encoding::Int16 || encoding == Encoding::Int32;
}

bool IsNumericItem(ItemType type)
{
    return type == ItemType::Int || type == ItemType::Unsigned || type == ItemType::Enumerated
        || type == ItemType::Boolean;
}

bool IsByteItem(ItemType type)
{
    return type == ItemType::Octets || type == ItemType::PackedAscii || type == ItemType::HartDate;
}

bool Inside(const FieldLayout& field, const QByteArray& data)
{
    return field.offset >= 0 && field.length >= 0 && field.length <= data.size()
        && field.offset <= data.size() - field.length;
}

// Whether the field's length and bit field fit its encoding. The description
// reader refuses other layouts; this guards layouts made in code, whose
// numbers are read and written in a 64-bit word.
bool Shaped(const FieldLayout& field)
{
    const int fixed = FixedLength(field.encoding);
    if (fixed > 0 && field.length != fixed)
        return false;
    if (field.encoding == Encoding::Bcd && (field.length < 1 || field.length > 8))
        return false;
    return !IsUnsigned(field.encoding) || (field.shift >= 0 && field.shift < field.length * 8);
}

uint64_t ReadBigEndian(const QByteArray& data, int offset, int length)
{
    uint64_t raw = 0;
    for (int i = 0; i < length; ++i)
        raw = (raw << 8) | static_cast<uint8_t>(data[offset + i]);
    return raw;
}

void OrBigEndian(QByteArray& data, int offset, int length, uint64_t raw)
{
    for (int i = length - 1; i >= 0; --i) {
        data[offset + i] = static_cast<char>(static_cast<uint8_t>(data[offset + i]) | (raw & 0xFFu));
        raw >>= 8;
    }
}

void WriteBigEndian(QByteArray& data, int offset, int length, uint64_t raw)
{
    for (int i = length - 1; i >= 0; --i) {
        data[offset + i] = static_cast<char>(raw & 0xFFu);
        raw >>= 8;
    }
}

bool Refuse(QString* why, const QString& reason)
{
    if (why)
        *why = reason;
    return false;
}

} // namespace

QString Name(Encoding encoding)
{
    const EncodingRow* row = Row(encoding);
    return row ? QString::fromLatin1(row->name) : QString();
}

bool FromName(const QString& name, Encoding& encoding)
{
    for (const EncodingRow& row : kEncodings)
        if (name == QLatin1String(row.name)) {
            encoding = row.encoding;
            return true;
        }
    return false;
}

int FixedLength(Encoding encoding)
{
    const EncodingRow* row = Row(encoding);
    return row ? row->fixedLength : 0;
}

bool IsUnsigned(Encoding encoding)
{
    return encoding == Encoding::UInt8 || encoding == Encoding::UInt16 || encoding == Encoding::UInt24
        || encoding == Encoding::UInt32;
}

bool Fits(Encoding encoding, ItemType type)
{
    switch (encoding) {
    case Encoding::UInt8:
    case Encoding::UInt16:
    case Encoding::UInt24:
    case Encoding::UInt32:
    case Encoding::Int8:
    case Encoding::Int16:
    case Encoding::Int32:
    case Encoding::Bcd:
        return IsNumericItem(type);
    case Encoding::Float32:
        return type == ItemType::Float;
    case Encoding::PackedAscii:
        return type == ItemType::PackedAscii || type == ItemType::Text;
    case Encoding::Ascii:
        return type == ItemType::Text;
    case Encoding::Octets:
        return IsByteItem(type);
    case Encoding::HartDate:
        return type == ItemType::HartDate;
    case Encoding::Constant:
    case Encoding::Skip:
        return false;
    }
    return false;
}

void EncodeFixed(const FieldLayout& field, QByteArray& data)
{
    if (!Inside(field, data))
        return;
    if (field.encoding == Encoding::Constant)
        OrBigEndian(data, field.offset, field.length, field.constant);
}

bool Encode(const FieldLayout& field, ItemType type, const QVariant& value, QByteArray& data, QString* why)
{
    if (!Shaped(field))
        return Refuse(why, QStringLiteral("a field of %1 bytes does not fit its encoding").arg(field.length));
    if (!Inside(field, data))
        return Refuse(why, QStringLiteral("field outside the request"));
    if (!Fits(field.encoding, type))
        return Refuse(why, QStringLiteral("item type does not fit the encoding"));

    if (IsUnsigned(field.encoding) || IsSigned(field.encoding) || field.encoding == Encoding::Bcd) {
        const double number = ItemValue::ToNumber(type, value);
        if (std::isnan(number))
            return Refuse(why, QStringLiteral("not a number"));
        const int64_t whole = static_cast<int64_t>(std::llround(number));
        const int bits = field.length * 8;
        if (field.encoding == Encoding::Bcd) {
            if (whole < 0)
                return Refuse(why, QStringLiteral("a BCD field holds no negative value"));
            uint64_t rest = static_cast<uint64_t>(whole);
            uint64_t raw = 0;
            for (int digit = 0; digit < field.length * 2; ++digit) {
                raw |= (rest % 10) << (4 * digit);
                rest /= 10;
            }
            if (rest != 0)
                return Refuse(why, QStringLiteral("%1 has more than %2 digits").arg(whole).arg(field.length * 2));
            WriteBigEndian(data, field.offset, field.length, raw);
            return true;
        }
        if (IsSigned(field.encoding)) {
            const int64_t low = -(int64_t(1) << (bits - 1));
            const int64_t high = (int64_t(1) << (bits - 1)) - 1;
            if (whole < low || whole > high)
                return Refuse(why, QStringLiteral("%1 does not fit %2 bits").arg(whole).arg(bits));
            const uint64_t raw = static_cast<uint64_t>(whole) & ((bits == 64) ? ~0ull : ((1ull << bits) - 1));
            WriteBigEndian(data, field.offset, field.length, raw);
            return true;
        }
        if (whole < 0 || static_cast<uint64_t>(whole) > field.mask)
            return Refuse(why, QStringLiteral("%1 does not fit the field").arg(whole));
        const uint64_t raw = (static_cast<uint64_t>(whole) & field.mask) << field.shift;
        if (raw >> bits != 0)
            return Refuse(why, QStringLiteral("%1 does not fit %2 bits").arg(whole).arg(bits));
        OrBigEndian(data, field.offset, field.length, raw);
        return true;
    }

    switch (field.encoding) {
    case Encoding::Float32:
        WriteBigEndian(data, field.offset, 4, comm::floatToBits(value.value<float>()));
        return true;
    case Encoding::PackedAscii: {
        QByteArray packed;
        if (type == ItemType::Text) {
            QString error;
            if (!comm::PackedAscii::pack(value.toString(), field.length, packed, &error))
                return Refuse(why, error);
        } else {
            packed = value.toByteArray();
            if (packed.size() != field.length)
                return Refuse(why, QStringLiteral("packed value of %1 bytes for a field of %2")
                                       .arg(packed.size())
                                       .arg(field.length));
        }
        data.replace(field.offset, field.length, packed);
        return true;
    }
    case Encoding::Ascii: {
        const QString shown = value.toString();
        for (qsizetype i = 0; i < shown.size(); ++i)
            if (shown[i].unicode() > 0xFF)
                return Refuse(why, QStringLiteral("the character '%1' at position %2 is no Latin-1 character")
                                       .arg(shown[i])
                                       .arg(i + 1));
        QByteArray text = shown.toLatin1();
        if (text.size() > field.length)
            return Refuse(why, QStringLiteral("text longer than %1 characters").arg(field.length));
        text.append(QByteArray(field.length - text.size(), ' '));
        data.replace(field.offset, field.length, text);
        return true;
    }
    case Encoding::Octets:
    case Encoding::HartDate: {
        QByteArray bytes = value.toByteArray();
        if (bytes.size() > field.length)
            return Refuse(why, QStringLiteral("%1 bytes for a field of %2").arg(bytes.size()).arg(field.length));
        bytes.append(QByteArray(field.length - bytes.size(), '\0'));
        data.replace(field.offset, field.length, bytes);
        return true;
    }
    default:
        return Refuse(why, QStringLiteral("encoding carries no item"));
    }
}

bool Decode(const FieldLayout& field, ItemType type, int32_t size, const QByteArray& data, QVariant& value,
            QString* why)
{
    if (!Shaped(field))
        return Refuse(why, QStringLiteral("a field of %1 bytes does not fit its encoding").arg(field.length));
    if (!Inside(field, data))
        return Refuse(why, QStringLiteral("the response ends before byte %1").arg(qint64(field.offset) + field.length));
    if (!Fits(field.encoding, type))
        return Refuse(why, QStringLiteral("item type does not fit the encoding"));

    if (IsUnsigned(field.encoding) || IsSigned(field.encoding) || field.encoding == Encoding::Bcd) {
        const uint64_t raw = ReadBigEndian(data, field.offset, field.length);
        double number = 0;
        if (field.encoding == Encoding::Bcd) {
            uint64_t whole = 0;
            for (int digit = field.length * 2 - 1; digit >= 0; --digit) {
                const uint64_t nibble = (raw >> (4 * digit)) & 0xFu;
                if (nibble > 9)
                    return Refuse(why, QStringLiteral("byte %1 is no BCD digit pair").arg(field.offset));
                whole = whole * 10 + nibble;
            }
            number = static_cast<double>(whole);
        } else if (IsSigned(field.encoding)) {
            const int bits = field.length * 8;
            int64_t signedValue = static_cast<int64_t>(raw);
            if (raw & (1ull << (bits - 1)))
                signedValue -= int64_t(1) << bits;
            number = static_cast<double>(signedValue);
        } else {
            number = static_cast<double>((raw >> field.shift) & field.mask);
        }
        if (!ItemValue::FromNumber(type, size, number, value))
            return Refuse(why, QStringLiteral("%1 does not fit the item").arg(number));
        return true;
    }

    const QByteArray bytes = data.mid(field.offset, field.length);
    auto takeText = [&](QString text) {
        while (text.endsWith(QLatin1Char(' ')))
            text.chop(1);
        if (size > 0 && text.size() > size)
            return Refuse(why, QStringLiteral("a text of %1 characters for an item of %2").arg(text.size()).arg(size));
        value = text;
        return true;
    };
    switch (field.encoding) {
    case Encoding::Float32:
        value = QVariant::fromValue<float>(comm::bitsToFloat(static_cast<uint32_t>(ReadBigEndian(data, field.offset, 4))));
        return true;
    case Encoding::PackedAscii:
        if (type == ItemType::Text)
            return takeText(comm::PackedAscii::unpack(bytes));
        if (!ItemValue::FromBytes(type, size, bytes, value))
            return Refuse(why, QStringLiteral("packed field of %1 bytes for an item of %2").arg(bytes.size()).arg(size));
        return true;
    case Encoding::Ascii: {
        QString text = QString::fromLatin1(bytes);
        const int nul = text.indexOf(QChar(0));
        if (nul >= 0)
            text.truncate(nul);
        return takeText(text);
    }
    case Encoding::Octets:
    case Encoding::HartDate: {
        QByteArray fitted = bytes;
        if (type == ItemType::Octets && size > 0 && fitted.size() > size)
            fitted.truncate(size);
        if (!ItemValue::FromBytes(type, size, fitted, value))
            return Refuse(why, QStringLiteral("%1 bytes do not fit the item").arg(bytes.size()));
        return true;
    }
    default:
        return Refuse(why, QStringLiteral("encoding carries no item"));
    }
}

} // namespace applet::ValueEncoding
