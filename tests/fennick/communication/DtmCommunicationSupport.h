#pragma once
// The DTM object with a communication server double: the server is created
// by the ProgID that the protocol description names, as the DTM does, and
// records what the DTM asks of it. The applet host is the Trivex description's
// double of the DTM tests, whose connect and disconnect write the connection
// item at once.
#include "GatewayTestSupport.h"
#include "fennick/communication/clsGatewayHART.h"
#include "fennick/communication/clsSequenceManager.h"
#include "fennick/fdt/clsFunctionConnect.h"
#include "platform/comm/server/CommServerClasses.h"
#include "platform/comm/server/HartCommServer.h"
#include "platform/frame/fdt/IFdtCommunicationEvents.h"
#include "tests/fennick/fdt/DtmTestSupport.h"

namespace dtmcomm {

inline const QString kAddress = QStringLiteral("hart-ip://127.0.0.1:5094");
inline const QString kDpv1ServerProgId = QStringLiteral("PioComm.Dpv1Server");
using dtmtest::kConnectItem;
inline const QString kTransferItem = QStringLiteral("XXXTransferCompletedXXX");

// A server as the DTM sees it: a creatable object with the link interface.
class DtmServer : public automation::ComObject, public gatewaytest::FakeServer {
public:
    void SetCommunication(const std::shared_ptr<automation::ComObject>& communication, int32_t& result) override
    {
        calls << (communication ? QStringLiteral("Link") : QStringLiteral("Unlink"));
        result = communication ? linkResult : 0;
        linked = communication;
    }
    void SetXmlSchemaPath(const QString& path) override { schemaPath = path; }

    int32_t linkResult = 0;
    std::shared_ptr<automation::ComObject> linked;
    QString schemaPath;
};

// A server that also takes the frame's communication events.
class EventServer : public DtmServer, public fdt::IFdtCommunicationEvents {
public:
    void OnAbort(const QString& reference) override { heard << QStringLiteral("OnAbort(%1)").arg(reference); }
    void OnConnectResponse(const QString& id, const QString& response) override
    {
        heard << QStringLiteral("OnConnectResponse(%1, %2)").arg(id, response);
    }
    void OnDisconnectResponse(const QString& id, const QString& response) override
    {
        heard << QStringLiteral("OnDisconnectResponse(%1, %2)").arg(id, response);
    }
    void OnTransactionResponse(const QString& id, const QString& response) override
    {
        heard << QStringLiteral("OnTransactionResponse(%1, %2)").arg(id, response);
    }
    QStringList heard;
};

// An applet host double whose answer to a server can be set.
class ServerHost : public dtmtest::FakeAppletHost {
public:
    void fncSetCServer(const std::shared_ptr<applet::CServerRequestClass>& server, int32_t& code) override
    {
        dtmtest::FakeAppletHost::fncSetCServer(server, code);
        if (server)
            code = serverCode;
    }
    void StartSequence(const QString& name, int32_t& result) override
    {
        sequenceCalls << QStringLiteral("Start ") + name;
        result = sequenceResult;
    }
    void ForceSequence(const QString& name, int32_t& result) override
    {
        sequenceCalls << QStringLiteral("Force ") + name;
        result = sequenceResult;
    }
    void SaveToDatabase(int32_t, int32_t& result) override
    {
        ++saves;
        result = saveResult;
    }
    void LoadFromDatabase(int32_t, int32_t& result) override
    {
        ++loads;
        result = 0;
    }

    int32_t serverCode = 1;
    QStringList sequenceCalls;
    int32_t sequenceResult = 0;
    int saves = 0;
    int32_t saveResult = 0;
    int loads = 0;
};

class DtmCommunicationTest : public dtmtest::DtmTest {
protected:
    DtmCommunicationTest()
    {
        UseHost(serverHost);
        auto& registry = automation::ClassRegistry::instance();
        const std::pair<QString, QString> servers[] = {
            {comm::kHartCommServerProgId, comm::kHartCommServerClassId},
            {kDpv1ServerProgId, QStringLiteral("{5D0E2B11-7A3C-4E21-9B8D-0C6F1A2B3C4D}")}};
        for (const auto& [progId, classId] : servers)
            registry.Register(progId, classId, [this]() -> std::shared_ptr<automation::ComObject> {
                if (createError)
                    throw automation::ComError(429, QStringLiteral("cannot create"), QStringLiteral("Registry"));
                return server;
            });
    }
    ~DtmCommunicationTest() override
    {
        Debugging::Switches().SequenceMoni = 0;
        automation::ClassRegistry::instance().Unregister(kDpv1ServerProgId);
        comm::RegisterCommServerClasses();
    }

    // Configured, then the communication set through the frame.
    void LinkedInstance()
    {
        ConfiguredInstance();
        ASSERT_TRUE(frame->SetCommunication(dtmtest::kTag, kAddress)) << frame->LastError().toStdString();
        ASSERT_EQ(Status(), DtmStatus::CommunicationSet);
        clock.Advance(100);
    }
    // Linked and connected (status 10).
    void OnlineInstance()
    {
        LinkedInstance();
        ASSERT_EQ(Dtm()->ConnectObject()->Connect(), 0);
        ASSERT_EQ(Status(), DtmStatus::Online);
        clock.Advance(100);
    }

    std::shared_ptr<ServerHost> serverHost = dtmtest::FakeAppletHost::Make<ServerHost>();
    std::shared_ptr<DtmServer> server = std::make_shared<DtmServer>();
    bool createError = false;
};

} // namespace dtmcomm
