#include "fennick/fdt/clsUserLevel.h"
#include "fennick/fdt/global.h"
#include "fennick/services/Debugging.h"
#include "fennick/services/XMLHelper.h"
#include "platform/applet/AppletHost.h"
#include "platform/applet/clsAppletItemManager.h"
#include "platform/automation/ComError.h"

namespace {

struct RoleMapping {
    const char* userLevel;  // the FDT role, compared exactly
    int32_t appletLevel;    // -1: nothing is published
    int32_t fdtUserLevel;
    const char* trace;
};

constexpr RoleMapping kRoles[] = {
    {"maintenance", 1, 2, "User mapped to: Specialist"},
    {"observer", -1, 0, "User mapped to: -1"},
    {"operator", 0, 1, "User mapped to: Maintenance"},
    {"planningEngineer", 1, 3, "User mapped to: Specialist"},
};

constexpr int32_t kOemServiceOn = 2;

void TraceItemFailure(const char* what, const QString& item)
{
    Debugging::TraceError(QLatin1String(what) + item + QStringLiteral(" failed!"));
}

} // namespace

bool clsUserLevel::ApplyUserInformation(const std::shared_ptr<applet::AppletHost>& host,
                                        const QString& userInformation)
{
    XMLHelper::DocumentPtr document;
    if (!XMLHelper::LoadXmlString(userInformation, document))
        return false;
    xml::XmlNode element;
    try {
        element = document->SelectSingleNode(QStringLiteral("//FDT/FDTUserInformation"));
    } catch (const automation::ComError& error) {
        Debugging::TraceRuntimeError(error);
    }
    if (!element) {
        Debugging::TraceError(QStringLiteral("Element FDTUserInformation not found!"));
        return false;
    }
    const QString userLevel = XMLHelper::GetAttribute(element, QStringLiteral("userLevel"));
    Debugging::TraceInfo(QStringLiteral("FDT User = ") + userLevel);
    const RoleMapping* role = nullptr;
    for (const RoleMapping& entry : kRoles)
        if (userLevel == QLatin1String(entry.userLevel))
            role = &entry;
    if (!role) {
        m_appletUserLevel = -1;
        global::FdtUserLevel() = 0;
        Debugging::TraceError(QStringLiteral("Attribute userLevel contains invalid data :") + userLevel);
        return false;
    }
    m_appletUserLevel = role->appletLevel;
    global::FdtUserLevel() = role->fdtUserLevel;
    Debugging::TraceInfo(QLatin1String(role->trace));
    if (m_appletUserLevel == -1)
        return true;

    m_oemService = element.HasAttribute(QStringLiteral("oemService"))
                           && element.Attribute(QStringLiteral("oemService")) == QLatin1String("1")
                       ? kOemServiceOn
                       : 0;
    if (!host) {
        Debugging::TraceError(QStringLiteral("No applet to hand the user level to"));
        return false;
    }
    std::shared_ptr<applet::clsAppletItemManager> manager;
    host->GetItemManager(manager);
    if (!manager) {
        Debugging::TraceError(QStringLiteral("No applet item manager to hand the user level to"));
        return false;
    }
    int32_t result = -1;
    manager->RegisterView(shared_from_this(), result);
    return result == 0;
}

void clsUserLevel::SetAppletItemManagRef(int32_t lViewHandle,
                                         const std::shared_ptr<applet::clsAppletItemManager>& manager,
                                         int32_t& result)
{
    result = 0;
    m_manager = manager;
    m_viewHandle = lViewHandle;
    if (!m_manager)
        return;

    int32_t failed = 0;
    m_manager->RegisterItem(kUserLevelItem, false, lViewHandle, m_userLevelHandle, 0, 0, failed);
    if (failed != 0) {
        m_userLevelHandle = -1;
        TraceItemFailure("Registration on AppletItem ", kUserLevelItem);
    } else {
        m_manager->fncPutUintValue(m_userLevelHandle, m_appletUserLevel, failed);
        if (failed != 0)
            TraceItemFailure("Writing AppletItem ", kUserLevelItem);
    }

    m_manager->RegisterItem(kOemServiceItem, false, lViewHandle, m_oemServiceHandle, 0, 0, failed);
    if (failed != 0) {
        m_oemServiceHandle = -1;
        TraceItemFailure("Registration on AppletItem ", kOemServiceItem);
    } else if (m_oemService == kOemServiceOn) {
        // The applet offers the service (1); only then is it switched on.
        double current = 0;
        m_manager->fncGetUIntValue(m_oemServiceHandle, current, failed);
        if (failed != 0) {
            TraceItemFailure("Reading AppletItem ", kOemServiceItem);
        } else if (current == 1) {
            m_manager->fncPutUintValue(m_oemServiceHandle, kOemServiceOn, failed);
            if (failed != 0)
                TraceItemFailure("Writing AppletItem ", kOemServiceItem);
        }
    }
    UnregisterView();
}

void clsUserLevel::UnregisterView()
{
    if (!m_manager)
        return;
    const auto manager = std::move(m_manager);
    m_manager.reset();
    int32_t result = 0;
    manager->UnregisterView(this, result);
}

void clsUserLevel::Destroy(int32_t& result)
{
    m_manager.reset();
    result = 0;
}
