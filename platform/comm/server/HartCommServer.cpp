#include "platform/comm/server/HartCommServer.h"

#include "platform/comm/hart/HartStatus.h"
#include "platform/comm/hartip/HartIpClient.h"
#include "platform/comm/server/CommServerResults.h"
#include "platform/comm/server/ICommandDeadline.h"
#include "platform/comm/server/IHartIpAddress.h"
#include "platform/loop/EventLoop.h"
#include "platform/loop/Timer.h"
#include "platform/loop/TimerService.h"
#include <QObject>
#include <algorithm>
#include <limits>

namespace comm {

namespace {

// The connect covers TCP, the session initiate and command 0.
constexpr int kConnectTimeoutFactor = 3;
// The link's own time-out only backs ours up: ours decides, and says Timeout.
constexpr int kLinkTimeoutFactor = 4;
constexpr int kMaxResponseTimeoutMs = 10 * 60 * 1000;
constexpr int32_t kIndicationInstance = 0;
// Read Additional Device Status, asked at connect when the device has more to say.
constexpr uint8_t kAdditionalStatusCommand = 48;

uint8_t ByteAt(const QByteArray& bytes, qsizetype index)
{
    return static_cast<uint8_t>(bytes.at(index));
}

uint8_t LengthByte(qsizetype size)
{
    return static_cast<uint8_t>(std::min<qsizetype>(size, 255));
}

} // namespace

HartCommServer::HartCommServer() = default;

HartCommServer::~HartCommServer()
{
    for (auto& [handle, client] : m_clients) {
        if (client->link) {
            QObject::disconnect(client->link.get(), nullptr, nullptr, nullptr);
            client->link->abort();
        }
    }
    m_clients.clear();
    m_retired.clear();
}

void HartCommServer::SetResponseTimeout(int ms)
{
    m_responseTimeoutMs = std::clamp(ms, 1, kMaxResponseTimeoutMs);
}

int HartCommServer::OpenRequests() const
{
    int count = 0;
    for (const auto& [handle, client] : m_clients)
        count += static_cast<int>(client->open.size());
    return count;
}

HartCommServer::Client* HartCommServer::FindClient(int32_t handle)
{
    auto it = m_clients.find(handle);
    return it == m_clients.end() ? nullptr : it->second.get();
}

HartCommServer::Client* HartCommServer::FindClient(const QVariant& handle)
{
    bool ok = false;
    const int32_t number = handle.toInt(&ok);
    return ok ? FindClient(number) : nullptr;
}

int32_t HartCommServer::NextTransactionNumber()
{
    if (m_lastTransaction == std::numeric_limits<int32_t>::max())
        m_lastTransaction = 0;
    return ++m_lastTransaction;
}

// --- Answers ----------------------------------------------------------------------

void HartCommServer::Post(Client& c, ResponseCall call)
{
    const int32_t handle = c.handle;
    const uint64_t generation = c.generation;
    std::weak_ptr<HartCommServer> weak = weak_from_this();
    loop::PostToLoop(
        [weak, handle, generation, call = std::move(call)] {
            auto self = weak.lock();
            if (!self)
                return;
            Client* client = self->FindClient(handle);
            if (!client || client->generation != generation || !client->responder)
                return;
            // The client may remove itself or drop the server from inside its answer.
            std::shared_ptr<applet::CServerResponseClass> responder = client->responder;
            int32_t result = 0;
            call(*responder, result);
        },
        weak);
}

void HartCommServer::Answer(Client& c, const Transaction& t, int32_t hResult, uint8_t responseCode,
                            uint8_t deviceStatus, const QByteArray& data)
{
    QByteArray respData;
    respData.append(static_cast<char>(t.command));
    respData.append(static_cast<char>(responseCode));
    respData.append(static_cast<char>(deviceStatus));
    const int32_t number = t.number;
    switch (t.kind) {
    case RequestKind::Read:
        Post(c, [number, hResult, respData, data](applet::CServerResponseClass& client, int32_t& result) {
            client.ReadResponse(number, hResult, LengthByte(respData.size()), respData, LengthByte(data.size()), data,
                                result);
        });
        break;
    case RequestKind::Write: {
        // A write response carries the device's echo behind the status bytes.
        const QByteArray all = respData + data;
        Post(c, [number, hResult, all](applet::CServerResponseClass& client, int32_t& result) {
            client.WriteResponse(number, hResult, LengthByte(all.size()), all, result);
        });
        break;
    }
    case RequestKind::Exchange:
        Post(c, [number, hResult, respData, data](applet::CServerResponseClass& client, int32_t& result) {
            client.DataExchangeResponse(number, hResult, LengthByte(respData.size()), respData,
                                        LengthByte(data.size()), data, result);
        });
        break;
    }
}

void HartCommServer::ConnectSucceeded(Client& c)
{
    c.state = LinkState::Connected;
    c.identitySequence = -1;
    c.statusSequence = -1;
    c.deadline->Stop();
    const HartIdentity& id = c.identity;
    QVariantList info(ConnectionInfoIndex::Count);
    info[ConnectionInfoIndex::Address] = c.endpoint.toUrl();
    info[ConnectionInfoIndex::Host] = c.endpoint.host;
    info[ConnectionInfoIndex::Port] = static_cast<int>(c.endpoint.port);
    info[ConnectionInfoIndex::PollingAddress] = static_cast<int>(c.pollingAddress);
    info[ConnectionInfoIndex::ManufacturerId] = static_cast<int>(id.manufacturerId);
    info[ConnectionInfoIndex::ExpandedDeviceType] = static_cast<int>(id.expandedDeviceType);
    info[ConnectionInfoIndex::DeviceId] = static_cast<int>(id.deviceId);
    info[ConnectionInfoIndex::UniversalRevision] = static_cast<int>(id.universalRevision);
    info[ConnectionInfoIndex::DeviceRevision] = static_cast<int>(id.deviceRevision);
    info[ConnectionInfoIndex::SoftwareRevision] = static_cast<int>(id.softwareRevision);
    info[ConnectionInfoIndex::HardwareRevision] = static_cast<int>(id.hardwareRevision);
    info[ConnectionInfoIndex::RequestPreambles] = static_cast<int>(id.requestPreambles);
    info[ConnectionInfoIndex::ConfigChangeCounter] = static_cast<int>(id.configChangeCounter);
    info[ConnectionInfoIndex::MasterType] = static_cast<int>(c.link->session().masterType);
    info[ConnectionInfoIndex::InactivityCloseTimeMs] = static_cast<qulonglong>(c.link->session().inactivityCloseTimeMs);
    const QVariantList deviceInfo{static_cast<int>(id.manufacturerId), static_cast<int>(id.expandedDeviceType),
                                  static_cast<int>(id.deviceId)};
    const QString url = c.endpoint.toUrl();
    Post(c, [url, deviceInfo, info](applet::CServerResponseClass& client, int32_t& result) {
        client.ConnectResponse(url, deviceInfo, info, HResult::Ok, result);
    });
}

void HartCommServer::TellFailure(Client& c, int32_t hResult, const QString& detail)
{
    if (!c.guard)
        return;
    const std::shared_ptr<IHartDeviceType> guard = c.guard;
    guard->OnConnectionFailed(detail.isEmpty() ? CommServerText(hResult)
                                               : CommServerText(hResult) + QStringLiteral(" (") + detail + QLatin1Char(')'));
}

void HartCommServer::ConnectFailed(Client& c, int32_t hResult, const QString& cause)
{
    // A device of another type has its own report, naming both identities.
    // The link's reason tells a closed port from a full device or a peer
    // that speaks no HART-IP.
    if (hResult != HResult::WrongDevice)
        TellFailure(c, hResult, cause.isEmpty() ? QStringLiteral("connect to %1").arg(c.endpoint.toUrl())
                                                : QStringLiteral("connect to %1: %2").arg(c.endpoint.toUrl(), cause));
    RetireLink(c);
    c.state = LinkState::Idle;
    const QString url = c.endpoint.toUrl();
    Post(c, [url, hResult](applet::CServerResponseClass& client, int32_t& result) {
        client.ConnectResponse(url, QVariantList(), QVariantList(), hResult, result);
    });
}

void HartCommServer::EndSession(Client& c, int32_t headHResult, int32_t hResult, const QString& reason,
                                bool locallyGenerated)
{
    TellFailure(c, headHResult, reason);
    std::deque<Transaction> open;
    open.swap(c.open);
    RetireLink(c);
    c.state = LinkState::Idle;
    bool head = true;
    for (const Transaction& t : open) {
        if (!t.cancelled)
            Answer(c, t, head ? headHResult : hResult);
        head = false;
    }
    const QByteArray why = reason.toUtf8();
    const int32_t local = locallyGenerated ? 1 : 0;
    Post(c, [local, why, headHResult](applet::CServerResponseClass& client, int32_t& result) {
        client.DisConnectIndication(local, kIndicationInstance, why, headHResult, result);
    });
}

void HartCommServer::Silence(Client& c)
{
    ++c.generation;
    c.open.clear();
    RetireLink(c);
    c.state = LinkState::Idle;
}

void HartCommServer::ArmForHead(Client& c)
{
    if (c.open.empty())
        c.deadline->Stop();
    else
        c.deadline->Start(m_responseTimeoutMs);
}

void HartCommServer::AnswerFromCache(Client& c, const Transaction& t, const HartAnswerCache::Answer& answer)
{
    const int32_t handle = c.handle;
    const uint64_t generation = c.generation;
    const int32_t number = t.number;
    std::weak_ptr<HartCommServer> weak = weak_from_this();
    loop::PostToLoop(
        [weak, handle, generation, number, answer] {
            auto self = weak.lock();
            if (!self)
                return;
            Client* client = self->FindClient(handle);
            if (!client || client->generation != generation)
                return;
            // Gone when the session ended meanwhile: its end answered it.
            auto it = std::find_if(client->open.begin(), client->open.end(),
                                   [number](const Transaction& open) { return open.number == number; });
            if (it == client->open.end())
                return;
            const Transaction done = *it;
            client->open.erase(it);
            self->ArmForHead(*client);
            if (!done.cancelled)
                self->Answer(*client, done, HResult::Ok, answer.responseCode, answer.deviceStatus, answer.data);
        },
        weak);
}

void HartCommServer::RetireLink(Client& c)
{
    c.deadline->Stop();
    c.identitySequence = -1;
    c.statusSequence = -1;
    c.identityRepeat.Cancel();
    c.answers.Clear();
    if (!c.link)
        return;
    QObject::disconnect(c.link.get(), nullptr, nullptr, nullptr);
    c.link->abort();
    const bool purgeQueued = !m_retired.empty();
    m_retired.push_back(std::move(c.link));
    if (purgeQueued)
        return;
    std::weak_ptr<HartCommServer> weak = weak_from_this();
    loop::PostToLoop(
        [weak] {
            if (auto self = weak.lock())
                self->m_retired.clear();
        },
        weak);
}

// --- Link events ------------------------------------------------------------------

void HartCommServer::OnSessionEstablished(int32_t handle)
{
    Client* c = FindClient(handle);
    if (!c || c->state != LinkState::Connecting)
        return;
    c->identityBusyAnswers = 0;
    SendIdentityRequest(*c);
}

void HartCommServer::SendIdentityRequest(Client& c)
{
    HartFrame request;
    request.type = HartFrameType::Request;
    request.address = HartAddress::polling(c.pollingAddress);
    request.command = 0;
    const int sequence = c.link->sendPdu(encodeHartFrame(request));
    if (sequence < 0) {
        ConnectFailed(c, HResult::NoSession);
        return;
    }
    c.identitySequence = sequence;
}

void HartCommServer::HandleIdentity(Client& c, const QByteArray& frame)
{
    const HartDecodeResult decoded = decodeHartFrame(frame);
    const HartFrame& f = decoded.frame;
    if (!decoded.ok() || f.type != HartFrameType::Response || f.command != 0
        || (!f.address.isLong && f.address.pollingAddress != c.pollingAddress)) {
        ConnectFailed(c, HResult::InvalidAnswer);
        return;
    }
    if (!isCommunicationError(f.responseCode) && f.responseCode == ResponseCode::Busy) {
        c.identitySequence = -1;
        if (c.identityBusyAnswers >= kBusyRepeats) {
            ConnectFailed(c, HResult::DeviceBusy);
            return;
        }
        ++c.identityBusyAnswers;
        // The connect's time bound counts from each repeat: a device that
        // answers busy is there and answering.
        c.deadline->Start(kConnectTimeoutFactor * m_responseTimeoutMs);
        const int32_t handle = c.handle;
        c.identityRepeat = loop::TimerService::instance().SingleShot(
            kBusyRepeatDelayMs,
            [this, handle] {
                Client* again = FindClient(handle);
                if (again && again->state == LinkState::Connecting && again->link)
                    SendIdentityRequest(*again);
            },
            weak_from_this());
        return;
    }
    if (isCommunicationError(f.responseCode) || responseCodeClass(f.responseCode) == ResponseCodeClass::Error) {
        ConnectFailed(c, HResult::IdentityRefused);
        return;
    }
    HartIdentity identity;
    if (!HartIdentity::decode(f.data, identity)) {
        ConnectFailed(c, HResult::InvalidAnswer);
        return;
    }
    c.identity = identity;
    c.address = identity.uniqueAddress(true);
    c.answers.Clear();
    c.answers.Answered(0, QByteArray(), {f.responseCode, f.deviceStatus, f.data});
    c.report.identity = identity;
    c.report.deviceStatus = f.deviceStatus;
    if (c.guard) {
        const HartDeviceType served = c.guard->ServedDeviceType();
        if (!served.Matches(identity)) {
            c.report.refused = true;
            c.report.refusal =
                QStringLiteral("The device at %1 (%2, device id 0x%3) is not of the device type the DTM instance "
                               "serves (%4): the connect is refused")
                    .arg(c.endpoint.toUrl(), IdentityText(identity.manufacturerId, identity.expandedDeviceType),
                         QString::number(identity.deviceId, 16).toUpper().rightJustified(6, QLatin1Char('0')),
                         served.Text());
            const std::shared_ptr<IHartDeviceType> guard = c.guard;
            const HartConnectReport report = c.report;
            ConnectFailed(c, HResult::WrongDevice);
            guard->OnDeviceIdentified(report);
            return;
        }
    }
    if ((f.deviceStatus & DeviceStatus::MoreStatusAvailable) == 0) {
        Identified(c);
        return;
    }
    HartFrame request;
    request.type = HartFrameType::Request;
    request.address = c.address;
    request.command = kAdditionalStatusCommand;
    const int sequence = c.link->sendPdu(encodeHartFrame(request));
    if (sequence < 0) {
        ConnectFailed(c, HResult::NoSession);
        return;
    }
    c.statusSequence = sequence;
}

void HartCommServer::HandleAdditionalStatus(Client& c, const QByteArray& frame)
{
    c.statusSequence = -1;
    const HartDecodeResult decoded = decodeHartFrame(frame);
    const HartFrame& f = decoded.frame;
    if (!decoded.ok() || f.type != HartFrameType::Response || f.command != kAdditionalStatusCommand
        || !f.address.isLong || !f.address.sameDevice(c.address)) {
        c.report.additionalStatus = {QStringLiteral("command 48 gave no valid answer")};
    } else if (isCommunicationError(f.responseCode) || responseCodeClass(f.responseCode) == ResponseCodeClass::Error) {
        c.report.additionalStatus = {QStringLiteral("command 48 refused: ")
                                     + describeResponseStatus(f.responseCode, f.deviceStatus, kAdditionalStatusCommand)};
    } else {
        c.report.additionalStatus = additionalStatusNames(f.data);
        if (c.report.additionalStatus.isEmpty())
            c.report.additionalStatus = {QStringLiteral("no additional status set")};
    }
    Identified(c);
}

void HartCommServer::Identified(Client& c)
{
    const std::shared_ptr<IHartDeviceType> guard = c.guard;
    const HartConnectReport report = c.report;
    ConnectSucceeded(c);
    if (guard)
        guard->OnDeviceIdentified(report);
}

void HartCommServer::OnPduResponse(int32_t handle, int sequence, const QByteArray& frame)
{
    Client* c = FindClient(handle);
    if (!c)
        return;
    if (c->state == LinkState::Connecting) {
        if (sequence == c->identitySequence)
            HandleIdentity(*c, frame);
        else if (sequence == c->statusSequence)
            HandleAdditionalStatus(*c, frame);
        return;
    }
    if (c->state == LinkState::Disconnecting) {
        // An answer the disconnect waited for: the Session Close follows it.
        if (c->link && c->link->openRequests() == 0)
            c->deadline->Start(m_responseTimeoutMs);
        return;
    }
    if (c->state != LinkState::Connected)
        return;
    auto it = std::find_if(c->open.begin(), c->open.end(), [sequence](const Transaction& t) { return t.sequence == sequence; });
    if (it == c->open.end())
        return;
    const Transaction t = *it;
    c->open.erase(it);
    ArmForHead(*c);
    if (t.cancelled)
        return;
    const HartDecodeResult decoded = decodeHartFrame(frame);
    const HartFrame& f = decoded.frame;
    if (!decoded.ok() || f.type != HartFrameType::Response || f.command != t.command || !f.address.isLong
        || !f.address.sameDevice(c->address)) {
        TellFailure(*c, HResult::InvalidAnswer, QStringLiteral("command %1").arg(t.command));
        Answer(*c, t, HResult::InvalidAnswer);
        return;
    }
    if (t.kind == RequestKind::Read)
        c->answers.Answered(t.command, t.requestData, {f.responseCode, f.deviceStatus, f.data});
    Answer(*c, t, HResult::Ok, f.responseCode, f.deviceStatus, f.data);
}

void HartCommServer::OnRequestFailed(int32_t handle, int sequence)
{
    Client* c = FindClient(handle);
    // While the link tears down, its end (connectionLost or our own abort) answers everything.
    if (!c || !c->link || c->link->state() == HartIpClient::State::Unconnected)
        return;
    if (c->state == LinkState::Connecting) {
        if (sequence == c->identitySequence) {
            ConnectFailed(*c, HResult::IdentityRefused);
        } else if (sequence == c->statusSequence) {
            // The status is shown, not needed: the device is connected anyway.
            c->statusSequence = -1;
            c->report.additionalStatus = {QStringLiteral("command 48 was not answered")};
            Identified(*c);
        }
        return;
    }
    auto it = std::find_if(c->open.begin(), c->open.end(), [sequence](const Transaction& t) { return t.sequence == sequence; });
    if (it == c->open.end())
        return;
    const Transaction t = *it;
    c->open.erase(it);
    ArmForHead(*c);
    if (t.cancelled)
        return;
    TellFailure(*c, HResult::InvalidAnswer, QStringLiteral("command %1").arg(t.command));
    Answer(*c, t, HResult::InvalidAnswer);
}

void HartCommServer::OnConnectionLost(int32_t handle, const QString& reason)
{
    Client* c = FindClient(handle);
    if (!c)
        return;
    switch (c->state) {
    case LinkState::Connecting:
        ConnectFailed(*c, c->identitySequence >= 0 ? HResult::ConnectionLost : HResult::NoSession, reason);
        break;
    case LinkState::Connected:
        EndSession(*c, HResult::ConnectionLost, HResult::ConnectionLost, reason, false);
        break;
    case LinkState::Disconnecting:
        OnSessionClosed(handle);
        break;
    case LinkState::Idle:
        RetireLink(*c);
        break;
    }
}

void HartCommServer::OnSessionClosed(int32_t handle)
{
    Client* c = FindClient(handle);
    if (!c)
        return;
    if (c->state == LinkState::Connected) {
        EndSession(*c, HResult::ConnectionLost, HResult::ConnectionLost, QStringLiteral("session closed"), false);
        return;
    }
    if (c->state != LinkState::Disconnecting)
        return;
    RetireLink(*c);
    c->state = LinkState::Idle;
    Post(*c, [](applet::CServerResponseClass& client, int32_t& result) { client.DisConnectResponse(result); });
}

void HartCommServer::OnDeadline(int32_t handle)
{
    Client* c = FindClient(handle);
    if (!c)
        return;
    switch (c->state) {
    case LinkState::Connecting:
        ConnectFailed(*c, HResult::Timeout);
        break;
    case LinkState::Connected:
        if (!c->open.empty())
            EndSession(*c, HResult::Timeout, HResult::ConnectionLost,
                       QStringLiteral("no answer to command %1 from %2 within %3 ms")
                           .arg(c->open.front().command)
                           .arg(c->endpoint.toUrl())
                           .arg(m_responseTimeoutMs),
                       true);
        break;
    case LinkState::Disconnecting:
        // The session close went unanswered: the connection ends anyway.
        OnSessionClosed(handle);
        break;
    case LinkState::Idle:
        break;
    }
}

// --- CServerRequestClass ------------------------------------------------------------

void HartCommServer::fncInit(const QString& sTDXFileName, const QString&, const QString&, int32_t& result)
{
    if (m_destroyed) {
        result = ServerResult::Destroyed;
        return;
    }
    m_tdxFileName = sTDXFileName;
    result = ServerResult::Ok;
}

void HartCommServer::Destroy(std::shared_ptr<applet::CServerRequestClass>& iMiscObj, int32_t& result)
{
    for (auto& [handle, client] : m_clients)
        Silence(*client);
    m_clients.clear();
    m_communication.reset();
    m_destroyed = true;
    result = ServerResult::Ok;
    // Possibly the last reference: nothing of this object is touched after it.
    iMiscObj.reset();
}

void HartCommServer::AppItemManager(std::shared_ptr<applet::clsAppletItemManager>& manager, int32_t& result)
{
    manager.reset();
    result = ServerResult::Ok;
}

void HartCommServer::ErrorMessage(uint8_t respLen, const QByteArray& RespData, int32_t hResult, QString& Message,
                                  int32_t& result)
{
    result = ServerResult::Ok;
    if (!applet::IsResponseSuccess(hResult)) {
        Message = CommServerText(hResult);
        if (Message.isEmpty())
            Message = QStringLiteral("Communication failed (0x%1)").arg(static_cast<uint32_t>(hResult), 8, 16, QLatin1Char('0'));
        return;
    }
    const qsizetype received = std::min<qsizetype>(respLen, RespData.size());
    if (received < 2) {
        Message = QStringLiteral("The answer holds no response code");
        return;
    }
    const uint8_t status = received >= 3 ? ByteAt(RespData, 2) : 0;
    Message = describeResponseStatus(ByteAt(RespData, 1), status, ByteAt(RespData, 0));
}

void HartCommServer::fncSetDBInstance(const std::shared_ptr<applet::IFbInstanceData>&, int32_t& result)
{
    result = ServerResult::Ok;
}

bool HartCommServer::DeadlinePassed() const
{
    const auto deadline = std::dynamic_pointer_cast<ICommandDeadline>(m_communication);
    return deadline && deadline->DeadlinePassed();
}

int32_t HartCommServer::ReadDeviceAddress(HartIpEndpoint& endpoint) const
{
    if (!m_communication)
        return ServerResult::NoAddress;
    auto source = std::dynamic_pointer_cast<IHartIpAddress>(m_communication);
    if (!source)
        return ServerResult::NoAddressInterface;
    return HartIpEndpoint::parse(source->DeviceAddress(), endpoint) ? ServerResult::Ok : ServerResult::BadAddress;
}

void HartCommServer::ConnectRequest(const QVariant& ClientHandle, const QVariant&, const QVariantList&,
                                    const QVariant&, int32_t& result)
{
    Client* c = FindClient(ClientHandle);
    if (!c) {
        result = m_destroyed ? ServerResult::Destroyed : ServerResult::UnknownClient;
        return;
    }
    if (c->state != LinkState::Idle) {
        result = ServerResult::ConnectionBusy;
        return;
    }
    HartIpEndpoint endpoint;
    result = ReadDeviceAddress(endpoint);
    if (result != ServerResult::Ok)
        return;
    c->endpoint = endpoint;
    c->pollingAddress = m_pollingAddress;
    c->identitySequence = -1;
    c->statusSequence = -1;
    c->guard = std::dynamic_pointer_cast<IHartDeviceType>(m_communication);
    c->report = HartConnectReport();
    c->report.address = endpoint.toUrl();
    c->link = std::make_unique<HartIpClient>();
    HartIpClient* link = c->link.get();
    link->setResponseTimeout(kLinkTimeoutFactor * m_responseTimeoutMs);
    const int32_t handle = c->handle;
    QObject::connect(link, &HartIpClient::sessionEstablished, link, [this, handle] { OnSessionEstablished(handle); });
    QObject::connect(link, &HartIpClient::pduResponse, link,
                     [this, handle](quint16 sequence, const QByteArray& frame) { OnPduResponse(handle, sequence, frame); });
    QObject::connect(link, &HartIpClient::requestFailed, link,
                     [this, handle](quint16 sequence, const QString&) { OnRequestFailed(handle, sequence); });
    QObject::connect(link, &HartIpClient::connectionLost, link,
                     [this, handle](const QString& reason) { OnConnectionLost(handle, reason); });
    QObject::connect(link, &HartIpClient::sessionClosed, link, [this, handle] { OnSessionClosed(handle); });
    c->state = LinkState::Connecting;
    c->deadline->Start(kConnectTimeoutFactor * m_responseTimeoutMs);
    if (!link->connectToServer(endpoint.host, endpoint.port)) {
        RetireLink(*c);
        c->state = LinkState::Idle;
        result = ServerResult::SendFailed;
        return;
    }
    result = ServerResult::Ok;
}

void HartCommServer::DisConnectRequest(const QVariant& ClientHandle, int32_t& result)
{
    Client* c = FindClient(ClientHandle);
    if (!c) {
        result = m_destroyed ? ServerResult::Destroyed : ServerResult::UnknownClient;
        return;
    }
    result = ServerResult::Ok;
    switch (c->state) {
    case LinkState::Disconnecting:
        result = ServerResult::ConnectionBusy;
        return;
    case LinkState::Idle:
        break;
    case LinkState::Connecting:
        Silence(*c);
        break;
    case LinkState::Connected: {
        const bool unanswered = c->link->openRequests() > 0;
        ++c->generation;
        c->open.clear();
        c->state = LinkState::Disconnecting;
        if (unanswered && DeadlinePassed()) {
            // A deadline ended the command: a silent device would hold the
            // Session Close back for its whole response time-out, and nobody
            // waits for the open answer any more.
            RetireLink(*c);
            const int32_t handle = c->handle;
            const uint64_t generation = c->generation;
            std::weak_ptr<HartCommServer> weak = weak_from_this();
            loop::PostToLoop(
                [weak, handle, generation] {
                    auto self = weak.lock();
                    const Client* client = self ? self->FindClient(handle) : nullptr;
                    if (client && client->generation == generation)
                        self->OnSessionClosed(handle);
                },
                weak);
            return;
        }
        // The Session Close goes after the open answer, which has the rest of
        // the response time already running for it; closing with that answer
        // unread would make the system reset the connection and leave the
        // close unanswered.
        if (!unanswered || !c->deadline->IsActive())
            c->deadline->Start(m_responseTimeoutMs);
        c->link->closeSession();
        return;
    }
    }
    Post(*c, [](applet::CServerResponseClass& client, int32_t& r) { client.DisConnectResponse(r); });
}

void HartCommServer::Abort(const QVariant& ClientHandle, int32_t& result)
{
    Client* c = FindClient(ClientHandle);
    if (!c) {
        result = m_destroyed ? ServerResult::Destroyed : ServerResult::UnknownClient;
        return;
    }
    Silence(*c);
    result = ServerResult::Ok;
}

void HartCommServer::SendRequest(RequestKind kind, const QVariant& ClientHandle, const QByteArray& RequestStr,
                                 int32_t& TransActionNumber, int32_t& result)
{
    TransActionNumber = -1;
    Client* c = FindClient(ClientHandle);
    if (!c) {
        result = m_destroyed ? ServerResult::Destroyed : ServerResult::UnknownClient;
        return;
    }
    if (c->state != LinkState::Connected || !c->link) {
        result = ServerResult::NotConnected;
        return;
    }
    if (RequestStr.size() < 2 || ByteAt(RequestStr, 1) != RequestStr.size() - 2) {
        result = ServerResult::BadRequest;
        return;
    }
    HartFrame request;
    request.type = HartFrameType::Request;
    request.address = c->address;
    request.command = ByteAt(RequestStr, 0);
    request.data = RequestStr.mid(2);
    const QByteArray frame = encodeHartFrame(request);
    if (frame.isEmpty()) {
        result = ServerResult::BadRequest;
        return;
    }
    Transaction t;
    t.kind = kind;
    t.command = request.command;
    t.requestData = request.data;
    // Only with nothing open ahead of it, so that answers keep their order.
    const HartAnswerCache::Answer* kept =
        kind == RequestKind::Read && c->open.empty() ? c->answers.Find(request.command, request.data) : nullptr;
    if (kept) {
        t.number = NextTransactionNumber();
        c->open.push_back(t);
        AnswerFromCache(*c, t, *kept);
        TransActionNumber = t.number;
        result = ServerResult::Ok;
        return;
    }
    c->answers.Sending(request.command, kind == RequestKind::Read);
    const int sequence = c->link->sendPdu(frame);
    if (sequence < 0) {
        result = ServerResult::SendFailed;
        return;
    }
    t.number = NextTransactionNumber();
    t.sequence = sequence;
    c->open.push_back(t);
    if (c->open.size() == 1)
        c->deadline->Start(m_responseTimeoutMs);
    TransActionNumber = t.number;
    result = ServerResult::Ok;
}

void HartCommServer::ReadIORequest(const QVariant& ClientHandle, const QByteArray& RequestStr,
                                   int32_t& TransActionNumber, int32_t& result)
{
    SendRequest(RequestKind::Read, ClientHandle, RequestStr, TransActionNumber, result);
}

void HartCommServer::WriteIORequest(const QVariant& ClientHandle, const QByteArray& RequestStr,
                                    int32_t& TransActionNumber, int32_t& result)
{
    SendRequest(RequestKind::Write, ClientHandle, RequestStr, TransActionNumber, result);
}

void HartCommServer::DataExchangeRequest(const QVariant& ClientHandle, const QByteArray& RequestStr,
                                         int32_t& TransActionNumber, int32_t& result)
{
    SendRequest(RequestKind::Exchange, ClientHandle, RequestStr, TransActionNumber, result);
}

void HartCommServer::Cancel(int32_t TransActionNumber, int32_t& result)
{
    for (auto& [handle, client] : m_clients) {
        for (Transaction& t : client->open) {
            if (t.number == TransActionNumber && !t.cancelled) {
                t.cancelled = true;
                result = ServerResult::Ok;
                return;
            }
        }
    }
    result = ServerResult::UnknownTransaction;
}

void HartCommServer::SearchDeviceRequest(const QVariant&, int32_t& result) { result = ServerResult::NotImplemented; }
void HartCommServer::ChangeSlaveAdressRequest(const QVariant&, const QVariant&, int32_t& result)
{
    result = ServerResult::NotImplemented;
}
void HartCommServer::MenuSearchDevice(int32_t& result) { result = ServerResult::NotImplemented; }
void HartCommServer::MenuSetBusAddr(const QVariant&, int32_t& result) { result = ServerResult::NotImplemented; }
void HartCommServer::MenuServerData(int32_t& result) { result = ServerResult::NotImplemented; }
void HartCommServer::MenuStartView(const QString&, int32_t& result) { result = ServerResult::NotImplemented; }
void HartCommServer::MenuConnectSubnet(int32_t& result) { result = ServerResult::NotImplemented; }
void HartCommServer::MenuDisConnectSubnet(int32_t& result) { result = ServerResult::NotImplemented; }
void HartCommServer::MenuLoad(int32_t& result) { result = ServerResult::NotImplemented; }
void HartCommServer::MenuLoadSubnet(int32_t& result) { result = ServerResult::NotImplemented; }
void HartCommServer::MenuSave(int32_t& result) { result = ServerResult::NotImplemented; }
void HartCommServer::MenuSaveSubnet(int32_t& result) { result = ServerResult::NotImplemented; }
void HartCommServer::MenuPrint(int32_t& result) { result = ServerResult::NotImplemented; }
void HartCommServer::MenuPrintSubnet(int32_t& result) { result = ServerResult::NotImplemented; }
void HartCommServer::MenuOpenNew(int32_t& result) { result = ServerResult::NotImplemented; }
void HartCommServer::MenuSaveAs(int32_t& result) { result = ServerResult::NotImplemented; }

void HartCommServer::AddClient(const std::shared_ptr<applet::CServerResponseClass>& ClientIF, QVariant& ClientHandle,
                               const QVariant&, int32_t& result)
{
    if (m_destroyed) {
        result = ServerResult::Destroyed;
        return;
    }
    if (!ClientIF) {
        result = ServerResult::InvalidArgument;
        return;
    }
    auto client = std::make_unique<Client>();
    client->handle = ++m_lastHandle;
    client->responder = ClientIF;
    const int32_t handle = client->handle;
    client->deadline = loop::TimerService::instance().CreateTimer([this, handle] { OnDeadline(handle); });
    client->deadline->SetSingleShot(true);
    m_clients.emplace(handle, std::move(client));
    ClientHandle = handle;
    result = ServerResult::Ok;
}

void HartCommServer::RemoveClient(const QVariant& ClientHandle, int32_t& result)
{
    Client* c = FindClient(ClientHandle);
    if (!c) {
        result = m_destroyed ? ServerResult::Destroyed : ServerResult::UnknownClient;
        return;
    }
    Silence(*c);
    m_clients.erase(c->handle);
    result = ServerResult::Ok;
}

// --- CommunicationLink ----------------------------------------------------------------

void HartCommServer::SetCommunication(const std::shared_ptr<automation::ComObject>& frameCommunication,
                                      int32_t& result)
{
    if (frameCommunication && !std::dynamic_pointer_cast<IHartIpAddress>(frameCommunication)) {
        result = ServerResult::NoAddressInterface;
        return;
    }
    m_communication = frameCommunication;
    result = ServerResult::Ok;
}

void HartCommServer::SetXmlSchemaPath(const QString& schemaPath)
{
    m_schemaPath = schemaPath;
}

void HartCommServer::PutDeviceTagAddress(const QString& tagName, const QString& address)
{
    m_tagName = tagName;
    bool ok = false;
    const int polling = address.trimmed().toInt(&ok);
    m_pollingAddress = ok && polling >= 0 && polling <= kMaxPollingAddress ? static_cast<uint8_t>(polling) : 0;
}

void HartCommServer::ExchangeDeviceTagAddress(QString& tagName, QString& address)
{
    PutDeviceTagAddress(tagName, address);
    for (const auto& [handle, client] : m_clients) {
        if (client->state == LinkState::Connected) {
            address = QString::number(client->pollingAddress);
            return;
        }
    }
}

} // namespace comm
