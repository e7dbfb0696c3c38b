#include "corvane/frame/clsMenuMgr.h"
#include "corvane/frame/ConnectionState.h"
#include "mvtrivexhelper/clsDebugInfo.h"
#include "pioextensions/IViewEx.h"
#include <array>

namespace {

struct MenuEntry {
    const char* item;
    const char* alias; // the key
};

// The menu items in binding order.
constexpr std::array<MenuEntry, 8> kMenus = {{
    {"&&Menu_State&&Connect", "MenuConnect"},
    {"&&Menu_State&&Disconnect", "MenuDisconnect"},
    {"&&Menu_State&&MenuSetSlaveAddr", "MenuSetSlaveAddr"},
    {"&&Menu_State&&GenericView", "MenuGenericView"},
    {"&&Menu_State&&DebugSequences", "MenuDebugSequences"},
    {"&&Menu_State&&MdiMain", "MenuMdiMain"},
    {"&&Menu_State&&Test", "Test"},
    {"&&Menu_State&&Labortool", "Labortool"},
}};

// Offered always, and offered only while the debug switch is on, in writing order.
constexpr std::array kAlwaysOffered = {"MenuMdiMain"};
constexpr std::array kDebugOffered = {"MenuGenericView", "MenuDebugSequences", "Test", "Labortool"};

// The connection entries by connection state, written in the columns' order;
// states without a row (connecting, disconnecting) change nothing.
struct ConnectionRow {
    int state;
    bool connect;
    bool disconnect;
    bool setSlaveAddr;
};
constexpr std::array<ConnectionRow, 2> kConnectionMenus = {{
    {corvane::kConnected, false, true, true},
    {corvane::kNotConnected, true, false, false},
}};

} // namespace

clsMenuMgr::clsMenuMgr() = default;

clsMenuMgr::~clsMenuMgr()
{
    if (m_ConnectionStatus) {
        disconnect(m_ConnectionStatus.get(), nullptr, this, nullptr);
        m_ConnectionStatus->UnRegister();
    }
}

void clsMenuMgr::Register(const std::shared_ptr<IViewEx>& myView)
{
    if (m_registered)
        return;
    const auto manager = myView ? myView->appletItemManagerRef() : nullptr;
    m_debugMode = clsDebugInfo().InDebugMode().toBool();
    if (!m_ConnectionStatus) {
        m_ConnectionStatus = std::make_shared<clsAppItem>();
        connect(m_ConnectionStatus.get(), &clsAppItem::ValueChanged, this, &clsMenuMgr::m_ConnectionStatus_ValueChanged);
    }
    m_ConnectionStatus->Register(manager, corvane::kConnectItem, false, 0);
    for (const MenuEntry& entry : kMenus)
        m_menus.Add(QLatin1String(entry.item), false, 0, nullptr, QString(), QLatin1String(entry.alias));
    m_menus.Register(manager);
    UpdateDebugMenus();
    UpdateConnectionMenus();
    m_registered = true;
}

void clsMenuMgr::UnRegister()
{
    if (!m_registered)
        return;
    m_ConnectionStatus->UnRegister();
    m_menus.UnRegister();
    m_registered = false;
}

void clsMenuMgr::m_ConnectionStatus_ValueChanged(const QString& /*appItemValue*/)
{
    if (m_registered)
        UpdateConnectionMenus();
}

void clsMenuMgr::Write(const QString& key, const QString& value)
{
    m_menus.Item(key)->SetStringValue(value);
}

void clsMenuMgr::UpdateDebugMenus()
{
    for (const MenuEntry& entry : kMenus)
        Write(QLatin1String(entry.alias), kNotOffered);
    for (const char* key : kAlwaysOffered)
        Write(QLatin1String(key), kOffered);
    if (m_debugMode)
        for (const char* key : kDebugOffered)
            Write(QLatin1String(key), kOffered);
}

void clsMenuMgr::UpdateConnectionMenus()
{
    const double state = m_ConnectionStatus->UIntValue();
    for (const ConnectionRow& row : kConnectionMenus) {
        if (row.state != state)
            continue;
        Write(QStringLiteral("MenuConnect"), row.connect ? kOffered : kNotOffered);
        Write(QStringLiteral("MenuDisconnect"), row.disconnect ? kOffered : kNotOffered);
        Write(QStringLiteral("MenuSetSlaveAddr"), row.setSlaveAddr ? kOffered : kNotOffered);
    }
}
