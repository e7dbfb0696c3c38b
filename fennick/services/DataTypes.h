#pragma once
// The trace line writer and the value conversions that the data model and the
// registration share.
#include <QByteArray>
#include <QString>
#include <QStringList>
#include <QVariant>
#include <cstdint>
#include <functional>

namespace DataTypes {

// Writes one trace line, whatever the switches say.
void WriteTrace(int32_t level, const QString& text);

// The formatted line for a level and text (without a line end).
QString FormatTraceLine(int32_t level, const QString& text);

// Where trace lines go: standard error unless a sink is set (tests capture it).
using TraceSink = std::function<void(const QString& line)>;
void SetTraceSink(TraceSink sink);

// Hexadecimal identifier text to decimal text in place; invalid text stays.
void Convert_Long0xToXmlDec(QString& text);
// Hexadecimal byte text to two upper-case hex digits; false on invalid or > 255.
bool Convert_ByteOxToXML(const QString& text, QString& result);
QString ByteToHex(uint8_t value);
// A variant holding a list to its texts; false for empty, null and non-lists.
bool VariantArrayToStrings(const QVariant& value, QStringList& strings);

} // namespace DataTypes
