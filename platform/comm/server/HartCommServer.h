#pragma once
// The HART communication server: carries its clients' device requests over
// HART-IP to the device that the frame's communication object names.
//
// Towards a client it is a CServerRequestClass and answers through the
// client's CServerResponseClass; towards the frame it is a CommunicationLink.
// Create it through make_shared (the class registry does): every answer goes
// to the client later, on the event loop, never inside the call that caused it.
//
// Each client (AddClient) has a session of its own:
// - ConnectRequest opens a HART-IP session to the address of the linked
//   communication object (IHartIpAddress), identifies the device with
//   command 0 at the polling address last given by PutDeviceTagAddress (0 when
//   none was given or it is no number from 0 to 63) and answers
//   ConnectResponse: hResult 0 with the ConnectionInfo elements below, or the
//   failure (CommServerResults.h) with none. When the communication object
//   names the device type its DTM instance serves (IHartDeviceType), a device
//   that reports another manufacturer or expanded device type is refused
//   with WrongDevice before any other command is sent. A device that answers
//   command 0 busy is asked again, kBusyRepeatDelayMs apart, at most
//   kBusyRepeats times; then the connect fails with DeviceBusy. A device that says
//   "more status available" is asked for it with command 48 before the
//   connect is answered; what it reports goes to the communication object.
// - ReadIORequest, WriteIORequest, DataExchangeRequest take the request bytes
//   command, byte count, data; the byte count must match. Each accepted request
//   is answered exactly once with the response of its kind and its transaction
//   number: hResult 0 when the device answered (response code and device status
//   in RespData), Timeout, ConnectionLost or InvalidAnswer otherwise.
//   Requests go to the device one at a time, in the order given. A read of
//   the device's configuration that this connection has already had a clean
//   answer to, with no write or other command in between, is answered from
//   the connection's HartAnswerCache (still later, on the event loop) when
//   no other request is open; the identification at connect counts.
// - A time-out or a broken link ends the session: every open request is
//   answered with the failure (the one that timed out with Timeout, the rest
//   with ConnectionLost), then DisConnectIndication(locally_generated, 0,
//   reason text as UTF-8 bytes, detail = the failure hResult).
// - Every failed connect (but WrongDevice), ended session and invalid answer
//   is told to the guard in words (IHartDeviceType::OnConnectionFailed).
// - Cancel, Abort, DisConnectRequest and RemoveClient are the client's own
//   decisions: what they end is not answered any more (a cancelled request's
//   answer is dropped when it comes). DisConnectRequest closes the session in
//   order and answers DisConnectResponse: a request the device has not
//   answered yet is waited for (within its response time), then the Session
//   Close and its answer, so that the connection ends without a reset. Only
//   when the communication object says a deadline ended the command
//   (ICommandDeadline) does the Session Close go at once, unwaited for.
//   Abort ends it at once, silently.
#include "platform/applet/CServerRequestClass.h"
#include "platform/applet/CServerResponseClass.h"
#include "platform/applet/CommunicationLink.h"
#include "platform/automation/ClassRegistry.h"
#include "platform/comm/hart/HartFrame.h"
#include "platform/comm/hart/HartIdentity.h"
#include "platform/comm/server/HartAnswerCache.h"
#include "platform/comm/server/HartIpEndpoint.h"
#include "platform/comm/server/IHartDeviceType.h"
#include "platform/loop/SingleShotHandle.h"
#include <QByteArray>
#include <QString>
#include <QVariant>
#include <cstdint>
#include <deque>
#include <functional>
#include <map>
#include <memory>
#include <vector>

namespace loop { class Timer; }

namespace comm {

class HartIpClient;

inline const QString kHartCommServerProgId = QStringLiteral("PioComm.HartIpServer");
inline const QString kHartCommServerClassId = QStringLiteral("{3F6B2D71-58C4-4E0A-9B1E-7A2C5D8E4F13}");

// The ConnectionInfo elements of a good ConnectResponse, by index.
namespace ConnectionInfoIndex {
constexpr int Address = 0;            // the HART-IP URL
constexpr int Host = 1;
constexpr int Port = 2;
constexpr int PollingAddress = 3;
constexpr int ManufacturerId = 4;
constexpr int ExpandedDeviceType = 5;
constexpr int DeviceId = 6;
constexpr int UniversalRevision = 7;
constexpr int DeviceRevision = 8;
constexpr int SoftwareRevision = 9;
constexpr int HardwareRevision = 10;
constexpr int RequestPreambles = 11;
constexpr int ConfigChangeCounter = 12;
constexpr int MasterType = 13;        // 1 primary master
constexpr int InactivityCloseTimeMs = 14;
constexpr int Count = 15;
} // namespace ConnectionInfoIndex

class HartCommServer : public automation::ComObject,
                       public applet::CServerRequestClass,
                       public applet::CommunicationLink,
                       public std::enable_shared_from_this<HartCommServer> {
public:
    static constexpr int kDefaultResponseTimeoutMs = 5000;
    // A busy answer to command 0 at connect: the same bound as a busy record.
    static constexpr int kBusyRepeats = 100;
    static constexpr int kBusyRepeatDelayMs = 200;

    HartCommServer();
    ~HartCommServer() override;
    HartCommServer(const HartCommServer&) = delete;
    HartCommServer& operator=(const HartCommServer&) = delete;

    // Time the device has to answer a request; the connect (TCP, session and
    // command 0) may take three times as long. Applies from the next request.
    void SetResponseTimeout(int ms);
    int ResponseTimeout() const { return m_responseTimeoutMs; }
    QString TdxFileName() const { return m_tdxFileName; }
    QString XmlSchemaPath() const { return m_schemaPath; }
    int ClientCount() const { return static_cast<int>(m_clients.size()); }
    // Requests taken and not answered yet, over all clients (cancelled ones included).
    int OpenRequests() const;

    // --- CServerRequestClass ------------------------------------------------
    void fncInit(const QString& sTDXFileName, const QString& sParameterFileName, const QString& sInitString,
                 int32_t& result) override;
    void Destroy(std::shared_ptr<applet::CServerRequestClass>& iMiscObj, int32_t& result) override;
    // This server has no applet items: none, result 0.
    void AppItemManager(std::shared_ptr<applet::clsAppletItemManager>& manager, int32_t& result) override;
    // A readable text: for a failed hResult what went wrong, otherwise the
    // response code and device status of RespData (as far as respLen and the
    // bytes given reach).
    void ErrorMessage(uint8_t respLen, const QByteArray& RespData, int32_t hResult, QString& Message,
                      int32_t& result) override;
    void fncSetDBInstance(const std::shared_ptr<applet::IFbInstanceData>& clsDBInstance, int32_t& result) override;
    // AddressInfo and ConnectionInfo are not used; the address is the linked
    // communication object's. DeviceInfo is not checked against the device.
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
    // Bus search, slave addresses and the menus are not offered: NotImplemented.
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

    // --- CommunicationLink ----------------------------------------------------
    // The object must implement IHartIpAddress (NoAddressInterface otherwise,
    // and the previous link stays); none unlinks.
    void SetCommunication(const std::shared_ptr<automation::ComObject>& frameCommunication,
                          int32_t& result) override;
    void SetXmlSchemaPath(const QString& schemaPath) override;
    // The tag is kept; the address, when it is a polling address (0 to 63),
    // is used by the next connect.
    void PutDeviceTagAddress(const QString& tagName, const QString& address) override;
    // As PutDeviceTagAddress; while a client is connected the address comes
    // back as the polling address that device answered at.
    void ExchangeDeviceTagAddress(QString& tagName, QString& address) override;

private:
    enum class RequestKind { Read, Write, Exchange };
    enum class LinkState { Idle, Connecting, Connected, Disconnecting };

    struct Transaction {
        int32_t number = 0;
        RequestKind kind = RequestKind::Read;
        uint8_t command = 0;
        int sequence = -1;
        bool cancelled = false;
        QByteArray requestData;
    };

    struct Client {
        int32_t handle = 0;
        std::shared_ptr<applet::CServerResponseClass> responder;
        LinkState state = LinkState::Idle;
        // Answers posted for an older generation are dropped: the client's own
        // Abort, DisConnectRequest or RemoveClient ended what they belonged to.
        uint64_t generation = 0;
        std::unique_ptr<HartIpClient> link;
        std::unique_ptr<loop::Timer> deadline;
        std::deque<Transaction> open; // in the order sent
        int identitySequence = -1;
        int identityBusyAnswers = 0;
        loop::SingleShotHandle identityRepeat;
        int statusSequence = -1;
        // The communication object's guard of the device type, when it has one.
        std::shared_ptr<IHartDeviceType> guard;
        HartConnectReport report;
        HartIpEndpoint endpoint;
        uint8_t pollingAddress = 0;
        HartIdentity identity;
        HartAddress address;
        HartAnswerCache answers; // of this connection
    };

    using ResponseCall = std::function<void(applet::CServerResponseClass&, int32_t&)>;

    Client* FindClient(const QVariant& handle);
    Client* FindClient(int32_t handle);
    void SendRequest(RequestKind kind, const QVariant& ClientHandle, const QByteArray& RequestStr,
                     int32_t& TransActionNumber, int32_t& result);
    int32_t NextTransactionNumber();
    int32_t ReadDeviceAddress(HartIpEndpoint& endpoint) const;
    // The linked communication object says a deadline ended the command.
    bool DeadlinePassed() const;

    void OnSessionEstablished(int32_t handle);
    void OnPduResponse(int32_t handle, int sequence, const QByteArray& frame);
    void OnRequestFailed(int32_t handle, int sequence);
    void OnConnectionLost(int32_t handle, const QString& reason);
    void OnSessionClosed(int32_t handle);
    void OnDeadline(int32_t handle);

    void SendIdentityRequest(Client& c);
    void HandleIdentity(Client& c, const QByteArray& frame);
    void HandleAdditionalStatus(Client& c, const QByteArray& frame);
    // The report to the guard, then the good ConnectResponse.
    void Identified(Client& c);
    void Answer(Client& c, const Transaction& t, int32_t hResult, uint8_t responseCode = 0x80,
                uint8_t deviceStatus = 0, const QByteArray& data = QByteArray());
    void ConnectSucceeded(Client& c);
    // cause: what the link said, when it ended the connect.
    void ConnectFailed(Client& c, int32_t hResult, const QString& cause = QString());
    // The failure in words to the guard, when there is one.
    void TellFailure(Client& c, int32_t hResult, const QString& detail);
    // Ends a session the server found broken: open requests answered, then the indication.
    void EndSession(Client& c, int32_t headHResult, int32_t hResult, const QString& reason, bool locallyGenerated);
    // Ends whatever the client had open without a word (Abort, RemoveClient).
    void Silence(Client& c);
    void ArmForHead(Client& c);
    // Answers the open transaction with the kept answer, on a later turn.
    void AnswerFromCache(Client& c, const Transaction& t, const HartAnswerCache::Answer& answer);
    void RetireLink(Client& c);
    void Post(Client& c, ResponseCall call);

    std::map<int32_t, std::unique_ptr<Client>> m_clients;
    // Links ended from inside their own signals; freed on a later turn.
    std::vector<std::unique_ptr<HartIpClient>> m_retired;
    std::shared_ptr<automation::ComObject> m_communication;
    QString m_tdxFileName;
    QString m_schemaPath;
    QString m_tagName;
    uint8_t m_pollingAddress = 0;
    int m_responseTimeoutMs = kDefaultResponseTimeoutMs;
    int32_t m_lastHandle = 0;
    int32_t m_lastTransaction = 0;
    bool m_destroyed = false;
};

} // namespace comm
