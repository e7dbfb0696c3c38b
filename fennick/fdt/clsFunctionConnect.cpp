#include "fennick/fdt/clsFunctionConnect.h"
#include "fennick/fdt/DtmGate.h"
#include "fennick/fdt/clsTkDispatcher.h"
#include "fennick/fdt/global.h"
#include "fennick/services/Debugging.h"
#include "platform/applet/AppletHost.h"
#include "platform/applet/AppletStates.h"
#include "platform/applet/StateInfo.h"
#include "platform/applet/clsAppletItemManager.h"
#include "platform/automation/ComError.h"
#include <cmath>

namespace {

struct ConnectState {
    int32_t value;
    const char* name;
    int32_t dtmStatus;
};

constexpr ConnectState kStates[] = {
    {applet::ConnectState::NotConnected, "CONNECT_STATE_NOT_CONNECTED", DtmStatus::CommunicationSet},
    {applet::ConnectState::Connecting, "CONNECT_STATE_CONNECTING", DtmStatus::GoingOnline},
    {applet::ConnectState::Connected, "CONNECT_STATE_CONNECTED", DtmStatus::Online},
    {applet::ConnectState::Disconnecting, "CONNECT_STATE_DISCONNECTING", DtmStatus::GoingOffline},
};

// Changes the connect object does not act on: shadow-only, refresh, no-rules.
constexpr int32_t kIgnoredStateBits =
    applet::StateInfo::kShadowOnly | applet::StateInfo::kRefresh | applet::StateInfo::kNoRules;

// "Object variable or With block variable not set"
constexpr int32_t kErrObjectNotSet = 91;

const ConnectState* FindState(int32_t value)
{
    for (const ConnectState& state : kStates)
        if (state.value == value)
            return &state;
    return nullptr;
}

} // namespace

clsFunctionConnect::clsFunctionConnect()
{
    ResetConnect();
}

clsFunctionConnect::~clsFunctionConnect() = default;

QString clsFunctionConnect::ConnectStateName(int32_t state)
{
    const ConnectState* entry = FindState(state);
    return entry ? QLatin1String(entry->name) : QStringLiteral("CONNECT_STATE_UNKNOWN(%1)").arg(state);
}

int32_t clsFunctionConnect::DtmStatusOf(int32_t state)
{
    const ConnectState* entry = FindState(state);
    return entry ? entry->dtmStatus : -1;
}

void clsFunctionConnect::ResetConnect()
{
    m_itemHandle = -1;
    m_manager.reset();
    m_targetState = -1;
    m_active = false;
}

std::shared_ptr<applet::clsAppletItemManager> clsFunctionConnect::RequireManager() const
{
    if (!m_manager)
        throw automation::ComError(kErrObjectNotSet, QStringLiteral("Object variable or With block variable not set"),
                                   QStringLiteral("clsFunctionConnect"));
    return m_manager;
}

int32_t clsFunctionConnect::Connect()
{
    Debugging::TraceInfo(QStringLiteral("Execute clsFunctionConnect::Connect"));
    m_targetState = applet::ConnectState::Connected;
    std::shared_ptr<applet::AppletHost> host;
    RequireManager()->GetApplet(host);
    if (!host)
        throw automation::ComError(kErrObjectNotSet, QStringLiteral("The applet host has gone"),
                                   QStringLiteral("clsFunctionConnect"));
    int32_t result = 0;
    host->Connect(0, result);
    return result;
}

int32_t clsFunctionConnect::Disconnect()
{
    m_targetState = applet::ConnectState::NotConnected;
    const int32_t state = GetConnectState();
    Debugging::TraceInfo(QStringLiteral("Execute clsFunctionConnect::Disconnect"));
    if (state != applet::ConnectState::Connecting && state != applet::ConnectState::Connected)
        return 0;
    std::shared_ptr<applet::AppletHost> host;
    RequireManager()->GetApplet(host);
    if (!host)
        throw automation::ComError(kErrObjectNotSet, QStringLiteral("The applet host has gone"),
                                   QStringLiteral("clsFunctionConnect"));
    int32_t result = 0;
    host->Disconnect(0, result);
    return result;
}

int32_t clsFunctionConnect::GetConnectState()
{
    double value = 0;
    int32_t failed = 1;
    if (m_manager)
        m_manager->fncGetUIntValue(m_itemHandle, value, failed);
    if (failed != 0 || std::isnan(value)) {
        Debugging::TraceReadFailed(kConnectItem);
        return 0;
    }
    return static_cast<int32_t>(std::lround(value));
}

void clsFunctionConnect::Instance_Destroy()
{
    Debugging::TraceInfo(QStringLiteral("Execute clsFunctionConnect::Instance_Destroy"));
    if (m_manager) {
        int32_t result = 0;
        const auto manager = m_manager;
        manager->UnregisterView(this, result);
    }
    ResetConnect();
}

void clsFunctionConnect::SetAppletItemManagRef(int32_t lViewHandle,
                                               const std::shared_ptr<applet::clsAppletItemManager>& manager,
                                               int32_t& result)
{
    result = 0;
    m_manager = manager;
    m_viewHandle = lViewHandle;
    if (!m_manager)
        return;
    int32_t failed = 0;
    m_itemHandle = -1;
    m_manager->RegisterItem(kConnectItem, false, lViewHandle, m_itemHandle, 0, 0, failed);
    if (failed != 0) {
        m_itemHandle = -1;
        Debugging::TraceRegistrationFailed(kConnectItem);
    }
}

void clsFunctionConnect::Destroy(int32_t& result)
{
    ResetConnect();
    Debugging::TraceInfo(QStringLiteral("clsFunctionConnect: View_Destroy"));
    result = 0;
}

void clsFunctionConnect::RaiseDone(int32_t lastError, const char* trace)
{
    // Cleared before the event, so that a handler may ask for a new state.
    m_targetState = -1;
    if (m_done)
        m_done(lastError);
    Debugging::TraceInfo(QLatin1String(trace));
}

void clsFunctionConnect::NotifyChanged(int32_t, bool, int32_t lStateInfo, int32_t, int32_t& result)
{
    // The Done handler may drop this object.
    const std::shared_ptr<clsFunctionConnect> keep = weak_from_this().lock();
    Debugging::TraceInfo(QStringLiteral("Execute clsFunctionConnect::View_NotifyChanged"));
    if (!m_manager) {
        Debugging::TraceInfo(QStringLiteral("privAppletItemManager Is Nothing"));
        result = 1;
        return;
    }
    result = 0;
    if (m_active)
        Debugging::TraceInfo(QStringLiteral("Active"));
    const int32_t state = GetConnectState();
    if ((lStateInfo & kIgnoredStateBits) != 0)
        return;
    Debugging::TraceInfo(ConnectStateName(state));
    if (m_active) {
        const int32_t status = DtmStatusOf(state);
        if (status < 0)
            Debugging::TraceError(QStringLiteral("Unknown connection state %1; the DTM status stays").arg(state));
        else if (const auto dtm = global::CurrentDtm())
            dtm->SetDtmStatus(status);
    }
    if (state == applet::ConnectState::Connected && m_targetState == applet::ConnectState::Connected)
        RaiseDone(0, "clsFunctionConnect: Done + ");
    else if (state == applet::ConnectState::NotConnected && m_targetState == applet::ConnectState::NotConnected)
        RaiseDone(0, "clsFunctionConnect: Done + ");
    else if (state == applet::ConnectState::NotConnected && m_targetState == applet::ConnectState::Connected)
        RaiseDone(1, "clsFunctionConnect: Done - ");
}
