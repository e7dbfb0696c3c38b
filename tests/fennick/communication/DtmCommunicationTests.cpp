// The DTM object's communication: set-up through the protocol description's
// server, the gateway for HART, the refusals on the way, the announcement of
// the release and the release, and the frame's communication events.
#include "DtmCommunicationSupport.h"
#include "fennick/communication/clsSequenceWatch.h"
#include "fennick/fdt/clsFunctionConnect.h"
#include "fennick/services/Publics.h"
#include "platform/frame/FrameCommunication.h"
#include <QDir>
#include <QFile>

using namespace dtmcomm;
using dtmtest::kTag;

namespace {

// The device type of the Trivex HART description: manufacturer 0x63, device type 0xA5.
const comm::HartDeviceType kTrivexHart{0x63, 0xA5};

class DtmCommunication : public DtmCommunicationTest {};

TEST_F(DtmCommunication, SetCommunicationLinksServerGatewayAndConnectObject)
{
    ConfiguredInstance();
    frame->Events().Clear();
    ASSERT_TRUE(frame->SetCommunication(kTag, kAddress));
    EXPECT_EQ(Status(), DtmStatus::CommunicationSet);

    // The server of the HART protocol description, initialised with it.
    ASSERT_EQ(Dtm()->CommunicationServer(), server);
    EXPECT_EQ(server->calls.mid(0, 2), (QStringList{"fncInit", "Link"}));
    ASSERT_TRUE(std::dynamic_pointer_cast<frame::FrameCommunication>(server->linked));
    EXPECT_EQ(server->schemaPath, frame->SchemaPath());
    // The gateway stands between the applet and the server.
    ASSERT_TRUE(Dtm()->Gateway());
    EXPECT_TRUE(host->calls.contains("fncSetCServer(server)"));
    ASSERT_TRUE(Dtm()->ConnectObject());
    EXPECT_TRUE(Dtm()->ConnectObject()->Active());
    EXPECT_FALSE(Dtm()->SequenceWatch());
    EXPECT_TRUE(traces.contains(QStringLiteral("IDtm::SetCommunication - Done")));

    clock.Advance(100);
    EXPECT_EQ(frame->Events().Texts(QStringLiteral("OnOnlineStateChanged")), QStringList{"OnOnlineStateChanged(False)"});
    EXPECT_EQ(frame->Events().Count(QStringLiteral("OnFunctionChanged")), 1);

    // The connect item moves the status: 2, 5, 10.
    std::vector<int32_t> statuses;
    host->connectSteps = {1, 2};
    EXPECT_EQ(Dtm()->ConnectObject()->Connect(), 0);
    EXPECT_EQ(Status(), DtmStatus::Online);
    EXPECT_TRUE(traces.contains(QStringLiteral("New DTM status is GOING ONLINE")));
    clock.Advance(100);
    EXPECT_EQ(frame->Events().Texts(QStringLiteral("OnOnlineStateChanged")).last(), "OnOnlineStateChanged(True)");

    // Set already: refused, the server stays.
    EXPECT_FALSE(Dtm()->SetCommunication(std::make_shared<frame::FrameCommunication>(kAddress, kTrivexHart)));
    EXPECT_EQ(Dtm()->CommunicationServer(), server);
    EXPECT_TRUE(traces.contains(QStringLiteral("IDtm::SetCommunication Not allowed in Status:ONLINE")));
}

TEST_F(DtmCommunication, RefusalsOnTheWayLeaveNoServer)
{
    ConfiguredInstance();
    auto communication = std::make_shared<frame::FrameCommunication>(kAddress, kTrivexHart);

    server->results["fncInit"] = 0x804A0001;
    EXPECT_FALSE(Dtm()->SetCommunication(communication));
    EXPECT_TRUE(traces.contains(QStringLiteral("CServer init failed reason code: 0x804A0001")));
    EXPECT_EQ(server->Count(QStringLiteral("Destroy")), 1);
    EXPECT_FALSE(Dtm()->CommunicationServer());
    EXPECT_EQ(Status(), DtmStatus::Configured);

    server->results.erase("fncInit");
    server->linkResult = 5;
    EXPECT_FALSE(Dtm()->SetCommunication(communication));
    EXPECT_TRUE(traces.contains(QStringLiteral("IDtm_SetCommunication: Cannot link CServer")));
    EXPECT_EQ(server->Count(QStringLiteral("Destroy")), 2);

    server->linkResult = 0;
    for (int32_t refusal : {0, static_cast<int32_t>(0x80004005)}) {
        serverHost->serverCode = refusal;
        server->calls.clear();
        traces.clear();
        EXPECT_FALSE(Dtm()->SetCommunication(communication));
        EXPECT_TRUE(traces.contains(QStringLiteral("IDtm_SetCommunication: Cannot link Applet")));
        // The frame's object is unlinked again and the server destroyed.
        EXPECT_TRUE(server->calls.contains("Unlink"));
        EXPECT_TRUE(server->calls.contains("Destroy"));
        EXPECT_FALSE(Dtm()->CommunicationServer());
        EXPECT_FALSE(Dtm()->ConnectObject());
        EXPECT_EQ(Status(), DtmStatus::Configured);
    }

    serverHost->serverCode = 1;
    createError = true;
    traces.clear();
    EXPECT_FALSE(Dtm()->SetCommunication(communication));
    EXPECT_TRUE(traces.contains(QStringLiteral("IDtm_SetCommunication: Loading CServer failed")));
    EXPECT_TRUE(traces.contains(QStringLiteral("/PioComm.HartIpServer")));

    createError = false;
    EXPECT_TRUE(Dtm()->SetCommunication(communication));
}

TEST_F(DtmCommunication, AProtocolDescriptionThatDoesNotLoadNamesNoServer)
{
    ConfiguredInstance();
    // An installation without protocol descriptions.
    QDir(dir.path()).mkpath(QStringLiteral("install/FDT 1.2/bin"));
    QDir(dir.path()).mkpath(QStringLiteral("install/TDXDESC"));
    Publics::SetProgramFolder(dir.filePath(QStringLiteral("install/FDT 1.2/bin")));
    const bool linked = Dtm()->SetCommunication(std::make_shared<frame::FrameCommunication>(kAddress, kTrivexHart));
    Publics::SetProgramFolder(QString());
    EXPECT_FALSE(linked);
    EXPECT_TRUE(traces.contains(QStringLiteral("Unable to load the protocol description: ")));
    // Nothing is read from a description that did not load.
    EXPECT_FALSE(traces.contains(QStringLiteral("Unable to read ProgId from TDX file: ")));
    EXPECT_TRUE(server->calls.isEmpty());
    EXPECT_EQ(Status(), DtmStatus::Configured);
}

TEST_F(DtmCommunication, OutsideAnInstallationTheProtocolDescriptionIsFoundBesideTheProgram)
{
    ConfiguredInstance();
    const QString relative = QStringLiteral("COM_HART/_0016/_0_0000/HARTFDT12.tdx");
    const QString installed = Publics::GetTdxDescriptionDir() + relative;
    ASSERT_TRUE(QFile::exists(installed)) << installed.toStdString();
    // A program folder without the installation's folder name.
    const QString program = dir.filePath(QStringLiteral("plain/bin"));
    ASSERT_TRUE(QDir(program).mkpath(QStringLiteral("COM_HART/_0016/_0_0000")));
    Publics::SetProgramFolder(program);
    traces.clear();
    const bool missing = Dtm()->SetCommunication(std::make_shared<frame::FrameCommunication>(kAddress, kTrivexHart));
    EXPECT_FALSE(missing);
    EXPECT_TRUE(traces.contains(QStringLiteral("Unable to load the protocol description: ") + program + QLatin1Char('/')
                                + relative))
        << traces.lines().join('\n').toStdString();

    ASSERT_TRUE(QFile::copy(installed, program + QLatin1Char('/') + relative));
    const bool linked = Dtm()->SetCommunication(std::make_shared<frame::FrameCommunication>(kAddress, kTrivexHart));
    Publics::SetProgramFolder(QString());
    EXPECT_TRUE(linked);
    EXPECT_EQ(Status(), DtmStatus::CommunicationSet);
}

TEST_F(DtmCommunication, PrepareToReleaseOfflineAnnouncesAtOnce)
{
    LinkedInstance();
    frame->Events().Clear();
    EXPECT_TRUE(Dtm()->PrepareToReleaseCommunication());
    EXPECT_FALSE(Dtm()->ConnectObject()->Active());
    EXPECT_FALSE(host->calls.contains("Disconnect"));
    clock.Advance(100);
    EXPECT_EQ(frame->Events().Count(QStringLiteral("OnPreparedToReleaseCommunication")), 1);

    EXPECT_TRUE(Dtm()->ReleaseCommunication());
    EXPECT_EQ(Status(), DtmStatus::Configured);
    // The gateway lets the host go and the server is destroyed.
    EXPECT_FALSE(Dtm()->Gateway());
    EXPECT_FALSE(Dtm()->ConnectObject());
    EXPECT_FALSE(Dtm()->CommunicationServer());
    EXPECT_EQ(host->calls.last(), "fncSetCServer(none)");
    EXPECT_EQ(server->Count(QStringLiteral("Destroy")), 1);
    EXPECT_FALSE(traces.contains(QStringLiteral("Detach CServer/Applet")));
    clock.Advance(100);
    EXPECT_EQ(frame->Events().Texts().last(), "OnFunctionChanged");
}

TEST_F(DtmCommunication, PrepareToReleaseOnlineWaitsForTheDisconnect)
{
    OnlineInstance();
    // Released only once offline again.
    EXPECT_FALSE(Dtm()->ReleaseCommunication());
    EXPECT_TRUE(traces.contains(QStringLiteral("IDtm::ReleaseCommunication: Not allowed in Status:ONLINE")));

    frame->Events().Clear();
    host->disconnectSteps = {3};
    EXPECT_TRUE(Dtm()->PrepareToReleaseCommunication());
    EXPECT_TRUE(host->calls.contains("Disconnect"));
    EXPECT_TRUE(Dtm()->ReleaseCommunicationPending());
    clock.Advance(100);
    EXPECT_EQ(frame->Events().Count(QStringLiteral("OnPreparedToReleaseCommunication")), 0);
    host->Write(kConnectItem, 0);
    EXPECT_EQ(Status(), DtmStatus::CommunicationSet);
    clock.Advance(100);
    EXPECT_EQ(frame->Events().Count(QStringLiteral("OnPreparedToReleaseCommunication")), 1);
    EXPECT_FALSE(Dtm()->ReleaseCommunicationPending());
    ASSERT_TRUE(Dtm()->ReleaseCommunication());

    // A new communication: connecting and disconnecting announce no release.
    ASSERT_TRUE(frame->SetCommunication(kTag, kAddress));
    host->disconnectSteps = {3, 0};
    ASSERT_EQ(Dtm()->ConnectObject()->Connect(), 0);
    ASSERT_EQ(Dtm()->ConnectObject()->Disconnect(), 0);
    clock.Advance(100);
    EXPECT_EQ(frame->Events().Count(QStringLiteral("OnPreparedToReleaseCommunication")), 1);
}

TEST_F(DtmCommunication, AFailedDisconnectReleasesAnyway)
{
    OnlineInstance();
    frame->Events().Clear();
    host->disconnectResult = 0x804A0003;
    host->disconnectSteps = {};
    EXPECT_TRUE(Dtm()->PrepareToReleaseCommunication());
    EXPECT_TRUE(traces.contains(QStringLiteral("Disconnect request failed --> Communicationshall release anyway!")));
    EXPECT_FALSE(Dtm()->ReleaseCommunicationPending());
    clock.Advance(100);
    EXPECT_EQ(frame->Events().Count(QStringLiteral("OnPreparedToReleaseCommunication")), 1);
}

TEST_F(DtmCommunication, TheSequenceMonitorFollowsItsSwitch)
{
    ConfiguredInstance();
    Debugging::Switches().SequenceMoni = -1;
    ASSERT_TRUE(frame->SetCommunication(kTag, kAddress));
    ASSERT_TRUE(Dtm()->SequenceWatch());
    EXPECT_GT(Dtm()->SequenceWatch()->SequenceCount(), 0);
    const std::weak_ptr<clsSequenceWatch> watch = Dtm()->SequenceWatch();
    ASSERT_TRUE(Dtm()->ReleaseCommunication());
    EXPECT_FALSE(Dtm()->SequenceWatch());
    clock.Advance(100);
    EXPECT_TRUE(watch.expired());

    Debugging::Switches().SequenceMoni = 0;
    ASSERT_TRUE(frame->SetCommunication(kTag, kAddress));
    EXPECT_FALSE(Dtm()->SequenceWatch());
}

TEST_F(DtmCommunication, CommunicationEventsGoToTheServer)
{
    // Without a server they are dropped silently.
    ConfiguredInstance();
    frame->Events().Clear();
    Dtm()->OnTransactionResponse(QStringLiteral("T1"), QStringLiteral("<FDT/>"));
    EXPECT_TRUE(frame->Events().Texts().isEmpty());

    // A server without the interface: an error message per call.
    ASSERT_TRUE(frame->SetCommunication(kTag, kAddress));
    clock.Advance(100);
    frame->Events().Clear();
    Dtm()->OnAbort(QStringLiteral("C1"));
    Dtm()->OnConnectResponse(QStringLiteral("T2"), QStringLiteral("<FDT/>"));
    EXPECT_EQ(frame->Events().Texts(QStringLiteral("OnErrorMessage")),
              QStringList(2, QStringLiteral("OnErrorMessage(This callback has not been submitted within connect "
                                            "request!)")));
    ASSERT_TRUE(Dtm()->ReleaseCommunication());

    auto events = std::make_shared<EventServer>();
    server = events;
    ASSERT_TRUE(frame->SetCommunication(kTag, kAddress));
    Dtm()->OnAbort(QStringLiteral("C1"));
    Dtm()->OnConnectResponse(QStringLiteral("T2"), QStringLiteral("a"));
    Dtm()->OnDisconnectResponse(QStringLiteral("T3"), QStringLiteral("b"));
    Dtm()->OnTransactionResponse(QStringLiteral("T4"), QStringLiteral("c"));
    EXPECT_EQ(events->heard, (QStringList{"OnAbort(C1)", "OnConnectResponse(T2, a)", "OnDisconnectResponse(T3, b)",
                                          "OnTransactionResponse(T4, c)"}));
}

// A PROFIBUS dataset: the applet gets the server itself.
class ProfibusCommunication : public DtmCommunicationTest {
protected:
    void SetUp() override { ProfibusInstance(WriteGsd()); }
};

TEST_F(ProfibusCommunication, NoGatewayAndTheServerDetachedOnRelease)
{
    host->calls.clear();
    ASSERT_TRUE(frame->SetCommunication(kTag, kAddress)) << frame->LastError().toStdString();
    EXPECT_FALSE(Dtm()->Gateway());
    EXPECT_EQ(host->calls, QStringList{"fncSetCServer(server)"});

    ASSERT_TRUE(Dtm()->ReleaseCommunication());
    EXPECT_TRUE(traces.contains(QStringLiteral("Detach CServer/Applet")));
    EXPECT_EQ(host->calls.last(), "fncSetCServer(none)");
    EXPECT_EQ(server->Count(QStringLiteral("Destroy")), 1);
    EXPECT_EQ(Status(), DtmStatus::Configured);

    // An applet that refuses the server: 0 and E_FAIL alike.
    serverHost->serverCode = 0;
    EXPECT_FALSE(frame->SetCommunication(kTag, kAddress));
    EXPECT_TRUE(traces.contains(QStringLiteral("IDtm_SetCommunication: Cannot link Applet")));
}

} // namespace
