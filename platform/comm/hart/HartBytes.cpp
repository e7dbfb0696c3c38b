#include "platform/comm/hart/HartBytes.h"

#include <cstring>

namespace comm {

uint32_t floatToBits(float value)
{
    static_assert(sizeof(float) == sizeof(uint32_t));
    uint32_t bits;
    std::memcpy(&bits, &value, sizeof bits);
    return bits;
}

float bitsToFloat(uint32_t bits)
{
    float value;
    std::memcpy(&value, &bits, sizeof value);
    return value;
}

float hartNaN()
{
    return bitsToFloat(kHartNaNBits);
}

bool HartDate::isValid() const
{
    return QDate(1900 + year, month, day).isValid();
}

QDate HartDate::toQDate() const
{
    return QDate(1900 + year, month, day);
}

bool HartDate::fromQDate(const QDate& date, HartDate& out)
{
    if (!date.isValid() || date.year() < 1900 || date.year() > 1900 + 255)
        return false;
    out.day = static_cast<uint8_t>(date.day());
    out.month = static_cast<uint8_t>(date.month());
    out.year = static_cast<uint8_t>(date.year() - 1900);
    return true;
}

bool HartDataReader::take(qsizetype count)
{
    if (m_failed || count < 0 || count > remaining()) {
        m_failed = true;
        return false;
    }
    return true;
}

uint8_t HartDataReader::u8()
{
    if (!take(1))
        return 0;
    return static_cast<uint8_t>(m_bytes[m_pos++]);
}

uint16_t HartDataReader::u16()
{
    if (!take(2))
        return 0;
    uint16_t v = static_cast<uint16_t>(static_cast<uint8_t>(m_bytes[m_pos]) << 8
                                       | static_cast<uint8_t>(m_bytes[m_pos + 1]));
    m_pos += 2;
    return v;
}

uint32_t HartDataReader::u24()
{
    if (!take(3))
        return 0;
    uint32_t v = 0;
    for (int i = 0; i < 3; ++i)
        v = v << 8 | static_cast<uint8_t>(m_bytes[m_pos++]);
    return v;
}

uint32_t HartDataReader::u32()
{
    if (!take(4))
        return 0;
    uint32_t v = 0;
    for (int i = 0; i < 4; ++i)
        v = v << 8 | static_cast<uint8_t>(m_bytes[m_pos++]);
    return v;
}

float HartDataReader::f32()
{
    return bitsToFloat(u32());
}

HartDate HartDataReader::date()
{
    HartDate d;
    if (!take(3))
        return d;
    d.day = static_cast<uint8_t>(m_bytes[m_pos]);
    d.month = static_cast<uint8_t>(m_bytes[m_pos + 1]);
    d.year = static_cast<uint8_t>(m_bytes[m_pos + 2]);
    m_pos += 3;
    return d;
}

QByteArray HartDataReader::bytes(qsizetype count)
{
    if (!take(count))
        return {};
    QByteArray out = m_bytes.sliced(m_pos, count).toByteArray();
    m_pos += count;
    return out;
}

HartDataWriter& HartDataWriter::u8(uint8_t value)
{
    m_data.append(static_cast<char>(value));
    return *this;
}

HartDataWriter& HartDataWriter::u16(uint16_t value)
{
    return u8(static_cast<uint8_t>(value >> 8)).u8(static_cast<uint8_t>(value));
}

HartDataWriter& HartDataWriter::u24(uint32_t value)
{
    return u8(static_cast<uint8_t>(value >> 16)).u16(static_cast<uint16_t>(value));
}

HartDataWriter& HartDataWriter::u32(uint32_t value)
{
    return u16(static_cast<uint16_t>(value >> 16)).u16(static_cast<uint16_t>(value));
}

HartDataWriter& HartDataWriter::f32(float value)
{
    return u32(floatToBits(value));
}

HartDataWriter& HartDataWriter::date(const HartDate& value)
{
    return u8(value.day).u8(value.month).u8(value.year);
}

HartDataWriter& HartDataWriter::bytes(QByteArrayView value)
{
    m_data.append(value);
    return *this;
}

} // namespace comm
