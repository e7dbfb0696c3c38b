#pragma once
// The byte encodings of record layouts: how an item's value travels in the
// data bytes of a device command, and back. Sans-I/O; multi-byte numbers are
// big-endian as HART sends them.
//
//   uint8, uint16, uint24, uint32   unsigned; optional shift and mask select a
//                                    bit field (value = (raw >> shift) & mask)
//   int8, int16, int32              two's complement
//   float32                         IEEE-754 single
//   bcd      (bytes N)              unsigned, two decimal digits per byte
//   packedAscii (bytes N)           HART packed ASCII, 4 characters per 3 bytes
//   ascii    (bytes N)              Latin-1 text, padded with blanks
//   octets   (bytes N)              raw bytes, zero-padded to N; a longer
//                                    value is not sent
//   hartDate                        day, month, year - 1900
//   const    (bytes N, value V)     a fixed number, no item (requests)
//   skip     (bytes N)              bytes without meaning: ignored in a
//                                    response, zero in a request
#include "platform/applet/ItemValue.h"
#include <QByteArray>
#include <QString>
#include <QVariant>
#include <cstdint>

namespace applet {

enum class Encoding {
    UInt8,
    UInt16,
    UInt24,
    UInt32,
    Int8,
    Int16,
    Int32,
    Float32,
    Bcd,
    PackedAscii,
    Ascii,
    Octets,
    HartDate,
    Constant,
    Skip,
};

// One field of a record layout, at an absolute offset in the command's data.
struct FieldLayout {
    QString item;               // empty for const and skip
    Encoding encoding = Encoding::UInt8;
    int offset = 0;
    int length = 1;             // bytes
    int shift = 0;              // bit fields of the unsigned encodings
    uint32_t mask = 0xFFFFFFFFu;
    uint64_t constant = 0;      // const
};

namespace ValueEncoding {

QString Name(Encoding encoding);
bool FromName(const QString& name, Encoding& encoding);

// Bytes of the encodings with a fixed width; 0 for those that take a length.
int FixedLength(Encoding encoding);
bool IsUnsigned(Encoding encoding);
// Whether an item of the type can travel in the encoding.
bool Fits(Encoding encoding, ItemType type);

// Puts value (stored form of an item of type and size) into the field's bytes
// of data, which the caller has sized to the layout. Bit fields are OR-ed into
// what is there. False with a reason when the value does not fit the field.
bool Encode(const FieldLayout& field, ItemType type, const QVariant& value, QByteArray& data,
            QString* why = nullptr);
// Puts a const or skip field into data.
void EncodeFixed(const FieldLayout& field, QByteArray& data);

// Reads the field out of data into the stored form of an item of type and
// size. Never reads past data: a field that does not lie wholly inside it
// fails, as does a value the item cannot hold.
bool Decode(const FieldLayout& field, ItemType type, int32_t size, const QByteArray& data, QVariant& value,
            QString* why = nullptr);

} // namespace ValueEncoding
} // namespace applet
