#include "platform/comm/hart/PackedAscii.h"

namespace comm::PackedAscii {

namespace {

// The 6-bit code of a character, or -1 when it cannot be packed.
int codeOf(QChar c)
{
    char16_t u = c.unicode();
    if (u >= u'a' && u <= u'z')
        u = static_cast<char16_t>(u - u'a' + u'A');
    if (u < 0x20 || u > 0x5F)
        return -1;
    return u & 0x3F;
}

// Codes 0x00..0x1F stand for 0x40..0x5F ('@', 'A'..'Z', ...); 0x20..0x3F for themselves.
QChar charOf(int code)
{
    return QChar(code < 0x20 ? code | 0x40 : code);
}

} // namespace

bool pack(const QString& text, int byteCount, QByteArray& out, QString* error)
{
    const int capacity = charCapacity(byteCount);
    if (byteCount < 0 || byteCount % 3 != 0) {
        if (error)
            *error = QStringLiteral("packed ASCII field of %1 bytes is not a multiple of 3").arg(byteCount);
        return false;
    }
    if (text.size() > capacity) {
        if (error)
            *error = QStringLiteral("text \"%1\" has %2 characters; the field holds %3")
                         .arg(text).arg(text.size()).arg(capacity);
        return false;
    }
    QByteArray packed(byteCount, '\0');
    for (int group = 0; group < byteCount / 3; ++group) {
        uint32_t bits = 0;
        for (int i = 0; i < 4; ++i) {
            const int index = group * 4 + i;
            int code = codeOf(QLatin1Char(' '));
            if (index < text.size()) {
                code = codeOf(text.at(index));
                if (code < 0) {
                    if (error)
                        *error = QStringLiteral("character '%1' at position %2 cannot be packed")
                                     .arg(text.at(index)).arg(index + 1);
                    return false;
                }
            }
            bits = bits << 6 | static_cast<uint32_t>(code);
        }
        packed[group * 3] = static_cast<char>(bits >> 16);
        packed[group * 3 + 1] = static_cast<char>(bits >> 8);
        packed[group * 3 + 2] = static_cast<char>(bits);
    }
    out = packed;
    return true;
}

QString unpack(QByteArrayView bytes)
{
    QString text;
    const qsizetype chars = bytes.size() * 8 / 6;
    text.reserve(chars);
    for (qsizetype i = 0; i < chars; ++i) {
        const qsizetype bit = i * 6;            // first bit of the character, from the MSB of byte 0
        const qsizetype byte = bit / 8;
        const int shift = static_cast<int>(bit % 8);
        uint32_t window = static_cast<uint8_t>(bytes[byte]) << 8;
        if (byte + 1 < bytes.size())
            window |= static_cast<uint8_t>(bytes[byte + 1]);
        const int code = static_cast<int>((window >> (10 - shift)) & 0x3F);
        text.append(charOf(code));
    }
    return text;
}

} // namespace comm::PackedAscii
