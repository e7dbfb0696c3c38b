#include "AppletTestSupport.h"
#include "platform/applet/ItemValue.h"
#include "platform/applet/ValueEncoding.h"

using namespace applet;

namespace {

FieldLayout Field(Encoding encoding, int offset, int length = 0)
{
    FieldLayout field;
    field.item = QStringLiteral("x");
    field.encoding = encoding;
    field.offset = offset;
    field.length = length > 0 ? length : ValueEncoding::FixedLength(encoding);
    return field;
}

QVariant U(quint64 v)
{
    return QVariant::fromValue<quint64>(v);
}

TEST(ValueEncodingTest, NumbersTravelBigEndianAndBitFieldsShareTheirByte)
{
    QByteArray data(4, '\0');
    ASSERT_TRUE(ValueEncoding::Encode(Field(Encoding::UInt16, 0), ItemType::Unsigned, U(0x1234), data));
    FieldLayout high = Field(Encoding::UInt8, 2);
    high.shift = 3;
    high.mask = 31;
    FieldLayout low = Field(Encoding::UInt8, 2);
    low.mask = 7;
    ASSERT_TRUE(ValueEncoding::Encode(high, ItemType::Unsigned, U(5), data));
    ASSERT_TRUE(ValueEncoding::Encode(low, ItemType::Unsigned, U(2), data));
    EXPECT_EQ(data, QByteArray("\x12\x34\x2A\x00", 4));
    QString why;
    EXPECT_FALSE(ValueEncoding::Encode(low, ItemType::Unsigned, U(8), data, &why)) << "8 does not fit three bits";

    QVariant value;
    ASSERT_TRUE(ValueEncoding::Decode(high, ItemType::Unsigned, 8, data, value));
    EXPECT_EQ(value.value<quint64>(), 5u);
    ASSERT_TRUE(ValueEncoding::Decode(Field(Encoding::UInt16, 0), ItemType::Unsigned, 16, data, value));
    EXPECT_EQ(value.value<quint64>(), 0x1234u);
    EXPECT_FALSE(ValueEncoding::Decode(Field(Encoding::UInt16, 0), ItemType::Unsigned, 8, data, value))
        << "a value wider than its item is refused";

    QByteArray signedData(2, '\0');
    ASSERT_TRUE(ValueEncoding::Encode(Field(Encoding::Int16, 0), ItemType::Int, QVariant::fromValue<qint64>(-2), signedData));
    EXPECT_EQ(signedData, QByteArray("\xFF\xFE", 2));
    ASSERT_TRUE(ValueEncoding::Decode(Field(Encoding::Int16, 0), ItemType::Int, 16, signedData, value));
    EXPECT_EQ(value.value<qint64>(), -2);

    QByteArray floatData(4, '\0');
    ASSERT_TRUE(ValueEncoding::Encode(Field(Encoding::Float32, 0), ItemType::Float, QVariant::fromValue(1.5f), floatData));
    EXPECT_EQ(floatData, QByteArray("\x3F\xC0\x00\x00", 4));
}

TEST(ValueEncodingTest, BcdTextsAndBytes)
{
    QByteArray data(2, '\0');
    ASSERT_TRUE(ValueEncoding::Encode(Field(Encoding::Bcd, 0, 2), ItemType::Unsigned, U(1234), data));
    EXPECT_EQ(data, QByteArray("\x12\x34", 2));
    QVariant value;
    ASSERT_TRUE(ValueEncoding::Decode(Field(Encoding::Bcd, 0, 2), ItemType::Unsigned, 16, data, value));
    EXPECT_EQ(value.value<quint64>(), 1234u);
    EXPECT_FALSE(ValueEncoding::Encode(Field(Encoding::Bcd, 0, 2), ItemType::Unsigned, U(12345), data));
    EXPECT_FALSE(ValueEncoding::Decode(Field(Encoding::Bcd, 0, 1), ItemType::Unsigned, 8, QByteArray("\x1A", 1), value));

    QByteArray text(8, '\0');
    ASSERT_TRUE(ValueEncoding::Encode(Field(Encoding::Ascii, 0, 8), ItemType::Text, QStringLiteral("FT-1"), text));
    EXPECT_EQ(text, QByteArray("FT-1    "));
    ASSERT_TRUE(ValueEncoding::Decode(Field(Encoding::Ascii, 0, 8), ItemType::Text, 0, text, value));
    EXPECT_EQ(value.toString(), "FT-1");

    QByteArray packed(6, '\0');
    ASSERT_TRUE(ValueEncoding::Encode(Field(Encoding::PackedAscii, 0, 6), ItemType::Text, QStringLiteral("PT 101"), packed));
    ASSERT_TRUE(ValueEncoding::Decode(Field(Encoding::PackedAscii, 0, 6), ItemType::PackedAscii, 6, packed, value));
    EXPECT_EQ(ItemValue::ToText(ItemType::PackedAscii, value), "PT 101");

    QByteArray octets(4, '\x55');
    ASSERT_TRUE(ValueEncoding::Encode(Field(Encoding::Octets, 0, 4), ItemType::Octets, QByteArray("\x01\x02", 2), octets));
    EXPECT_EQ(octets, QByteArray("\x01\x02\x00\x00", 4));
    EXPECT_FALSE(ValueEncoding::Encode(Field(Encoding::Octets, 0, 2), ItemType::Octets, QByteArray("\x07\x08\x09", 3), octets))
        << "a longer value is not cut";
    EXPECT_EQ(octets, QByteArray("\x01\x02\x00\x00", 4));
}

TEST(ValueEncodingTest, DecodingNeverReadsPastTheData)
{
    QVariant value = U(7);
    QString why;
    EXPECT_FALSE(ValueEncoding::Decode(Field(Encoding::Float32, 2), ItemType::Float, 32, QByteArray(5, '\0'), value, &why));
    EXPECT_TRUE(why.contains("6")) << why.toStdString();
    EXPECT_EQ(value.value<quint64>(), 7u) << "nothing is taken";
    EXPECT_FALSE(ValueEncoding::Decode(Field(Encoding::UInt8, 0), ItemType::Unsigned, 8, QByteArray(), value));
    EXPECT_FALSE(ValueEncoding::Decode(Field(Encoding::Float32, 0), ItemType::Unsigned, 8, QByteArray(4, '\0'), value))
        << "the encoding does not fit the item";
    EXPECT_FALSE(ValueEncoding::Decode(Field(Encoding::Ascii, 0, 8), ItemType::Text, 4, QByteArray("FT-12345"), value))
        << "a text longer than its item";
}

TEST(ValueEncodingTest, NumberFieldsWiderThanEightBytesAreRefused)
{
    // A layout made in code is not checked by the description reader.
    QVariant value = U(7);
    const QByteArray digits(9, '\x11');
    EXPECT_FALSE(ValueEncoding::Decode(Field(Encoding::Bcd, 0, 9), ItemType::Unsigned, 32, digits, value));
    QByteArray data(9, '\0');
    EXPECT_FALSE(ValueEncoding::Encode(Field(Encoding::Bcd, 0, 9), ItemType::Unsigned, U(1), data));
    EXPECT_FALSE(ValueEncoding::Decode(Field(Encoding::Int8, 0, 9), ItemType::Int, 32, digits, value));
    EXPECT_FALSE(ValueEncoding::Encode(Field(Encoding::UInt32, 0, 9), ItemType::Unsigned, U(1), data));
    EXPECT_EQ(value.value<quint64>(), 7u);
    EXPECT_EQ(data, QByteArray(9, '\0'));
}

TEST(ItemValueTest, TextFormsReadBackToTheSameValue)
{
    QVariant value;
    ASSERT_TRUE(ItemValue::FromText(ItemType::Float, 32, "0.1", value));
    EXPECT_EQ(ItemValue::ToText(ItemType::Float, value), "0.1");
    ASSERT_TRUE(ItemValue::FromBytes(ItemType::HartDate, 3, QByteArray("\x00\x00\x00", 3), value));
    const QString date = ItemValue::ToText(ItemType::HartDate, value);
    QVariant back;
    ASSERT_TRUE(ItemValue::FromText(ItemType::HartDate, 3, date, back)) << date.toStdString();
    EXPECT_EQ(back.toByteArray(), value.toByteArray()) << "also a date the device left unset";
    EXPECT_FALSE(ItemValue::FromText(ItemType::Unsigned, 8, "-1", value));
    EXPECT_FALSE(ItemValue::FromText(ItemType::Int, 8, "128", value));
    EXPECT_TRUE(ItemValue::FromText(ItemType::Int, 8, "-128", value));
    EXPECT_FALSE(ItemValue::FromText(ItemType::PackedAscii, 6, "LOWER~CASE", value));
    EXPECT_TRUE(ItemValue::FromText(ItemType::Boolean, 1, "-1", value));
    EXPECT_TRUE(value.value<bool>());
    EXPECT_TRUE(ItemValue::Equal(ItemType::Float, QVariant::fromValue(std::nanf("")), QVariant::fromValue(std::nanf(""))));
}

} // namespace
