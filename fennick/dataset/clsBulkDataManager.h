#pragma once
// Hands the frame's instance-related bulk-data folder to the applet: once the
// applet has announced its values (the first refresh of the item), the view
// writes the folder into "&&private_Fdt&&InstanceRelatedPath" and unregisters
// itself. The DTM object registers it while it starts the toolkit and keeps
// no reference: the view lives as long as the item manager holds it.
#include "platform/applet/View.h"
#include "platform/automation/ClassRegistry.h"
#include <QString>
#include <cstdint>
#include <memory>

namespace applet {
class AppletHost;
class clsAppletItemManager;
} // namespace applet

class clsBulkDataManager : public automation::ComObject,
                           public applet::View,
                           public std::enable_shared_from_this<clsBulkDataManager> {
public:
    static inline const QString kPathItem = QStringLiteral("&&private_Fdt&&InstanceRelatedPath");

    // Registers this object as a view with the host's item manager.
    void RegisterView(const std::shared_ptr<applet::AppletHost>& host);

    // applet::View
    void SetAppletItemManagRef(int32_t lViewHandle, const std::shared_ptr<applet::clsAppletItemManager>& manager,
                               int32_t& result) override;
    void Show(int32_t& result) override { result = 0; }
    void Hide(int32_t& result) override { result = 0; }
    void Destroy(int32_t& result) override;
    void NotifyChanged(int32_t lAppletItemHandle, bool bShadowValue, int32_t lStateInfo, int32_t lUserLong,
                       int32_t& result) override;

private:
    std::shared_ptr<applet::clsAppletItemManager> m_manager;
    int32_t m_viewHandle = -1;
    int32_t m_pathHandle = -1;
};
