// The HART gateway against a scripted server and a recording client.
#include "GatewayTestSupport.h"
#include "fennick/communication/clsGatewayHART.h"
#include "platform/comm/hart/PackedAscii.h"
#include "platform/loop/ManualClock.h"
#include "platform/loop/ScopedTimerService.h"
#include "tests/common/TraceCapture.h"
#include <gtest/gtest.h>

using namespace gatewaytest;

namespace {

QByteArray IdentityData(const QString& tag, const QString& descriptor)
{
    QByteArray packedTag;
    QByteArray packedDescriptor;
    EXPECT_TRUE(comm::PackedAscii::pack(tag, 6, packedTag));
    EXPECT_TRUE(comm::PackedAscii::pack(descriptor, 12, packedDescriptor));
    return packedTag + packedDescriptor + QByteArray::fromHex("0c0a7c");
}

QVariantList ConnectionInfo(int elements)
{
    QVariantList info;
    for (int i = 0; i < elements; ++i)
        info << i;
    return info;
}

class Gateway : public ::testing::Test {
protected:
    void SetUp() override
    {
        host->Put(clsViewDTM::kAddressItem, QStringLiteral("0"));
        host->Put(clsViewDTM::kTagNameItem, QStringLiteral("OLDTAG"));
        host->Put(clsViewDTM::kDescriptorItem, QStringLiteral("OLD DESCRIPTOR"));
    }

    void TearDown() override
    {
        gateway->DisconnectServer();
        server->during = nullptr;
    }

    void Attach()
    {
        ASSERT_EQ(gateway->ConnectServer(server), 1);
        QVariant handle;
        int32_t result = -1;
        gateway->AddClient(client, handle, QVariant(), result);
        ASSERT_EQ(result, 0);
        ASSERT_EQ(handle, server->givenHandle);
        ASSERT_EQ(gateway->LinkState(), 0);
    }

    void RequestConnect()
    {
        int32_t result = -1;
        gateway->ConnectRequest(QVariant(1), QStringLiteral("client address"), QVariantList{0x63, 0x89}, QVariant(),
                                result);
        ASSERT_EQ(result, 0);
    }

    // Connects up to the identity read: returns the identity read's number.
    int32_t ConnectUntilIdentityRead(int elements = 12)
    {
        RequestConnect();
        int32_t result = -1;
        gateway->ConnectResponse(QVariant(), QVariantList(), ConnectionInfo(elements), 0, result);
        EXPECT_EQ(result, 0);
        return server->lastNumber;
    }

    void AnswerIdentity(int32_t number, int32_t hResult, const QByteArray& respData, uint8_t dataLen,
                        const QByteArray& data)
    {
        int32_t result = -1;
        gateway->ReadResponse(number, hResult, static_cast<uint8_t>(respData.size()), respData, dataLen, data, result);
        EXPECT_EQ(result, 0);
    }

    void Connect()
    {
        Attach();
        const int32_t number = ConnectUntilIdentityRead();
        AnswerIdentity(number, 0, QByteArray::fromHex("0d0000"), 21, IdentityData("FT-101", "MAIN STEAM LINE"));
        ASSERT_EQ(gateway->ConnectPhase(), 3);
        ASSERT_EQ(gateway->LinkState(), 2);
        ASSERT_EQ(client->Count("connect"), 1);
    }

    int32_t Send(int kind, const QByteArray& request, int32_t expected = 0)
    {
        int32_t number = -1;
        int32_t result = -1;
        switch (kind) {
        case 1: gateway->ReadIORequest(QVariant(), request, number, result); break;
        case 2: gateway->WriteIORequest(QVariant(), request, number, result); break;
        default: gateway->DataExchangeRequest(QVariant(), request, number, result); break;
        }
        EXPECT_EQ(result, expected);
        return number;
    }

    loop::ManualClock clock;
    loop::ScopedTimerService scoped{clock};
    TraceCapture trace;
    std::shared_ptr<FakeHost> host = std::make_shared<FakeHost>();
    std::shared_ptr<FakeServer> server = std::make_shared<FakeServer>();
    std::shared_ptr<RecordingClient> client = std::make_shared<RecordingClient>();
    std::shared_ptr<clsGatewayHART> gateway = std::make_shared<clsGatewayHART>([this] { return host; });
};

} // namespace

TEST_F(Gateway, AttachesToTheHostAndDetachesCompletely)
{
    ASSERT_EQ(gateway->ConnectServer(server), 1);
    EXPECT_EQ(host->server, gateway);
    auto view = gateway->View();
    ASSERT_NE(view, nullptr);
    EXPECT_GT(view->AddressHandle(), 0);
    EXPECT_GT(view->DescriptorHandle(), 0);
    EXPECT_GT(view->TagNameHandle(), 0);
    EXPECT_EQ(view->TagName(), "OLDTAG");
    EXPECT_TRUE(host->manager->IsRegistered(view.get()));

    host->setCode = automation::E_FAIL_;
    auto refused = std::make_shared<clsGatewayHART>([this] { return host; });
    EXPECT_EQ(refused->ConnectServer(server), automation::E_FAIL_);
    refused->DisconnectServer();

    QVariant handle;
    int32_t result = -1;
    gateway->AddClient(client, handle, QVariant(), result);
    gateway->DisconnectServer();
    EXPECT_EQ(host->server, nullptr);
    EXPECT_FALSE(host->serverGiven.back());
    EXPECT_EQ(server->Count("RemoveClient"), 1);
    EXPECT_EQ(server->lastHandle, server->givenHandle);
    EXPECT_FALSE(host->manager->IsRegistered(view.get()));
    EXPECT_EQ(gateway->View(), nullptr);

    // Without an applet host there is nothing to attach to.
    auto lonely = std::make_shared<clsGatewayHART>();
    EXPECT_EQ(lonely->ConnectServer(server), 0);
    EXPECT_TRUE(trace.contains("No applet host"));
}

TEST_F(Gateway, RefusesRequestsUntilConnected)
{
    int32_t result = -1;
    // No server at all.
    gateway->ConnectRequest(QVariant(), QVariant(), QVariantList(), QVariant(), result);
    EXPECT_EQ(result, 1);
    gateway->Cancel(3, result);
    EXPECT_EQ(result, 1);
    QString message = QStringLiteral("x");
    gateway->ErrorMessage(0, QByteArray(), 5, message, result);
    EXPECT_EQ(result, 1);
    EXPECT_TRUE(message.isEmpty());

    ASSERT_EQ(gateway->ConnectServer(server), 1);
    // Link state 3 from construction: no connect before AddClient.
    gateway->ConnectRequest(QVariant(), QVariant(), QVariantList(), QVariant(), result);
    EXPECT_EQ(result, 1);
    EXPECT_EQ(server->Count("ConnectRequest"), 0);

    QVariant handle;
    gateway->AddClient(client, handle, QVariant(), result);
    RequestConnect();
    EXPECT_EQ(gateway->LinkState(), 1);
    EXPECT_EQ(gateway->ConnectPhase(), 1);
    // A connect already under way: 0, nothing else.
    gateway->ConnectRequest(QVariant(), QVariant(), QVariantList(), QVariant(), result);
    EXPECT_EQ(result, 0);
    EXPECT_EQ(server->Count("ConnectRequest"), 1);
    // Requests while the link state is 1.
    Send(1, QByteArray::fromHex("0300"), 1);
    Send(2, QByteArray::fromHex("1100"), 1);
    EXPECT_EQ(server->Count("ReadIORequest"), 0);
    EXPECT_TRUE(gateway->QueuedKeys().isEmpty());
    gateway->ChangeSlaveAdressRequest(QVariant(), 3, result);
    EXPECT_EQ(result, 1);
    for (auto menu : {&clsGatewayHART::MenuLoad, &clsGatewayHART::MenuSave, &clsGatewayHART::MenuPrint}) {
        result = 0;
        ((*gateway).*menu)(result);
        EXPECT_EQ(result, 1);
    }
}

TEST_F(Gateway, ConnectReadsTheIdentityBeforeConfirming)
{
    Attach();
    RequestConnect();
    EXPECT_EQ(server->connectAddress, "DEVICE-1");
    EXPECT_EQ(server->lastHandle, server->givenHandle);
    EXPECT_EQ(server->putTag, "OLDTAG");
    EXPECT_EQ(server->putAddress, "0");

    int32_t result = -1;
    gateway->ConnectResponse(QStringLiteral("server address"), QVariantList(), ConnectionInfo(12), 0, result);
    EXPECT_EQ(result, 0);
    EXPECT_EQ(server->exchanged, 1);
    EXPECT_EQ(gateway->ConnectPhase(), 2);
    EXPECT_EQ(gateway->LinkState(), 2);
    EXPECT_EQ(client->Count("connect"), 0);
    ASSERT_EQ(server->requests.size(), 1u);
    EXPECT_EQ(server->requests[0], QByteArray::fromHex("0d00"));
    const int32_t number = server->lastNumber;
    ASSERT_EQ(gateway->QueuedKeys(), QStringList{clsGatewayHART::TransactionKey(number)});
    EXPECT_TRUE(gateway->QueuedRecord(number)->IsInternal);

    // The tag and descriptor are written before the client hears of the connect.
    QString tagSeen;
    QString descriptorSeen;
    client->onHeard = [&](const Heard& h) {
        if (h.kind == "connect") {
            tagSeen = host->Get(clsViewDTM::kTagNameItem);
            descriptorSeen = host->Get(clsViewDTM::kDescriptorItem);
        }
    };
    AnswerIdentity(number, 0, QByteArray::fromHex("0d0000"), 21, IdentityData("FT-101AB", "MAIN STEAM LINE1"));
    EXPECT_EQ(tagSeen, "FT-101AB");
    EXPECT_EQ(descriptorSeen, "MAIN STEAM LINE1");
    const Heard* confirmed = client->Last("connect");
    ASSERT_NE(confirmed, nullptr);
    EXPECT_EQ(confirmed->hResult, 0);
    EXPECT_EQ(confirmed->info.size(), 12);
    EXPECT_EQ(confirmed->address, "0");
    EXPECT_EQ(gateway->ConnectPhase(), 3);
    EXPECT_TRUE(gateway->QueuedKeys().isEmpty());
    EXPECT_EQ(client->Count("read"), 0); // the gateway's own read is not passed on

    // Short tags and descriptors come back trimmed.
    int32_t again = -1;
    gateway->SetAddressInfo(QVariant(), again);
    EXPECT_EQ(again, 0);
    AnswerIdentity(server->lastNumber, 0, QByteArray::fromHex("0d0000"), 21, IdentityData("PT 7", "DP"));
    EXPECT_EQ(host->Get(clsViewDTM::kTagNameItem), "PT 7");
    EXPECT_EQ(host->Get(clsViewDTM::kDescriptorItem), "DP");
    EXPECT_EQ(client->Count("connect"), 2);
    EXPECT_EQ(server->exchanged, 2);
}

TEST_F(Gateway, ADeviceWithoutCommand13IsConfirmedWithItsOldTag)
{
    Attach();
    const int32_t number = ConnectUntilIdentityRead();
    AnswerIdentity(number, 0, QByteArray::fromHex("0d4000"), 0, QByteArray());
    ASSERT_EQ(client->Count("connect"), 1);
    EXPECT_EQ(client->Last("connect")->hResult, 0);
    EXPECT_EQ(gateway->ConnectPhase(), 3);
    EXPECT_EQ(host->Get(clsViewDTM::kTagNameItem), "OLDTAG");
    EXPECT_EQ(host->Get(clsViewDTM::kDescriptorItem), "OLD DESCRIPTOR");
}

// A connect the gateway judges failed reaches the client as a failure.
TEST_F(Gateway, AFailedConnectIsNeverReportedAsSuccess)
{
    Attach();
    ConnectUntilIdentityRead(11);
    ASSERT_EQ(client->Count("connect"), 1);
    EXPECT_NE(client->Last("connect")->hResult, 0);
    EXPECT_EQ(client->Last("connect")->info.size(), 11);
    EXPECT_EQ(gateway->LinkState(), 0);
    EXPECT_EQ(gateway->ConnectPhase(), -1);
    EXPECT_EQ(server->Count("ReadIORequest"), 0);
    EXPECT_TRUE(trace.contains("11 connection-info elements"));

    // The server's own failure is passed on as it is.
    RequestConnect();
    int32_t result = -1;
    gateway->ConnectResponse(QVariant(), QVariantList(), QVariantList(), 0x400, result);
    EXPECT_EQ(client->Last("connect")->hResult, 0x400);
    EXPECT_EQ(gateway->LinkState(), 0);

    // The identity read refused by the server.
    server->results["ReadIORequest"] = 5;
    const int aborts = server->Count("Abort");
    ConnectUntilIdentityRead();
    EXPECT_EQ(client->Count("connect"), 3);
    EXPECT_NE(client->Last("connect")->hResult, 0);
    EXPECT_EQ(server->Count("Abort"), aborts + 1);
    EXPECT_EQ(gateway->LinkState(), 0);
    EXPECT_TRUE(gateway->QueuedKeys().isEmpty());

    // A server that refuses the connect request.
    server->results["ConnectRequest"] = 9;
    gateway->ConnectRequest(QVariant(), QVariant(), QVariantList(), QVariant(), result);
    EXPECT_EQ(result, 9);
    EXPECT_EQ(gateway->ConnectPhase(), -1);
    EXPECT_EQ(gateway->LinkState(), 0);
}

// Every failed identity read ends in an answer the client can see.
TEST_F(Gateway, AFailedIdentityReadIsAnsweredNeverSilent)
{
    Attach();
    int expectedConnects = 0;
    for (int32_t hResult : {0x200, 0x4000, 0x8000, 0x1234}) {
        SCOPED_TRACE(hResult);
        const int aborts = server->Count("Abort");
        const int32_t number = ConnectUntilIdentityRead();
        AnswerIdentity(number, hResult, QByteArray::fromHex("0d8000"), 0, QByteArray());
        ++expectedConnects;
        ASSERT_EQ(client->Count("connect"), expectedConnects);
        EXPECT_EQ(client->Last("connect")->hResult, hResult);
        EXPECT_GE(server->Count("Abort"), aborts + 1);
        EXPECT_EQ(gateway->LinkState(), 0);
        EXPECT_TRUE(gateway->QueuedKeys().isEmpty());
    }

    // Answers of the wrong length, also one whose DataLen promises more than came.
    const std::vector<std::pair<uint8_t, QByteArray>> shortAnswers{
        {20, IdentityData("TAG", "DESC").left(20)},
        {21, IdentityData("TAG", "DESC").left(10)},
        {0, QByteArray()},
    };
    for (const auto& [dataLen, data] : shortAnswers) {
        const int aborts = server->Count("Abort");
        const int32_t number = ConnectUntilIdentityRead();
        AnswerIdentity(number, 0, QByteArray::fromHex("0d0000"), dataLen, data);
        ++expectedConnects;
        ASSERT_EQ(client->Count("connect"), expectedConnects);
        EXPECT_NE(client->Last("connect")->hResult, 0);
        EXPECT_EQ(server->Count("Abort"), aborts + 1);
        EXPECT_EQ(gateway->LinkState(), 0);
        EXPECT_EQ(host->Get(clsViewDTM::kTagNameItem), "OLDTAG");
    }
    // A RespData without a response code is no "not implemented".
    const int32_t number = ConnectUntilIdentityRead();
    AnswerIdentity(number, 0, QByteArray::fromHex("0d"), 0, QByteArray());
    EXPECT_NE(client->Last("connect")->hResult, 0);
}

TEST_F(Gateway, AFailedReReadWhileConnectedEndsTheConnection)
{
    Connect();
    const int32_t open = Send(1, QByteArray::fromHex("0300"));
    int32_t result = -1;
    gateway->SetAddressInfo(QVariant(), result);
    AnswerIdentity(server->lastNumber, 0, QByteArray::fromHex("0d0000"), 5, QByteArray(5, '\0'));
    ASSERT_EQ(client->Count("indication"), 1);
    EXPECT_EQ(client->Last("indication")->detail, 1);
    ASSERT_EQ(client->Count("read"), 1);
    EXPECT_EQ(client->Last("read")->number, open);
    EXPECT_EQ(client->Last("read")->hResult, 1);
    EXPECT_EQ(gateway->LinkState(), 0);
}

TEST_F(Gateway, QueuesWhatTheServerTookUnderItsKey)
{
    Connect();
    server->nextNumber = 12;
    const int32_t number = Send(3, QByteArray::fromHex("220400000000"));
    EXPECT_EQ(number, 12);
    EXPECT_EQ(gateway->QueuedKeys(), QStringList{"TAN000000012"});
    const clsGatewayHARTservice* record = gateway->QueuedRecord(12);
    ASSERT_NE(record, nullptr);
    EXPECT_EQ(record->RequestKind, clsGatewayHARTservice::kKindExchange);
    EXPECT_EQ(record->Command, 0x22);
    EXPECT_EQ(record->RequestText, clsGatewayHART::BytesToText(QByteArray::fromHex("220400000000")));
    EXPECT_FALSE(record->IsInternal);
    EXPECT_EQ(server->requests.back(), QByteArray::fromHex("220400000000")); // passed on unchanged

    server->results["DataExchangeRequest"] = 0x80046004;
    int32_t refusedNumber = 0;
    int32_t result = 0;
    gateway->DataExchangeRequest(QVariant(), QByteArray::fromHex("01"), refusedNumber, result);
    EXPECT_EQ(result, static_cast<int32_t>(0x80046004));
    EXPECT_EQ(refusedNumber, -1);
    EXPECT_EQ(gateway->QueuedKeys(), QStringList{"TAN000000012"});

    // Responses reach the client unchanged and close their transaction.
    const int32_t read = Send(1, QByteArray::fromHex("0300"));
    const int32_t write = Send(2, QByteArray::fromHex("1101aa"));
    EXPECT_EQ(gateway->QueuedKeys().size(), 3);
    gateway->ReadResponse(read, 0, 3, QByteArray::fromHex("030020"), 2, QByteArray::fromHex("4142"), result);
    EXPECT_EQ(result, 0);
    gateway->WriteResponse(write, 0x470000, 4, QByteArray::fromHex("110000aa"), result);
    gateway->DataExchangeResponse(12, 0, 3, QByteArray::fromHex("220000"), 0, QByteArray(), result);
    ASSERT_EQ(client->heard.size(), 4u); // connect, read, write, exchange
    EXPECT_EQ(client->heard[1].respData, QByteArray::fromHex("030020"));
    EXPECT_EQ(client->heard[1].data, QByteArray::fromHex("4142"));
    EXPECT_EQ(client->heard[1].dataLen, 2);
    EXPECT_EQ(client->heard[2].hResult, 0x470000);
    EXPECT_EQ(client->heard[2].respLen, 4);
    EXPECT_TRUE(gateway->QueuedKeys().isEmpty());
    EXPECT_TRUE(trace.contains("Read Response result = 0x00000000"));
    EXPECT_TRUE(trace.contains("Write Response result = 0x00470000"));
    EXPECT_TRUE(trace.contains("Data exchange Response result = 0x00000000"));
    EXPECT_EQ(gateway->LinkState(), 2);

    EXPECT_EQ(clsGatewayHART::TransactionKey(1234567890), "TAN1234567890");
    EXPECT_EQ(clsGatewayHART::TransactionKey(0), "TAN000000000");
}

TEST_F(Gateway, AbortAnswersOpenRequestsOnlyWhileConnected)
{
    Connect();
    const int32_t read = Send(1, QByteArray::fromHex("0300"));
    const int32_t write = Send(2, QByteArray::fromHex("1101aa"));
    const int32_t exchange = Send(3, QByteArray::fromHex("0100"));
    int32_t result = -1;
    gateway->Abort(QVariant(), result);
    EXPECT_EQ(result, 0);
    EXPECT_EQ(server->Count("Abort"), 1);
    EXPECT_EQ(gateway->LinkState(), 0);
    ASSERT_EQ(client->heard.size(), 4u);
    const Heard& r = client->heard[1];
    EXPECT_EQ(r.kind, "read");
    EXPECT_EQ(r.number, read);
    EXPECT_EQ(r.hResult, 1);
    EXPECT_EQ(r.respLen, 3);
    EXPECT_EQ(r.respData, QByteArray::fromHex("038000"));
    EXPECT_EQ(r.dataLen, 0);
    EXPECT_EQ(r.data, QByteArray(2, '\0'));
    EXPECT_EQ(client->heard[2].kind, "write");
    EXPECT_EQ(client->heard[2].number, write);
    EXPECT_EQ(client->heard[2].respData, QByteArray::fromHex("118000"));
    EXPECT_EQ(client->heard[3].kind, "exchange");
    EXPECT_EQ(client->heard[3].number, exchange);
    EXPECT_TRUE(gateway->QueuedKeys().isEmpty());

    // While the link state is 1 nothing is open and nobody is answered.
    RequestConnect();
    gateway->Abort(QVariant(), result);
    EXPECT_EQ(result, 0);
    EXPECT_EQ(client->heard.size(), 4u);
}

TEST_F(Gateway, DisconnectRequestByLinkState)
{
    // Right after construction (link state 3): abort at the server.
    ASSERT_EQ(gateway->ConnectServer(server), 1);
    int32_t result = -1;
    gateway->DisConnectRequest(QVariant(), result);
    EXPECT_EQ(result, 0);
    EXPECT_EQ(server->Count("Abort"), 1);
    EXPECT_EQ(server->Count("DisConnectRequest"), 0);
    EXPECT_EQ(gateway->LinkState(), 0);

    QVariant handle;
    gateway->AddClient(client, handle, QVariant(), result);
    RequestConnect();
    server->results["DisConnectRequest"] = 0;
    gateway->DisConnectRequest(QVariant(), result);
    EXPECT_EQ(server->Count("DisConnectRequest"), 1);
    EXPECT_EQ(gateway->LinkState(), 3);
    EXPECT_EQ(gateway->ConnectPhase(), 0);
    // A disconnect already requested: abort and tell the client.
    gateway->DisConnectRequest(QVariant(), result);
    EXPECT_EQ(result, 0);
    EXPECT_EQ(server->Count("Abort"), 2);
    EXPECT_EQ(gateway->LinkState(), 0);
    ASSERT_EQ(client->Count("indication"), 1);
    EXPECT_EQ(client->Last("indication")->detail, 1);
}

TEST_F(Gateway, DisconnectResponseAndIndicationFailOpenRequests)
{
    Connect();
    const int32_t open = Send(1, QByteArray::fromHex("0300"));
    int32_t result = -1;
    gateway->DisConnectRequest(QVariant(), result);
    EXPECT_EQ(gateway->LinkState(), 3);
    Send(1, QByteArray::fromHex("0300"), 1); // refused while disconnecting
    gateway->DisConnectResponse(result);
    EXPECT_EQ(result, 0);
    EXPECT_EQ(gateway->LinkState(), 0);
    ASSERT_EQ(client->Count("disconnect"), 1);
    ASSERT_EQ(client->Count("read"), 1);
    EXPECT_EQ(client->Last("read")->number, open);
    EXPECT_EQ(client->Last("read")->hResult, 1);

    // The server's indication is passed on as it is.
    auto other = std::make_shared<RecordingClient>();
    gateway->DisconnectServer();
    server = std::make_shared<FakeServer>();
    client = other;
    Connect();
    Send(2, QByteArray::fromHex("1101aa"));
    gateway->DisConnectIndication(1, 0, QByteArray("gone"), 0x4000, result);
    EXPECT_EQ(result, 0);
    ASSERT_EQ(client->Count("indication"), 1);
    EXPECT_EQ(client->Last("indication")->detail, 0x4000);
    EXPECT_EQ(client->Count("write"), 1);
    EXPECT_EQ(gateway->LinkState(), 0);
}

TEST_F(Gateway, CancelOfAnUnknownNumberStillReachesTheServer)
{
    Connect();
    const int32_t open = Send(1, QByteArray::fromHex("0300"));
    int32_t result = -1;
    gateway->Cancel(open + 50, result);
    EXPECT_EQ(result, 0);
    EXPECT_EQ(gateway->QueuedKeys(), QStringList{clsGatewayHART::TransactionKey(open)});
    ASSERT_EQ(server->cancelled.size(), 1u);
    EXPECT_EQ(server->cancelled[0], open + 50);
    gateway->Cancel(open, result);
    EXPECT_TRUE(gateway->QueuedKeys().isEmpty());
    EXPECT_EQ(server->cancelled.size(), 2u);
}

TEST_F(Gateway, FailedResponseCodesEndTheConnection)
{
    Connect();
    const int32_t failing = Send(1, QByteArray::fromHex("0300"));
    const int32_t other = Send(2, QByteArray::fromHex("1101aa"));
    int32_t result = -1;
    gateway->ReadResponse(failing, 0x4000, 3, QByteArray::fromHex("038000"), 0, QByteArray(), result);
    EXPECT_EQ(server->Count("Abort"), 1);
    ASSERT_EQ(client->Count("indication"), 1);
    EXPECT_EQ(client->Last("indication")->detail, 1);
    ASSERT_EQ(client->Count("write"), 1);
    EXPECT_EQ(client->Last("write")->number, other);
    EXPECT_EQ(client->Last("write")->hResult, 1);
    EXPECT_EQ(client->Last("read")->hResult, 0x4000); // the failing answer itself went through
    EXPECT_EQ(gateway->LinkState(), 0);

    // Another code: its number is the detail.
    gateway->DisconnectServer();
    server = std::make_shared<FakeServer>();
    client = std::make_shared<RecordingClient>();
    Connect();
    const int32_t write = Send(2, QByteArray::fromHex("1101aa"));
    gateway->WriteResponse(write, 5, 3, QByteArray::fromHex("118000"), result);
    ASSERT_EQ(client->Count("indication"), 1);
    EXPECT_EQ(client->Last("indication")->detail, 5);
    EXPECT_EQ(server->Count("Abort"), 1);

    // A read answer nobody waits for is dropped without ending anything.
    gateway->DisconnectServer();
    server = std::make_shared<FakeServer>();
    client = std::make_shared<RecordingClient>();
    Connect();
    gateway->ReadResponse(4711, 0x4000, 3, QByteArray::fromHex("038000"), 0, QByteArray(), result);
    EXPECT_EQ(result, 0);
    EXPECT_EQ(gateway->LinkState(), 2);
    EXPECT_EQ(server->Count("Abort"), 0);
    EXPECT_TRUE(trace.contains("TAN000004711 dropped"));
}

// A response that comes while its request call is still running is answered once.
TEST_F(Gateway, AnAnswerInsideTheRequestCallIsNotAnsweredAgain)
{
    Connect();
    server->during = [this](const QString& op, int32_t number) {
        int32_t r = -1;
        if (op == "ReadIORequest")
            gateway->ReadResponse(number, 0, 3, QByteArray::fromHex("030000"), 1, QByteArray(1, 'x'), r);
    };
    const int32_t number = Send(1, QByteArray::fromHex("0300"));
    server->during = nullptr;
    ASSERT_EQ(client->Count("read"), 1);
    EXPECT_EQ(client->Last("read")->number, number);
    EXPECT_EQ(client->Last("read")->hResult, 0);
    EXPECT_TRUE(gateway->QueuedKeys().isEmpty());

    int32_t result = -1;
    gateway->Abort(QVariant(), result);
    EXPECT_EQ(client->Count("read"), 1);
}

TEST_F(Gateway, RetriesError440AndGivesUpAfterTen)
{
    Connect();
    server->throwOn = QStringLiteral("ReadIORequest");
    server->throwCount = 2;
    const int reads = server->Count("ReadIORequest"); // the identity read
    const qint64 before = clock.NowMs();
    const int32_t number = Send(1, QByteArray::fromHex("0300"));
    EXPECT_GE(number, 0);
    EXPECT_EQ(clock.NowMs() - before, 2 * clsGatewayHART::kServerRetryDelayMs);
    EXPECT_EQ(server->Count("ReadIORequest"), reads + 3);
    EXPECT_TRUE(trace.contains("ErrSource...:Server/HART Gateway"));

    // The retries count over the gateway's life: 8 are left.
    server->throwCount = 100;
    int32_t result = 0;
    int32_t failed = 0;
    gateway->ReadIORequest(QVariant(), QByteArray::fromHex("0300"), failed, result);
    EXPECT_EQ(result, 1);
    EXPECT_EQ(failed, -1);
    EXPECT_EQ(server->Count("ReadIORequest"), reads + 3 + 9);
    // The failure ended the open request and told the client.
    EXPECT_EQ(client->Last("read")->number, number);
    EXPECT_EQ(client->Last("read")->hResult, 1);
    EXPECT_EQ(client->Last("indication")->detail, 1);
    // Told it is disconnected, the client may connect again, and the server hears of it.
    EXPECT_EQ(gateway->LinkState(), 0);
    const int connects = server->Count("ConnectRequest");
    RequestConnect();
    EXPECT_EQ(server->Count("ConnectRequest"), connects + 1);
    EXPECT_EQ(gateway->LinkState(), 1);

    // Other errors are not retried.
    server->throwOn = QStringLiteral("Cancel");
    server->throwCount = 1;
    server->throwNumber = 5;
    gateway->Cancel(1, result);
    EXPECT_EQ(result, 1);
    EXPECT_EQ(server->Count("Cancel"), 1);
}

TEST_F(Gateway, AClientThatFailsIsDroppedAndTheLinkAborted)
{
    Connect();
    const int32_t number = Send(1, QByteArray::fromHex("0300"));
    client->throwCount = 1;
    int32_t result = -1;
    gateway->ReadResponse(number, 0, 3, QByteArray::fromHex("030000"), 0, QByteArray(), result);
    EXPECT_EQ(result, 1);
    EXPECT_FALSE(gateway->ClientPresent());
    EXPECT_EQ(server->Count("Abort"), 1);
    // Without a client the server's answers go nowhere.
    gateway->WriteResponse(number, 0, 3, QByteArray::fromHex("030000"), result);
    EXPECT_EQ(result, 1);
    gateway->ReadResponse(number, 0, 3, QByteArray::fromHex("030000"), 0, QByteArray(), result);
    EXPECT_EQ(result, 0);
    gateway->ConnectResponse(QVariant(), QVariantList(), ConnectionInfo(12), 0, result);
    EXPECT_EQ(result, 1);
}

TEST_F(Gateway, PassesTheServersItemManagerAndTexts)
{
    Connect();
    std::shared_ptr<applet::clsAppletItemManager> manager;
    int32_t result = -1;
    server->itemManager = host->manager;
    gateway->AppItemManager(manager, result);
    EXPECT_EQ(manager, host->manager);
    server->itemManager.reset();
    QString text;
    gateway->ErrorMessage(3, QByteArray::fromHex("032000"), 0x200, text, result);
    EXPECT_EQ(result, 0);
    EXPECT_EQ(text, "text of 512");
    gateway->ChangeSlaveAddressResponse(1, 2, result);
    EXPECT_EQ(client->Count("slave"), 1);
    gateway->fncInit(QString(), QString(), QString(), result);
    EXPECT_EQ(result, 1);

    gateway->RemoveClient(QVariant(), result);
    EXPECT_EQ(result, 0);
    EXPECT_FALSE(gateway->ClientPresent());
    EXPECT_EQ(gateway->LinkState(), 0);
}

TEST_F(Gateway, ReleaseLinkEndsALiveConnection)
{
    Connect();
    const int32_t open = Send(1, QByteArray::fromHex("0300"));
    gateway->DisconnectServer();
    EXPECT_EQ(server->Count("Abort"), 1);
    EXPECT_EQ(server->Count("RemoveClient"), 1);
    ASSERT_EQ(client->Count("indication"), 1);
    EXPECT_EQ(client->Last("indication")->detail, 1);
    EXPECT_EQ(client->Last("read")->number, open);
    EXPECT_EQ(client->Last("read")->hResult, 1);
    EXPECT_EQ(host->server, nullptr);
    EXPECT_FALSE(gateway->ClientPresent());
}
