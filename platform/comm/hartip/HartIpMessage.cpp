#include "platform/comm/hartip/HartIpMessage.h"

#include "platform/comm/hart/HartBytes.h"
#include <iterator>

namespace comm {

namespace {

struct Name {
    uint8_t value;
    const char* text;
};

constexpr Name kMessageTypes[] = {
    {0, "Request"}, {1, "Response"}, {2, "Publish/Notification"}, {3, "Error"}, {15, "NAK"},
};

constexpr Name kMessageIds[] = {
    {0, "Session Initiate"}, {1, "Session Close"}, {2, "Keep Alive"}, {3, "Pass Through"},
};

constexpr Name kErrorCodes[] = {
    {HartIpErrorCode::SessionClosed, "Session closed"},
    {HartIpErrorCode::PrimarySessionUnavailable, "Primary session unavailable"},
    {HartIpErrorCode::ServiceUnavailable, "Service unavailable"},
};

constexpr Name kSessionStatus[] = {
    {0, "Success"},
    {2, "Invalid master type"},
    {5, "Too few data bytes"},
    {8, "Inactivity close time set to nearest possible value"},
    {14, "Version not supported"},
    {15, "All sessions in use"},
    {16, "Session already established"},
};

QString lookup(const Name* table, size_t count, uint8_t value, const char* unknown)
{
    for (size_t i = 0; i < count; ++i)
        if (table[i].value == value)
            return QString::fromLatin1(table[i].text);
    return QStringLiteral("%1 %2").arg(QLatin1String(unknown)).arg(value);
}

bool knownMessageType(uint8_t type)
{
    for (const Name& n : kMessageTypes)
        if (n.value == type)
            return true;
    return false;
}

} // namespace

QByteArray HartIpSessionParameters::encode() const
{
    return HartDataWriter().u8(masterType).u32(inactivityCloseTimeMs).take();
}

bool HartIpSessionParameters::decode(QByteArrayView body, HartIpSessionParameters& out)
{
    HartDataReader r(body);
    HartIpSessionParameters p;
    p.masterType = r.u8();
    p.inactivityCloseTimeMs = r.u32();
    if (!r.ok())
        return false;
    out = p;
    return true;
}

QByteArray encodeHartIpMessage(HartIpMessageType type, HartIpMessageId id, uint8_t status,
                               uint16_t sequence, QByteArrayView body, QString* error)
{
    const qsizetype total = kHartIpHeaderSize + body.size();
    if (total > 0xFFFF) {
        if (error)
            *error = QStringLiteral("HART-IP body of %1 bytes is too long").arg(body.size());
        return {};
    }
    HartDataWriter w;
    w.u8(kHartIpVersion).u8(static_cast<uint8_t>(type)).u8(static_cast<uint8_t>(id)).u8(status)
        .u16(sequence).u16(static_cast<uint16_t>(total)).bytes(body);
    return w.take();
}

bool decodeHartIpHeader(QByteArrayView bytes, HartIpHeader& out, QString* error, int maxMessageSize)
{
    auto refuse = [error](const QString& why) {
        if (error)
            *error = why;
        return false;
    };
    if (bytes.size() < kHartIpHeaderSize)
        return refuse(QStringLiteral("HART-IP header needs %1 bytes, %2 given").arg(kHartIpHeaderSize).arg(bytes.size()));
    HartDataReader r(bytes);
    HartIpHeader h;
    h.version = r.u8();
    const uint8_t type = r.u8();
    const uint8_t id = r.u8();
    h.status = r.u8();
    h.sequence = r.u16();
    h.byteCount = r.u16();
    if (h.version != kHartIpVersion)
        return refuse(QStringLiteral("HART-IP version %1 is not supported").arg(h.version));
    if (!knownMessageType(type))
        return refuse(QStringLiteral("unknown HART-IP message type %1").arg(type));
    if (h.byteCount < kHartIpHeaderSize)
        return refuse(QStringLiteral("HART-IP byte count %1 is smaller than the header").arg(h.byteCount));
    if (h.byteCount > maxMessageSize)
        return refuse(QStringLiteral("HART-IP byte count %1 is above the limit of %2").arg(h.byteCount).arg(maxMessageSize));
    h.messageType = static_cast<HartIpMessageType>(type);
    h.messageId = static_cast<HartIpMessageId>(id);
    out = h;
    return true;
}

QString hartIpMessageTypeName(uint8_t type)
{
    return lookup(kMessageTypes, std::size(kMessageTypes), type, "message type");
}

QString hartIpMessageIdName(uint8_t id)
{
    return lookup(kMessageIds, std::size(kMessageIds), id, "message id");
}

QString hartIpErrorCodeName(uint8_t code)
{
    return lookup(kErrorCodes, std::size(kErrorCodes), code, "error code");
}

QString hartIpSessionStatusName(uint8_t status)
{
    return lookup(kSessionStatus, std::size(kSessionStatus), status, "status");
}

} // namespace comm
