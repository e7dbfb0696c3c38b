// The connect function: requests through the applet host, the connection
// states it watches, Done, and the DTM status of the active instance.
#include "DtmTestSupport.h"
#include "fennick/fdt/clsFunctionConnect.h"
#include "platform/applet/StateInfo.h"

namespace {

using namespace dtmtest;

class ConnectFunction : public DtmTest {
protected:
    void SetUp() override
    {
        ConfiguredInstance();
        Dtm()->SetDtmStatus(DtmStatus::CommunicationSet);
        connect = std::make_shared<clsFunctionConnect>();
        connect->SetDoneHandler([this](int32_t lastError) { done.push_back(lastError); });
        int32_t result = -1;
        host->manager->RegisterView(connect, result);
        ASSERT_EQ(result, 0);
        clock.Advance(100); // the registration's refresh changes nothing
        ASSERT_TRUE(done.empty());
    }
    void TearDown() override { connect->Instance_Destroy(); }

    std::shared_ptr<clsFunctionConnect> connect;
    std::vector<int32_t> done;
};

TEST_F(ConnectFunction, ConnectReachesConnectedAndReportsDone)
{
    EXPECT_EQ(connect->Connect(), 0);
    EXPECT_EQ(done, (std::vector<int32_t>{0}));
    EXPECT_EQ(connect->GetConnectState(), 2);
    // Not active: the DTM status does not follow.
    EXPECT_EQ(Status(), DtmStatus::CommunicationSet);
    EXPECT_TRUE(traces.contains(QStringLiteral("CONNECT_STATE_CONNECTING")));
    EXPECT_TRUE(traces.contains(QStringLiteral("clsFunctionConnect: Done + ")));
}

TEST_F(ConnectFunction, ActiveInstanceMovesTheStatus)
{
    connect->SetActive(true);
    const std::pair<int32_t, int32_t> moves[] = {{1, DtmStatus::GoingOnline},
                                                 {2, DtmStatus::Online},
                                                 {3, DtmStatus::GoingOffline},
                                                 {0, DtmStatus::CommunicationSet}};
    for (const auto& [state, status] : moves) {
        host->Write(clsFunctionConnect::kConnectItem, state);
        EXPECT_EQ(Status(), status) << state;
    }
    host->Write(clsFunctionConnect::kConnectItem, 7); // unknown: the status stays
    EXPECT_EQ(Status(), DtmStatus::CommunicationSet);
    EXPECT_TRUE(traces.contains(QStringLiteral("Unknown connection state 7; the DTM status stays")));
    EXPECT_TRUE(done.empty()); // nothing was asked for
}

TEST_F(ConnectFunction, FailedConnectReportsDoneOne)
{
    host->connectSteps = {1, 0};
    EXPECT_EQ(connect->Connect(), 0);
    EXPECT_EQ(done, (std::vector<int32_t>{1}));
    EXPECT_TRUE(traces.contains(QStringLiteral("clsFunctionConnect: Done - ")));
    host->connectResult = 0x804A0003;
    host->connectSteps = {};
    EXPECT_EQ(connect->Connect(), 0x804A0003); // the host's code unchanged, no Done
    EXPECT_EQ(done.size(), 1u);
}

TEST_F(ConnectFunction, DisconnectWhileNotConnectedAsksNothing)
{
    EXPECT_EQ(connect->Disconnect(), 0);
    EXPECT_FALSE(host->calls.contains("Disconnect"));
    host->Write(clsFunctionConnect::kConnectItem, 3);
    EXPECT_EQ(connect->Disconnect(), 0);
    EXPECT_FALSE(host->calls.contains("Disconnect"));
    EXPECT_TRUE(done.empty());
    host->Write(clsFunctionConnect::kConnectItem, 0);
    EXPECT_EQ(done, (std::vector<int32_t>{0}));
}

TEST_F(ConnectFunction, DisconnectWhileConnectedGoesThroughTheHost)
{
    ASSERT_EQ(connect->Connect(), 0);
    done.clear();
    EXPECT_EQ(connect->Disconnect(), 0);
    EXPECT_EQ(host->calls, (QStringList{"Connect", "Disconnect"}));
    EXPECT_EQ(done, (std::vector<int32_t>{0}));
}

TEST_F(ConnectFunction, RefreshAndRuleFreeNotificationsAreIgnored)
{
    connect->SetActive(true);
    ASSERT_EQ(connect->Connect(), 0);
    ASSERT_EQ(Status(), DtmStatus::Online);
    done.clear();
    host->disconnectSteps = {};
    ASSERT_EQ(connect->Disconnect(), 0); // asks for 0
    // The device is disconnected, but the notifications carry state bits the
    // connect function does not act on.
    host->manager->Load(host->Handle(clsFunctionConnect::kConnectItem), QVariant::fromValue<quint64>(0));
    for (int32_t bits : {applet::StateInfo::kShadowOnly, applet::StateInfo::kRefresh, applet::StateInfo::kNoRules}) {
        int32_t result = -1;
        connect->NotifyChanged(host->Handle(clsFunctionConnect::kConnectItem), false, bits, 0, result);
        EXPECT_EQ(result, 0);
        EXPECT_EQ(Status(), DtmStatus::Online) << bits;
        EXPECT_TRUE(done.empty()) << bits;
    }
    int32_t result = -1;
    connect->NotifyChanged(host->Handle(clsFunctionConnect::kConnectItem), false, applet::StateInfo::kValueValid, 0,
                           result);
    EXPECT_EQ(Status(), DtmStatus::CommunicationSet);
    EXPECT_EQ(done, (std::vector<int32_t>{0}));
}

TEST_F(ConnectFunction, WithoutItemManagerTheViewAnswersOne)
{
    int32_t result = 0;
    connect->Destroy(result);
    EXPECT_EQ(result, 0);
    connect->NotifyChanged(1, false, 0, 0, result);
    EXPECT_EQ(result, 1);
    EXPECT_EQ(connect->GetConnectState(), 0);
    EXPECT_TRUE(traces.contains(QStringLiteral("Reading AppletItem >>&&private&&connect<< failed!")));
    EXPECT_FALSE(connect->Active());
}

TEST_F(ConnectFunction, DoneHandlerMayDropTheObject)
{
    connect->SetDoneHandler([this](int32_t) {
        connect->Instance_Destroy();
        connect.reset();
    });
    const std::weak_ptr<clsFunctionConnect> weak = connect;
    auto keep = connect; // for the host write
    keep.reset();
    host->connectSteps = {1, 2};
    int32_t result = weak.lock()->Connect();
    EXPECT_EQ(result, 0);
    EXPECT_TRUE(weak.expired());
    connect = std::make_shared<clsFunctionConnect>(); // for TearDown
}

} // namespace
