#include "sim/SimServer.h"

#include "platform/loop/Timer.h"
#include "platform/loop/TimerService.h"
#include <QTcpSocket>

namespace sim {

namespace {

using comm::HartIpMessageId;
using comm::HartIpMessageType;

// Session initiate answers.
constexpr uint8_t kStatusSuccess = 0;
constexpr uint8_t kStatusInvalidMasterType = 2;
constexpr uint8_t kStatusTooFewBytes = 5;
constexpr uint8_t kStatusSetToNearest = 8;
constexpr uint8_t kStatusAllSessionsInUse = 15;
constexpr uint8_t kStatusSessionExists = 16;
// NAK status for a message the server does not know.
constexpr uint8_t kStatusNotImplemented = 64;

} // namespace

SimServer::SimServer(QObject* parent)
    : QObject(parent)
{
    connect(&m_server, &QTcpServer::newConnection, this, &SimServer::onNewConnection);
}

SimServer::~SimServer()
{
    close();
}

bool SimServer::listen(const QHostAddress& address, quint16 port)
{
    if (!m_server.listen(address, port)) {
        emit logMessage(QStringLiteral("cannot listen on %1:%2: %3").arg(address.toString()).arg(port).arg(m_server.errorString()));
        return false;
    }
    return true;
}

quint16 SimServer::port() const
{
    return m_server.serverPort();
}

QString SimServer::errorString() const
{
    return m_server.errorString();
}

void SimServer::close()
{
    m_server.close();
    for (loop::SingleShotHandle& held : m_heldSlots)
        held.Cancel();
    m_heldSlots.clear();
    m_openSessions = 0; // the device is gone, and its sessions with it
    auto connections = std::move(m_connections);
    m_connections.clear();
    for (auto& [socket, connection] : connections) {
        if (connection->socket) {
            connection->socket->disconnect(this);
            connection->socket->abort();
            connection->socket->deleteLater();
        }
    }
}

SimServer::Connection* SimServer::find(QTcpSocket* socket)
{
    auto it = m_connections.find(socket);
    return it == m_connections.end() ? nullptr : it->second.get();
}

void SimServer::onNewConnection()
{
    while (QTcpSocket* socket = m_server.nextPendingConnection()) {
        auto connection = std::make_unique<Connection>();
        connection->socket = socket;
        connection->peer = QStringLiteral("%1:%2").arg(socket->peerAddress().toString()).arg(socket->peerPort());
        Connection* c = connection.get();
        connection->inactivity = loop::TimerService::instance().CreateTimer([this, c] {
            drop(*c, QStringLiteral("no message within the inactivity close time of %1 ms").arg(c->parameters.inactivityCloseTimeMs));
        });
        connection->inactivity->SetSingleShot(true);
        m_connections.emplace(socket, std::move(connection));
        connect(socket, &QTcpSocket::readyRead, this, [this, socket] { onReadyRead(socket); });
        connect(socket, &QTcpSocket::disconnected, this, [this, socket] { onDisconnected(socket); });
        emit logMessage(QStringLiteral("connection from %1").arg(c->peer));
    }
}

void SimServer::onDisconnected(QTcpSocket* socket)
{
    auto it = m_connections.find(socket);
    if (it == m_connections.end())
        return;
    emit logMessage(QStringLiteral("connection from %1 closed").arg(it->second->peer));
    if (it->second->session)
        endSession(*it->second, false);
    // The socket goes with the event loop, so a read loop still running on it stays safe.
    socket->disconnect(this);
    socket->deleteLater();
    m_connections.erase(it);
}

void SimServer::endSession(Connection& c, bool freeNow)
{
    if (!c.session)
        return;
    c.session = false;
    c.inactivity->Stop();
    if (freeNow) {
        freeSlot(QStringLiteral("session of %1 ended").arg(c.peer));
        return;
    }
    const uint32_t holdMs = c.parameters.inactivityCloseTimeMs;
    emit logMessage(QStringLiteral("the session of %1 went without Session Close: its slot is held for %2 ms")
                        .arg(c.peer)
                        .arg(holdMs));
    const QString why = QStringLiteral("session of %1 ended by its inactivity close time").arg(c.peer);
    std::erase_if(m_heldSlots, [](const loop::SingleShotHandle& held) { return !held.IsPending(); });
    m_heldSlots.push_back(loop::TimerService::instance().SingleShot(
        static_cast<int>(qMin<uint32_t>(holdMs, 0x7FFFFFFF)), [this, why] { freeSlot(why); }, loop::LoopGuard(this)));
}

void SimServer::freeSlot(const QString& why)
{
    --m_openSessions;
    emit logMessage(why);
    emit sessionEnded();
}

void SimServer::drop(Connection& c, const QString& why)
{
    if (c.closing)
        return;
    c.closing = true;
    c.inactivity->Stop();
    emit logMessage(QStringLiteral("dropping the connection from %1: %2").arg(c.peer, why));
    // The device ends the session itself: its slot is free.
    endSession(c, true);
    if (QTcpSocket* socket = c.socket) {
        // abort() reports the disconnect at once, which removes the connection.
        QTcpSocket* key = socket;
        socket->abort();
        if (find(key))
            onDisconnected(key);
    }
}

void SimServer::onReadyRead(QTcpSocket* socket)
{
    Connection* c = find(socket);
    if (!c || c->closing)
        return;
    if (!c->reassembler.feed(socket->readAll())) {
        drop(*c, QStringLiteral("no valid HART-IP: %1").arg(c->reassembler.error()));
        return;
    }
    while (auto message = c->reassembler.next()) {
        handleMessage(*c, *message);
        // The connection may have been dropped meanwhile.
        c = find(socket);
        if (!c || c->closing)
            return;
    }
}

void SimServer::handleMessage(Connection& c, const comm::HartIpMessage& message)
{
    const comm::HartIpHeader& h = message.header;
    ++m_messagesReceived;
    if (h.messageType != HartIpMessageType::Request) {
        emit logMessage(QStringLiteral("ignored a %1 from %2").arg(comm::hartIpMessageTypeName(static_cast<uint8_t>(h.messageType)), c.peer));
        return;
    }
    if (c.session && c.parameters.inactivityCloseTimeMs > 0)
        c.inactivity->Start(static_cast<int>(qMin<uint32_t>(c.parameters.inactivityCloseTimeMs, 0x7FFFFFFF)));

    switch (h.messageId) {
    case HartIpMessageId::SessionInitiate:
        handleSessionInitiate(c, message);
        return;
    case HartIpMessageId::SessionClose:
        emit logMessage(QStringLiteral("session close from %1").arg(c.peer));
        endSession(c, true);
        reply(c, HartIpMessageType::Response, message, kStatusSuccess, {}, true);
        return;
    case HartIpMessageId::KeepAlive:
        if (!c.session) {
            reply(c, HartIpMessageType::Error, message, 0, QByteArray(1, static_cast<char>(comm::HartIpErrorCode::SessionClosed)));
            return;
        }
        reply(c, HartIpMessageType::Response, message, kStatusSuccess, {});
        return;
    case HartIpMessageId::PassThrough:
        handlePassThrough(c, message);
        return;
    }
    emit logMessage(QStringLiteral("unknown message id %1 from %2").arg(static_cast<int>(h.messageId)).arg(c.peer));
    reply(c, HartIpMessageType::Nak, message, kStatusNotImplemented, {});
}

void SimServer::handleSessionInitiate(Connection& c, const comm::HartIpMessage& message)
{
    comm::HartIpSessionParameters requested;
    if (c.session) {
        reply(c, HartIpMessageType::Response, message, kStatusSessionExists, c.parameters.encode());
        return;
    }
    if (!comm::HartIpSessionParameters::decode(message.body, requested)) {
        emit logMessage(QStringLiteral("session initiate from %1 with %2 bytes refused").arg(c.peer).arg(message.body.size()));
        reply(c, HartIpMessageType::Response, message, kStatusTooFewBytes, {});
        return;
    }
    if (requested.masterType > comm::kHartIpPrimaryMaster) {
        emit logMessage(QStringLiteral("session initiate from %1 with master type %2 refused").arg(c.peer).arg(requested.masterType));
        reply(c, HartIpMessageType::Response, message, kStatusInvalidMasterType, {});
        return;
    }
    if (m_sessionSlots > 0 && m_openSessions >= m_sessionSlots) {
        emit logMessage(QStringLiteral("session initiate from %1 refused: all %2 sessions in use").arg(c.peer).arg(m_sessionSlots));
        reply(c, HartIpMessageType::Response, message, kStatusAllSessionsInUse, {});
        return;
    }
    uint8_t status = kStatusSuccess;
    if (requested.inactivityCloseTimeMs == 0) {
        requested.inactivityCloseTimeMs = kDefaultInactivityCloseTimeMs;
        status = kStatusSetToNearest;
    }
    c.session = true;
    ++m_openSessions;
    c.parameters = requested;
    c.inactivity->Start(static_cast<int>(qMin<uint32_t>(requested.inactivityCloseTimeMs, 0x7FFFFFFF)));
    emit logMessage(QStringLiteral("session opened by %1 (%2 master, inactivity close time %3 ms)")
                        .arg(c.peer, requested.masterType ? QStringLiteral("primary") : QStringLiteral("secondary"))
                        .arg(requested.inactivityCloseTimeMs));
    reply(c, HartIpMessageType::Response, message, status, requested.encode());
    emit sessionOpened();
}

void SimServer::handlePassThrough(Connection& c, const comm::HartIpMessage& message)
{
    if (!c.session) {
        emit logMessage(QStringLiteral("pass-through from %1 without a session refused").arg(c.peer));
        reply(c, HartIpMessageType::Error, message, 0, QByteArray(1, static_cast<char>(comm::HartIpErrorCode::SessionClosed)));
        return;
    }
    if (m_dropAfter == 0) {
        m_dropAfter = -1;
        drop(c, QStringLiteral("fault injected: connection dropped"));
        return;
    }
    if (m_dropAfter > 0)
        --m_dropAfter;

    const PduResult result = m_transmitter.handlePdu(message.body);
    ++m_requestsHandled;
    emit logMessage(result.note);
    emit requestHandled(result.command, result.response.isEmpty() ? -1 : result.responseCode);
    if (result.response.isEmpty()) {
        // A frame that is no HART request at all is refused; a request for
        // another device gets no answer, as on a HART loop.
        if (result.command < 0)
            reply(c, HartIpMessageType::Nak, message, kStatusTooFewBytes, {});
        return;
    }
    QByteArray frame = result.response;
    if (m_corruptNextChecksum) {
        m_corruptNextChecksum = false;
        frame.back() = static_cast<char>(frame.back() ^ 0xFF);
        emit logMessage(QStringLiteral("fault injected: checksum of the answer corrupted"));
    }
    reply(c, HartIpMessageType::Response, message, kStatusSuccess, frame);
}

void SimServer::reply(Connection& c, HartIpMessageType type, const comm::HartIpMessage& request,
                      uint8_t status, const QByteArray& body, bool closeAfter)
{
    const QByteArray bytes = comm::encodeHartIpMessage(type, request.header.messageId, status,
                                                       request.header.sequence, body);
    QPointer<QTcpSocket> socket = c.socket;
    auto send = [this, socket, bytes, closeAfter] {
        if (!socket)
            return;
        socket->write(bytes);
        if (closeAfter) {
            if (Connection* conn = find(socket.data())) {
                conn->closing = true;
                conn->inactivity->Stop();
            }
            socket->disconnectFromHost();
        }
    };
    if (m_responseDelayMs > 0)
        loop::TimerService::instance().SingleShot(m_responseDelayMs, send, loop::LoopGuard(socket.data()));
    else
        send();
}

} // namespace sim
