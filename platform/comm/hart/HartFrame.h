#pragma once
// HART token-passing frames, sans-I/O: bytes in, frame out and back.
//
//   [preambles 0xFF ...] delimiter address command byte-count [status status] data checksum
//
// The delimiter's top bit selects the address form (1: 5-byte unique address,
// 0: 1-byte polling address), its low three bits the frame type (2 master to
// device, 6 device to master, 1 burst). In a response the byte count includes
// the two status bytes (response code, field device status). The checksum is
// the XOR of every byte from the delimiter up to the last data byte.
#include <QByteArray>
#include <QByteArrayView>
#include <QString>
#include <cstdint>

namespace comm {

enum class HartFrameType : uint8_t { Burst = 1, Request = 2, Response = 6 };

constexpr uint8_t kDelimiterShortRequest = 0x02;
constexpr uint8_t kDelimiterShortResponse = 0x06;
constexpr uint8_t kDelimiterShortBurst = 0x01;
constexpr uint8_t kDelimiterLongRequest = 0x82;
constexpr uint8_t kDelimiterLongResponse = 0x86;
constexpr uint8_t kDelimiterLongBurst = 0x81;
constexpr uint8_t kPreamble = 0xFF;
constexpr int kMaxPollingAddress = 63;
constexpr int kMaxHartDataBytes = 255;

struct HartAddress {
    bool isLong = true;
    bool primaryMaster = true;   // master bit: 1 primary, 0 secondary
    bool burst = false;          // set by a device in burst mode
    uint8_t pollingAddress = 0;  // short form, 0..63
    // Long form: the expanded device type (the legacy manufacturer id in its
    // upper byte, 6 bits of which travel in the address) and the 24-bit device id.
    uint16_t expandedDeviceType = 0;
    uint32_t deviceId = 0;

    static HartAddress polling(uint8_t address, bool primaryMaster = true);
    static HartAddress unique(uint16_t expandedDeviceType, uint32_t deviceId, bool primaryMaster = true);
    // The long address whose 38 address bits are all zero.
    static HartAddress broadcast(bool primaryMaster = true);

    // True when both name the same device: master and burst bits are not compared,
    // and of the expanded device type only the 14 bits that travel.
    bool sameDevice(const HartAddress& other) const;
    bool isBroadcast() const;
    QString toString() const;
};

struct HartFrame {
    HartFrameType type = HartFrameType::Request;
    HartAddress address;
    uint8_t command = 0;
    uint8_t responseCode = 0;  // responses and bursts only
    uint8_t deviceStatus = 0;  // responses and bursts only
    QByteArray data;           // after the status bytes

    bool hasStatus() const { return type != HartFrameType::Request; }
};

enum class HartDecodeError {
    None,
    NoDelimiter,          // nothing but preambles (or nothing at all)
    UnknownDelimiter,
    Truncated,            // the frame ends inside address, command or byte count
    ByteCountBeyondData,  // the byte count promises more than the bytes given
    MissingStatus,        // a response whose byte count cannot hold the two status bytes
    ChecksumMismatch,
    TrailingBytes,
};

struct HartDecodeResult {
    HartDecodeError error = HartDecodeError::None;
    QString message;       // readable reason when error != None
    HartFrame frame;
    bool ok() const { return error == HartDecodeError::None; }
};

uint8_t hartChecksum(QByteArrayView bytes);

// Encodes a frame with the given number of preambles (HART-IP carries none).
// Returns an empty array and sets error when the frame cannot be encoded
// (data too long, polling address out of range, negative preamble count).
QByteArray encodeHartFrame(const HartFrame& frame, int preambles = 0, QString* error = nullptr);

// Decodes exactly one frame from the bytes; leading preambles are skipped.
// Never reads past the bytes given; bytes after the checksum are an error.
HartDecodeResult decodeHartFrame(QByteArrayView bytes);

// Readable name of a decode error, for messages.
QString hartDecodeErrorName(HartDecodeError error);

} // namespace comm
