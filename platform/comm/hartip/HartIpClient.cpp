#include "platform/comm/hartip/HartIpClient.h"

#include "platform/loop/Timer.h"
#include "platform/loop/TimerService.h"
#include <QPointer>
#include <QTcpSocket>

namespace comm {

namespace {

// Session initiate answers that open the session: success, and the warning
// that the server chose another inactivity close time.
constexpr uint8_t kStatusSuccess = 0;
constexpr uint8_t kStatusSetToNearest = 8;

QString failureOf(const HartIpMessage& message)
{
    switch (message.header.messageType) {
    case HartIpMessageType::Error:
        if (message.body.isEmpty())
            return QStringLiteral("HART-IP error without an error code");
        return QStringLiteral("HART-IP error: %1").arg(hartIpErrorCodeName(static_cast<uint8_t>(message.body[0])));
    case HartIpMessageType::Nak:
        return QStringLiteral("request refused by the server (NAK, status %1)").arg(message.header.status);
    default:
        return QStringLiteral("HART-IP status %1 without an answer").arg(message.header.status);
    }
}

} // namespace

HartIpClient::HartIpClient(QObject* parent)
    : QObject(parent)
{
    loop::TimerService& timers = loop::TimerService::instance();
    m_responseTimer = timers.CreateTimer([this] { onResponseTimeout(); });
    m_responseTimer->SetSingleShot(true);
    m_keepAliveTimer = timers.CreateTimer([this] { onKeepAliveDue(); });
    m_keepAliveTimer->SetSingleShot(true);
}

HartIpClient::~HartIpClient()
{
    if (m_socket) {
        m_socket->disconnect(this);
        sayGoodbye();
        m_socket->abort();
    }
}

int HartIpClient::openRequests() const
{
    int count = m_inFlight && !m_inFlight->internal ? 1 : 0;
    for (const Request& r : m_queue)
        count += r.internal ? 0 : 1;
    return count;
}

bool HartIpClient::connectToServer(const QString& host, quint16 port)
{
    if (m_state != State::Unconnected) {
        m_lastError = QStringLiteral("connect refused: the client is already connected or connecting");
        return false;
    }
    m_lastError.clear();
    m_endpoint = QStringLiteral("%1:%2").arg(host).arg(port);
    m_reassembler.reset();
    m_session = HartIpSessionParameters{};
    m_socket = new QTcpSocket(this);
    connect(m_socket, &QTcpSocket::connected, this, &HartIpClient::onConnected);
    connect(m_socket, &QTcpSocket::readyRead, this, &HartIpClient::onReadyRead);
    connect(m_socket, &QTcpSocket::disconnected, this, &HartIpClient::onDisconnected);
    connect(m_socket, &QTcpSocket::errorOccurred, this, &HartIpClient::onSocketError);
    setState(State::Connecting);
    m_responseTimer->Start(m_responseTimeoutMs);
    m_socket->connectToHost(host, port);
    return true;
}

void HartIpClient::closeSession()
{
    switch (m_state) {
    case State::Unconnected:
    case State::Closing:
        return;
    case State::Connecting:
    case State::Initiating: {
        QPointer<HartIpClient> self(this);
        sayGoodbye();
        if (teardown(QStringLiteral("session closed before it was established")) && self)
            emit sessionClosed();
        return;
    }
    case State::Ready:
        setState(State::Closing);
        enqueue(HartIpMessageId::SessionClose, {}, true);
        return;
    }
}

void HartIpClient::abort(const QString& reason)
{
    if (m_state == State::Unconnected)
        return;
    m_lastError = reason;
    sayGoodbye();
    teardown(reason);
}

void HartIpClient::sayGoodbye()
{
    // A device has few session slots and keeps one whose connection merely
    // went until its inactivity close time runs out; Session Close frees it.
    // A session initiate on its way may already have opened one.
    const bool closeSent = m_inFlight && m_inFlight->id == HartIpMessageId::SessionClose;
    const bool initiateSent = m_state == State::Initiating && m_inFlight
                              && m_inFlight->id == HartIpMessageId::SessionInitiate;
    // A peer that closed the connection has ended the session itself, and
    // its socket is gone while Qt still says connected: a write would arm a
    // notifier on no socket.
    if ((m_state != State::Ready && m_state != State::Closing && !initiateSent) || closeSent || !m_socket
        || m_socket->state() != QAbstractSocket::ConnectedState || !m_socket->isValid())
        return;
    m_socket->write(encodeHartIpMessage(HartIpMessageType::Request, HartIpMessageId::SessionClose, 0, nextSequence(), {}));
    // Into the system's send buffer now: the socket is closed right after.
    m_socket->flush();
}

int HartIpClient::sendPdu(const QByteArray& hartFrame)
{
    if (m_state != State::Ready) {
        m_lastError = QStringLiteral("no HART-IP session to %1").arg(m_endpoint.isEmpty() ? QStringLiteral("a server") : m_endpoint);
        return -1;
    }
    if (hartFrame.isEmpty() || hartFrame.size() > kHartIpMaxMessageSize - kHartIpHeaderSize) {
        m_lastError = QStringLiteral("a HART frame of %1 bytes cannot be passed through").arg(hartFrame.size());
        return -1;
    }
    return enqueue(HartIpMessageId::PassThrough, hartFrame, false);
}

int HartIpClient::sendKeepAlive()
{
    if (m_state != State::Ready) {
        m_lastError = QStringLiteral("no HART-IP session for a keep alive");
        return -1;
    }
    return enqueue(HartIpMessageId::KeepAlive, {}, false);
}

uint16_t HartIpClient::nextSequence()
{
    return ++m_sequence;
}

int HartIpClient::enqueue(HartIpMessageId id, QByteArray body, bool internal)
{
    const uint16_t sequence = nextSequence();
    m_queue.push_back(Request{sequence, id, std::move(body), internal});
    sendNext();
    return sequence;
}

void HartIpClient::sendNext()
{
    if (m_inFlight || m_queue.empty() || !m_socket || m_socket->state() != QAbstractSocket::ConnectedState)
        return;
    m_inFlight = std::move(m_queue.front());
    m_queue.pop_front();
    const QByteArray bytes = encodeHartIpMessage(HartIpMessageType::Request, m_inFlight->id, 0,
                                                 m_inFlight->sequence, m_inFlight->body);
    m_keepAliveTimer->Stop();
    m_responseTimer->Start(m_responseTimeoutMs);
    m_socket->write(bytes);
}

void HartIpClient::onConnected()
{
    QPointer<HartIpClient> self(this);
    setState(State::Initiating);
    if (!self || m_state != State::Initiating)
        return;
    HartIpSessionParameters request;
    request.masterType = m_masterType;
    request.inactivityCloseTimeMs = m_inactivityCloseTimeMs;
    enqueue(HartIpMessageId::SessionInitiate, request.encode(), true);
}

void HartIpClient::onReadyRead()
{
    if (!m_socket)
        return;
    QPointer<HartIpClient> self(this);
    if (!m_reassembler.feed(m_socket->readAll())) {
        lose(QStringLiteral("the server at %1 sent no valid HART-IP: %2").arg(m_endpoint, m_reassembler.error()));
        return;
    }
    while (auto message = m_reassembler.next()) {
        handleMessage(*message);
        if (!self || !m_socket)
            return;
    }
}

void HartIpClient::handleMessage(const HartIpMessage& message)
{
    const HartIpHeader& h = message.header;
    if (h.messageType == HartIpMessageType::Notification) {
        emit notificationReceived(static_cast<quint8>(h.messageId), message.body);
        return;
    }
    if (h.messageType == HartIpMessageType::Request) {
        emit warning(QStringLiteral("ignored a %1 request from the server").arg(hartIpMessageIdName(static_cast<uint8_t>(h.messageId))));
        return;
    }
    if (!m_inFlight || m_inFlight->sequence != h.sequence) {
        emit warning(QStringLiteral("ignored a %1 with sequence number %2 that no request waits for")
                         .arg(hartIpMessageTypeName(static_cast<uint8_t>(h.messageType))).arg(h.sequence));
        return;
    }
    completeInFlight(message);
}

void HartIpClient::completeInFlight(const HartIpMessage& message)
{
    QPointer<HartIpClient> self(this);
    const Request request = std::move(*m_inFlight);
    m_inFlight.reset();
    m_responseTimer->Stop();
    const HartIpHeader& h = message.header;
    const bool answered = h.messageType == HartIpMessageType::Response;

    switch (request.id) {
    case HartIpMessageId::SessionInitiate: {
        HartIpSessionParameters granted;
        if (!answered || (h.status != kStatusSuccess && h.status != kStatusSetToNearest)) {
            lose(QStringLiteral("session initiate refused by %1: %2")
                     .arg(m_endpoint, answered ? hartIpSessionStatusName(h.status) : failureOf(message)));
            return;
        }
        if (!HartIpSessionParameters::decode(message.body, granted)) {
            lose(QStringLiteral("session initiate answer from %1 has %2 bytes, 5 expected").arg(m_endpoint).arg(message.body.size()));
            return;
        }
        m_session = granted;
        setState(State::Ready);
        if (!self)
            return;
        emit sessionEstablished();
        break;
    }
    case HartIpMessageId::SessionClose:
        finishSessionClose();
        return;
    case HartIpMessageId::KeepAlive:
        if (answered && h.status == 0) {
            if (!request.internal)
                emit keepAliveAnswered(request.sequence);
        } else {
            const QString reason = failureOf(message);
            if (!request.internal)
                emit requestFailed(request.sequence, reason);
            if (self && h.messageType == HartIpMessageType::Error)
                lose(QStringLiteral("keep alive failed: %1").arg(reason));
            return;
        }
        break;
    case HartIpMessageId::PassThrough:
        if (answered && !message.body.isEmpty()) {
            emit pduResponse(request.sequence, message.body);
        } else {
            const QString reason = failureOf(message);
            emit requestFailed(request.sequence, reason);
            if (self && h.messageType == HartIpMessageType::Error
                && !message.body.isEmpty() && static_cast<uint8_t>(message.body[0]) == HartIpErrorCode::SessionClosed) {
                lose(QStringLiteral("the server closed the session: %1").arg(reason));
                return;
            }
        }
        break;
    }
    if (!self || !m_socket)
        return;
    sendNext();
    restartKeepAlive();
}

void HartIpClient::finishSessionClose()
{
    QPointer<HartIpClient> self(this);
    if (teardown(QStringLiteral("session closed")) && self)
        emit sessionClosed();
}

void HartIpClient::onDisconnected()
{
    if (m_state == State::Unconnected)
        return;
    if (m_state == State::Closing) {
        finishSessionClose();
        return;
    }
    lose(QStringLiteral("connection closed by the server at %1").arg(m_endpoint));
}

void HartIpClient::onSocketError(QAbstractSocket::SocketError error)
{
    if (m_state == State::Unconnected || !m_socket)
        return;
    if (m_state == State::Closing && error == QAbstractSocket::RemoteHostClosedError) {
        finishSessionClose();
        return;
    }
    if (error == QAbstractSocket::RemoteHostClosedError) {
        lose(QStringLiteral("connection closed by the server at %1").arg(m_endpoint));
        return;
    }
    lose(QStringLiteral("connection to %1 failed: %2").arg(m_endpoint, m_socket->errorString()));
}

void HartIpClient::onResponseTimeout()
{
    if (m_state == State::Connecting) {
        lose(QStringLiteral("no connection to %1 within %2 ms").arg(m_endpoint).arg(m_responseTimeoutMs));
        return;
    }
    if (!m_inFlight)
        return;
    if (m_state == State::Closing && m_inFlight->id == HartIpMessageId::SessionClose) {
        finishSessionClose();
        return;
    }
    lose(QStringLiteral("no answer from %1 to %2 (sequence %3) within %4 ms")
             .arg(m_endpoint, hartIpMessageIdName(static_cast<uint8_t>(m_inFlight->id)))
             .arg(m_inFlight->sequence)
             .arg(m_responseTimeoutMs));
}

int HartIpClient::keepAliveInterval() const
{
    if (m_keepAliveIntervalMs < 0)
        return 0;
    if (m_keepAliveIntervalMs > 0)
        return m_keepAliveIntervalMs;
    return static_cast<int>(qMin<uint32_t>(m_session.inactivityCloseTimeMs / 3, 0x7FFFFFFF));
}

void HartIpClient::restartKeepAlive()
{
    const int interval = keepAliveInterval();
    if (m_state == State::Ready && !m_inFlight && m_queue.empty() && interval > 0)
        m_keepAliveTimer->Start(interval);
}

void HartIpClient::onKeepAliveDue()
{
    if (m_state == State::Ready && !m_inFlight && m_queue.empty())
        enqueue(HartIpMessageId::KeepAlive, {}, true);
}

void HartIpClient::lose(const QString& reason)
{
    if (m_state == State::Unconnected)
        return;
    m_lastError = reason;
    QPointer<HartIpClient> self(this);
    sayGoodbye(); // the link may still stand (a time-out): the device's slot is freed all the same
    if (teardown(reason) && self)
        emit connectionLost(reason);
}

bool HartIpClient::teardown(const QString& reason)
{
    QPointer<HartIpClient> self(this);
    m_responseTimer->Stop();
    m_keepAliveTimer->Stop();
    if (QTcpSocket* socket = m_socket) {
        m_socket = nullptr;
        socket->disconnect(this);
        socket->abort();
        socket->deleteLater();
    }
    std::deque<Request> open;
    if (m_inFlight)
        open.push_back(std::move(*m_inFlight));
    m_inFlight.reset();
    for (Request& r : m_queue)
        open.push_back(std::move(r));
    m_queue.clear();
    m_reassembler.reset();
    setState(State::Unconnected);
    if (!self)
        return false;
    for (const Request& r : open) {
        if (r.internal)
            continue;
        emit requestFailed(r.sequence, reason);
        if (!self)
            return false;
    }
    return true;
}

void HartIpClient::setState(State state)
{
    if (m_state == state)
        return;
    m_state = state;
    emit stateChanged(state);
}

} // namespace comm
