#pragma once
// HART packed ASCII: four 6-bit characters in three bytes. The character set
// is ASCII 0x20..0x5F (blank, digits, upper-case letters and punctuation);
// the 6-bit code is the character's low six bits.
#include <QByteArray>
#include <QByteArrayView>
#include <QString>

namespace comm::PackedAscii {

// Number of characters that byteCount packed bytes hold (rounded down).
constexpr int charCapacity(int byteCount) { return byteCount * 4 / 3; }

// Packs text into exactly byteCount bytes, padding with blanks. Lower-case
// letters are packed as upper case. Text longer than the field or holding a
// character outside the set is refused: false, out unchanged, error says why.
bool pack(const QString& text, int byteCount, QByteArray& out, QString* error = nullptr);

// Unpacks every complete 6-bit character of the bytes; nothing is trimmed.
QString unpack(QByteArrayView bytes);

} // namespace comm::PackedAscii
