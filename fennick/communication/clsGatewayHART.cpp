#include "fennick/communication/clsGatewayHART.h"

#include "fennick/services/Debugging.h"
#include "platform/applet/AppletHost.h"
#include "platform/applet/CommunicationLink.h"
#include "platform/applet/clsAppletItemManager.h"
#include "platform/automation/ComError.h"
#include "platform/comm/hart/PackedAscii.h"
#include "platform/loop/TimerService.h"
#include <exception>

namespace {

const QString kGatewaySource = QStringLiteral("HART Gateway");
const QString kGatewayAddressInfo = QStringLiteral("DEVICE-1");
// "Object variable not set": what a missing partner raises.
constexpr int32_t kErrObjectNotSet = 91;
constexpr int32_t kDetailConnectionLost = 1;
constexpr int kConnectionInfoMinimum = 12;
constexpr uint8_t kIdentityCommand = 13;
constexpr int kTagOffset = 0;
constexpr int kTagBytes = 6;
constexpr int kDescriptorOffset = 6;
constexpr int kDescriptorBytes = 12;
// RespData of the gateway's own failure answers: command, communication error, no status.
constexpr char kFailureStatus = static_cast<char>(0x80);
constexpr uint8_t kFailureRespLen = 3;

// Failures after which the client hears only "connection lost".
bool IsLinkFailure(int32_t hResult)
{
    return hResult == 0x200 || hResult == 0x4000 || hResult == 0x8000;
}

QString Hex8(int32_t value)
{
    return QStringLiteral("0x") + QStringLiteral("%1").arg(static_cast<uint32_t>(value), 8, 16, QLatin1Char('0')).toUpper();
}

} // namespace

clsGatewayHART::clsGatewayHART(AppletHostSource appletHost)
    : m_appletHost(std::move(appletHost))
{
}

clsGatewayHART::~clsGatewayHART() = default;

// --- Helpers ------------------------------------------------------------------------

QString clsGatewayHART::TransactionKey(int32_t number)
{
    const QString digits = QString::number(number < 0 ? -static_cast<int64_t>(number) : number);
    return QStringLiteral("TAN") + (number < 0 ? QStringLiteral("-") : QString()) + digits.rightJustified(9, QLatin1Char('0'));
}

QString clsGatewayHART::BytesToText(const QByteArray& bytes)
{
    return QString::fromLatin1(bytes);
}

QString clsGatewayHART::UnpackAscii(const QByteArray& bytes, int count)
{
    return comm::PackedAscii::unpack(QByteArrayView(bytes).first(qMin<qsizetype>(count, bytes.size()))).trimmed();
}

bool clsGatewayHART::ClientPresent() const
{
    return m_clientHandle.has_value() && m_client != nullptr;
}

bool clsGatewayHART::NotConnected() const
{
    return !m_server || m_linkState != 2;
}

QVariant clsGatewayHART::ServerHandle() const
{
    return m_clientHandle.value_or(QVariant());
}

std::shared_ptr<applet::AppletHost> clsGatewayHART::AppletHost() const
{
    return m_appletHost ? m_appletHost() : nullptr;
}

QStringList clsGatewayHART::QueuedKeys() const
{
    QStringList keys;
    if (m_queue)
        for (const Record& r : *m_queue)
            keys << TransactionKey(r->TransactionNumber);
    return keys;
}

const clsGatewayHARTservice* clsGatewayHART::QueuedRecord(int32_t number) const
{
    bool found = false;
    Record r = FindTransaction(number, found);
    return found ? r.get() : nullptr;
}

void clsGatewayHART::TraceGatewayError(int32_t number, const QString& description, const QString& source)
{
    Debugging::TraceRuntimeError(number, description, source + kGatewaySource);
}

void clsGatewayHART::TraceResponse(const QString& label, int32_t hResult)
{
    Debugging::TraceInfo(label + Hex8(hResult));
}

// --- Error traps ----------------------------------------------------------------------

std::shared_ptr<applet::CServerRequestClass> clsGatewayHART::ServerOrFail(int32_t& result) const
{
    // A copy: a call into the server may end the link and drop the member.
    if (!m_server)
        result = kGatewayFailure;
    return m_server;
}

bool clsGatewayHART::CallServer(const std::function<void()>& call)
{
    if (CallWithRetries(call, m_serverRetries, kServerRetryDelayMs))
        return true;
    HandleServerSideError();
    return false;
}

bool clsGatewayHART::CallClient(const std::function<void()>& call)
{
    if (CallWithRetries(call, m_clientRetries, kClientRetryDelayMs))
        return true;
    HandleClientSideError();
    return false;
}

bool clsGatewayHART::CallWithRetries(const std::function<void()>& call, int16_t& retries, int delayMs)
{
    for (;;) {
        try {
            call();
            return true;
        } catch (const automation::ComError& e) {
            TraceGatewayError(e.number(), e.description(), e.source());
            if (e.number() == kRetryableError && retries < kMaxRetries) {
                ++retries;
                loop::TimerService::instance().Sleep(delayMs);
                continue;
            }
        } catch (const std::exception& e) {
            TraceGatewayError(automation::E_FAIL_, QString::fromLocal8Bit(e.what()), QString());
        }
        return false;
    }
}

void clsGatewayHART::HandleServerSideError()
{
    if (ClientPresent() && m_linkState == 2)
        FailPendingRequests();
    if (m_linkState != 0 && m_client) {
        std::shared_ptr<applet::CServerResponseClass> client = m_client;
        int32_t r = 0;
        if (!CallClient([&] { client->DisConnectIndication(0, 0, QVariant(0), kDetailConnectionLost, r); }))
            m_clientHandle.reset();
        // The client has been told the link is gone; a later connect starts afresh.
        m_linkState = 0;
    }
}

void clsGatewayHART::HandleClientSideError()
{
    if (!m_clientHandle)
        return;
    m_client.reset();
    if (m_server && m_linkState >= 1 && m_linkState <= 3) {
        std::shared_ptr<applet::CServerRequestClass> server = m_server;
        const QVariant handle = ServerHandle();
        int32_t r = 0;
        if (!CallServer([&] { server->Abort(handle, r); }))
            m_clientHandle.reset();
    }
}

void clsGatewayHART::IndicateToClient(int32_t detail)
{
    if (!m_client) {
        Debugging::TraceError(QStringLiteral("HART gateway: no client to tell of the disconnect"));
        return;
    }
    std::shared_ptr<applet::CServerResponseClass> client = m_client;
    int32_t r = 0;
    CallClient([&] { client->DisConnectIndication(0, 0, QVariant(0), detail, r); });
}

// --- Transaction queue --------------------------------------------------------------------

clsGatewayHART::Record clsGatewayHART::NewRequestRecord(const QByteArray& request, int32_t kind, bool internal) const
{
    auto record = std::make_shared<clsGatewayHARTservice>();
    record->Command = request.isEmpty() ? 0 : static_cast<uint8_t>(request.at(0));
    record->RequestText = BytesToText(request);
    record->RequestKind = kind;
    record->TransactionNumber = -1;
    record->Pending = true;
    record->IsInternal = internal;
    return record;
}

void clsGatewayHART::QueueRequest(int32_t number)
{
    Record record = std::move(m_inFlight);
    m_inFlight.reset();
    if (!record)
        return; // answered while the request call was running
    record->TransactionNumber = number;
    if (!record->Pending || !m_queue)
        return;
    const int existing = FindTransactionIndex(number);
    if (existing >= 0) {
        Debugging::TraceError(QStringLiteral("HART gateway: transaction ") + TransactionKey(number)
                              + QStringLiteral(" was still open; the older request is dropped"));
        m_queue->erase(m_queue->begin() + existing);
    }
    m_queue->push_back(std::move(record));
}

void clsGatewayHART::DropRequestInFlight()
{
    m_inFlight.reset();
}

int clsGatewayHART::FindTransactionIndex(int32_t number) const
{
    if (!m_queue)
        return -1;
    for (size_t i = 0; i < m_queue->size(); ++i)
        if ((*m_queue)[i]->TransactionNumber == number)
            return static_cast<int>(i);
    return -1;
}

clsGatewayHART::Record clsGatewayHART::FindTransaction(int32_t number, bool& found) const
{
    const int index = FindTransactionIndex(number);
    found = index >= 0;
    return found ? (*m_queue)[static_cast<size_t>(index)] : Record();
}

void clsGatewayHART::RemoveTransaction(int32_t number, Record& slot)
{
    const int index = FindTransactionIndex(number);
    if (index >= 0) {
        m_queue->erase(m_queue->begin() + index);
        return;
    }
    if (slot) {
        slot->Pending = false;
        slot.reset();
    }
}

void clsGatewayHART::FailPendingRequests()
{
    if (!m_queue || m_queue->empty())
        return;
    m_inFlight.reset();
    // The client may call back from inside each answer, down to dropping the queue.
    while (m_queue && !m_queue->empty()) {
        const Record record = m_queue->front();
        m_queue->pop_front();
        if (record->IsInternal || !ClientPresent())
            continue;
        const int32_t number = record->TransactionNumber;
        QByteArray respData;
        respData.append(static_cast<char>(record->Command));
        respData.append(kFailureStatus);
        respData.append('\0');
        const QByteArray data(2, '\0');
        std::shared_ptr<applet::CServerResponseClass> client = m_client;
        int32_t r = 0;
        switch (record->RequestKind) {
        case clsGatewayHARTservice::kKindRead:
            CallClient([&] { client->ReadResponse(number, kGatewayFailure, kFailureRespLen, respData, 0, data, r); });
            break;
        case clsGatewayHARTservice::kKindWrite:
            CallClient([&] { client->WriteResponse(number, kGatewayFailure, kFailureRespLen, respData, r); });
            break;
        default:
            CallClient([&] {
                client->DataExchangeResponse(number, kGatewayFailure, kFailureRespLen, respData, 0, data, r);
            });
            break;
        }
    }
}

// --- Attachment -------------------------------------------------------------------------------

int32_t clsGatewayHART::ConnectServer(const std::shared_ptr<applet::CServerRequestClass>& server)
{
    try {
        m_queue = std::make_unique<std::deque<Record>>();
        m_server = server;
        m_view = std::make_shared<clsViewDTM>();
        std::shared_ptr<applet::AppletHost> host = AppletHost();
        if (!host) {
            TraceGatewayError(kErrObjectNotSet, QStringLiteral("No applet host to attach the HART gateway to"),
                              QString());
            return 0;
        }
        std::shared_ptr<applet::clsAppletItemManager> manager;
        host->GetItemManager(manager);
        if (!manager) {
            TraceGatewayError(kErrObjectNotSet, QStringLiteral("The applet host has no item manager"), QString());
            return 0;
        }
        int32_t registered = 0;
        manager->RegisterView(m_view, registered);
        if (registered != 0)
            Debugging::TraceError(QStringLiteral("HART gateway: registering its view failed: ") + Hex8(registered));
        int32_t code = 0;
        host->fncSetCServer(shared_from_this(), code);
        m_attachedToHost = true;
        return code;
    } catch (const automation::ComError& e) {
        TraceGatewayError(e.number(), e.description(), e.source());
    } catch (const std::exception& e) {
        TraceGatewayError(automation::E_FAIL_, QString::fromLocal8Bit(e.what()), QString());
    }
    return 0;
}

void clsGatewayHART::DisconnectServer()
{
    auto keep = weak_from_this().lock();
    ReleaseLink();
    m_queue.reset();
    m_inFlight.reset();
}

void clsGatewayHART::ReleaseLink()
{
    if (ClientPresent()) {
        const int32_t previous = m_linkState;
        m_linkState = 0;
        SetConnectPhase(0);
        if (previous >= 1 && previous <= 3) {
            if (m_server) {
                std::shared_ptr<applet::CServerRequestClass> server = m_server;
                const QVariant handle = ServerHandle();
                int32_t r = 0;
                CallServer([&] { server->Abort(handle, r); });
            }
            IndicateToClient(kDetailConnectionLost);
            if (previous == 2 || previous == 3)
                FailPendingRequests();
        }
    }
    // Detach from the host whenever attached: it would otherwise keep sending
    // to a gateway without a server, and the view would stay registered.
    if (m_attachedToHost) {
        m_attachedToHost = false;
        if (std::shared_ptr<applet::AppletHost> host = AppletHost()) {
            int32_t code = 0;
            try {
                host->fncSetCServer(nullptr, code);
            } catch (const automation::ComError& e) {
                TraceGatewayError(e.number(), e.description(), e.source());
            }
        }
    }
    if (m_clientHandle && m_server) {
        std::shared_ptr<applet::CServerRequestClass> server = m_server;
        const QVariant handle = *m_clientHandle;
        int32_t r = 0;
        CallServer([&] { server->RemoveClient(handle, r); });
    }
    m_clientHandle.reset();
    if (m_view)
        m_view->UnregisterView();
    m_view.reset();
    m_server.reset();
    m_client.reset();
}

// --- Connection -------------------------------------------------------------------------------

void clsGatewayHART::SetConnectPhase(int32_t phase)
{
    m_connectPhase = phase;
    switch (phase) {
    case 1:
        m_linkState = 1;
        break;
    case 2:
        m_linkState = 2;
        break;
    case -1:
        m_linkState = 0;
        break;
    case 3:
        SendConnectResponse(m_connectResult);
        break;
    default:
        break;
    }
}

void clsGatewayHART::SendConnectResponse(int32_t hResult)
{
    if (!m_client) {
        Debugging::TraceError(QStringLiteral("HART gateway: no client to confirm the connect to"));
        return;
    }
    const QString address = m_view ? m_view->Address() : QString();
    std::shared_ptr<applet::CServerResponseClass> client = m_client;
    const QVariantList deviceInfo = m_deviceInfo;
    const QVariantList connectionInfo = m_connectionInfoResponse;
    int32_t r = 0;
    CallClient([&] { client->ConnectResponse(address, deviceInfo, connectionInfo, hResult, r); });
}

void clsGatewayHART::FailConnect(int32_t hResult, const QString& why)
{
    Debugging::TraceError(QStringLiteral("HART gateway: connect failed: ") + why);
    SetConnectPhase(-1);
    // A failure must never reach the client as success.
    SendConnectResponse(applet::IsResponseSuccess(hResult) ? kGatewayFailure : hResult);
}

void clsGatewayHART::ExchangeDeviceTagAddress()
{
    auto link = std::dynamic_pointer_cast<applet::CommunicationLink>(m_server);
    if (!link) {
        Debugging::TraceError(QStringLiteral("HART gateway: the communication server has no link interface"));
        return;
    }
    QString tag = m_view ? m_view->TagName() : QString();
    QString address = m_view ? m_view->Address() : QString();
    CallServer([&] { link->ExchangeDeviceTagAddress(tag, address); });
}

bool clsGatewayHART::ReadDeviceIdentity()
{
    if (!m_server)
        return false;
    const QByteArray request{"\x0D\x00", 2};
    Record saved = std::move(m_inFlight);
    m_inFlight = NewRequestRecord(request, clsGatewayHARTservice::kKindRead, true);
    std::shared_ptr<applet::CServerRequestClass> server = m_server;
    const QVariant handle = ServerHandle();
    int32_t number = -1;
    int32_t r = 0;
    bool accepted = false;
    if (CallServer([&] { server->ReadIORequest(handle, request, number, r); }) && r == 0) {
        QueueRequest(number);
        accepted = true;
    } else {
        Debugging::TraceError(QStringLiteral("HART gateway: the identity read (command 13) was refused: ") + Hex8(r));
        DropRequestInFlight();
    }
    m_inFlight = std::move(saved);
    return accepted;
}

void clsGatewayHART::EndConnection(const QString& why)
{
    Debugging::TraceError(QStringLiteral("HART gateway: connection ended: ") + why);
    m_linkState = 0;
    SetConnectPhase(0);
    if (m_server) {
        std::shared_ptr<applet::CServerRequestClass> server = m_server;
        const QVariant handle = ServerHandle();
        int32_t r = 0;
        CallServer([&] { server->Abort(handle, r); });
    }
    IndicateToClient(kDetailConnectionLost);
    FailPendingRequests();
}

void clsGatewayHART::HandleIdentityResponse(uint8_t DataLen, const QByteArray& Data, const QByteArray& RespData,
                                            int32_t hResult)
{
    if (!applet::IsResponseSuccess(hResult)) {
        // The client waits for its connect: it hears of the failure here;
        // CompleteTransaction then ends the server's session.
        if (m_connectPhase == 2)
            FailConnect(hResult, QStringLiteral("the identity read failed: ") + Hex8(hResult));
        return;
    }
    // Only the bytes that came count, whatever DataLen says.
    if (DataLen == kIdentityDataLength && Data.size() >= kIdentityDataLength) {
        if (m_view) {
            m_view->SetTagName(UnpackAscii(Data.mid(kTagOffset, kTagBytes), kTagBytes));
            m_view->SetDescriptor(UnpackAscii(Data.mid(kDescriptorOffset, kDescriptorBytes), kDescriptorBytes));
        }
        SetConnectPhase(3);
        return;
    }
    const int responseCode = RespData.size() >= 2 ? static_cast<uint8_t>(RespData.at(1)) : -1;
    const QString why = QStringLiteral("the identity answer holds %1 of %2 data bytes (DataLen %3, response code %4)")
                            .arg(Data.size())
                            .arg(kIdentityDataLength)
                            .arg(DataLen)
                            .arg(responseCode);
    if (responseCode == kBusy && m_connectPhase == 2 && m_identityBusyAnswers < kIdentityBusyRepeats) {
        ++m_identityBusyAnswers;
        Debugging::TraceInfo(QStringLiteral("HART gateway: the device answered the identity read busy; it is asked "
                                            "again (%1 of %2)")
                                 .arg(m_identityBusyAnswers)
                                 .arg(kIdentityBusyRepeats));
        std::weak_ptr<clsGatewayHART> weak = weak_from_this();
        loop::TimerService::instance().SingleShot(
            kIdentityBusyDelayMs,
            [weak] {
                const auto self = weak.lock();
                if (!self || self->m_connectPhase != 2)
                    return;
                if (self->ReadDeviceIdentity())
                    return;
                if (self->m_server) {
                    std::shared_ptr<applet::CServerRequestClass> server = self->m_server;
                    const QVariant handle = self->ServerHandle();
                    int32_t r = 0;
                    self->CallServer([&] { server->Abort(handle, r); });
                }
                self->FailConnect(kGatewayFailure, QStringLiteral("the repeated identity read was refused"));
            },
            weak);
        return;
    }
    if (responseCode == kCommandNotImplemented && (m_connectPhase == 2 || m_connectPhase == 3)) {
        Debugging::TraceInfo(QStringLiteral("HART gateway: the device does not implement command 13; tag and "
                                            "descriptor stay as they are"));
        SetConnectPhase(3);
        return;
    }
    if (m_connectPhase == 2) {
        if (m_server) {
            std::shared_ptr<applet::CServerRequestClass> server = m_server;
            const QVariant handle = ServerHandle();
            int32_t r = 0;
            CallServer([&] { server->Abort(handle, r); });
        }
        FailConnect(kGatewayFailure, why);
        return;
    }
    if (m_linkState == 2) {
        EndConnection(why);
        return;
    }
    Debugging::TraceError(QStringLiteral("HART gateway: identity answer dropped: ") + why);
}

void clsGatewayHART::CompleteTransaction(int32_t hResult, int32_t number)
{
    if (!ClientPresent())
        return;
    RemoveTransaction(number, m_inFlight);
    if (applet::IsResponseSuccess(hResult))
        return;
    Debugging::TraceError(QStringLiteral("HART gateway: transaction ") + TransactionKey(number)
                          + QStringLiteral(" failed with ") + Hex8(hResult) + QStringLiteral("; the connection ends"));
    const int32_t previous = m_linkState;
    m_linkState = 0;
    if (m_server) {
        std::shared_ptr<applet::CServerRequestClass> server = m_server;
        const QVariant handle = ServerHandle();
        int32_t r = 0;
        if (!CallServer([&] { server->Abort(handle, r); }))
            return;
    }
    if (IsLinkFailure(hResult)) {
        if (previous == 1)
            SetConnectPhase(0);
        if (previous >= 1 && previous <= 3) {
            IndicateToClient(kDetailConnectionLost);
            FailPendingRequests();
        }
        return;
    }
    IndicateToClient(hResult);
    if (previous == 2 || previous == 3)
        FailPendingRequests();
    else
        SetConnectPhase(0);
}

// --- CServerRequestClass --------------------------------------------------------------------------

void clsGatewayHART::fncInit(const QString&, const QString&, const QString&, int32_t& result)
{
    result = kGatewayFailure;
}

void clsGatewayHART::Destroy(std::shared_ptr<applet::CServerRequestClass>&, int32_t& result)
{
    result = kGatewayFailure;
}

void clsGatewayHART::AppItemManager(std::shared_ptr<applet::clsAppletItemManager>& manager, int32_t& result)
{
    manager.reset();
    result = kGatewayFailure;
    if (!m_server)
        return;
    std::shared_ptr<applet::CServerRequestClass> server = m_server;
    std::shared_ptr<applet::clsAppletItemManager> got;
    int32_t r = 0;
    if (!CallServer([&] { server->AppItemManager(got, r); }))
        return;
    manager = got;
    result = r;
}

void clsGatewayHART::ErrorMessage(uint8_t respLen, const QByteArray& RespData, int32_t hResult, QString& Message,
                                  int32_t& result)
{
    Message.clear();
    const auto server = ServerOrFail(result);
    if (!server)
        return;
    QString text;
    int32_t r = 0;
    if (!CallServer([&] { server->ErrorMessage(respLen, RespData, hResult, text, r); })) {
        result = kGatewayFailure;
        return;
    }
    Message = text;
    result = r;
}

void clsGatewayHART::fncSetDBInstance(const std::shared_ptr<applet::IFbInstanceData>&, int32_t& result)
{
    result = kGatewayFailure;
}

void clsGatewayHART::ConnectRequest(const QVariant&, const QVariant&, const QVariantList& DeviceInfo,
                                    const QVariant& ConnectionInfo, int32_t& result)
{
    auto keep = weak_from_this().lock();
    const auto server = ServerOrFail(result);
    if (!server)
        return;
    if (m_linkState == 1) {
        result = 0;
        return;
    }
    if (m_linkState == 2 || m_linkState == 3) {
        Debugging::TraceError(QStringLiteral("HART gateway: connect request refused in link state ")
                              + QString::number(m_linkState));
        result = kGatewayFailure;
        return;
    }
    m_deviceInfo = DeviceInfo;
    m_connectionInfoRequest = ConnectionInfo;
    if (auto link = std::dynamic_pointer_cast<applet::CommunicationLink>(server)) {
        const QString tag = m_view ? m_view->TagName() : QString();
        const QString address = m_view ? m_view->Address() : QString();
        if (!CallServer([&] { link->PutDeviceTagAddress(tag, address); })) {
            result = kGatewayFailure;
            return;
        }
    } else {
        Debugging::TraceError(QStringLiteral("HART gateway: the communication server has no link interface"));
    }
    // Phase 1 before the call: a server may answer from inside it.
    SetConnectPhase(1);
    const QVariant handle = ServerHandle();
    const QVariantList deviceInfo = m_deviceInfo;
    const QVariant connectionInfo = m_connectionInfoRequest;
    int32_t r = 0;
    if (!CallServer([&] { server->ConnectRequest(handle, kGatewayAddressInfo, deviceInfo, connectionInfo, r); })) {
        if (m_connectPhase == 1)
            SetConnectPhase(-1);
        result = kGatewayFailure;
        return;
    }
    if (r != 0) {
        Debugging::TraceError(QStringLiteral("HART gateway: the server refused the connect request: ") + Hex8(r));
        if (m_connectPhase == 1)
            SetConnectPhase(-1);
    }
    result = r;
}

void clsGatewayHART::DisConnectRequest(const QVariant&, int32_t& result)
{
    auto keep = weak_from_this().lock();
    const auto server = ServerOrFail(result);
    if (!server)
        return;
    const QVariant handle = ServerHandle();
    result = 0;
    if (m_linkState == 1 || m_linkState == 2) {
        // Link state 3 before the call: the server may answer from inside it.
        m_linkState = 3;
        int32_t r = 0;
        result = CallServer([&] { server->DisConnectRequest(handle, r); }) ? r : kGatewayFailure;
    } else if (m_linkState == 3) {
        int32_t r = 0;
        if (CallServer([&] { server->Abort(handle, r); })) {
            m_linkState = 0;
            IndicateToClient(kDetailConnectionLost);
        } else {
            result = kGatewayFailure;
        }
    }
    SetConnectPhase(0);
}

void clsGatewayHART::Abort(const QVariant&, int32_t& result)
{
    auto keep = weak_from_this().lock();
    const auto server = ServerOrFail(result);
    if (!server)
        return;
    SetConnectPhase(0);
    const int32_t previous = m_linkState;
    m_linkState = 0;
    const QVariant handle = ServerHandle();
    int32_t r = 0;
    if (!CallServer([&] { server->Abort(handle, r); })) {
        result = kGatewayFailure;
        return;
    }
    if (previous == 2)
        FailPendingRequests();
    result = 0;
}

void clsGatewayHART::QueuedRequest(int32_t kind, const QByteArray& RequestStr, int32_t& TransActionNumber,
                                   int32_t& result)
{
    auto keep = weak_from_this().lock();
    if (NotConnected()) {
        Debugging::TraceError(QStringLiteral("HART gateway: request refused, not connected (link state ")
                              + QString::number(m_linkState) + QStringLiteral(")"));
        result = kGatewayFailure;
        return;
    }
    m_inFlight = NewRequestRecord(RequestStr, kind, false);
    std::shared_ptr<applet::CServerRequestClass> server = m_server;
    const QVariant handle = ServerHandle();
    int32_t number = -1;
    int32_t r = 0;
    const bool called = CallServer([&] {
        switch (kind) {
        case clsGatewayHARTservice::kKindRead:
            server->ReadIORequest(handle, RequestStr, number, r);
            break;
        case clsGatewayHARTservice::kKindWrite:
            server->WriteIORequest(handle, RequestStr, number, r);
            break;
        default:
            server->DataExchangeRequest(handle, RequestStr, number, r);
            break;
        }
    });
    if (!called) {
        DropRequestInFlight();
        TransActionNumber = -1;
        result = kGatewayFailure;
        return;
    }
    if (r == 0)
        QueueRequest(number);
    else
        DropRequestInFlight();
    TransActionNumber = number;
    result = r;
}

void clsGatewayHART::ReadIORequest(const QVariant&, const QByteArray& RequestStr, int32_t& TransActionNumber,
                                   int32_t& result)
{
    QueuedRequest(clsGatewayHARTservice::kKindRead, RequestStr, TransActionNumber, result);
}

void clsGatewayHART::WriteIORequest(const QVariant&, const QByteArray& RequestStr, int32_t& TransActionNumber,
                                    int32_t& result)
{
    QueuedRequest(clsGatewayHARTservice::kKindWrite, RequestStr, TransActionNumber, result);
}

void clsGatewayHART::DataExchangeRequest(const QVariant&, const QByteArray& RequestStr, int32_t& TransActionNumber,
                                         int32_t& result)
{
    QueuedRequest(clsGatewayHARTservice::kKindExchange, RequestStr, TransActionNumber, result);
}

void clsGatewayHART::Cancel(int32_t TransActionNumber, int32_t& result)
{
    auto keep = weak_from_this().lock();
    const auto server = ServerOrFail(result);
    if (!server)
        return;
    RemoveTransaction(TransActionNumber, m_inFlight);
    int32_t r = 0;
    result = CallServer([&] { server->Cancel(TransActionNumber, r); }) ? r : kGatewayFailure;
}

void clsGatewayHART::SearchDeviceRequest(const QVariant&, int32_t& result) { result = kGatewayFailure; }

void clsGatewayHART::ChangeSlaveAdressRequest(const QVariant&, const QVariant& newAddress, int32_t& result)
{
    if (NotConnected()) {
        result = kGatewayFailure;
        return;
    }
    std::shared_ptr<applet::CServerRequestClass> server = m_server;
    const QVariant handle = ServerHandle();
    int32_t r = 0;
    result = CallServer([&] { server->ChangeSlaveAdressRequest(handle, newAddress, r); }) ? r : kGatewayFailure;
}

void clsGatewayHART::MenuSetBusAddr(const QVariant&, int32_t& result)
{
    const auto server = ServerOrFail(result);
    if (!server)
        return;
    const QVariant handle = ServerHandle();
    int32_t r = 0;
    result = CallServer([&] { server->MenuSetBusAddr(handle, r); }) ? r : kGatewayFailure;
}

void clsGatewayHART::MenuSearchDevice(int32_t& result) { result = kGatewayFailure; }
void clsGatewayHART::MenuServerData(int32_t& result) { result = kGatewayFailure; }
void clsGatewayHART::MenuStartView(const QString&, int32_t& result) { result = kGatewayFailure; }
void clsGatewayHART::MenuConnectSubnet(int32_t& result) { result = kGatewayFailure; }
void clsGatewayHART::MenuDisConnectSubnet(int32_t& result) { result = kGatewayFailure; }
void clsGatewayHART::MenuLoad(int32_t& result) { result = kGatewayFailure; }
void clsGatewayHART::MenuLoadSubnet(int32_t& result) { result = kGatewayFailure; }
void clsGatewayHART::MenuSave(int32_t& result) { result = kGatewayFailure; }
void clsGatewayHART::MenuSaveSubnet(int32_t& result) { result = kGatewayFailure; }
void clsGatewayHART::MenuPrint(int32_t& result) { result = kGatewayFailure; }
void clsGatewayHART::MenuPrintSubnet(int32_t& result) { result = kGatewayFailure; }
void clsGatewayHART::MenuOpenNew(int32_t& result) { result = kGatewayFailure; }
void clsGatewayHART::MenuSaveAs(int32_t& result) { result = kGatewayFailure; }

void clsGatewayHART::AddClient(const std::shared_ptr<applet::CServerResponseClass>& ClientIF, QVariant& ClientHandle,
                               const QVariant& KeyParamList, int32_t& result)
{
    auto keep = weak_from_this().lock();
    const auto server = ServerOrFail(result);
    if (!server)
        return;
    if (m_clientHandle) {
        // One client at a time: the server forgets the previous one.
        const QVariant previous = *m_clientHandle;
        m_clientHandle.reset();
        int32_t r = 0;
        CallServer([&] { server->RemoveClient(previous, r); });
    }
    m_client = ClientIF;
    std::shared_ptr<applet::CServerResponseClass> self = shared_from_this();
    QVariant handle;
    int32_t r = 0;
    if (!CallServer([&] { server->AddClient(self, handle, KeyParamList, r); })) {
        result = kGatewayFailure;
        return;
    }
    m_linkState = 0;
    if (r == 0)
        m_clientHandle = handle;
    else
        Debugging::TraceError(QStringLiteral("HART gateway: the server refused it as client: ") + Hex8(r));
    ClientHandle = handle;
    result = r;
}

void clsGatewayHART::RemoveClient(const QVariant&, int32_t& result)
{
    auto keep = weak_from_this().lock();
    const auto server = ServerOrFail(result);
    if (!server)
        return;
    const QVariant handle = ServerHandle();
    int32_t r = 0;
    if (!CallServer([&] { server->RemoveClient(handle, r); })) {
        result = kGatewayFailure;
        return;
    }
    m_clientHandle.reset();
    m_linkState = 0;
    SetConnectPhase(0);
    FailPendingRequests();
    result = r;
}

// --- CServerResponseClass -------------------------------------------------------------------------

void clsGatewayHART::ConnectResponse(const QVariant&, const QVariantList&, const QVariantList& ConnectionInfo,
                                     int32_t hResult, int32_t& result)
{
    auto keep = weak_from_this().lock();
    if (!ClientPresent()) {
        result = kGatewayFailure;
        return;
    }
    TraceResponse(QStringLiteral("Connect Response result = "), hResult);
    m_connectionInfoResponse = ConnectionInfo;
    m_connectResult = hResult;
    result = 0;
    if (hResult != 0) {
        FailConnect(hResult, QStringLiteral("the server answered ") + Hex8(hResult));
        return;
    }
    if (ConnectionInfo.size() < kConnectionInfoMinimum) {
        FailConnect(kGatewayFailure, QStringLiteral("the server gave %1 connection-info elements, %2 needed")
                                         .arg(ConnectionInfo.size())
                                         .arg(kConnectionInfoMinimum));
        return;
    }
    ExchangeDeviceTagAddress();
    // Phase 2 before the read: its answer may come from inside the call.
    SetConnectPhase(2);
    m_identityBusyAnswers = 0;
    if (ReadDeviceIdentity())
        return;
    if (m_server) {
        std::shared_ptr<applet::CServerRequestClass> server = m_server;
        const QVariant handle = ServerHandle();
        int32_t r = 0;
        CallServer([&] { server->Abort(handle, r); });
    }
    FailConnect(kGatewayFailure, QStringLiteral("the identity read was refused"));
}

void clsGatewayHART::DisConnectResponse(int32_t& result)
{
    auto keep = weak_from_this().lock();
    if (!ClientPresent()) {
        result = kGatewayFailure;
        return;
    }
    std::shared_ptr<applet::CServerResponseClass> client = m_client;
    int32_t r = 0;
    const bool called = CallClient([&] { client->DisConnectResponse(r); });
    SetConnectPhase(0);
    m_linkState = 0;
    FailPendingRequests();
    result = called ? r : kGatewayFailure;
}

void clsGatewayHART::DisConnectIndication(int32_t locally_generated, int32_t instance, const QVariant& reason,
                                          int32_t detail, int32_t& result)
{
    auto keep = weak_from_this().lock();
    if (!ClientPresent()) {
        result = kGatewayFailure;
        return;
    }
    Debugging::TraceError(QStringLiteral("HART gateway: the server ended the connection, detail ") + Hex8(detail));
    m_linkState = 0;
    SetConnectPhase(0);
    std::shared_ptr<applet::CServerResponseClass> client = m_client;
    int32_t r = 0;
    const bool called = CallClient([&] { client->DisConnectIndication(locally_generated, instance, reason, detail, r); });
    FailPendingRequests();
    result = called ? r : kGatewayFailure;
}

void clsGatewayHART::ReadResponse(int32_t TransActionNumber, int32_t hResult, uint8_t respLen,
                                  const QByteArray& RespData, uint8_t DataLen, const QByteArray& Data,
                                  int32_t& result)
{
    auto keep = weak_from_this().lock();
    TraceResponse(QStringLiteral("Read Response result = "), hResult);
    Debugging::TraceHexDump(RespData, QStringLiteral("Read Response:"));
    Debugging::TraceHexDump(Data, QStringLiteral("Read Data:"));
    result = 0;
    if (!ClientPresent())
        return;
    bool found = false;
    Record record = FindTransaction(TransActionNumber, found);
    if (!found)
        record = m_inFlight;
    if (!record) {
        Debugging::TraceError(QStringLiteral("HART gateway: read response for unknown transaction ")
                              + TransactionKey(TransActionNumber) + QStringLiteral(" dropped"));
        return;
    }
    if (record->IsInternal) {
        if (record->Command == kIdentityCommand)
            HandleIdentityResponse(DataLen, Data, RespData, hResult);
        else
            Debugging::TraceInfo(QStringLiteral("HART gateway: answer to its own command ")
                                 + QString::number(record->Command) + QStringLiteral(" not passed on"));
    } else {
        std::shared_ptr<applet::CServerResponseClass> client = m_client;
        int32_t r = 0;
        if (!CallClient([&] { client->ReadResponse(TransActionNumber, hResult, respLen, RespData, DataLen, Data, r); })) {
            result = kGatewayFailure;
            return;
        }
        result = r;
    }
    CompleteTransaction(hResult, TransActionNumber);
}

void clsGatewayHART::WriteResponse(int32_t TransActionNumber, int32_t hResult, uint8_t respLen,
                                   const QByteArray& RespData, int32_t& result)
{
    auto keep = weak_from_this().lock();
    TraceResponse(QStringLiteral("Write Response result = "), hResult);
    Debugging::TraceHexDump(RespData, QStringLiteral("Write Response:"));
    if (!ClientPresent()) {
        result = kGatewayFailure;
        return;
    }
    std::shared_ptr<applet::CServerResponseClass> client = m_client;
    int32_t r = 0;
    if (!CallClient([&] { client->WriteResponse(TransActionNumber, hResult, respLen, RespData, r); })) {
        result = kGatewayFailure;
        return;
    }
    result = r;
    CompleteTransaction(hResult, TransActionNumber);
}

void clsGatewayHART::DataExchangeResponse(int32_t TransActionNumber, int32_t hResult, uint8_t respLen,
                                          const QByteArray& RespData, uint8_t DataLen, const QByteArray& Data,
                                          int32_t& result)
{
    auto keep = weak_from_this().lock();
    TraceResponse(QStringLiteral("Data exchange Response result = "), hResult);
    Debugging::TraceHexDump(RespData, QStringLiteral("Data exchange Response:"));
    Debugging::TraceHexDump(Data, QStringLiteral("Data exchange Data:"));
    if (!ClientPresent()) {
        result = kGatewayFailure;
        return;
    }
    std::shared_ptr<applet::CServerResponseClass> client = m_client;
    int32_t r = 0;
    if (!CallClient([&] {
            client->DataExchangeResponse(TransActionNumber, hResult, respLen, RespData, DataLen, Data, r);
        })) {
        result = kGatewayFailure;
        return;
    }
    result = r;
    CompleteTransaction(hResult, TransActionNumber);
}

void clsGatewayHART::SearchDeviceResponse(int32_t, const QVariant&, const QVariant&, const QVariant&, int32_t& result)
{
    result = 0;
}

void clsGatewayHART::ChangeSlaveAddressResponse(const QVariant& first, const QVariant& second, int32_t& result)
{
    auto keep = weak_from_this().lock();
    if (!ClientPresent()) {
        result = kGatewayFailure;
        return;
    }
    std::shared_ptr<applet::CServerResponseClass> client = m_client;
    int32_t r = 0;
    result = CallClient([&] { client->ChangeSlaveAddressResponse(first, second, r); }) ? r : kGatewayFailure;
}

void clsGatewayHART::SetAddressInfo(const QVariant&, int32_t& result)
{
    auto keep = weak_from_this().lock();
    if (!ClientPresent()) {
        result = kGatewayFailure;
        return;
    }
    ExchangeDeviceTagAddress();
    ReadDeviceIdentity();
    result = 0;
}
