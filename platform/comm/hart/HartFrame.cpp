#include "platform/comm/hart/HartFrame.h"

namespace comm {

namespace {

constexpr uint8_t kLongAddressBit = 0x80;
constexpr uint8_t kMasterBit = 0x80;
constexpr uint8_t kBurstBit = 0x40;
constexpr uint8_t kAddressLowBits = 0x3F;
constexpr int kLongAddressSize = 5;

bool delimiterFrameType(uint8_t delimiter, HartFrameType& type)
{
    // Expansion bytes and physical-layer bits (6..3) are not in use on this link.
    if ((delimiter & 0x78) != 0)
        return false;
    switch (delimiter & 0x07) {
    case 1: type = HartFrameType::Burst; return true;
    case 2: type = HartFrameType::Request; return true;
    case 6: type = HartFrameType::Response; return true;
    default: return false;
    }
}

HartDecodeResult fail(HartDecodeError error, const QString& detail)
{
    HartDecodeResult r;
    r.error = error;
    r.message = hartDecodeErrorName(error) + QStringLiteral(": ") + detail;
    return r;
}

QString hex(uint8_t b)
{
    return QStringLiteral("0x") + QString::number(b, 16).toUpper().rightJustified(2, QLatin1Char('0'));
}

} // namespace

HartAddress HartAddress::polling(uint8_t address, bool primaryMaster)
{
    HartAddress a;
    a.isLong = false;
    a.primaryMaster = primaryMaster;
    a.pollingAddress = address;
    return a;
}

HartAddress HartAddress::unique(uint16_t expandedDeviceType, uint32_t deviceId, bool primaryMaster)
{
    HartAddress a;
    a.isLong = true;
    a.primaryMaster = primaryMaster;
    a.expandedDeviceType = expandedDeviceType;
    a.deviceId = deviceId & 0xFFFFFF;
    return a;
}

HartAddress HartAddress::broadcast(bool primaryMaster)
{
    return unique(0, 0, primaryMaster);
}

bool HartAddress::sameDevice(const HartAddress& other) const
{
    if (isLong != other.isLong)
        return false;
    if (!isLong)
        return pollingAddress == other.pollingAddress;
    return (expandedDeviceType & 0x3FFF) == (other.expandedDeviceType & 0x3FFF)
        && (deviceId & 0xFFFFFF) == (other.deviceId & 0xFFFFFF);
}

bool HartAddress::isBroadcast() const
{
    return isLong && (expandedDeviceType & 0x3FFF) == 0 && (deviceId & 0xFFFFFF) == 0;
}

QString HartAddress::toString() const
{
    if (!isLong)
        return QStringLiteral("polling address %1").arg(pollingAddress);
    return QStringLiteral("unique address %1:%2")
        .arg(expandedDeviceType & 0x3FFF, 4, 16, QLatin1Char('0'))
        .arg(deviceId & 0xFFFFFF, 6, 16, QLatin1Char('0'))
        .toUpper();
}

uint8_t hartChecksum(QByteArrayView bytes)
{
    uint8_t sum = 0;
    for (char b : bytes)
        sum ^= static_cast<uint8_t>(b);
    return sum;
}

QByteArray encodeHartFrame(const HartFrame& frame, int preambles, QString* error)
{
    auto refuse = [error](const QString& why) {
        if (error)
            *error = why;
        return QByteArray();
    };
    const int statusBytes = frame.hasStatus() ? 2 : 0;
    if (frame.data.size() + statusBytes > kMaxHartDataBytes)
        return refuse(QStringLiteral("%1 data bytes do not fit a HART frame (at most %2)")
                          .arg(frame.data.size()).arg(kMaxHartDataBytes - statusBytes));
    if (!frame.address.isLong && frame.address.pollingAddress > kMaxPollingAddress)
        return refuse(QStringLiteral("polling address %1 is above %2")
                          .arg(frame.address.pollingAddress).arg(kMaxPollingAddress));
    if (preambles < 0 || preambles > 255)
        return refuse(QStringLiteral("preamble count %1 is out of range").arg(preambles));

    QByteArray out(preambles, static_cast<char>(kPreamble));
    const qsizetype start = out.size();
    uint8_t delimiter = static_cast<uint8_t>(frame.type);
    if (frame.address.isLong)
        delimiter |= kLongAddressBit;
    out.append(static_cast<char>(delimiter));

    uint8_t first = (frame.address.primaryMaster ? kMasterBit : 0) | (frame.address.burst ? kBurstBit : 0);
    if (frame.address.isLong) {
        first |= static_cast<uint8_t>(frame.address.expandedDeviceType >> 8) & kAddressLowBits;
        out.append(static_cast<char>(first));
        out.append(static_cast<char>(frame.address.expandedDeviceType & 0xFF));
        out.append(static_cast<char>(frame.address.deviceId >> 16));
        out.append(static_cast<char>(frame.address.deviceId >> 8));
        out.append(static_cast<char>(frame.address.deviceId));
    } else {
        out.append(static_cast<char>(first | (frame.address.pollingAddress & kAddressLowBits)));
    }
    out.append(static_cast<char>(frame.command));
    out.append(static_cast<char>(frame.data.size() + statusBytes));
    if (statusBytes) {
        out.append(static_cast<char>(frame.responseCode));
        out.append(static_cast<char>(frame.deviceStatus));
    }
    out.append(frame.data);
    out.append(static_cast<char>(hartChecksum(QByteArrayView(out).sliced(start))));
    return out;
}

HartDecodeResult decodeHartFrame(QByteArrayView bytes)
{
    qsizetype pos = 0;
    while (pos < bytes.size() && static_cast<uint8_t>(bytes[pos]) == kPreamble)
        ++pos;
    if (pos >= bytes.size())
        return fail(HartDecodeError::NoDelimiter,
                    QStringLiteral("%1 bytes without a start delimiter").arg(bytes.size()));

    const qsizetype start = pos;
    const uint8_t delimiter = static_cast<uint8_t>(bytes[pos++]);
    HartFrameType type;
    if (!delimiterFrameType(delimiter, type))
        return fail(HartDecodeError::UnknownDelimiter, QStringLiteral("delimiter %1").arg(hex(delimiter)));

    HartDecodeResult result;
    HartFrame& frame = result.frame;
    frame.type = type;
    frame.address.isLong = (delimiter & kLongAddressBit) != 0;
    const int addressSize = frame.address.isLong ? kLongAddressSize : 1;
    // address, command and byte count must all be there
    if (bytes.size() - pos < addressSize + 2)
        return fail(HartDecodeError::Truncated,
                    QStringLiteral("frame ends after %1 bytes, before its byte count").arg(bytes.size() - start));

    const uint8_t first = static_cast<uint8_t>(bytes[pos]);
    frame.address.primaryMaster = (first & kMasterBit) != 0;
    frame.address.burst = (first & kBurstBit) != 0;
    if (frame.address.isLong) {
        frame.address.expandedDeviceType =
            static_cast<uint16_t>((first & kAddressLowBits) << 8 | static_cast<uint8_t>(bytes[pos + 1]));
        frame.address.deviceId = static_cast<uint32_t>(static_cast<uint8_t>(bytes[pos + 2])) << 16
                               | static_cast<uint32_t>(static_cast<uint8_t>(bytes[pos + 3])) << 8
                               | static_cast<uint8_t>(bytes[pos + 4]);
    } else {
        frame.address.pollingAddress = first & kAddressLowBits;
    }
    pos += addressSize;
    frame.command = static_cast<uint8_t>(bytes[pos++]);
    const int byteCount = static_cast<uint8_t>(bytes[pos++]);

    if (bytes.size() - pos < byteCount + 1)
        return fail(HartDecodeError::ByteCountBeyondData,
                    QStringLiteral("byte count %1 needs %2 more bytes with the checksum, %3 given")
                        .arg(byteCount).arg(byteCount + 1).arg(bytes.size() - pos));

    const uint8_t expected = hartChecksum(bytes.sliced(start, pos + byteCount - start));
    const uint8_t actual = static_cast<uint8_t>(bytes[pos + byteCount]);
    if (expected != actual)
        return fail(HartDecodeError::ChecksumMismatch,
                    QStringLiteral("checksum %1, computed %2").arg(hex(actual), hex(expected)));
    if (pos + byteCount + 1 != bytes.size())
        return fail(HartDecodeError::TrailingBytes,
                    QStringLiteral("%1 bytes after the checksum").arg(bytes.size() - (pos + byteCount + 1)));

    QByteArrayView body = bytes.sliced(pos, byteCount);
    if (frame.hasStatus()) {
        if (byteCount < 2)
            return fail(HartDecodeError::MissingStatus,
                        QStringLiteral("byte count %1 cannot hold the two status bytes").arg(byteCount));
        frame.responseCode = static_cast<uint8_t>(body[0]);
        frame.deviceStatus = static_cast<uint8_t>(body[1]);
        body = body.sliced(2);
    }
    frame.data = body.toByteArray();
    return result;
}

QString hartDecodeErrorName(HartDecodeError error)
{
    struct Entry { HartDecodeError error; const char* name; };
    static constexpr Entry kNames[] = {
        {HartDecodeError::None, "no error"},
        {HartDecodeError::NoDelimiter, "no start delimiter"},
        {HartDecodeError::UnknownDelimiter, "unknown delimiter"},
        {HartDecodeError::Truncated, "truncated frame"},
        {HartDecodeError::ByteCountBeyondData, "byte count beyond data"},
        {HartDecodeError::MissingStatus, "response without status bytes"},
        {HartDecodeError::ChecksumMismatch, "checksum wrong"},
        {HartDecodeError::TrailingBytes, "bytes after the checksum"},
    };
    for (const Entry& e : kNames)
        if (e.error == error)
            return QString::fromLatin1(e.name);
    return QStringLiteral("unknown decode error");
}

} // namespace comm
