// HartIpClient against the simulator over loopback, in one event loop.
#include "platform/comm/hart/HartBytes.h"
#include "platform/comm/hart/HartFrame.h"
#include "platform/comm/hart/HartIdentity.h"
#include "platform/comm/hart/HartStatus.h"
#include "platform/comm/hart/PackedAscii.h"
#include "platform/comm/hartip/HartIpClient.h"
#include "platform/loop/ManualClock.h"
#include "platform/loop/ScopedTimerService.h"
#include "sim/SimUnits.h"
#include "sim/SimServer.h"
#include <QCoreApplication>
#include <QElapsedTimer>
#include <QSignalSpy>
#include <QTcpServer>
#include <QTcpSocket>
#include <gtest/gtest.h>
#include <functional>

using namespace comm;

namespace {

// Generous: only a broken test waits this long.
constexpr int kPatienceMs = 20000;

bool waitUntil(const std::function<bool()>& done, int limitMs = kPatienceMs)
{
    QElapsedTimer clock;
    clock.start();
    while (!done()) {
        if (clock.elapsed() > limitMs)
            return false;
        QCoreApplication::processEvents(QEventLoop::AllEvents | QEventLoop::WaitForMoreEvents, 20);
    }
    return true;
}

class Loopback : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(server.listen(QHostAddress::LocalHost, 0)) << server.errorString().toStdString();
        ASSERT_NE(server.port(), 0);
        server.transmitter().freezeProcessTime(0);
        // Readings in kPa.
        server.device().variables[sim::Variable::DifferentialPressure].units = sim::UnitCode::KPa;
        client.setResponseTimeout(kPatienceMs);
    }

    bool connectClient()
    {
        QSignalSpy established(&client, &HartIpClient::sessionEstablished);
        QSignalSpy lost(&client, &HartIpClient::connectionLost);
        if (!client.connectToServer(QStringLiteral("127.0.0.1"), server.port()))
            return false;
        return waitUntil([&] { return !established.isEmpty() || !lost.isEmpty(); }) && !established.isEmpty();
    }

    // One request through the client; the frame that came back, or the failure.
    struct Outcome {
        bool answered = false;
        QByteArray bytes;
        HartFrame frame;
        QString failure;
    };

    Outcome send(const HartFrame& request)
    {
        QSignalSpy responses(&client, &HartIpClient::pduResponse);
        QSignalSpy failures(&client, &HartIpClient::requestFailed);
        Outcome out;
        const int sequence = client.sendPdu(encodeHartFrame(request));
        if (sequence < 0) {
            out.failure = client.lastError();
            return out;
        }
        if (!waitUntil([&] { return !responses.isEmpty() || !failures.isEmpty(); })) {
            out.failure = QStringLiteral("test waited in vain");
            return out;
        }
        if (!failures.isEmpty()) {
            EXPECT_EQ(failures.first().at(0).toInt(), sequence);
            out.failure = failures.first().at(1).toString();
            return out;
        }
        EXPECT_EQ(responses.first().at(0).toInt(), sequence);
        out.answered = true;
        out.bytes = responses.first().at(1).toByteArray();
        const HartDecodeResult decoded = decodeHartFrame(out.bytes);
        if (decoded.ok())
            out.frame = decoded.frame;
        else
            out.failure = decoded.message;
        return out;
    }

    HartFrame ask(uint8_t command, const QByteArray& data = {})
    {
        HartFrame request;
        request.address = address;
        request.command = command;
        request.data = data;
        const Outcome out = send(request);
        EXPECT_TRUE(out.answered && out.failure.isEmpty()) << out.failure.toStdString();
        return out.frame;
    }

    // Identifies the device with a short-frame command 0 and keeps its unique address.
    void identify()
    {
        HartFrame poll;
        poll.address = HartAddress::polling(0);
        const Outcome out = send(poll);
        ASSERT_TRUE(out.answered) << out.failure.toStdString();
        HartIdentity id;
        QString why;
        ASSERT_TRUE(HartIdentity::decode(out.frame.data, id, &why)) << why.toStdString();
        address = id.uniqueAddress();
    }

    sim::SimServer server;
    HartIpClient client;
    HartAddress address;
};

} // namespace

TEST_F(Loopback, SessionIdentityAndReads)
{
    ASSERT_TRUE(connectClient()) << client.lastError().toStdString();
    EXPECT_EQ(client.state(), HartIpClient::State::Ready);
    EXPECT_EQ(client.session().masterType, kHartIpPrimaryMaster);
    EXPECT_EQ(client.session().inactivityCloseTimeMs, HartIpClient::kDefaultInactivityCloseTimeMs);

    identify();
    EXPECT_EQ(address.deviceId, server.device().deviceId);

    const HartFrame pv = ask(1);
    EXPECT_EQ(pv.responseCode, 0);
    const QByteArray pvData = pv.data;
    HartDataReader r1(pvData);
    EXPECT_EQ(r1.u8(), 12);
    EXPECT_FLOAT_EQ(r1.f32(), 12.5f);

    const HartFrame dyn = ask(3);
    EXPECT_EQ(dyn.data.size(), 24);

    // Requests given at once go out one after the other and come back in order.
    QSignalSpy responses(&client, &HartIpClient::pduResponse);
    HartFrame request;
    request.address = address;
    std::vector<int> sequences;
    for (uint8_t command : {1, 2, 3, 13})
        request.command = command, sequences.push_back(client.sendPdu(encodeHartFrame(request)));
    ASSERT_TRUE(waitUntil([&] { return responses.size() == 4; }));
    for (int i = 0; i < 4; ++i)
        EXPECT_EQ(responses.at(i).at(0).toInt(), sequences[i]);

    // Keep alive, then an orderly close.
    QSignalSpy kept(&client, &HartIpClient::keepAliveAnswered);
    const int keepAlive = client.sendKeepAlive();
    ASSERT_TRUE(waitUntil([&] { return !kept.isEmpty(); }));
    EXPECT_EQ(kept.first().at(0).toInt(), keepAlive);

    QSignalSpy closed(&client, &HartIpClient::sessionClosed);
    QSignalSpy lost(&client, &HartIpClient::connectionLost);
    QSignalSpy ended(&server, &sim::SimServer::sessionEnded);
    client.closeSession();
    ASSERT_TRUE(waitUntil([&] { return !closed.isEmpty() && !ended.isEmpty(); }));
    EXPECT_TRUE(lost.isEmpty());
    EXPECT_EQ(client.state(), HartIpClient::State::Unconnected);
    EXPECT_EQ(client.sendPdu(QByteArray(1, 2)), -1);
    EXPECT_FALSE(client.lastError().isEmpty());
    EXPECT_TRUE(waitUntil([&] { return server.openConnections() == 0; }));
}

TEST_F(Loopback, WriteTagThenReadItBack)
{
    ASSERT_TRUE(connectClient());
    identify();
    QByteArray tag, descriptor;
    ASSERT_TRUE(PackedAscii::pack("PDT-7", 6, tag));
    ASSERT_TRUE(PackedAscii::pack("LOOPBACK", 12, descriptor));
    const HartFrame written = ask(18, tag + descriptor + QByteArray::fromHex("010719"));
    EXPECT_EQ(written.responseCode, 0);
    EXPECT_TRUE(written.deviceStatus & DeviceStatus::ConfigurationChanged);

    const HartFrame read = ask(13);
    ASSERT_EQ(read.data.size(), 21);
    EXPECT_EQ(PackedAscii::unpack(read.data.left(6)).trimmed(), "PDT-7");
    EXPECT_EQ(PackedAscii::unpack(read.data.mid(6, 12)).trimmed(), "LOOPBACK");
    EXPECT_EQ(static_cast<uint8_t>(read.data[20]), 0x19);
    EXPECT_EQ(server.device().tag, "PDT-7");
}

TEST_F(Loopback, BusyAndWriteProtectAnswers)
{
    ASSERT_TRUE(connectClient());
    identify();
    server.injectBusy(1);
    EXPECT_EQ(ask(1).responseCode, ResponseCode::Busy);
    EXPECT_EQ(ask(1).responseCode, 0);

    server.setWriteProtected(true);
    const HartFrame refused = ask(17, QByteArray(24, '\0'));
    EXPECT_EQ(refused.responseCode, ResponseCode::WriteProtected);
    EXPECT_EQ(describeResponseStatus(refused.responseCode, 0, 17), "In Write Protect Mode (7)");
    EXPECT_NE(server.device().message, "");
}

TEST_F(Loopback, CorruptedChecksumAndUnknownCommandReachTheCaller)
{
    ASSERT_TRUE(connectClient());
    identify();
    server.corruptNextChecksum();
    HartFrame request;
    request.address = address;
    request.command = 1;
    const Outcome out = send(request);
    ASSERT_TRUE(out.answered);
    EXPECT_EQ(decodeHartFrame(out.bytes).error, HartDecodeError::ChecksumMismatch);
    EXPECT_EQ(ask(1).responseCode, 0); // only the next answer was hit
    EXPECT_EQ(ask(250).responseCode, ResponseCode::CommandNotImplemented);
    EXPECT_EQ(client.state(), HartIpClient::State::Ready);
}

TEST_F(Loopback, DroppedConnectionIsReportedAndOpenRequestsFail)
{
    ASSERT_TRUE(connectClient());
    identify();
    server.dropConnectionAfter(1);
    EXPECT_EQ(ask(1).responseCode, 0);

    QSignalSpy lost(&client, &HartIpClient::connectionLost);
    HartFrame request;
    request.address = address;
    request.command = 3;
    const Outcome out = send(request);
    EXPECT_FALSE(out.answered);
    EXPECT_TRUE(out.failure.contains("closed by the server")) << out.failure.toStdString();
    ASSERT_EQ(lost.size(), 1);
    EXPECT_TRUE(lost.first().at(0).toString().contains("closed by the server"));
    EXPECT_EQ(client.state(), HartIpClient::State::Unconnected);

    // The client can connect again afterwards.
    ASSERT_TRUE(connectClient());
    EXPECT_EQ(ask(1).responseCode, 0);
}

TEST_F(Loopback, SilentServerRunsIntoTheResponseTimeout)
{
    // The timers of client and simulator run on a manual clock: the time-out
    // falls due when the test says so, not when the machine is slow.
    loop::ManualClock clock;
    loop::ScopedTimerService scoped(clock);
    sim::SimServer slowServer;
    HartIpClient slowClient;
    ASSERT_TRUE(slowServer.listen(QHostAddress::LocalHost, 0));
    slowClient.setResponseTimeout(3000);

    QSignalSpy established(&slowClient, &HartIpClient::sessionEstablished);
    ASSERT_TRUE(slowClient.connectToServer(QStringLiteral("127.0.0.1"), slowServer.port()));
    ASSERT_TRUE(waitUntil([&] { return !established.isEmpty(); }));

    slowServer.setResponseDelay(10000);
    QSignalSpy handled(&slowServer, &sim::SimServer::requestHandled);
    QSignalSpy failed(&slowClient, &HartIpClient::requestFailed);
    QSignalSpy lost(&slowClient, &HartIpClient::connectionLost);
    HartFrame poll;
    poll.address = HartAddress::polling(0);
    const int sequence = slowClient.sendPdu(encodeHartFrame(poll));
    ASSERT_GT(sequence, 0);
    ASSERT_TRUE(waitUntil([&] { return !handled.isEmpty(); })); // the simulator holds its answer back

    clock.Advance(2999);
    EXPECT_TRUE(lost.isEmpty());
    clock.Advance(1);
    ASSERT_EQ(failed.size(), 1);
    EXPECT_EQ(failed.first().at(0).toInt(), sequence);
    ASSERT_EQ(lost.size(), 1);
    EXPECT_TRUE(lost.first().at(0).toString().contains("within 3000 ms")) << lost.first().at(0).toString().toStdString();
    EXPECT_EQ(slowClient.state(), HartIpClient::State::Unconnected);

    clock.Advance(10000); // the late answer finds no one and harms nothing
}

TEST_F(Loopback, KeepAlivesHoldTheSessionThatSilenceEnds)
{
    loop::ManualClock clock;
    loop::ScopedTimerService scoped(clock);
    sim::SimServer idleServer;
    ASSERT_TRUE(idleServer.listen(QHostAddress::LocalHost, 0));

    // With keep alives every second, six seconds pass and the session stays.
    HartIpClient keeping;
    keeping.setInactivityCloseTime(3000);
    keeping.setKeepAliveInterval(1000);
    QSignalSpy established(&keeping, &HartIpClient::sessionEstablished);
    QSignalSpy lostKeeping(&keeping, &HartIpClient::connectionLost);
    ASSERT_TRUE(keeping.connectToServer(QStringLiteral("127.0.0.1"), idleServer.port()));
    ASSERT_TRUE(waitUntil([&] { return !established.isEmpty(); }));
    for (int second = 1; second <= 6; ++second) {
        const int seen = idleServer.messagesReceived();
        clock.Advance(1000);
        ASSERT_TRUE(waitUntil([&] { return idleServer.messagesReceived() > seen; })) << second;
        // The answer re-arms the next keep alive, which is then the first timer due.
        ASSERT_TRUE(waitUntil([&] { return clock.MsUntilNextTimer() == 1000; })) << second;
    }
    EXPECT_TRUE(lostKeeping.isEmpty());
    EXPECT_TRUE(keeping.isReady());

    // Without them the simulator ends the session after the inactivity close time.
    HartIpClient silent;
    silent.setInactivityCloseTime(3000);
    silent.setKeepAliveInterval(-1);
    QSignalSpy silentUp(&silent, &HartIpClient::sessionEstablished);
    QSignalSpy lost(&silent, &HartIpClient::connectionLost);
    ASSERT_TRUE(silent.connectToServer(QStringLiteral("127.0.0.1"), idleServer.port()));
    ASSERT_TRUE(waitUntil([&] { return !silentUp.isEmpty(); }));
    clock.Advance(3000);
    ASSERT_TRUE(waitUntil([&] { return !lost.isEmpty(); }));
    EXPECT_TRUE(lost.first().at(0).toString().contains("closed by the server"));
}

TEST_F(Loopback, ConnectFailuresAndForeignServersAreReported)
{
    // Nobody listens on a port that was just freed.
    QTcpServer probe;
    ASSERT_TRUE(probe.listen(QHostAddress::LocalHost, 0));
    const quint16 freePort = probe.serverPort();
    probe.close();
    QSignalSpy lost(&client, &HartIpClient::connectionLost);
    ASSERT_TRUE(client.connectToServer(QStringLiteral("127.0.0.1"), freePort));
    EXPECT_FALSE(client.connectToServer(QStringLiteral("127.0.0.1"), freePort)); // already connecting
    ASSERT_TRUE(waitUntil([&] { return !lost.isEmpty(); }));
    EXPECT_TRUE(lost.first().at(0).toString().contains("failed")) << lost.first().at(0).toString().toStdString();
    EXPECT_EQ(client.state(), HartIpClient::State::Unconnected);

    // A server that answers with something that is not HART-IP.
    QTcpServer foreign;
    ASSERT_TRUE(foreign.listen(QHostAddress::LocalHost, 0));
    QObject::connect(&foreign, &QTcpServer::newConnection, [&] {
        QTcpSocket* s = foreign.nextPendingConnection();
        s->write("HTTP/1.1 400 Bad Request\r\n\r\n");
    });
    lost.clear();
    ASSERT_TRUE(client.connectToServer(QStringLiteral("127.0.0.1"), foreign.serverPort()));
    ASSERT_TRUE(waitUntil([&] { return !lost.isEmpty(); }));
    EXPECT_TRUE(lost.first().at(0).toString().contains("no valid HART-IP")) << lost.first().at(0).toString().toStdString();
}

TEST_F(Loopback, TheSimulatorRefusesBrokenSessionsAndStreams)
{
    QTcpSocket raw;
    raw.connectToHost(QHostAddress::LocalHost, server.port());
    ASSERT_TRUE(raw.waitForConnected(kPatienceMs));
    auto exchange = [&](const QByteArray& bytes) {
        raw.write(bytes);
        HartIpReassembler r;
        std::optional<HartIpMessage> m;
        waitUntil([&] {
            if (raw.bytesAvailable())
                r.feed(raw.readAll());
            m = r.next();
            return m.has_value() || raw.state() != QAbstractSocket::ConnectedState;
        });
        return m;
    };
    // A pass-through without a session: error "session closed".
    auto m = exchange(encodeHartIpMessage(HartIpMessageType::Request, HartIpMessageId::PassThrough, 0, 5, QByteArray::fromHex("0280000082")));
    ASSERT_TRUE(m);
    EXPECT_EQ(m->header.messageType, HartIpMessageType::Error);
    EXPECT_EQ(m->header.sequence, 5);
    // A session initiate that is too short, then one with an invalid master type.
    m = exchange(encodeHartIpMessage(HartIpMessageType::Request, HartIpMessageId::SessionInitiate, 0, 6, QByteArray(2, '\1')));
    ASSERT_TRUE(m);
    EXPECT_EQ(m->header.status, 5);
    m = exchange(encodeHartIpMessage(HartIpMessageType::Request, HartIpMessageId::SessionInitiate, 0, 7, HartIpSessionParameters{9, 1000}.encode()));
    ASSERT_TRUE(m);
    EXPECT_EQ(m->header.status, 2);
    // An unknown message id: NAK.
    m = exchange(encodeHartIpMessage(HartIpMessageType::Request, static_cast<HartIpMessageId>(42), 0, 8, {}));
    ASSERT_TRUE(m);
    EXPECT_EQ(m->header.messageType, HartIpMessageType::Nak);
    // Garbage: the connection goes.
    raw.write("garbage!garbage!");
    EXPECT_TRUE(waitUntil([&] { return raw.state() == QAbstractSocket::UnconnectedState; }));
    EXPECT_TRUE(waitUntil([&] { return server.openConnections() == 0; }));
}
