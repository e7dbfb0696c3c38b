#pragma once
// Cuts a TCP byte stream into HART-IP messages: bytes arrive in any pieces,
// several messages may come in one read. A header that does not check out
// (wrong version, unknown type, byte count out of bounds) breaks the stream
// for good: TCP gives no way to find the next message again, so the owner
// drops the connection.
#include "platform/comm/hartip/HartIpMessage.h"
#include <QByteArray>
#include <QByteArrayView>
#include <QString>
#include <deque>
#include <optional>

namespace comm {

class HartIpReassembler {
public:
    explicit HartIpReassembler(int maxMessageSize = kHartIpMaxMessageSize);

    // Adds bytes; false once the stream is broken (then error() says why and
    // further bytes are ignored). Complete messages queue up for next().
    bool feed(QByteArrayView bytes);
    std::optional<HartIpMessage> next();

    bool failed() const { return !m_error.isEmpty(); }
    const QString& error() const { return m_error; }
    qsizetype bufferedBytes() const { return m_buffer.size(); }
    void reset();

private:
    int m_maxMessageSize;
    QByteArray m_buffer;
    std::deque<HartIpMessage> m_ready;
    QString m_error;
};

} // namespace comm
