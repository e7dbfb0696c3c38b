// The communication server against the simulated transmitter over loopback,
// all in the test's one event loop.
#include "platform/applet/CServerResponseClass.h"
#include "platform/automation/ClassRegistry.h"
#include "platform/comm/hart/HartBytes.h"
#include "platform/comm/hart/HartStatus.h"
#include "platform/comm/hart/PackedAscii.h"
#include "platform/comm/hartip/HartIpClient.h"
#include "platform/comm/server/CommServerClasses.h"
#include "platform/comm/server/CommServerResults.h"
#include "platform/comm/server/HartCommServer.h"
#include "platform/comm/server/ICommandDeadline.h"
#include "platform/comm/server/IHartDeviceType.h"
#include "platform/comm/server/IHartIpAddress.h"
#include "platform/loop/ManualClock.h"
#include "platform/loop/ScopedTimerService.h"
#include "sim/SimServer.h"
#include <QCoreApplication>
#include <QElapsedTimer>
#include <QSignalSpy>
#include <QSocketNotifier>
#include <QTcpServer>
#include <QTcpSocket>
#include <arpa/inet.h>
#include <cerrno>
#include <fcntl.h>
#include <gtest/gtest.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

using namespace comm;

namespace {

// Generous: only a broken test waits this long.
constexpr int kPatienceMs = 20000;

class FrameChannel : public automation::ComObject, public IHartIpAddress {
public:
    explicit FrameChannel(QString address) : address(std::move(address)) {}
    QString DeviceAddress() const override { return address; }
    QString address;
};

class NotAChannel : public automation::ComObject {};

// A channel of a frame whose command a deadline (a time-out, a signal) may end.
class DeadlineChannel : public FrameChannel, public ICommandDeadline {
public:
    using FrameChannel::FrameChannel;
    bool DeadlinePassed() const override { return passed; }
    bool passed = false;
};

// Carries the bytes between the communication server and the device, over
// plain sockets, and sees how the server's side of the connection ended: with
// the end of its stream, or with a reset (which Qt would report as an end).
class Relay {
public:
    explicit Relay(quint16 devicePort) : m_devicePort(devicePort)
    {
        m_listener = ::socket(AF_INET, SOCK_STREAM | SOCK_NONBLOCK, 0);
        sockaddr_in address = Loopback(0);
        socklen_t size = sizeof address;
        if (m_listener < 0 || ::bind(m_listener, reinterpret_cast<sockaddr*>(&address), size) != 0
            || ::listen(m_listener, 4) != 0 || ::getsockname(m_listener, reinterpret_cast<sockaddr*>(&address), &size) != 0)
            return;
        m_port = ntohs(address.sin_port);
        m_accepting = std::make_unique<QSocketNotifier>(m_listener, QSocketNotifier::Read);
        QObject::connect(m_accepting.get(), &QSocketNotifier::activated, [this] { Accept(); });
    }
    ~Relay()
    {
        m_accepting.reset();
        m_fromServer.reset();
        m_fromDevice.reset();
        for (int fd : {m_listener, m_server, m_device})
            if (fd >= 0)
                ::close(fd);
    }
    Relay(const Relay&) = delete;
    Relay& operator=(const Relay&) = delete;

    quint16 Port() const { return m_port; }
    // Called once, right after the next bytes of the device reached the
    // server's socket, before the server can have read them.
    std::function<void()> afterDeviceBytes;
    bool ServerEnded() const { return m_serverEnded; }
    // The server's side was reset, now or at any time before.
    bool Reset()
    {
        int error = 0;
        socklen_t size = sizeof error;
        if (m_server >= 0 && ::getsockopt(m_server, SOL_SOCKET, SO_ERROR, &error, &size) == 0 && error == ECONNRESET)
            m_reset = true;
        return m_reset;
    }

private:
    static sockaddr_in Loopback(quint16 port)
    {
        sockaddr_in address{};
        address.sin_family = AF_INET;
        address.sin_port = htons(port);
        address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        return address;
    }
    void Accept()
    {
        const int server = ::accept4(m_listener, nullptr, nullptr, SOCK_NONBLOCK);
        if (server < 0 || m_server >= 0) {
            if (server >= 0)
                ::close(server);
            return;
        }
        m_server = server;
        m_device = ::socket(AF_INET, SOCK_STREAM, 0);
        const sockaddr_in device = Loopback(m_devicePort);
        if (::connect(m_device, reinterpret_cast<const sockaddr*>(&device), sizeof device) != 0)
            return;
        ::fcntl(m_device, F_SETFL, ::fcntl(m_device, F_GETFL) | O_NONBLOCK);
        m_fromServer = std::make_unique<QSocketNotifier>(m_server, QSocketNotifier::Read);
        m_fromDevice = std::make_unique<QSocketNotifier>(m_device, QSocketNotifier::Read);
        QObject::connect(m_fromServer.get(), &QSocketNotifier::activated, [this] { Pass(true); });
        QObject::connect(m_fromDevice.get(), &QSocketNotifier::activated, [this] { Pass(false); });
    }
    void Pass(bool fromServer)
    {
        const int from = fromServer ? m_server : m_device;
        const int to = fromServer ? m_device : m_server;
        char bytes[4096];
        const ssize_t got = ::recv(from, bytes, sizeof bytes, 0);
        if (got < 0 && (errno == EAGAIN || errno == EWOULDBLOCK))
            return;
        if (got > 0) {
            if (::send(to, bytes, static_cast<size_t>(got), MSG_NOSIGNAL) != got && !fromServer)
                m_reset = true;
            if (!fromServer && afterDeviceBytes)
                std::exchange(afterDeviceBytes, {})();
            return;
        }
        if (fromServer) {
            m_reset = m_reset || (got < 0 && errno == ECONNRESET);
            m_serverEnded = true;
            m_fromServer->setEnabled(false);
        } else {
            m_fromDevice->setEnabled(false);
        }
        ::shutdown(to, SHUT_WR);
    }

    quint16 m_devicePort = 0;
    quint16 m_port = 0;
    int m_listener = -1;
    int m_server = -1;
    int m_device = -1;
    bool m_serverEnded = false;
    bool m_reset = false;
    std::unique_ptr<QSocketNotifier> m_accepting;
    std::unique_ptr<QSocketNotifier> m_fromServer;
    std::unique_ptr<QSocketNotifier> m_fromDevice;
};

// A channel that names the device type its DTM instance serves, as the
// frame's does, and keeps what the server reports.
class GuardedChannel : public FrameChannel, public IHartDeviceType {
public:
    GuardedChannel(QString address, HartDeviceType served) : FrameChannel(std::move(address)), served(served) {}
    HartDeviceType ServedDeviceType() const override { return served; }
    void OnDeviceIdentified(const HartConnectReport& report) override { reports.push_back(report); }
    void OnConnectionFailed(const QString& cause) override { failures.push_back(cause); }
    HartDeviceType served;
    std::vector<HartConnectReport> reports;
    std::vector<QString> failures;
};

struct Event {
    Event() = default;
    explicit Event(QString kind, int32_t number = 0, int32_t hResult = 0, QByteArray respData = {},
                   QByteArray data = {})
        : kind(std::move(kind)), number(number), hResult(hResult), respData(std::move(respData)), data(std::move(data))
    {
    }
    QString kind;
    int32_t number = 0;
    int32_t hResult = 0;
    QByteArray respData;
    QByteArray data;
    QVariantList info;
    QVariantList deviceInfo;
    QVariant address;
    int32_t local = 0;
    QVariant reason;
};

class RecordingClient : public QObject, public applet::CServerResponseClass {
    Q_OBJECT
public:
    void ConnectResponse(const QVariant& AddressInfo, const QVariantList& DeviceInfo,
                         const QVariantList& ConnectionInfo, int32_t hResult, int32_t& result) override
    {
        Event e(QStringLiteral("connect"));
        e.hResult = hResult;
        e.info = ConnectionInfo;
        e.deviceInfo = DeviceInfo;
        e.address = AddressInfo;
        Record(e, result);
    }
    void DisConnectResponse(int32_t& result) override { Record(Event(QStringLiteral("disconnect")), result); }
    void DisConnectIndication(int32_t local, int32_t, const QVariant& reason, int32_t detail, int32_t& result) override
    {
        Event e(QStringLiteral("indication"));
        e.hResult = detail;
        e.local = local;
        e.reason = reason;
        Record(e, result);
    }
    void ReadResponse(int32_t number, int32_t hResult, uint8_t respLen, const QByteArray& RespData, uint8_t DataLen,
                      const QByteArray& Data, int32_t& result) override
    {
        EXPECT_EQ(respLen, RespData.size());
        EXPECT_EQ(DataLen, Data.size());
        Record(Event(QStringLiteral("read"), number, hResult, RespData, Data), result);
    }
    void WriteResponse(int32_t number, int32_t hResult, uint8_t respLen, const QByteArray& RespData,
                       int32_t& result) override
    {
        EXPECT_EQ(respLen, RespData.size());
        Record(Event(QStringLiteral("write"), number, hResult, RespData), result);
    }
    void DataExchangeResponse(int32_t number, int32_t hResult, uint8_t, const QByteArray& RespData, uint8_t,
                              const QByteArray& Data, int32_t& result) override
    {
        Record(Event(QStringLiteral("exchange"), number, hResult, RespData, Data), result);
    }
    void SearchDeviceResponse(int32_t, const QVariant&, const QVariant&, const QVariant&, int32_t& result) override
    {
        result = 0;
    }
    void ChangeSlaveAddressResponse(const QVariant&, const QVariant&, int32_t& result) override { result = 0; }
    void SetAddressInfo(const QVariant&, int32_t& result) override { result = 0; }

    std::vector<Event> events;
    std::function<void(const Event&)> onEvent;

signals:
    void received();

private:
    void Record(const Event& e, int32_t& result)
    {
        events.push_back(e);
        result = 0;
        if (onEvent)
            onEvent(e);
        emit received();
    }
};

class CommServer : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(device.listen(QHostAddress::LocalHost, 0)) << device.errorString().toStdString();
        device.transmitter().freezeProcessTime(0);
        QObject::connect(&device, &sim::SimServer::requestHandled, &device,
                         [this](int command, int) { commands.push_back(command); });
        channel = std::make_shared<FrameChannel>(QStringLiteral("hart-ip://127.0.0.1:%1").arg(device.port()));
        int32_t result = -1;
        server->SetCommunication(channel, result);
        ASSERT_EQ(result, 0);
        client = std::make_shared<RecordingClient>();
        server->AddClient(client, handle, QVariant(), result);
        ASSERT_EQ(result, 0);
    }

    void TearDown() override
    {
        int32_t result = 0;
        std::shared_ptr<applet::CServerRequestClass> self = server;
        server->Destroy(self, result);
    }

    // Waits until the client has heard count events in all.
    bool waitForEvents(size_t count)
    {
        QSignalSpy spy(client.get(), &RecordingClient::received);
        while (client->events.size() < count)
            if (!spy.wait(kPatienceMs))
                return false;
        return true;
    }

    const Event& connect()
    {
        int32_t result = -1;
        const size_t before = client->events.size();
        server->ConnectRequest(handle, QStringLiteral("DEVICE-1"), QVariantList(), QVariant(), result);
        EXPECT_EQ(result, 0);
        EXPECT_TRUE(waitForEvents(before + 1));
        return client->events.at(before);
    }

    int32_t request(int kind, const QByteArray& bytes, int32_t* result = nullptr)
    {
        int32_t number = -1;
        int32_t r = -1;
        switch (kind) {
        case 1: server->ReadIORequest(handle, bytes, number, r); break;
        case 2: server->WriteIORequest(handle, bytes, number, r); break;
        default: server->DataExchangeRequest(handle, bytes, number, r); break;
        }
        if (result)
            *result = r;
        else
            EXPECT_EQ(r, 0) << CommServerText(r).toStdString();
        return number;
    }

    // Sends one request and waits for its response.
    Event ask(int kind, const QByteArray& bytes)
    {
        const size_t before = client->events.size();
        const int32_t number = request(kind, bytes);
        EXPECT_TRUE(waitForEvents(before + 1));
        if (client->events.size() <= before)
            return Event{};
        const Event e = client->events.at(before);
        EXPECT_EQ(e.number, number);
        return e;
    }

    int count(const QString& kind) const
    {
        return static_cast<int>(std::count_if(client->events.begin(), client->events.end(),
                                              [&](const Event& e) { return e.kind == kind; }));
    }

    // Links a channel that serves the device type.
    std::shared_ptr<GuardedChannel> guard(uint16_t manufacturerId, uint16_t deviceTypeId)
    {
        auto guarded = std::make_shared<GuardedChannel>(channel->address, HartDeviceType{manufacturerId, deviceTypeId});
        int32_t result = -1;
        server->SetCommunication(guarded, result);
        EXPECT_EQ(result, 0);
        return guarded;
    }

    sim::SimServer device;
    // The commands the device answered, in order.
    std::vector<int> commands;
    std::shared_ptr<HartCommServer> server = std::make_shared<HartCommServer>();
    std::shared_ptr<FrameChannel> channel;
    std::shared_ptr<RecordingClient> client;
    QVariant handle;
};

// What Qt itself writes (its warnings go to standard error) while it lives.
class QtMessages {
public:
    QtMessages() : m_previous(qInstallMessageHandler(&QtMessages::Record)) { s_lines = &lines; }
    ~QtMessages()
    {
        qInstallMessageHandler(m_previous);
        s_lines = nullptr;
    }
    QtMessages(const QtMessages&) = delete;
    QtMessages& operator=(const QtMessages&) = delete;
    QStringList lines;

private:
    static void Record(QtMsgType, const QMessageLogContext&, const QString& text)
    {
        if (s_lines)
            s_lines->append(text);
    }
    static inline QStringList* s_lines = nullptr;
    QtMessageHandler m_previous;
};

QByteArray tagDescriptorDate(const QString& tag, const QString& descriptor)
{
    QByteArray packedTag;
    QByteArray packedDescriptor;
    EXPECT_TRUE(PackedAscii::pack(tag, 6, packedTag));
    EXPECT_TRUE(PackedAscii::pack(descriptor, 12, packedDescriptor));
    return packedTag + packedDescriptor + QByteArray::fromHex("0c0a7c");
}

} // namespace

TEST_F(CommServer, ConnectIdentifiesTheDeviceWithCommandZero)
{
    const Event& e = connect();
    ASSERT_EQ(e.kind, "connect");
    EXPECT_EQ(e.hResult, 0);
    ASSERT_GE(e.info.size(), 12);
    EXPECT_EQ(e.info.at(ConnectionInfoIndex::Address).toString(), channel->address);
    EXPECT_EQ(e.info.at(ConnectionInfoIndex::DeviceId).toInt(), static_cast<int>(device.device().deviceId));
    EXPECT_EQ(e.info.at(ConnectionInfoIndex::ManufacturerId).toInt(), device.device().manufacturerId);
    EXPECT_EQ(e.info.at(ConnectionInfoIndex::ExpandedDeviceType).toInt(), device.device().expandedDeviceType);
    EXPECT_EQ(e.info.at(ConnectionInfoIndex::PollingAddress).toInt(), 0);
    ASSERT_EQ(e.deviceInfo.size(), 3);
    EXPECT_EQ(e.deviceInfo.at(2).toInt(), static_cast<int>(device.device().deviceId));

    // A second connect while connected is refused; the live session stays.
    int32_t result = 0;
    server->ConnectRequest(handle, QVariant(), QVariantList(), QVariant(), result);
    EXPECT_EQ(result, ServerResult::ConnectionBusy);
    EXPECT_EQ(ask(1, QByteArray::fromHex("0d00")).hResult, 0);
}

TEST_F(CommServer, ADeviceOfAnotherTypeIsRefusedAfterCommandZero)
{
    struct Foreign {
        uint16_t manufacturerId;
        uint16_t expandedDeviceType;
        const char* reported;
    };
    // Another manufacturer; the right manufacturer with another device type.
    const Foreign foreign[] = {{0x0026, 0x26A5, "manufacturer 0x0026, expanded device type 0x26A5"},
                               {0x0063, 0x63A6, "manufacturer 0x0063, expanded device type 0x63A6"}};
    for (const Foreign& f : foreign) {
        device.device().manufacturerId = f.manufacturerId;
        device.device().expandedDeviceType = f.expandedDeviceType;
        commands.clear();
        // The DTM instance serves manufacturer 99, device type 165 (0x63A5).
        const auto guarded = guard(99, 165);
        const Event& e = connect();
        ASSERT_EQ(e.kind, "connect");
        EXPECT_EQ(e.hResult, HResult::WrongDevice);
        EXPECT_TRUE(e.info.isEmpty());
        ASSERT_EQ(guarded->reports.size(), 1u);
        const HartConnectReport& report = guarded->reports.front();
        EXPECT_TRUE(report.refused);
        EXPECT_TRUE(report.refusal.contains(QLatin1String(f.reported))) << report.refusal.toStdString();
        EXPECT_TRUE(report.refusal.contains("manufacturer 0x0063, expanded device type 0x63A5"))
            << report.refusal.toStdString();
        EXPECT_TRUE(report.refusal.contains(channel->address)) << report.refusal.toStdString();
        // Nothing but the identification reached the device, and nothing may follow.
        EXPECT_EQ(commands, std::vector<int>{0});
        int32_t result = 0;
        int32_t number = 0;
        server->WriteIORequest(handle, QByteArray::fromHex("1100"), number, result);
        EXPECT_EQ(result, ServerResult::NotConnected);
        QString text;
        server->ErrorMessage(0, QByteArray(), HResult::WrongDevice, text, result);
        EXPECT_TRUE(text.contains("not of the device type")) << text.toStdString();
    }
}

TEST_F(CommServer, TheServedDeviceConnectsAndReportsItsAdditionalStatus)
{
    // A device with its loop current fixed has more status to give: command 48
    // is read before the connect is answered.
    device.device().fixedCurrent = 12.0f;
    const auto guarded = guard(0x63, 0x89);
    const Event& e = connect();
    ASSERT_EQ(e.kind, "connect");
    EXPECT_EQ(e.hResult, 0);
    EXPECT_EQ(commands, (std::vector<int>{0, 48}));
    ASSERT_EQ(guarded->reports.size(), 1u);
    const HartConnectReport report = guarded->reports.front();
    EXPECT_FALSE(report.refused);
    EXPECT_EQ(report.identity.deviceId, device.device().deviceId);
    EXPECT_EQ(report.deviceStatus,
              DeviceStatus::ColdStart | DeviceStatus::MoreStatusAvailable | DeviceStatus::LoopCurrentFixed);
    EXPECT_EQ(report.additionalStatus,
              (QStringList{"Device-dependent status byte 3: 0x10", "Analog channel fixed: channel 1",
                           "Device-dependent status byte 17: 0x80"}));

    // The status it read is no longer new: the next connect reads no command 48.
    int32_t result = -1;
    const size_t before = client->events.size();
    server->DisConnectRequest(handle, result);
    ASSERT_TRUE(waitForEvents(before + 1));
    commands.clear();
    EXPECT_EQ(connect().hResult, 0);
    EXPECT_EQ(commands, std::vector<int>{0});
    ASSERT_EQ(guarded->reports.size(), 2u);
    EXPECT_EQ(guarded->reports.back().deviceStatus, DeviceStatus::LoopCurrentFixed);
    EXPECT_TRUE(guarded->reports.back().additionalStatus.isEmpty());
}

TEST(HartDeviceType, ReadsTheDatasetIdsAndMatchesTheExpandedType)
{
    HartDeviceType type;
    ASSERT_TRUE(HartDeviceType::FromTexts(QStringLiteral("99"), QStringLiteral("165"), type));
    EXPECT_EQ(type.ExpandedDeviceType(), 0x63A5);
    HartDeviceType hex;
    ASSERT_TRUE(HartDeviceType::FromTexts(QStringLiteral("0x63"), QStringLiteral(" 0x63A5 "), hex));
    EXPECT_EQ(hex.ExpandedDeviceType(), 0x63A5);
    EXPECT_EQ(hex.Text(), "manufacturer 0x0063, expanded device type 0x63A5");

    HartIdentity identity;
    identity.manufacturerId = 0x63;
    identity.expandedDeviceType = 0x63A5;
    EXPECT_TRUE(type.Matches(identity));
    EXPECT_TRUE(hex.Matches(identity));
    identity.manufacturerId = 0x26;
    EXPECT_FALSE(type.Matches(identity));
    identity.manufacturerId = 0x63;
    identity.expandedDeviceType = 0xE0A5; // an expanded code of its own
    EXPECT_FALSE(type.Matches(identity));
    EXPECT_TRUE((HartDeviceType{0x63, 0xE0A5}).Matches(identity));

    // Broken ids are refused with the reason; the type is left as it was.
    QString why;
    for (const auto& [manufacturer, deviceType] :
         std::vector<std::pair<QString, QString>>{{"x", "165"}, {"99", ""}, {"65536", "1"}, {"99", "-1"}, {"0x", "1"}}) {
        EXPECT_FALSE(HartDeviceType::FromTexts(manufacturer, deviceType, type, &why))
            << manufacturer.toStdString() << "/" << deviceType.toStdString();
        EXPECT_FALSE(why.isEmpty());
    }
    EXPECT_EQ(type.ExpandedDeviceType(), 0x63A5);
}

TEST_F(CommServer, ReadsWritesAndExchangesAnsweredByTransaction)
{
    ASSERT_EQ(connect().hResult, 0);

    const Event tag = ask(1, QByteArray::fromHex("0d00"));
    EXPECT_EQ(tag.kind, "read");
    EXPECT_EQ(tag.hResult, 0);
    ASSERT_EQ(tag.respData.size(), 3);
    EXPECT_EQ(static_cast<uint8_t>(tag.respData[0]), 13);
    EXPECT_EQ(static_cast<uint8_t>(tag.respData[1]), 0);
    ASSERT_EQ(tag.data.size(), 21);
    EXPECT_EQ(PackedAscii::unpack(QByteArrayView(tag.data).first(6)).trimmed(), "TRIVEX");

    QByteArray write("\x12\x15", 2);
    write += tagDescriptorDate(QStringLiteral("FT-101"), QStringLiteral("MAIN STEAM"));
    const Event written = ask(2, write);
    EXPECT_EQ(written.kind, "write");
    EXPECT_EQ(written.hResult, 0);
    ASSERT_EQ(written.respData.size(), 3 + 21);
    EXPECT_EQ(static_cast<uint8_t>(written.respData[1]), 0);
    EXPECT_EQ(written.respData.mid(3), write.mid(2)); // the device's echo
    EXPECT_EQ(device.device().tag, "FT-101");

    const Event pv = ask(3, QByteArray::fromHex("0100"));
    EXPECT_EQ(pv.kind, "exchange");
    EXPECT_EQ(pv.hResult, 0);
    EXPECT_EQ(pv.data.size(), 5);

    // Several requests at once go one after the other and keep their numbers.
    const size_t before = client->events.size();
    const int32_t a = request(1, QByteArray::fromHex("0d00"));
    const int32_t b = request(1, QByteArray::fromHex("0200"));
    const int32_t c = request(3, QByteArray::fromHex("0300"));
    EXPECT_EQ(server->OpenRequests(), 3);
    ASSERT_TRUE(waitForEvents(before + 3));
    EXPECT_EQ(client->events[before].number, a);
    EXPECT_EQ(client->events[before + 1].number, b);
    EXPECT_EQ(client->events[before + 2].number, c);
    EXPECT_EQ(static_cast<uint8_t>(client->events[before + 1].respData[0]), 2);
    EXPECT_NE(a, b);
    EXPECT_EQ(server->OpenRequests(), 0);
}

TEST_F(CommServer, AConnectionAsksEachConfigurationReadOnceUntilSomethingMayHaveChangedIt)
{
    ASSERT_EQ(connect().hResult, 0);
    const QByteArray tagRead = QByteArray::fromHex("0d00");
    const Event first = ask(1, tagRead);
    const Event again = ask(1, tagRead);
    const Event identity = ask(1, QByteArray::fromHex("0000")); // the connect asked it already
    EXPECT_EQ(again.hResult, 0);
    EXPECT_EQ(again.respData, first.respData);
    EXPECT_EQ(again.data, first.data);
    EXPECT_EQ(identity.hResult, 0);
    EXPECT_EQ(static_cast<uint8_t>(identity.respData[0]), 0);
    EXPECT_FALSE(identity.data.isEmpty());
    EXPECT_EQ(commands, (std::vector<int>{0, 13}));

    // Live values are read every time; they change nothing kept.
    ask(1, QByteArray::fromHex("0300"));
    ask(1, QByteArray::fromHex("0300"));
    ask(1, tagRead);
    EXPECT_EQ(commands, (std::vector<int>{0, 13, 3, 3}));

    // A write: the device is asked again, and its new answer counts.
    QByteArray write("\x12\x15", 2);
    write += tagDescriptorDate(QStringLiteral("NEWTAG"), QStringLiteral("NEW"));
    ASSERT_EQ(ask(2, write).hResult, 0);
    const Event afterWrite = ask(1, tagRead);
    EXPECT_NE(afterWrite.data, first.data);
    // The write set the device's "configuration changed" flag; it stays set
    // until a master resets it and tells nothing new while it does.
    ASSERT_NE(static_cast<uint8_t>(afterWrite.respData[2]) & DeviceStatus::ConfigurationChanged, 0);
    EXPECT_EQ(ask(1, tagRead).data, afterWrite.data);
    EXPECT_EQ(commands, (std::vector<int>{0, 13, 3, 3, 18, 13}));

    // A command of no known kind may change the configuration as well.
    ask(1, QByteArray::fromHex("2600")); // 38: reset the configuration changed flag
    ask(1, tagRead);
    EXPECT_EQ(commands, (std::vector<int>{0, 13, 3, 3, 18, 13, 38, 13}));
    // The flag appearing again says another master (here: the device's own
    // state) changed the configuration: what was kept is asked again.
    device.device().markConfigurationChanged();
    ask(1, QByteArray::fromHex("0300"));
    ask(1, tagRead);
    ask(1, tagRead);
    EXPECT_EQ(commands, (std::vector<int>{0, 13, 3, 3, 18, 13, 38, 13, 3, 13}));

    // A cancelled answer from the connection is not delivered.
    const size_t before = client->events.size();
    const int32_t cancelled = request(1, tagRead);
    int32_t result = -1;
    server->Cancel(cancelled, result);
    EXPECT_EQ(result, 0);
    const Event after = ask(1, QByteArray::fromHex("0300"));
    EXPECT_EQ(client->events.size(), before + 1);
    EXPECT_NE(after.number, cancelled);

    // A new connection starts clean.
    server->DisConnectRequest(handle, result);
    ASSERT_TRUE(waitForEvents(client->events.size() + 1));
    commands.clear();
    ASSERT_EQ(connect().hResult, 0);
    ask(1, tagRead);
    EXPECT_EQ(std::count(commands.begin(), commands.end(), 13), 1);
}

TEST_F(CommServer, BusyAndWriteProtectAreAnswersNotBrokenLinks)
{
    ASSERT_EQ(connect().hResult, 0);
    device.injectBusy(1);
    const Event busy = ask(1, QByteArray::fromHex("0d00"));
    EXPECT_EQ(busy.hResult, 0);
    EXPECT_EQ(static_cast<uint8_t>(busy.respData[1]), 32);
    QString text;
    int32_t result = -1;
    server->ErrorMessage(static_cast<uint8_t>(busy.respData.size()), busy.respData, busy.hResult, text, result);
    EXPECT_EQ(result, 0);
    EXPECT_TRUE(text.startsWith("Busy (32)")) << text.toStdString();

    device.setWriteProtected(true);
    QByteArray write("\x12\x15", 2);
    write += tagDescriptorDate(QStringLiteral("X"), QStringLiteral("Y"));
    const Event refused = ask(2, write);
    EXPECT_EQ(refused.hResult, 0);
    EXPECT_EQ(static_cast<uint8_t>(refused.respData[1]), 7);
    server->ErrorMessage(3, refused.respData, refused.hResult, text, result);
    EXPECT_TRUE(text.contains("Write Protect")) << text.toStdString();

    EXPECT_EQ(count("indication"), 0);
    EXPECT_EQ(ask(1, QByteArray::fromHex("0d00")).hResult, 0);
}

TEST_F(CommServer, ATimeOutEndsTheSessionAndAnswersEveryOpenRequest)
{
    ASSERT_EQ(connect().hResult, 0);
    server->SetResponseTimeout(200);
    device.setResponseDelay(3000);
    const size_t before = client->events.size();
    const int32_t first = request(1, QByteArray::fromHex("0d00"));
    const int32_t second = request(2, QByteArray::fromHex("0d00"));
    ASSERT_TRUE(waitForEvents(before + 3));
    EXPECT_EQ(client->events[before].number, first);
    EXPECT_EQ(client->events[before].hResult, HResult::Timeout);
    EXPECT_EQ(client->events[before + 1].number, second);
    EXPECT_EQ(client->events[before + 1].kind, "write");
    EXPECT_EQ(client->events[before + 1].hResult, HResult::ConnectionLost);
    const Event& end = client->events[before + 2];
    EXPECT_EQ(end.kind, "indication");
    EXPECT_EQ(end.hResult, HResult::Timeout);
    EXPECT_EQ(end.local, 1);
    EXPECT_TRUE(end.reason.toByteArray().contains("no answer to command 13"));

    int32_t result = 0;
    request(1, QByteArray::fromHex("0d00"), &result);
    EXPECT_EQ(result, ServerResult::NotConnected);
    // The device comes back: a new connect works.
    device.setResponseDelay(0);
    server->SetResponseTimeout(HartCommServer::kDefaultResponseTimeoutMs);
    EXPECT_EQ(connect().hResult, 0);
}

TEST_F(CommServer, ADroppedConnectionIsIndicated)
{
    ASSERT_EQ(connect().hResult, 0);
    device.dropConnectionAfter(0);
    const size_t before = client->events.size();
    const int32_t number = request(1, QByteArray::fromHex("0d00"));
    ASSERT_TRUE(waitForEvents(before + 2));
    EXPECT_EQ(client->events[before].kind, "read");
    EXPECT_EQ(client->events[before].number, number);
    EXPECT_EQ(client->events[before].hResult, HResult::ConnectionLost);
    EXPECT_EQ(static_cast<uint8_t>(client->events[before].respData[0]), 13);
    EXPECT_EQ(client->events[before + 1].kind, "indication");
    EXPECT_EQ(client->events[before + 1].hResult, HResult::ConnectionLost);
    EXPECT_EQ(client->events[before + 1].local, 0);
}

TEST_F(CommServer, AnAnswerThatIsNoValidResponseIsReportedAsSuch)
{
    ASSERT_EQ(connect().hResult, 0);
    device.corruptNextChecksum();
    const Event bad = ask(1, QByteArray::fromHex("0d00"));
    EXPECT_EQ(bad.hResult, HResult::InvalidAnswer);
    EXPECT_EQ(ask(1, QByteArray::fromHex("0d00")).hResult, 0);
}

TEST_F(CommServer, ConnectFailuresComeBackAsFailedConnectResponses)
{
    // Nobody listens at the address.
    QTcpServer probe;
    ASSERT_TRUE(probe.listen(QHostAddress::LocalHost, 0));
    const quint16 closedPort = probe.serverPort();
    probe.close();
    channel->address = QStringLiteral("hart-ip://127.0.0.1:%1").arg(closedPort);
    Event e = connect();
    EXPECT_EQ(e.kind, "connect");
    EXPECT_EQ(e.hResult, HResult::NoSession);
    EXPECT_TRUE(e.info.isEmpty());

    // The device refuses command 0.
    channel->address = QStringLiteral("hart-ip://127.0.0.1:%1").arg(device.port());
    device.injectResponseCode(16);
    EXPECT_EQ(connect().hResult, HResult::IdentityRefused);

    // No device answers at the polling address.
    server->SetResponseTimeout(100);
    server->PutDeviceTagAddress(QStringLiteral("TAG"), QStringLiteral("5"));
    EXPECT_EQ(connect().hResult, HResult::Timeout);

    server->PutDeviceTagAddress(QStringLiteral("TAG"), QStringLiteral("0"));
    server->SetResponseTimeout(HartCommServer::kDefaultResponseTimeoutMs);
    EXPECT_EQ(connect().hResult, 0);
    QString tag = QStringLiteral("TAG");
    QString address = QStringLiteral("DEVICE-1");
    server->ExchangeDeviceTagAddress(tag, address);
    EXPECT_EQ(address, "0");
}

TEST_F(CommServer, AFailedConnectSaysWhyTheSessionCouldNotBeOpened)
{
    const auto guarded = guard(0x63, 0x89);
    const auto causeOf = [&](const QString& address) {
        guarded->address = address;
        guarded->failures.clear();
        EXPECT_EQ(connect().hResult, HResult::NoSession) << address.toStdString();
        return guarded->failures.empty() ? QString() : guarded->failures.back();
    };

    // Nobody listens at the port.
    QTcpServer probe;
    ASSERT_TRUE(probe.listen(QHostAddress::LocalHost, 0));
    const QString closedAddress = QStringLiteral("hart-ip://127.0.0.1:%1").arg(probe.serverPort());
    probe.close();
    QString cause = causeOf(closedAddress);
    EXPECT_TRUE(cause.contains("refused", Qt::CaseInsensitive)) << cause.toStdString();

    // A peer that closes every connection at once, one that closes it on the
    // session initiate, and one that answers as a web server does. Qt says
    // nothing of its own about any of them: the cause is told in words.
    QTcpServer peer;
    ASSERT_TRUE(peer.listen(QHostAddress::LocalHost, 0));
    const QString peerAddress = QStringLiteral("hart-ip://127.0.0.1:%1").arg(peer.serverPort());
    enum class Peer { Closes, ClosesOnInitiate, Http } kind = Peer::Closes;
    QObject::connect(&peer, &QTcpServer::newConnection, &peer, [&] {
        while (QTcpSocket* socket = peer.nextPendingConnection()) {
            if (kind == Peer::Closes) {
                socket->close();
                continue;
            }
            const bool http = kind == Peer::Http;
            QObject::connect(socket, &QTcpSocket::readyRead, socket, [socket, http] {
                if (!http) {
                    socket->readAll();
                    socket->close();
                    return;
                }
                socket->write("HTTP/1.1 400 Bad Request\r\nContent-Length: 0\r\n\r\n");
            });
        }
    });
    const QtMessages qt;
    cause = causeOf(peerAddress);
    EXPECT_TRUE(cause.contains("closed by the server")) << cause.toStdString();
    kind = Peer::ClosesOnInitiate;
    cause = causeOf(peerAddress);
    EXPECT_TRUE(cause.contains("closed by the server")) << cause.toStdString();
    kind = Peer::Http;
    cause = causeOf(peerAddress);
    EXPECT_TRUE(cause.contains("no valid HART-IP")) << cause.toStdString();
    EXPECT_TRUE(qt.lines.isEmpty()) << qt.lines.join(QLatin1Char('\n')).toStdString();

    // The device serves one session, which another master holds.
    device.setSessionSlots(1);
    HartIpClient other;
    QSignalSpy established(&other, &HartIpClient::sessionEstablished);
    ASSERT_TRUE(other.connectToServer(QStringLiteral("127.0.0.1"), device.port()));
    ASSERT_TRUE(established.wait(kPatienceMs));
    cause = causeOf(channel->address);
    EXPECT_TRUE(cause.contains("All sessions in use")) << cause.toStdString();
    EXPECT_TRUE(cause.contains("No HART-IP session")) << cause.toStdString();
}

TEST_F(CommServer, ABusyDeviceIsAskedAgainAtConnectAndEveryFailureIsToldInWords)
{
    const auto guarded = guard(0x63, 0x89);
    // Busy three times: the fourth command 0 connects.
    device.injectBusy(3);
    EXPECT_EQ(connect().hResult, 0);
    EXPECT_EQ(commands, (std::vector<int>{0, 0, 0, 0}));
    EXPECT_TRUE(guarded->failures.empty());

    // An invalid answer to a request of the session.
    device.corruptNextChecksum();
    EXPECT_EQ(ask(1, QByteArray::fromHex("0d00")).hResult, HResult::InvalidAnswer);
    ASSERT_EQ(guarded->failures.size(), 1u);
    EXPECT_TRUE(guarded->failures.back().contains("no valid HART response")) << guarded->failures.back().toStdString();
    EXPECT_TRUE(guarded->failures.back().contains("command 13")) << guarded->failures.back().toStdString();
    int32_t result = -1;
    size_t before = client->events.size();
    server->DisConnectRequest(handle, result);
    ASSERT_TRUE(waitForEvents(before + 1));

    // The link drops during the identification; its answer is corrupt.
    device.dropConnectionAfter(0);
    EXPECT_EQ(connect().hResult, HResult::ConnectionLost);
    EXPECT_TRUE(guarded->failures.back().contains("connection to the device was lost"))
        << guarded->failures.back().toStdString();
    device.corruptNextChecksum();
    EXPECT_EQ(connect().hResult, HResult::InvalidAnswer);
    EXPECT_TRUE(guarded->failures.back().contains("no valid HART response")) << guarded->failures.back().toStdString();

    // A device that stays busy: every repeat, 200 ms apart on the clock, then the connect fails.
    loop::ManualClock clock;
    loop::ScopedTimerService installed(clock);
    device.injectBusy(1000);
    commands.clear();
    before = client->events.size();
    server->ConnectRequest(handle, QStringLiteral("DEVICE-1"), QVariantList(), QVariant(), result);
    ASSERT_EQ(result, 0);
    QElapsedTimer patience;
    patience.start();
    while (client->events.size() == before && patience.elapsed() < kPatienceMs) {
        QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
        if (clock.PendingSingleShots() > 0)
            clock.Advance(HartCommServer::kBusyRepeatDelayMs);
    }
    ASSERT_GT(client->events.size(), before);
    EXPECT_EQ(client->events[before].hResult, HResult::DeviceBusy);
    EXPECT_EQ(commands, std::vector<int>(1 + HartCommServer::kBusyRepeats, 0));
    EXPECT_TRUE(guarded->failures.back().contains("stayed busy")) << guarded->failures.back().toStdString();
}

TEST_F(CommServer, RefusesWhatItCannotCarry)
{
    int32_t result = 0;
    const QVariant stranger(999);
    server->ConnectRequest(stranger, QVariant(), QVariantList(), QVariant(), result);
    EXPECT_EQ(result, ServerResult::UnknownClient);

    request(1, QByteArray::fromHex("0d00"), &result);
    EXPECT_EQ(result, ServerResult::NotConnected);

    ASSERT_EQ(connect().hResult, 0);
    int32_t number = request(1, QByteArray::fromHex("0d01"), &result); // byte count 1, no data
    EXPECT_EQ(result, ServerResult::BadRequest);
    EXPECT_EQ(number, -1);
    request(1, QByteArray::fromHex("0d"), &result);
    EXPECT_EQ(result, ServerResult::BadRequest);
    request(1, QByteArray(), &result);
    EXPECT_EQ(result, ServerResult::BadRequest);
    EXPECT_EQ(server->OpenRequests(), 0);

    // Addresses: none linked, an object without an address, no HART-IP URL.
    server->Abort(handle, result);
    server->SetCommunication(nullptr, result);
    EXPECT_EQ(result, 0);
    server->ConnectRequest(handle, QVariant(), QVariantList(), QVariant(), result);
    EXPECT_EQ(result, ServerResult::NoAddress);
    server->SetCommunication(std::make_shared<NotAChannel>(), result);
    EXPECT_EQ(result, ServerResult::NoAddressInterface);
    server->SetCommunication(std::make_shared<FrameChannel>(QStringLiteral("tcp://127.0.0.1:5094")), result);
    ASSERT_EQ(result, 0);
    server->ConnectRequest(handle, QVariant(), QVariantList(), QVariant(), result);
    EXPECT_EQ(result, ServerResult::BadAddress);

    server->SearchDeviceRequest(handle, result);
    EXPECT_EQ(result, ServerResult::NotImplemented);
    std::shared_ptr<applet::CServerResponseClass> none;
    QVariant h;
    server->AddClient(none, h, QVariant(), result);
    EXPECT_EQ(result, ServerResult::InvalidArgument);
}

TEST_F(CommServer, CancelAbortAndDisconnectLeaveNoAnswersBehind)
{
    ASSERT_EQ(connect().hResult, 0);
    int32_t result = -1;
    const int32_t cancelled = request(1, QByteArray::fromHex("0d00"));
    server->Cancel(cancelled, result);
    EXPECT_EQ(result, 0);
    server->Cancel(cancelled + 100, result);
    EXPECT_EQ(result, ServerResult::UnknownTransaction);
    // The next answer comes after the cancelled one would have.
    const Event next = ask(1, QByteArray::fromHex("0200"));
    EXPECT_EQ(next.hResult, 0);

    // Abort with a request open: silence, then a fresh connect works.
    const int32_t aborted = request(1, QByteArray::fromHex("0d00"));
    server->Abort(handle, result);
    EXPECT_EQ(result, 0);
    EXPECT_EQ(server->OpenRequests(), 0);
    EXPECT_EQ(connect().hResult, 0);
    ask(1, QByteArray::fromHex("0200"));
    for (const Event& e : client->events)
        EXPECT_TRUE(e.number != cancelled && e.number != aborted) << e.kind.toStdString();

    // An orderly disconnect.
    request(1, QByteArray::fromHex("0d00"));
    size_t before = client->events.size();
    server->DisConnectRequest(handle, result);
    EXPECT_EQ(result, 0);
    server->DisConnectRequest(handle, result);
    EXPECT_EQ(result, ServerResult::ConnectionBusy);
    ASSERT_TRUE(waitForEvents(before + 1));
    EXPECT_EQ(client->events.back().kind, "disconnect");
    request(1, QByteArray::fromHex("0d00"), &result);
    EXPECT_EQ(result, ServerResult::NotConnected);

    // A disconnect while the connect is under way ends it without a connect response.
    before = client->events.size();
    server->ConnectRequest(handle, QVariant(), QVariantList(), QVariant(), result);
    ASSERT_EQ(result, 0);
    server->DisConnectRequest(handle, result);
    EXPECT_EQ(result, 0);
    ASSERT_TRUE(waitForEvents(before + 1));
    EXPECT_EQ(client->events.back().kind, "disconnect");
    EXPECT_EQ(connect().hResult, 0); // and nothing of the ended connect shows up before this one
    EXPECT_EQ(client->events.size(), before + 2);
}

TEST_F(CommServer, ADisconnectWaitsForTheOpenAnswerAndEndsTheConnectionWithoutAReset)
{
    // The disconnect comes while the device's answer is on its way: it has
    // reached the server's socket, and the server has not read it yet.
    Relay relay(device.port());
    ASSERT_NE(relay.Port(), 0);
    const auto relayed = std::make_shared<DeadlineChannel>(QStringLiteral("hart-ip://127.0.0.1:%1").arg(relay.Port()));
    int32_t result = -1;
    server->SetCommunication(relayed, result);
    ASSERT_EQ(result, 0);
    QStringList log;
    QObject::connect(&device, &sim::SimServer::logMessage, &device, [&log](const QString& line) { log << line; });
    ASSERT_EQ(connect().hResult, 0);
    const size_t before = client->events.size();
    relay.afterDeviceBytes = [&] {
        server->DisConnectRequest(handle, result);
        EXPECT_EQ(result, 0);
        server->DisConnectRequest(handle, result);
        EXPECT_EQ(result, ServerResult::ConnectionBusy);
    };
    const int32_t open = request(1, QByteArray::fromHex("0d00"));
    ASSERT_TRUE(waitForEvents(before + 1));
    EXPECT_EQ(client->events.back().kind, "disconnect");
    // The device answered, the session was closed in order and its slot freed
    // at once; the connection ended with the end of the stream.
    EXPECT_EQ(commands, (std::vector<int>{0, 13}));
    QElapsedTimer clock;
    clock.start();
    while ((!relay.ServerEnded() || device.openSessions() != 0) && clock.elapsed() < kPatienceMs)
        QCoreApplication::processEvents(QEventLoop::AllEvents | QEventLoop::WaitForMoreEvents, 20);
    EXPECT_TRUE(relay.ServerEnded());
    EXPECT_EQ(device.openSessions(), 0);
    EXPECT_TRUE(log.filter(QStringLiteral("session close from")).size() == 1) << log.join('\n').toStdString();
    EXPECT_TRUE(log.filter(QStringLiteral("without Session Close")).isEmpty()) << log.join('\n').toStdString();
    EXPECT_FALSE(relay.Reset()) << log.join('\n').toStdString();
    // The answer nobody waits for any more was not delivered.
    for (const Event& e : client->events)
        EXPECT_NE(e.number, open) << e.kind.toStdString();
    EXPECT_EQ(server->OpenRequests(), 0);
}

TEST_F(CommServer, ADisconnectFromASilentDeviceEndsAtItsDeadline)
{
    const auto timed = std::make_shared<DeadlineChannel>(channel->address);
    int32_t result = -1;
    server->SetCommunication(timed, result);
    ASSERT_EQ(result, 0);
    const auto disconnectWhileSilent = [&] {
        EXPECT_EQ(connect().hResult, 0);
        device.setResponseDelay(10 * 60 * 1000);
        const int32_t open = request(1, QByteArray::fromHex("0d00"));
        const size_t before = client->events.size();
        server->DisConnectRequest(handle, result);
        EXPECT_EQ(result, 0);
        EXPECT_TRUE(waitForEvents(before + 1));
        EXPECT_EQ(client->events.back().kind, "disconnect");
        EXPECT_EQ(server->OpenRequests(), 0);
        for (const Event& e : client->events)
            EXPECT_NE(e.number, open) << e.kind.toStdString();
        device.setResponseDelay(0);
    };
    // Without a deadline of the command, the device has its response time.
    server->SetResponseTimeout(200);
    disconnectWhileSilent();
    // A deadline ended the command: the disconnect waits for nothing, where
    // the response time-out (and the link's own, taken at the connect) would
    // outlast the test's patience.
    server->SetResponseTimeout(10 * 60 * 1000);
    timed->passed = true;
    disconnectWhileSilent();
    // The device answers again: a new connect works.
    server->SetResponseTimeout(HartCommServer::kDefaultResponseTimeoutMs);
    EXPECT_EQ(connect().hResult, 0);
}

TEST_F(CommServer, RemoveClientAndDestroyRelease)
{
    ASSERT_EQ(connect().hResult, 0);
    int32_t result = -1;
    request(1, QByteArray::fromHex("0d00"));
    server->RemoveClient(handle, result);
    EXPECT_EQ(result, 0);
    EXPECT_EQ(server->ClientCount(), 0);
    server->RemoveClient(handle, result);
    EXPECT_EQ(result, ServerResult::UnknownClient);

    std::shared_ptr<applet::CServerRequestClass> reference = server;
    server->Destroy(reference, result);
    EXPECT_EQ(result, 0);
    EXPECT_EQ(reference, nullptr);
    QVariant h;
    server->AddClient(client, h, QVariant(), result);
    EXPECT_EQ(result, ServerResult::Destroyed);
    EXPECT_TRUE(client->events.size() == 1); // only the connect response
}

TEST_F(CommServer, EveryEndOfAConnectionClosesTheSessionSoADeviceWithOneSlotTakesTheNextConnect)
{
    // The device keeps the slot of a session whose connection merely went
    // until its inactivity close time (a minute) has run out.
    device.setSessionSlots(1);
    const auto slotFreed = [&] {
        QElapsedTimer clock;
        clock.start();
        while (device.openSessions() != 0 && clock.elapsed() < kPatienceMs)
            QCoreApplication::processEvents(QEventLoop::AllEvents | QEventLoop::WaitForMoreEvents, 20);
        return device.openSessions() == 0;
    };
    int32_t result = -1;

    // An abort with a request open.
    ASSERT_EQ(connect().hResult, 0);
    ASSERT_EQ(device.openSessions(), 1);
    request(1, QByteArray::fromHex("0d00"));
    server->Abort(handle, result);
    ASSERT_TRUE(slotFreed()) << "abort";

    // A device of another type, refused after command 0.
    {
        const auto guarded = guard(99, 166);
        ASSERT_EQ(connect().hResult, HResult::WrongDevice);
        ASSERT_TRUE(slotFreed()) << "refused device";
        server->SetCommunication(channel, result);
    }

    // The connect times out while the device's answer to the session
    // initiate is still on its way: the session it opened is closed all the same.
    server->SetResponseTimeout(100);
    device.setResponseDelay(2000);
    ASSERT_EQ(connect().hResult, HResult::Timeout);
    ASSERT_TRUE(slotFreed()) << "time-out during the session initiate";
    device.setResponseDelay(0);
    server->SetResponseTimeout(HartCommServer::kDefaultResponseTimeoutMs);

    // The client removed while connected.
    ASSERT_EQ(connect().hResult, 0);
    server->RemoveClient(handle, result);
    ASSERT_TRUE(slotFreed()) << "client removed";

    // The server destroyed while connected: the next connect, through a new
    // server, finds the slot free.
    server->AddClient(client, handle, QVariant(), result);
    ASSERT_EQ(connect().hResult, 0);
    {
        std::shared_ptr<applet::CServerRequestClass> reference = server;
        server->Destroy(reference, result);
    }
    ASSERT_TRUE(slotFreed()) << "server destroyed";
    server = std::make_shared<HartCommServer>();
    server->SetCommunication(channel, result);
    server->AddClient(client, handle, QVariant(), result);
    EXPECT_EQ(connect().hResult, 0);
    EXPECT_EQ(device.openSessions(), 1);
}

TEST(CommServerText, ErrorMessageReadsOnlyTheBytesThatCame)
{
    auto server = std::make_shared<HartCommServer>();
    QString text;
    int32_t result = -1;
    server->ErrorMessage(0, QByteArray(), HResult::Timeout, text, result);
    EXPECT_EQ(result, 0);
    EXPECT_EQ(text, CommServerText(HResult::Timeout));
    server->ErrorMessage(0, QByteArray(), 0x1234, text, result);
    EXPECT_EQ(text, "Communication failed (0x00001234)");
    // respLen promises more than came.
    server->ErrorMessage(3, QByteArray(1, '\x03'), 0, text, result);
    EXPECT_EQ(text, "The answer holds no response code");
    // respLen says less than the array holds.
    server->ErrorMessage(1, QByteArray::fromHex("032000"), 0, text, result);
    EXPECT_EQ(text, "The answer holds no response code");
    server->ErrorMessage(2, QByteArray::fromHex("2308"), 0, text, result);
    EXPECT_EQ(text, "Set To Nearest Possible Value (8)");
    server->ErrorMessage(3, QByteArray::fromHex("038800"), 0, text, result);
    EXPECT_TRUE(text.startsWith("Communication Error")) << text.toStdString();
    for (int code : {HResult::NoSession, HResult::IdentityRefused, HResult::ConnectionLost, HResult::InvalidAnswer,
                     ServerResult::NotConnected, ServerResult::BadRequest})
        EXPECT_FALSE(CommServerText(code).isEmpty()) << code;
}

TEST(HartIpEndpoint, ParsesHartIpUrlsOnly)
{
    HartIpEndpoint e;
    ASSERT_TRUE(HartIpEndpoint::parse(QStringLiteral(" hart-ip://127.0.0.1:5095 "), e));
    EXPECT_EQ(e.host, "127.0.0.1");
    EXPECT_EQ(e.port, 5095);
    ASSERT_TRUE(HartIpEndpoint::parse(QStringLiteral("HART-IP://device.local/"), e));
    EXPECT_EQ(e.port, kHartIpDefaultPort);
    EXPECT_EQ(e.toUrl(), "hart-ip://device.local:5094");
    for (const char* bad : {"", "127.0.0.1:5094", "http://127.0.0.1:5094", "hart-ip://:5094",
                            "hart-ip://127.0.0.1:0", "hart-ip://127.0.0.1:70000", "hart-ip://127.0.0.1:5094/3",
                            "hart-ip://user@127.0.0.1", "hart-ip://127.0.0.1?poll=1"}) {
        HartIpEndpoint out{QStringLiteral("kept"), 1};
        QString why;
        EXPECT_FALSE(HartIpEndpoint::parse(QString::fromLatin1(bad), out, &why)) << bad;
        EXPECT_FALSE(why.isEmpty()) << bad;
        EXPECT_EQ(out.host, "kept");
    }
}

TEST(CommServerClasses, CreatableByTheProgIdOfTheProtocolDescription)
{
    RegisterCommServerClasses();
    auto server = automation::ClassRegistry::instance().Create<applet::CServerRequestClass>(
        QStringLiteral("PioComm.HartIpServer"));
    ASSERT_NE(server, nullptr);
    EXPECT_NE(std::dynamic_pointer_cast<applet::CommunicationLink>(server), nullptr);
    int32_t result = -1;
    server->fncInit(QStringLiteral("HARTFDT12.tdx"), QString(), QString(), result);
    EXPECT_EQ(result, 0);
}

#include "HartCommServerTests.moc"
