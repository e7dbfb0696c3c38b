#pragma once
// The HART gateway: stands between the applet's communication client and the
// communication server. The applet host is handed the gateway as its server
// (CServerRequestClass); the gateway registers itself with the real server as
// that server's client (CServerResponseClass). It forwards every request under
// its own client handle, keeps each accepted read, write and data exchange in
// a transaction queue until the server answers, answers all open requests
// itself when the connection breaks, and, once the server has connected,
// reads the device's tag and descriptor with command 13 before it confirms
// the connection to the client.
//
// Link state: 3 at construction and after a disconnect request, 0 idle,
// 1 connect requested, 2 connected (requests accepted).
// Connect phase: -1 failed, 0 idle or ended, 1 requested, 2 identity read
// under way, 3 confirmed to the client.
//
// Results are 0 for success and 1 for the gateway's own refusal or failure;
// the server's results are passed back unchanged. Requests, responses and
// failures are traced. Errors raised by either side are traced and handled
// (error 440 is retried, 10 times per direction over the gateway's life).
//
// Byte arrays start at index 0: RespData is command, response code, device
// status; the command-13 data holds the tag in bytes 0 to 5 and the
// descriptor in bytes 6 to 17 (packed ASCII). The gateway's own failure
// answers carry RespData command, 0x80, 0x00 and two zero data bytes.
//
// Create it with make_shared: it hands itself to the server and the host.
#include "fennick/communication/clsGatewayHARTservice.h"
#include "fennick/communication/clsViewDTM.h"
#include "platform/applet/CServerRequestClass.h"
#include "platform/applet/CServerResponseClass.h"
#include <QByteArray>
#include <QString>
#include <QStringList>
#include <QVariant>
#include <QVariantList>
#include <cstdint>
#include <deque>
#include <functional>
#include <memory>
#include <optional>

namespace applet { class AppletHost; }

class clsGatewayHART : public applet::CServerRequestClass,
                       public applet::CServerResponseClass,
                       public std::enable_shared_from_this<clsGatewayHART> {
public:
    // The gateway's own refusal or failure, also the hResult of its own answers.
    static constexpr int32_t kGatewayFailure = 1;
    // Data bytes of a command-13 answer.
    static constexpr int kIdentityDataLength = 21;
    // Response code of a device that does not implement the command.
    static constexpr uint8_t kCommandNotImplemented = 0x40;
    // A busy answer to the identity read at connect is repeated as a busy
    // record is: kIdentityBusyDelayMs apart, at most kIdentityBusyRepeats times.
    static constexpr uint8_t kBusy = 32;
    static constexpr int kIdentityBusyRepeats = 100;
    static constexpr int kIdentityBusyDelayMs = 200;
    static constexpr int32_t kRetryableError = 440;
    static constexpr int16_t kMaxRetries = 10;
    static constexpr int kClientRetryDelayMs = 117;
    static constexpr int kServerRetryDelayMs = 113;

    // Where the process's applet host is found when the gateway attaches.
    using AppletHostSource = std::function<std::shared_ptr<applet::AppletHost>()>;

    explicit clsGatewayHART(AppletHostSource appletHost = {});
    ~clsGatewayHART() override;
    clsGatewayHART(const clsGatewayHART&) = delete;
    clsGatewayHART& operator=(const clsGatewayHART&) = delete;

    // Keeps the server, registers the view with the host's item manager and
    // gives the host the gateway as its communication server; the host's
    // result of that (0 or E_FAIL: refused). 0 when anything fails on the way.
    int32_t ConnectServer(const std::shared_ptr<applet::CServerRequestClass>& server);
    // Ends the link (ReleaseLink) and drops the queue.
    void DisconnectServer();

    // State, for the DTM object and for tests.
    int32_t LinkState() const { return m_linkState; }
    int32_t ConnectPhase() const { return m_connectPhase; }
    bool ClientPresent() const;
    // The keys of the open transactions, in queue order.
    QStringList QueuedKeys() const;
    // The open record with that number, or null.
    const clsGatewayHARTservice* QueuedRecord(int32_t number) const;
    std::shared_ptr<clsViewDTM> View() const { return m_view; }

    // "TAN" and the number with at least nine digits, zero-padded.
    static QString TransactionKey(int32_t number);
    // Every byte as one character of that code.
    static QString BytesToText(const QByteArray& bytes);
    // The first count bytes unpacked from HART packed ASCII, trimmed.
    static QString UnpackAscii(const QByteArray& bytes, int count);

    // --- CServerRequestClass (towards the applet's client) ------------------------
    void fncInit(const QString& sTDXFileName, const QString& sParameterFileName, const QString& sInitString,
                 int32_t& result) override;
    void Destroy(std::shared_ptr<applet::CServerRequestClass>& iMiscObj, int32_t& result) override;
    void AppItemManager(std::shared_ptr<applet::clsAppletItemManager>& manager, int32_t& result) override;
    void ErrorMessage(uint8_t respLen, const QByteArray& RespData, int32_t hResult, QString& Message,
                      int32_t& result) override;
    void fncSetDBInstance(const std::shared_ptr<applet::IFbInstanceData>& clsDBInstance, int32_t& result) override;
    void ConnectRequest(const QVariant& ClientHandle, const QVariant& AddressInfo, const QVariantList& DeviceInfo,
                        const QVariant& ConnectionInfo, int32_t& result) override;
    void DisConnectRequest(const QVariant& ClientHandle, int32_t& result) override;
    void Abort(const QVariant& ClientHandle, int32_t& result) override;
    void ReadIORequest(const QVariant& ClientHandle, const QByteArray& RequestStr, int32_t& TransActionNumber,
                       int32_t& result) override;
    void WriteIORequest(const QVariant& ClientHandle, const QByteArray& RequestStr, int32_t& TransActionNumber,
                        int32_t& result) override;
    void DataExchangeRequest(const QVariant& ClientHandle, const QByteArray& RequestStr, int32_t& TransActionNumber,
                             int32_t& result) override;
    void Cancel(int32_t TransActionNumber, int32_t& result) override;
    void SearchDeviceRequest(const QVariant& ClientHandle, int32_t& result) override;
    void ChangeSlaveAdressRequest(const QVariant& ClientHandle, const QVariant& newAddress, int32_t& result) override;
    void MenuSearchDevice(int32_t& result) override;
    void MenuSetBusAddr(const QVariant& ClientHandle, int32_t& result) override;
    void MenuServerData(int32_t& result) override;
    void MenuStartView(const QString& viewName, int32_t& result) override;
    void MenuConnectSubnet(int32_t& result) override;
    void MenuDisConnectSubnet(int32_t& result) override;
    void MenuLoad(int32_t& result) override;
    void MenuLoadSubnet(int32_t& result) override;
    void MenuSave(int32_t& result) override;
    void MenuSaveSubnet(int32_t& result) override;
    void MenuPrint(int32_t& result) override;
    void MenuPrintSubnet(int32_t& result) override;
    void AddClient(const std::shared_ptr<applet::CServerResponseClass>& ClientIF, QVariant& ClientHandle,
                   const QVariant& KeyParamList, int32_t& result) override;
    void RemoveClient(const QVariant& ClientHandle, int32_t& result) override;
    void MenuOpenNew(int32_t& result) override;
    void MenuSaveAs(int32_t& result) override;

    // --- CServerResponseClass (towards the communication server) ---------------
    void ConnectResponse(const QVariant& AddressInfo, const QVariantList& DeviceInfo,
                         const QVariantList& ConnectionInfo, int32_t hResult, int32_t& result) override;
    void DisConnectResponse(int32_t& result) override;
    void DisConnectIndication(int32_t locally_generated, int32_t instance, const QVariant& reason, int32_t detail,
                              int32_t& result) override;
    void ReadResponse(int32_t TransActionNumber, int32_t hResult, uint8_t respLen, const QByteArray& RespData,
                      uint8_t DataLen, const QByteArray& Data, int32_t& result) override;
    void WriteResponse(int32_t TransActionNumber, int32_t hResult, uint8_t respLen, const QByteArray& RespData,
                       int32_t& result) override;
    void DataExchangeResponse(int32_t TransActionNumber, int32_t hResult, uint8_t respLen, const QByteArray& RespData,
                              uint8_t DataLen, const QByteArray& Data, int32_t& result) override;
    void SearchDeviceResponse(int32_t NoOfSlaves, const QVariant& DP_LiveListAdr, const QVariant& DP_LiveListStat,
                              const QVariant& DP_Response, int32_t& result) override;
    void ChangeSlaveAddressResponse(const QVariant& first, const QVariant& second, int32_t& result) override;
    void SetAddressInfo(const QVariant& AddressInfo, int32_t& result) override;

private:
    using Record = std::shared_ptr<clsGatewayHARTservice>;

    bool NotConnected() const;
    QVariant ServerHandle() const;
    std::shared_ptr<applet::AppletHost> AppletHost() const;

    // Requests.
    void QueuedRequest(int32_t kind, const QByteArray& RequestStr, int32_t& TransActionNumber, int32_t& result);
    Record NewRequestRecord(const QByteArray& request, int32_t kind, bool internal) const;
    void QueueRequest(int32_t number);
    void DropRequestInFlight();
    int FindTransactionIndex(int32_t number) const;
    Record FindTransaction(int32_t number, bool& found) const;
    // Removes the record; when it is not queued, the slot's record (the
    // request in flight) is marked answered and the slot cleared.
    void RemoveTransaction(int32_t number, Record& slot);
    void FailPendingRequests();

    // Connection.
    void SetConnectPhase(int32_t phase);
    void SendConnectResponse(int32_t hResult);
    void FailConnect(int32_t hResult, const QString& why);
    bool ReadDeviceIdentity();
    void HandleIdentityResponse(uint8_t DataLen, const QByteArray& Data, const QByteArray& RespData, int32_t hResult);
    void EndConnection(const QString& why);
    void CompleteTransaction(int32_t hResult, int32_t number);
    void ExchangeDeviceTagAddress();
    void ReleaseLink();

    // Calls across the two interfaces, under the error traps: false when the
    // call raised an error that was not retried (the handler has run then).
    bool CallServer(const std::function<void()>& call);
    // The server for a call; none, with the failure result set, without one.
    std::shared_ptr<applet::CServerRequestClass> ServerOrFail(int32_t& result) const;
    bool CallClient(const std::function<void()>& call);
    // Runs call, retrying the retryable error up to the limit; false when it failed.
    bool CallWithRetries(const std::function<void()>& call, int16_t& retries, int delayMs);
    void HandleServerSideError();
    void HandleClientSideError();
    void IndicateToClient(int32_t detail);
    static void TraceGatewayError(int32_t number, const QString& description, const QString& source);
    static void TraceResponse(const QString& label, int32_t hResult);

    AppletHostSource m_appletHost;
    std::shared_ptr<applet::CServerResponseClass> m_client;
    std::shared_ptr<applet::CServerRequestClass> m_server;
    std::shared_ptr<clsViewDTM> m_view;
    int32_t m_connectPhase = 0;
    int m_identityBusyAnswers = 0; // busy answers to this connect's identity read
    int32_t m_linkState = 3;
    std::optional<QVariant> m_clientHandle;
    QVariantList m_deviceInfo;
    QVariant m_connectionInfoRequest;
    QVariantList m_connectionInfoResponse;
    int32_t m_connectResult = 0;
    std::unique_ptr<std::deque<Record>> m_queue;
    Record m_inFlight;
    bool m_attachedToHost = false;
    int16_t m_clientRetries = 0;
    int16_t m_serverRetries = 0;
};
