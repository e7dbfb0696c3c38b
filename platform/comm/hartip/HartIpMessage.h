#pragma once
// HART-IP messages over TCP, sans-I/O. Every message starts with an 8-byte header:
//
//   0 version (1) | 1 message type | 2 message id | 3 status
//   4-5 sequence number | 6-7 byte count of the whole message, header included
//
// Bodies: session initiate carries master type (1 byte) and inactivity close
// time (4 bytes, ms) both ways; session close and keep alive carry nothing;
// pass-through carries one HART frame without preambles; an error message
// carries one error code byte.
#include <QByteArray>
#include <QByteArrayView>
#include <QString>
#include <cstdint>

namespace comm {

constexpr uint8_t kHartIpVersion = 1;
constexpr int kHartIpHeaderSize = 8;
constexpr uint16_t kHartIpDefaultPort = 5094;
// Largest message accepted: the header and a HART frame of 255 data bytes with
// room to spare; anything larger is not HART-IP on this link.
constexpr int kHartIpMaxMessageSize = 8 + 512;

enum class HartIpMessageType : uint8_t { Request = 0, Response = 1, Notification = 2, Error = 3, Nak = 15 };
enum class HartIpMessageId : uint8_t { SessionInitiate = 0, SessionClose = 1, KeepAlive = 2, PassThrough = 3 };

// Master types of a session initiate.
constexpr uint8_t kHartIpSecondaryMaster = 0;
constexpr uint8_t kHartIpPrimaryMaster = 1;

// Error codes in the body of an error message.
namespace HartIpErrorCode {
constexpr uint8_t SessionClosed = 0;
constexpr uint8_t PrimarySessionUnavailable = 1;
constexpr uint8_t ServiceUnavailable = 2;
} // namespace HartIpErrorCode

struct HartIpHeader {
    uint8_t version = kHartIpVersion;
    HartIpMessageType messageType = HartIpMessageType::Request;
    HartIpMessageId messageId = HartIpMessageId::KeepAlive;
    uint8_t status = 0;
    uint16_t sequence = 0;
    uint16_t byteCount = kHartIpHeaderSize;
};

struct HartIpMessage {
    HartIpHeader header;
    QByteArray body;
};

struct HartIpSessionParameters {
    uint8_t masterType = kHartIpPrimaryMaster;
    uint32_t inactivityCloseTimeMs = 0;

    QByteArray encode() const;
    static bool decode(QByteArrayView body, HartIpSessionParameters& out);
};

// Encodes one message; the header's byte count is computed. Empty with error
// set when the body does not fit.
QByteArray encodeHartIpMessage(HartIpMessageType type, HartIpMessageId id, uint8_t status,
                               uint16_t sequence, QByteArrayView body, QString* error = nullptr);

// Decodes and checks a header from the first 8 bytes. False with a reason for
// too few bytes, a version other than 1, an unknown message type, or a byte
// count below the header size or above maxMessageSize. Message ids are not
// checked here: an unknown id is answered, not a broken stream.
bool decodeHartIpHeader(QByteArrayView bytes, HartIpHeader& out, QString* error = nullptr,
                        int maxMessageSize = kHartIpMaxMessageSize);

QString hartIpMessageTypeName(uint8_t type);
QString hartIpMessageIdName(uint8_t id);
QString hartIpErrorCodeName(uint8_t code);
// Texts of the header status of a session initiate response.
QString hartIpSessionStatusName(uint8_t status);

} // namespace comm
