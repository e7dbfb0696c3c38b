#pragma once
// Item types of the description (the type codes 0 to 8 the parsers report) and
// the conversions of item values between their stored form, numbers, bytes
// and text. Sans-I/O; the item manager and the record codec build on it.
//
// Stored forms: Text QString; Int qint64; Unsigned and Enumerated quint64;
// Float float; Boolean bool; Octets, PackedAscii and HartDate QByteArray
// (PackedAscii holds the packed bytes, HartDate day, month, year - 1900).
// Sizes: bits for Int, Unsigned and Enumerated (0 counts as 32); bytes for
// Octets and PackedAscii (0: any length for Octets); characters for Text
// (0: no limit); Float 32, HartDate 3, Boolean 1 by definition.
#include <QByteArray>
#include <QString>
#include <QVariant>
#include <cstdint>

namespace applet {

enum class ItemType : int32_t {
    Text = 0,
    Int = 1,
    Unsigned = 2,
    Enumerated = 3,
    Float = 4,
    Octets = 5,
    PackedAscii = 6,
    HartDate = 7,
    Boolean = 8,
};

// The access families of the item manager's operations.
enum class ValueAccess { UInt, Int, Bcd, Float, Bool, Octets, PackedAscii, HartDate, Text };

// How an octet item shows as text: hexadecimal bytes ("0A 1B"), or the digits
// of an enable mask ("0, 1, 1, 0").
enum class TextStyle { Plain, Mask };

namespace ItemValue {

bool IsTypeCode(int32_t code);
// The description's name of a type ("text", "int", "unsigned", "enumerated",
// "float", "octets", "packedAscii", "hartDate", "boolean").
QString TypeName(ItemType type);
bool TypeFromName(const QString& name, ItemType& type);

// Whether an access family may read and write an item of the type.
bool Accepts(ItemType type, ValueAccess access);

// The value of a new item: its default text when given, else zero, empty text,
// zero bytes (packed blanks for PackedAscii, 1900-01-01 for HartDate).
QVariant Default(ItemType type, int32_t size);

// Conversions into the stored form. They refuse (false, value unchanged)
// what does not fit: a number out of range or not a number, text that does
// not parse (a date must be a day of the calendar, "yyyy-MM-dd"), bytes
// longer than the item. A float that is not finite is taken here (a device
// may report one); ValueAdmission refuses it where a value enters a dataset. Shorter bytes are padded with zero
// bytes for Octets of fixed size; PackedAscii and HartDate take exact lengths.
bool FromNumber(ItemType type, int32_t size, double number, QVariant& value);
bool FromText(ItemType type, int32_t size, const QString& text, QVariant& value, QString* why = nullptr);
bool FromBytes(ItemType type, int32_t size, const QByteArray& bytes, QVariant& value);

// The text as packed ASCII holds it: lower-case letters in upper case. A
// PackedAscii item takes its text so; so does a Text item that travels packed.
QString PackedCase(const QString& text);

// Conversions out of the stored form. ToNumber gives 0 for the byte and text
// types; ToBytes gives the bytes of the byte types and the Latin-1 text of Text.
double ToNumber(ItemType type, const QVariant& value);
QString ToText(ItemType type, const QVariant& value, TextStyle style = TextStyle::Plain);
QByteArray ToBytes(ItemType type, const QVariant& value);

// Equality of stored values; floats compare by their bits, so a NaN equals itself.
bool Equal(ItemType type, const QVariant& a, const QVariant& b);

// Shortest text that reads back as the same float.
QString FloatText(float value);

} // namespace ItemValue
} // namespace applet
