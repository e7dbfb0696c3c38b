#pragma once
// The host's side of a communication server: it registers with the server as
// its client, drives "&&private&&connect" through connect and disconnect, sends
// the records' requests and hands every response on, always on a later turn of
// the event loop (a server may answer from inside the request call).
#include "platform/applet/CServerRequestClass.h"
#include "platform/applet/CServerResponseClass.h"
#include "platform/applet/Description.h"
#include "platform/loop/SingleShotHandle.h"
#include <QByteArray>
#include <QVariant>
#include <functional>
#include <memory>

namespace applet {

class clsAppletItemManager;

struct IoResponse {
    RecordKind kind = RecordKind::Read;
    int32_t transaction = -1;
    int32_t hResult = 0;
    QByteArray respData; // command, response code, device status
    QByteArray data;
};

class clsCommClient : public CServerResponseClass, public std::enable_shared_from_this<clsCommClient> {
public:
    // Time-outs of a connect and a disconnect the server does not answer.
    static constexpr int kConnectTimeoutMs = 30000;
    static constexpr int kDisconnectTimeoutMs = 10000;

    struct Listener {
        std::function<void(const IoResponse&)> response;
        // The connection ends (disconnect, indication, failure); called once the
        // connect item no longer reads connected.
        std::function<void()> connectionEnding;
    };

    clsCommClient(std::weak_ptr<clsAppletItemManager> manager, std::shared_ptr<const Description> description);
    ~clsCommClient() override;
    clsCommClient(const clsCommClient&) = delete;
    clsCommClient& operator=(const clsCommClient&) = delete;

    void SetListener(Listener listener) { m_listener = std::move(listener); }

    // Takes a server (none: stops using the current one). A live connection
    // to the previous server ends first.
    void SetServer(std::shared_ptr<CServerRequestClass> server);
    bool HasServer() const { return m_server != nullptr; }
    // Ends everything without touching items (teardown).
    void Release();

    int32_t Connect();
    int32_t Disconnect();
    int32_t State() const;
    // The handle of "&&private&&connect" (0 before a manager is known).
    int32_t ConnectHandle() const { return m_connectHandle; }

    // result 0: the server took the request under transaction.
    int32_t Send(RecordKind kind, const QByteArray& request, int32_t& transaction);
    void Cancel(int32_t transaction);

    // CServerResponseClass
    void ConnectResponse(const QVariant& AddressInfo, const QVariantList& DeviceInfo,
                         const QVariantList& ConnectionInfo, int32_t hResult, int32_t& result) override;
    void DisConnectResponse(int32_t& result) override;
    void DisConnectIndication(int32_t locally_generated, int32_t instance, const QVariant& reason, int32_t detail,
                              int32_t& result) override;
    void ReadResponse(int32_t TransActionNumber, int32_t hResult, uint8_t respLen, const QByteArray& RespData,
                      uint8_t DataLen, const QByteArray& Data, int32_t& result) override;
    void WriteResponse(int32_t TransActionNumber, int32_t hResult, uint8_t respLen, const QByteArray& RespData,
                       int32_t& result) override;
    void DataExchangeResponse(int32_t TransActionNumber, int32_t hResult, uint8_t respLen,
                              const QByteArray& RespData, uint8_t DataLen, const QByteArray& Data,
                              int32_t& result) override;
    void SearchDeviceResponse(int32_t NoOfSlaves, const QVariant& DP_LiveListAdr, const QVariant& DP_LiveListStat,
                              const QVariant& DP_Response, int32_t& result) override;
    void ChangeSlaveAddressResponse(const QVariant& first, const QVariant& second, int32_t& result) override;
    void SetAddressInfo(const QVariant& AddressInfo, int32_t& result) override;

private:
    void SetState(int32_t state);
    void Later(std::function<void(clsCommClient&)> work);
    bool EnsureClient();
    void BeginConnect();
    void BeginDisconnect();
    void OnConnectAnswer(int32_t hResult);
    void EndConnection(const QString& reason);
    void Deliver(IoResponse response);

    std::weak_ptr<clsAppletItemManager> m_manager;
    std::shared_ptr<const Description> m_description;
    int32_t m_connectHandle = 0;
    int32_t m_addressHandle = 0;
    std::shared_ptr<CServerRequestClass> m_server;
    QVariant m_clientHandle;
    bool m_hasClient = false;
    Listener m_listener;
    loop::SingleShotHandle m_watchdog;
};

} // namespace applet
