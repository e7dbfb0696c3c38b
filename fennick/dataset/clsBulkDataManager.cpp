#include "fennick/dataset/clsBulkDataManager.h"
#include "fennick/fdt/clsTkDispatcher.h"
#include "fennick/fdt/global.h"
#include "fennick/services/Debugging.h"
#include "platform/applet/AppletHost.h"
#include "platform/applet/StateInfo.h"
#include "platform/applet/clsAppletItemManager.h"

void clsBulkDataManager::RegisterView(const std::shared_ptr<applet::AppletHost>& host)
{
    const auto manager = global::ItemManagerOf(host);
    if (!manager) {
        Debugging::TraceError(QStringLiteral("Registration on AppletItem ") + kPathItem + QStringLiteral(" failed!"));
        return;
    }
    int32_t result = 0;
    manager->RegisterView(shared_from_this(), result);
}

void clsBulkDataManager::SetAppletItemManagRef(int32_t lViewHandle,
                                               const std::shared_ptr<applet::clsAppletItemManager>& manager,
                                               int32_t& result)
{
    m_manager = manager;
    m_viewHandle = lViewHandle;
    int32_t failed = 0;
    m_manager->RegisterItem(kPathItem, false, m_viewHandle, m_pathHandle, 0, 0, failed);
    if (failed != 0) {
        m_pathHandle = -1;
        Debugging::TraceError(QStringLiteral("Registration on AppletItem ") + kPathItem + QStringLiteral(" failed!"));
    }
    result = 0;
}

void clsBulkDataManager::Destroy(int32_t& result)
{
    m_manager.reset();
    result = 0;
}

void clsBulkDataManager::NotifyChanged(int32_t, bool, int32_t lStateInfo, int32_t, int32_t& result)
{
    if (!m_manager) {
        Debugging::TraceInfo(QStringLiteral("privAppletItemManager Is Nothing"));
        result = 1;
        return;
    }
    result = 0;
    if ((lStateInfo & applet::StateInfo::kRefresh) == 0)
        return;
    const auto dtm = global::CurrentDtm();
    const QString path = dtm ? dtm->GetBulkDataPath() : QString();
    if (!path.isEmpty()) {
        int32_t failed = 0;
        m_manager->PutStringValue(m_pathHandle, path, failed);
        if (failed != 0)
            Debugging::TraceError(QStringLiteral("Writing AppletItem ") + kPathItem + QStringLiteral(" failed!"));
    }
    // Once per registration: the manager lets go of this view here.
    const auto manager = std::move(m_manager);
    const auto keep = shared_from_this();
    int32_t unregistered = 0;
    manager->UnregisterView(this, unregistered);
}
