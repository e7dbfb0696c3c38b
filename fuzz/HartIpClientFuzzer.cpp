// The communication server's side of HART-IP: a hostile device on loopback
// answers each message the server sends with the next answer of the input
// (any bytes: session answers, HART frames, parts or runs of messages), and
// closes the connection when it has none left. The server connects,
// identifies the device, reads, writes and exchanges a frame and disconnects;
// whatever the device says, every request is answered once and the server
// neither hangs nor crashes.
//
// An answer in the input: a flags byte (1: the sequence number of the message
// it answers is written into its header; 2: the device closes the connection
// after it), two bytes of length (big-endian) and that many bytes.
#include "fuzz/FuzzInput.h"
#include "platform/applet/CServerResponseClass.h"
#include "platform/comm/server/HartCommServer.h"
#include "platform/comm/server/IHartDeviceType.h"
#include "platform/comm/server/IHartIpAddress.h"
#include <QPointer>
#include <QTcpServer>
#include <QTcpSocket>
#include <deque>

namespace {

constexpr uint8_t kStampSequence = 1;
constexpr uint8_t kCloseAfter = 2;
// Offset of the sequence number in a HART-IP header.
constexpr int kSequenceAt = 4;
// Short enough that silence costs little; every wait ends by the server's
// own time-out long before the run's limit.
constexpr int kResponseTimeoutMs = 200;
constexpr int kRunLimitMs = 60000;

struct Answer {
    uint8_t flags = 0;
    QByteArray bytes;
};

std::deque<Answer> Answers(fuzz::FuzzInput& input)
{
    std::deque<Answer> answers;
    QByteArray rest = input.Rest();
    while (rest.size() >= 3) {
        Answer answer;
        answer.flags = static_cast<uint8_t>(rest[0]);
        const int length = (static_cast<uint8_t>(rest[1]) << 8) | static_cast<uint8_t>(rest[2]);
        answer.bytes = rest.mid(3, length);
        rest = rest.mid(3 + answer.bytes.size());
        answers.push_back(answer);
    }
    return answers;
}

class HostileDevice : public QObject {
public:
    explicit HostileDevice(std::deque<Answer> answers) : m_answers(std::move(answers))
    {
        if (!m_server.listen(QHostAddress::LocalHost, 0))
            fuzz::Fail("the device cannot listen on loopback");
        QObject::connect(&m_server, &QTcpServer::newConnection, this, [this] {
            while (QTcpSocket* peer = m_server.nextPendingConnection()) {
                peer->setParent(this);
                QObject::connect(peer, &QTcpSocket::readyRead, this, [this, peer] { Reply(*peer); });
                QObject::connect(peer, &QTcpSocket::disconnected, peer, &QObject::deleteLater);
            }
        });
    }
    quint16 Port() const { return m_server.serverPort(); }

private:
    void Reply(QTcpSocket& peer)
    {
        const QByteArray heard = peer.readAll();
        if (m_answers.empty()) {
            peer.disconnectFromHost();
            return;
        }
        Answer answer = std::move(m_answers.front());
        m_answers.pop_front();
        if ((answer.flags & kStampSequence) && heard.size() >= kSequenceAt + 2 && answer.bytes.size() >= kSequenceAt + 2) {
            answer.bytes[kSequenceAt] = heard[kSequenceAt];
            answer.bytes[kSequenceAt + 1] = heard[kSequenceAt + 1];
        }
        peer.write(answer.bytes);
        if ((answer.flags & kCloseAfter) || m_answers.empty())
            peer.disconnectFromHost();
    }

    QTcpServer m_server;
    std::deque<Answer> m_answers;
};

// The frame's communication object for the Trivex HART device type.
class Channel : public automation::ComObject, public comm::IHartIpAddress, public comm::IHartDeviceType {
public:
    explicit Channel(quint16 port) : m_address(QStringLiteral("hart-ip://127.0.0.1:%1").arg(port)) {}
    QString DeviceAddress() const override { return m_address; }
    comm::HartDeviceType ServedDeviceType() const override { return {99, 137}; }
    void OnDeviceIdentified(const comm::HartConnectReport&) override {}

private:
    QString m_address;
};

// The DTM's side: counts what the server answers and has each failure put
// into words, as the DTM does.
class Client : public applet::CServerResponseClass {
public:
    explicit Client(comm::HartCommServer& server) : m_server(server) {}

    void ConnectResponse(const QVariant&, const QVariantList&, const QVariantList&, int32_t hResult,
                         int32_t& result) override
    {
        connected = hResult == 0;
        ++connectAnswers;
        Heard(0, QByteArray(), hResult, result);
    }
    void DisConnectResponse(int32_t& result) override
    {
        ended = true;
        result = 0;
    }
    void DisConnectIndication(int32_t, int32_t, const QVariant&, int32_t detail, int32_t& result) override
    {
        ended = true;
        Heard(0, QByteArray(), detail, result);
    }
    void ReadResponse(int32_t, int32_t hResult, uint8_t respLen, const QByteArray& RespData, uint8_t,
                      const QByteArray&, int32_t& result) override
    {
        ++answers;
        Heard(respLen, RespData, hResult, result);
    }
    void WriteResponse(int32_t, int32_t hResult, uint8_t respLen, const QByteArray& RespData, int32_t& result) override
    {
        ++answers;
        Heard(respLen, RespData, hResult, result);
    }
    void DataExchangeResponse(int32_t, int32_t hResult, uint8_t respLen, const QByteArray& RespData, uint8_t,
                              const QByteArray&, int32_t& result) override
    {
        ++answers;
        Heard(respLen, RespData, hResult, result);
    }
    void SearchDeviceResponse(int32_t, const QVariant&, const QVariant&, const QVariant&, int32_t& result) override
    {
        result = 0;
    }
    void ChangeSlaveAddressResponse(const QVariant&, const QVariant&, int32_t& result) override { result = 0; }
    void SetAddressInfo(const QVariant&, int32_t& result) override { result = 0; }

    bool connected = false;
    bool ended = false;
    int connectAnswers = 0;
    int answers = 0;

private:
    void Heard(uint8_t respLen, const QByteArray& respData, int32_t hResult, int32_t& result)
    {
        QString text;
        int32_t ignored = 0;
        m_server.ErrorMessage(respLen, respData, hResult, text, ignored);
        result = 0;
    }

    comm::HartCommServer& m_server;
};

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    fuzz::StartApplication(false);
    fuzz::FuzzInput input(data, size);
    {
        HostileDevice device(Answers(input));
        auto server = std::make_shared<comm::HartCommServer>();
        server->SetResponseTimeout(kResponseTimeoutMs);
        int32_t result = 0;
        server->SetCommunication(std::make_shared<Channel>(device.Port()), result);
        auto client = std::make_shared<Client>(*server);
        QVariant handle;
        server->AddClient(client, handle, QVariant(), result);
        if (result != 0)
            fuzz::Fail("the server takes no client");

        server->ConnectRequest(handle, QStringLiteral("DEVICE"), QVariantList(), QVariant(), result);
        fuzz::RunEventsUntil([&] { return client->connectAnswers > 0; }, kRunLimitMs,
                             "the connect was never answered");
        if (client->connectAnswers != 1)
            fuzz::Fail("the connect was answered more than once");
        if (client->connected) {
            int asked = 0;
            int32_t number = 0;
            server->ReadIORequest(handle, QByteArray::fromHex("0d00"), number, result);
            asked += result == 0;
            server->WriteIORequest(handle, QByteArray::fromHex("1100"), number, result);
            asked += result == 0;
            server->DataExchangeRequest(handle, QByteArray::fromHex("0300"), number, result);
            asked += result == 0;
            fuzz::RunEventsUntil([&] { return client->answers >= asked; }, kRunLimitMs,
                                 "a request was never answered");
            if (!client->ended) {
                server->DisConnectRequest(handle, result);
                if (result == 0)
                    fuzz::RunEventsUntil([&] { return client->ended; }, kRunLimitMs,
                                         "the disconnect was never answered");
            }
        }
        if (client->answers > 3)
            fuzz::Fail("a request was answered more than once");
        std::shared_ptr<applet::CServerRequestClass> self = server;
        server->Destroy(self, result);
    }
    fuzz::DrainEvents();
    return 0;
}
