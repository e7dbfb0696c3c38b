#pragma once
// Big-endian field helpers for HART data: unsigned 8/16/24/32-bit values,
// IEEE-754 single floats and dates (day, month, year - 1900). The reader never
// looks past the bytes it was given: a read beyond the end fails, yields zero
// and leaves the reader failed, so a handler parses a whole layout and checks once.
#include <QByteArray>
#include <QByteArrayView>
#include <QDate>
#include <cstdint>

namespace comm {

// HART's "not a number" for a value that is not available.
constexpr uint32_t kHartNaNBits = 0x7FA00000u;
float hartNaN();

// A HART date: day 1-31, month 1-12, year as an offset from 1900.
struct HartDate {
    uint8_t day = 1;
    uint8_t month = 1;
    uint8_t year = 0;

    bool isValid() const;
    QDate toQDate() const;                       // invalid QDate for an invalid date
    static bool fromQDate(const QDate& date, HartDate& out); // false outside 1900..2155
    friend bool operator==(const HartDate&, const HartDate&) = default;
};

class HartDataReader {
public:
    explicit HartDataReader(QByteArrayView bytes) : m_bytes(bytes) {}
    // The reader only views its bytes: a temporary array would be gone before the first read.
    explicit HartDataReader(QByteArray&&) = delete;

    uint8_t u8();
    uint16_t u16();
    uint32_t u24();
    uint32_t u32();
    float f32();
    HartDate date();
    QByteArray bytes(qsizetype count);

    bool ok() const { return !m_failed; }
    qsizetype position() const { return m_pos; }
    qsizetype remaining() const { return m_bytes.size() - m_pos; }
    bool atEnd() const { return m_pos >= m_bytes.size(); }

private:
    bool take(qsizetype count);
    QByteArrayView m_bytes;
    qsizetype m_pos = 0;
    bool m_failed = false;
};

class HartDataWriter {
public:
    HartDataWriter& u8(uint8_t value);
    HartDataWriter& u16(uint16_t value);
    HartDataWriter& u24(uint32_t value); // the upper byte is dropped
    HartDataWriter& u32(uint32_t value);
    HartDataWriter& f32(float value);
    HartDataWriter& date(const HartDate& value);
    HartDataWriter& bytes(QByteArrayView value);

    const QByteArray& data() const { return m_data; }
    QByteArray take() { return std::move(m_data); }
    qsizetype size() const { return m_data.size(); }

private:
    QByteArray m_data;
};

// Single-value conversions, for callers that need no reader.
uint32_t floatToBits(float value);
float bitsToFloat(uint32_t bits);

} // namespace comm
