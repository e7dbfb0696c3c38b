// The gateway in front of the real communication server and the simulated
// transmitter over loopback, in one event loop.
#include "GatewayTestSupport.h"
#include "fennick/communication/clsGatewayHART.h"
#include "platform/comm/server/CommServerResults.h"
#include "platform/comm/server/HartCommServer.h"
#include "sim/SimServer.h"
#include "tests/common/HartLoopbackSupport.h"
#include <QSignalSpy>
#include <gtest/gtest.h>

using namespace gatewaytest;

namespace {

using loopbacktest::kPatienceMs;

class GatewayLoopback : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(device.listen(QHostAddress::LocalHost, 0)) << device.errorString().toStdString();
        device.transmitter().freezeProcessTime(0);
        int32_t result = -1;
        server->SetCommunication(loopbacktest::LocalChannel(device.port()), result);
        ASSERT_EQ(result, 0);
        host->Put(clsViewDTM::kAddressItem, QStringLiteral("0"));
        ASSERT_EQ(gateway->ConnectServer(server), 1);
        QVariant handle;
        gateway->AddClient(client, handle, QVariant(), result);
        ASSERT_EQ(result, 0);
    }

    void TearDown() override
    {
        gateway->DisconnectServer();
        int32_t result = 0;
        std::shared_ptr<applet::CServerRequestClass> reference = server;
        server->Destroy(reference, result);
    }

    bool WaitFor(size_t count)
    {
        QSignalSpy spy(client.get(), &RecordingClient::received);
        while (client->heard.size() < count)
            if (!spy.wait(kPatienceMs))
                return false;
        return true;
    }

    const Heard& Connect()
    {
        int32_t result = -1;
        const size_t before = client->heard.size();
        gateway->ConnectRequest(QVariant(), QVariant(), QVariantList(), QVariant(), result);
        EXPECT_EQ(result, 0);
        EXPECT_TRUE(WaitFor(before + 1));
        return client->heard.at(before);
    }

    sim::SimServer device;
    std::shared_ptr<comm::HartCommServer> server = std::make_shared<comm::HartCommServer>();
    std::shared_ptr<FakeHost> host = std::make_shared<FakeHost>();
    std::shared_ptr<RecordingClient> client = std::make_shared<RecordingClient>();
    std::shared_ptr<clsGatewayHART> gateway = std::make_shared<clsGatewayHART>([this] { return host; });
};

} // namespace

TEST_F(GatewayLoopback, ConnectsReadsTheTagAndPassesRequests)
{
    const Heard& connected = Connect();
    ASSERT_EQ(connected.kind, "connect");
    EXPECT_EQ(connected.hResult, 0);
    EXPECT_GE(connected.info.size(), 12);
    EXPECT_EQ(host->Get(clsViewDTM::kTagNameItem), "TRIVEX");
    EXPECT_EQ(host->Get(clsViewDTM::kDescriptorItem), "DP FLOW");
    EXPECT_EQ(gateway->ConnectPhase(), 3);
    EXPECT_TRUE(gateway->QueuedKeys().isEmpty());

    int32_t number = -1;
    int32_t result = -1;
    gateway->ReadIORequest(QVariant(), QByteArray::fromHex("0300"), number, result);
    ASSERT_EQ(result, 0);
    EXPECT_EQ(gateway->QueuedKeys(), QStringList{clsGatewayHART::TransactionKey(number)});
    ASSERT_TRUE(WaitFor(2));
    const Heard& pv = client->heard[1];
    EXPECT_EQ(pv.kind, "read");
    EXPECT_EQ(pv.number, number);
    EXPECT_EQ(pv.hResult, 0);
    EXPECT_EQ(pv.data.size(), 24);
    EXPECT_TRUE(gateway->QueuedKeys().isEmpty());

    // The device drops the link: the open request fails and the client is told.
    device.dropConnectionAfter(0);
    gateway->ReadIORequest(QVariant(), QByteArray::fromHex("0300"), number, result);
    ASSERT_EQ(result, 0);
    ASSERT_TRUE(WaitFor(4));
    EXPECT_EQ(client->heard[2].kind, "read");
    EXPECT_EQ(client->heard[2].hResult, comm::HResult::ConnectionLost);
    EXPECT_EQ(client->heard[3].kind, "indication");
    EXPECT_EQ(client->heard[3].detail, 1);
    EXPECT_EQ(gateway->LinkState(), 0);

    // And connects again.
    EXPECT_EQ(Connect().hResult, 0);
}

TEST_F(GatewayLoopback, AnIdentityReadLostWithTheLinkFailsTheConnect)
{
    device.dropConnectionAfter(1); // command 0 is answered, command 13 is not
    const Heard& connected = Connect();
    EXPECT_EQ(connected.kind, "connect");
    EXPECT_EQ(connected.hResult, comm::HResult::ConnectionLost);
    EXPECT_EQ(gateway->LinkState(), 0);
    device.dropConnectionAfter(-1);
    EXPECT_EQ(Connect().hResult, 0);
}

TEST_F(GatewayLoopback, ABusyAnswerToTheIdentityReadIsAskedAgain)
{
    // Command 0 is answered; the first two command-13 answers say busy.
    std::vector<int> commands;
    QObject::connect(&device, &sim::SimServer::requestHandled, &device, [&](int command, int) {
        commands.push_back(command);
        if (commands.size() == 1)
            device.injectBusy(2);
    });
    const Heard& connected = Connect();
    EXPECT_EQ(connected.kind, "connect");
    EXPECT_EQ(connected.hResult, 0);
    EXPECT_EQ(host->Get(clsViewDTM::kTagNameItem), "TRIVEX");
    EXPECT_EQ(commands, (std::vector<int>{0, 13, 13, 13}));
}
