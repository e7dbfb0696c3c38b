#pragma once
// A HART-IP client over TCP: connects, opens a session, passes HART frames
// through and matches each answer to its request by sequence number, keeps
// the session alive and closes it.
//
// Requests go out one at a time in the order given (a HART device answers one
// master request at a time); the rest wait in a queue. Every request in
// flight has a response time-out on the timer service. A time-out, a socket
// error, a remote close or a stream that is not HART-IP ends the connection:
// every open request gets requestFailed, then connectionLost says why.
#include "platform/comm/hartip/HartIpMessage.h"
#include "platform/comm/hartip/HartIpReassembler.h"
#include <QAbstractSocket>
#include <QByteArray>
#include <QObject>
#include <QString>
#include <deque>
#include <memory>
#include <optional>

class QTcpSocket;
namespace loop { class Timer; }

namespace comm {

class HartIpClient : public QObject {
    Q_OBJECT
public:
    enum class State { Unconnected, Connecting, Initiating, Ready, Closing };
    Q_ENUM(State)

    static constexpr int kDefaultResponseTimeoutMs = 5000;
    static constexpr uint32_t kDefaultInactivityCloseTimeMs = 60000;

    explicit HartIpClient(QObject* parent = nullptr);
    ~HartIpClient() override;

    // Settings; they apply from the next connect (the time-out at once).
    void setResponseTimeout(int ms) { m_responseTimeoutMs = qMax(1, ms); }
    int responseTimeout() const { return m_responseTimeoutMs; }
    void setInactivityCloseTime(uint32_t ms) { m_inactivityCloseTimeMs = ms; }
    void setMasterType(uint8_t masterType) { m_masterType = masterType; }
    // Idle time after which a keep alive goes out by itself; 0 derives it from
    // the inactivity close time (a third of it), a negative value switches it off.
    void setKeepAliveInterval(int ms) { m_keepAliveIntervalMs = ms; }

    // Connects and initiates a session; sessionEstablished or connectionLost follows.
    // Refused (false, lastError set) unless the client is unconnected.
    bool connectToServer(const QString& host, quint16 port);
    // Orderly end: a session close goes out after the requests already queued;
    // sessionClosed follows once the server answered or dropped the connection.
    void closeSession();
    // Ends the connection at once, a session open with a Session Close that
    // is not waited for; open requests fail with the reason. No signal other
    // than requestFailed for the open requests. Destroying the client ends its
    // session the same way.
    void abort(const QString& reason = QStringLiteral("connection aborted"));

    State state() const { return m_state; }
    bool isReady() const { return m_state == State::Ready; }
    const QString& lastError() const { return m_lastError; }
    // The parameters the server answered the session initiate with.
    const HartIpSessionParameters& session() const { return m_session; }
    int openRequests() const;

    // Queues one HART frame (without preambles) for pass-through. Returns the
    // request's sequence number, or -1 (lastError set) without a session.
    int sendPdu(const QByteArray& hartFrame);
    int sendKeepAlive();

signals:
    void stateChanged(comm::HartIpClient::State state);
    void sessionEstablished();
    void pduResponse(quint16 sequence, const QByteArray& hartFrame);
    void keepAliveAnswered(quint16 sequence);
    void requestFailed(quint16 sequence, const QString& reason);
    void notificationReceived(quint8 messageId, const QByteArray& body);
    // Every end that was not asked for, including a connect or session initiate that failed.
    void connectionLost(const QString& reason);
    void sessionClosed();
    // Something odd that does not end the session (an answer nobody waits for).
    void warning(const QString& text);

private:
    struct Request {
        uint16_t sequence;
        HartIpMessageId id;
        QByteArray body;
        bool internal; // keep alives sent by the client itself
    };

    int enqueue(HartIpMessageId id, QByteArray body, bool internal);
    void sendNext();
    void onConnected();
    void onReadyRead();
    void onDisconnected();
    void onSocketError(QAbstractSocket::SocketError error);
    void onResponseTimeout();
    void onKeepAliveDue();
    void handleMessage(const HartIpMessage& message);
    void completeInFlight(const HartIpMessage& message);
    void finishSessionClose();
    // Sends a Session Close without waiting for its answer, when a session is
    // open (or its initiate is on its way) and none has been sent.
    void sayGoodbye();
    // Drops the socket and fails every open request; returns false when the
    // client was destroyed from a signal handler meanwhile.
    bool teardown(const QString& reason);
    void lose(const QString& reason);
    void setState(State state);
    void restartKeepAlive();
    int keepAliveInterval() const;
    uint16_t nextSequence();

    State m_state = State::Unconnected;
    QTcpSocket* m_socket = nullptr;
    HartIpReassembler m_reassembler;
    std::deque<Request> m_queue;
    std::optional<Request> m_inFlight;
    std::unique_ptr<loop::Timer> m_responseTimer;
    std::unique_ptr<loop::Timer> m_keepAliveTimer;
    HartIpSessionParameters m_session;
    QString m_lastError;
    QString m_endpoint;
    uint16_t m_sequence = 0;
    int m_responseTimeoutMs = kDefaultResponseTimeoutMs;
    uint32_t m_inactivityCloseTimeMs = kDefaultInactivityCloseTimeMs;
    int m_keepAliveIntervalMs = 0;
    uint8_t m_masterType = kHartIpPrimaryMaster;
};

} // namespace comm
