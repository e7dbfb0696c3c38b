#pragma once
// The HART-IP face of the simulated transmitter: a TCP server that opens and
// closes sessions, answers keep alives and passes HART frames to the
// transmitter. Like a device, it counts its open sessions: a session closed
// with Session Close frees its slot at once; one whose connection went
// without it keeps its slot until its inactivity close time has run out. It also carries the faults a test can inject: answers busy,
// write protection, delayed answers, a dropped connection after a number of
// requests, and a corrupted checksum on the next answer.
#include "platform/comm/hartip/HartIpMessage.h"
#include "platform/comm/hartip/HartIpReassembler.h"
#include "platform/loop/SingleShotHandle.h"
#include "sim/SimTransmitter.h"
#include <QHostAddress>
#include <QObject>
#include <QPointer>
#include <QTcpServer>
#include <map>
#include <memory>
#include <vector>

class QTcpSocket;
namespace loop { class Timer; }

namespace sim {

class SimServer : public QObject {
    Q_OBJECT
public:
    static constexpr uint32_t kDefaultInactivityCloseTimeMs = 60000;

    explicit SimServer(QObject* parent = nullptr);
    ~SimServer() override;

    // Port 0 picks a free port; port() tells which.
    bool listen(const QHostAddress& address = QHostAddress::LocalHost, quint16 port = comm::kHartIpDefaultPort);
    quint16 port() const;
    QString errorString() const;
    void close();

    SimTransmitter& transmitter() { return m_transmitter; }
    DeviceState& device() { return m_transmitter.device(); }

    // Faults.
    void injectBusy(int requests) { m_transmitter.setBusyResponses(requests); }
    void injectResponseCode(uint8_t code, int requests = 1) { m_transmitter.injectResponseCode(code, requests); }
    void setWriteProtected(bool on) { device().writeProtected = on; }
    void setAccessRestricted(bool on) { device().accessRestricted = on; }
    // Every answer goes out this much later (0: at once).
    void setResponseDelay(int ms) { m_responseDelayMs = qMax(0, ms); }
    // Answers this many more pass-through requests, then drops the connection
    // on the next one without answering; negative: never.
    void dropConnectionAfter(int requests) { m_dropAfter = requests; }
    void corruptNextChecksum() { m_corruptNextChecksum = true; }

    // At most this many sessions at once (0: no limit); a session initiate
    // beyond them is answered "All sessions in use".
    void setSessionSlots(int count) { m_sessionSlots = qMax(0, count); }
    int openSessions() const { return m_openSessions; }
    int openConnections() const { return static_cast<int>(m_connections.size()); }
    int requestsHandled() const { return m_requestsHandled; }
    int messagesReceived() const { return m_messagesReceived; }

signals:
    // Every pass-through request the device answered (responseCode -1: no answer).
    void requestHandled(int command, int responseCode);
    void sessionOpened();
    void sessionEnded();
    // What happened, one line each: sessions, requests, faults, bad input.
    void logMessage(const QString& text);

private:
    struct Connection {
        QPointer<QTcpSocket> socket;
        comm::HartIpReassembler reassembler;
        bool session = false;
        bool closing = false;
        comm::HartIpSessionParameters parameters;
        std::unique_ptr<loop::Timer> inactivity;
        QString peer;
    };

    void onNewConnection();
    void onReadyRead(QTcpSocket* socket);
    void onDisconnected(QTcpSocket* socket);
    void handleMessage(Connection& c, const comm::HartIpMessage& message);
    void handleSessionInitiate(Connection& c, const comm::HartIpMessage& message);
    void handlePassThrough(Connection& c, const comm::HartIpMessage& message);
    void reply(Connection& c, comm::HartIpMessageType type, const comm::HartIpMessage& request,
               uint8_t status, const QByteArray& body, bool closeAfter = false);
    void drop(Connection& c, const QString& why);
    // Ends the session of a connection: its slot is freed now (Session Close,
    // or the device dropped the connection), or after the inactivity close
    // time when the peer's connection went without Session Close.
    void endSession(Connection& c, bool freeNow);
    void freeSlot(const QString& why);
    Connection* find(QTcpSocket* socket);

    QTcpServer m_server;
    SimTransmitter m_transmitter;
    std::map<QTcpSocket*, std::unique_ptr<Connection>> m_connections;
    int m_responseDelayMs = 0;
    int m_dropAfter = -1;
    bool m_corruptNextChecksum = false;
    int m_sessionSlots = 0;
    int m_openSessions = 0;
    std::vector<loop::SingleShotHandle> m_heldSlots; // slots of sessions gone without Session Close
    int m_requestsHandled = 0;
    int m_messagesReceived = 0;
};

} // namespace sim
