#include "platform/applet/clsCommClient.h"
#include "platform/applet/AppletResults.h"
#include "platform/applet/AppletStates.h"
#include "platform/applet/AppletTrace.h"
#include "platform/applet/ValueConverter.h"
#include "platform/applet/clsAppletItemManager.h"
#include "platform/loop/EventLoop.h"
#include "platform/loop/TimerService.h"

namespace applet {

namespace {

QString HResultText(int32_t hResult)
{
    return QStringLiteral("0x%1").arg(static_cast<uint32_t>(hResult), 8, 16, QLatin1Char('0'));
}

QVariant HexKey(const Description& d, const QString& key)
{
    const QString* text = d.HeaderValue(key);
    if (!text)
        return QVariant();
    int32_t value = 0;
    int32_t failed = 1;
    ValueConverter::instance().HexTextToLong(*text, value, failed);
    return failed == 0 ? QVariant(value) : QVariant();
}

} // namespace

clsCommClient::clsCommClient(std::weak_ptr<clsAppletItemManager> manager,
                             std::shared_ptr<const Description> description)
    : m_manager(std::move(manager)), m_description(std::move(description))
{
    if (auto m = m_manager.lock()) {
        m_connectHandle = m->HandleOf(QStringLiteral("&&private&&connect"));
        m_addressHandle = m->HandleOf(QStringLiteral("&&private_PM&&Address"));
    }
}

clsCommClient::~clsCommClient()
{
    m_watchdog.Cancel();
}

void clsCommClient::Later(std::function<void(clsCommClient&)> work)
{
    std::weak_ptr<clsCommClient> weak = weak_from_this();
    loop::PostToLoop(
        [weak, work = std::move(work)] {
            if (auto self = weak.lock())
                work(*self);
        },
        weak);
}

int32_t clsCommClient::State() const
{
    auto manager = m_manager.lock();
    const AppletItem* item = manager ? manager->Item(m_connectHandle) : nullptr;
    return item ? static_cast<int32_t>(ItemValue::ToNumber(item->Type(), item->Value())) : ConnectState::NotConnected;
}

void clsCommClient::SetState(int32_t state)
{
    if (auto manager = m_manager.lock())
        manager->Write(m_connectHandle, QVariant::fromValue<quint64>(static_cast<quint64>(state)), WriteOrigin::Host);
}

void clsCommClient::SetServer(std::shared_ptr<CServerRequestClass> server)
{
    if (server == m_server)
        return;
    if (m_server) {
        if (State() != ConnectState::NotConnected) {
            if (m_hasClient) {
                int32_t result = 0;
                m_server->Abort(m_clientHandle, result);
            }
            EndConnection(QStringLiteral("communication server replaced"));
        }
        if (m_hasClient) {
            int32_t result = 0;
            m_server->RemoveClient(m_clientHandle, result);
        }
    }
    m_watchdog.Cancel();
    m_server = std::move(server);
    m_hasClient = false;
    m_clientHandle = QVariant();
}

void clsCommClient::Release()
{
    m_watchdog.Cancel();
    if (!m_server)
        return;
    int32_t result = 0;
    if (m_hasClient) {
        if (State() != ConnectState::NotConnected)
            m_server->Abort(m_clientHandle, result);
        m_server->RemoveClient(m_clientHandle, result);
    }
    m_server.reset();
    m_hasClient = false;
    m_clientHandle = QVariant();
}

bool clsCommClient::EnsureClient()
{
    if (m_hasClient)
        return true;
    int32_t result = 0;
    QVariant handle;
    m_server->AddClient(shared_from_this(), handle, QVariant(), result);
    if (result != 0) {
        AppletTrace::Error(QStringLiteral("The communication server refused the client: %1").arg(ResultText(result)));
        return false;
    }
    m_clientHandle = handle;
    m_hasClient = true;
    return true;
}

int32_t clsCommClient::Connect()
{
    if (!m_server)
        return kResultNoServer;
    if (m_connectHandle == 0)
        return kResultNotInitialised;
    const int32_t state = State();
    if (state == ConnectState::Connected)
        return kResultOk;
    if (state != ConnectState::NotConnected)
        return kResultConnectionBusy;
    SetState(ConnectState::Connecting);
    Later([](clsCommClient& self) { self.BeginConnect(); });
    return kResultOk;
}

void clsCommClient::BeginConnect()
{
    if (State() != ConnectState::Connecting)
        return;
    if (!m_server || !EnsureClient()) {
        EndConnection(QStringLiteral("no communication server to connect through"));
        return;
    }
    QVariant address;
    if (auto manager = m_manager.lock())
        if (const AppletItem* item = manager->Item(m_addressHandle))
            address = ItemValue::ToText(item->Type(), item->Value());
    QVariantList deviceInfo;
    if (m_description)
        deviceInfo << HexKey(*m_description, QStringLiteral("VendorId"))
                   << HexKey(*m_description, QStringLiteral("DeviceId"));
    int32_t result = 0;
    m_server->ConnectRequest(m_clientHandle, address, deviceInfo, QVariant(), result);
    if (result != 0) {
        EndConnection(QStringLiteral("connect request refused: %1").arg(ResultText(result)));
        return;
    }
    std::weak_ptr<clsCommClient> weak = weak_from_this();
    m_watchdog = loop::TimerService::instance().SingleShot(
        kConnectTimeoutMs,
        [weak] {
            auto self = weak.lock();
            if (!self || self->State() != ConnectState::Connecting)
                return;
            int32_t r = 0;
            if (self->m_server && self->m_hasClient)
                self->m_server->Abort(self->m_clientHandle, r);
            self->EndConnection(QStringLiteral("the communication server did not answer the connect request"));
        },
        weak);
}

void clsCommClient::OnConnectAnswer(int32_t hResult)
{
    if (State() != ConnectState::Connecting) {
        AppletTrace::Info(QStringLiteral("Connect response without a connect under way dropped"));
        return;
    }
    m_watchdog.Cancel();
    if (IsResponseSuccess(hResult)) {
        SetState(ConnectState::Connected);
        return;
    }
    EndConnection(QStringLiteral("connect failed, hResult %1").arg(HResultText(hResult)));
}

int32_t clsCommClient::Disconnect()
{
    const int32_t state = State();
    if (state == ConnectState::NotConnected || state == ConnectState::Disconnecting)
        return kResultOk;
    if (!m_server) {
        EndConnection(QStringLiteral("no communication server"));
        return kResultOk;
    }
    m_watchdog.Cancel();
    // The state first: whoever reacts to the end of a running sequence finds
    // the device no longer connected and starts nothing new.
    SetState(ConnectState::Disconnecting);
    if (m_listener.connectionEnding)
        m_listener.connectionEnding();
    Later([](clsCommClient& self) { self.BeginDisconnect(); });
    return kResultOk;
}

void clsCommClient::BeginDisconnect()
{
    if (State() != ConnectState::Disconnecting)
        return;
    if (!m_server || !m_hasClient) {
        EndConnection(QStringLiteral("disconnected"));
        return;
    }
    int32_t result = 0;
    m_server->DisConnectRequest(m_clientHandle, result);
    if (result != 0) {
        EndConnection(QStringLiteral("disconnect request refused: %1").arg(ResultText(result)));
        return;
    }
    std::weak_ptr<clsCommClient> weak = weak_from_this();
    m_watchdog = loop::TimerService::instance().SingleShot(
        kDisconnectTimeoutMs,
        [weak] {
            if (auto self = weak.lock(); self && self->State() == ConnectState::Disconnecting)
                self->EndConnection(QStringLiteral("the communication server did not answer the disconnect request"));
        },
        weak);
}

void clsCommClient::EndConnection(const QString& reason)
{
    m_watchdog.Cancel();
    if (State() == ConnectState::NotConnected)
        return;
    AppletTrace::Info(QStringLiteral("Connection ends: %1").arg(reason));
    SetState(ConnectState::NotConnected);
    if (m_listener.connectionEnding)
        m_listener.connectionEnding();
}

int32_t clsCommClient::Send(RecordKind kind, const QByteArray& request, int32_t& transaction)
{
    transaction = -1;
    if (!m_server || !m_hasClient || State() != ConnectState::Connected)
        return kResultNotConnected;
    int32_t result = 0;
    switch (kind) {
    case RecordKind::Read:
        m_server->ReadIORequest(m_clientHandle, request, transaction, result);
        break;
    case RecordKind::Write:
        m_server->WriteIORequest(m_clientHandle, request, transaction, result);
        break;
    case RecordKind::Exchange:
        m_server->DataExchangeRequest(m_clientHandle, request, transaction, result);
        break;
    }
    return result;
}

void clsCommClient::Cancel(int32_t transaction)
{
    if (!m_server)
        return;
    int32_t result = 0;
    m_server->Cancel(transaction, result);
}

void clsCommClient::Deliver(IoResponse response)
{
    if (m_listener.response)
        m_listener.response(response);
}

// --- CServerResponseClass -------------------------------------------------------

void clsCommClient::ConnectResponse(const QVariant&, const QVariantList&, const QVariantList&, int32_t hResult,
                                    int32_t& result)
{
    result = 0;
    Later([hResult](clsCommClient& self) { self.OnConnectAnswer(hResult); });
}

void clsCommClient::DisConnectResponse(int32_t& result)
{
    result = 0;
    Later([](clsCommClient& self) { self.EndConnection(QStringLiteral("disconnected")); });
}

void clsCommClient::DisConnectIndication(int32_t, int32_t, const QVariant&, int32_t detail, int32_t& result)
{
    result = 0;
    Later([detail](clsCommClient& self) {
        self.EndConnection(QStringLiteral("the server ended the connection, detail %1").arg(detail));
    });
}

void clsCommClient::ReadResponse(int32_t TransActionNumber, int32_t hResult, uint8_t, const QByteArray& RespData,
                                 uint8_t, const QByteArray& Data, int32_t& result)
{
    result = 0;
    IoResponse response{RecordKind::Read, TransActionNumber, hResult, RespData, Data};
    Later([response](clsCommClient& self) { self.Deliver(response); });
}

void clsCommClient::WriteResponse(int32_t TransActionNumber, int32_t hResult, uint8_t, const QByteArray& RespData,
                                  int32_t& result)
{
    result = 0;
    // A write response carries its data (the device's echo) behind the status bytes.
    IoResponse response{RecordKind::Write, TransActionNumber, hResult, RespData.left(3), RespData.mid(3)};
    Later([response](clsCommClient& self) { self.Deliver(response); });
}

void clsCommClient::DataExchangeResponse(int32_t TransActionNumber, int32_t hResult, uint8_t,
                                         const QByteArray& RespData, uint8_t, const QByteArray& Data,
                                         int32_t& result)
{
    result = 0;
    IoResponse response{RecordKind::Exchange, TransActionNumber, hResult, RespData, Data};
    Later([response](clsCommClient& self) { self.Deliver(response); });
}

void clsCommClient::SearchDeviceResponse(int32_t, const QVariant&, const QVariant&, const QVariant&, int32_t& result)
{
    result = 0;
}

void clsCommClient::ChangeSlaveAddressResponse(const QVariant&, const QVariant&, int32_t& result)
{
    result = 0;
}

void clsCommClient::SetAddressInfo(const QVariant&, int32_t& result)
{
    result = 0;
}

} // namespace applet
