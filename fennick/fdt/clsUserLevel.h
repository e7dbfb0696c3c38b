#pragma once
// Maps the role of the frame's user (the user information document of
// IDtm::Config) to the process-wide FDT user level and to the applet's user
// level, which it publishes once in "&&private&&Userlevel", together with the
// OEM service flag in "&&private&&OEMservice". Always held by a shared_ptr.
#include "platform/applet/View.h"
#include "platform/automation/ClassRegistry.h"
#include <QString>
#include <cstdint>
#include <memory>

namespace applet {
class AppletHost;
class clsAppletItemManager;
} // namespace applet

class clsUserLevel : public automation::ComObject,
                     public applet::View,
                     public std::enable_shared_from_this<clsUserLevel> {
public:
    static inline const QString kUserLevelItem = QStringLiteral("&&private&&Userlevel");
    static inline const QString kOemServiceItem = QStringLiteral("&&private&&OEMservice");

    // True when the role is known and, unless it is "observer", the levels were
    // handed to the applet. Sets global::FdtUserLevel from the role.
    bool ApplyUserInformation(const std::shared_ptr<applet::AppletHost>& host, const QString& userInformation);
    void UnregisterView();

    // The applet user level (-1 none, 0, 1) and the OEM service value (0, 2).
    int32_t AppletUserLevel() const { return m_appletUserLevel; }
    int32_t OemService() const { return m_oemService; }

    // applet::View: registering publishes the levels, then the view unregisters.
    void SetAppletItemManagRef(int32_t lViewHandle, const std::shared_ptr<applet::clsAppletItemManager>& manager,
                               int32_t& result) override;
    void Show(int32_t& result) override { result = 0; }
    void Hide(int32_t& result) override { result = 0; }
    void Destroy(int32_t& result) override;
    void NotifyChanged(int32_t, bool, int32_t, int32_t, int32_t& result) override { result = 0; }

private:
    std::shared_ptr<applet::clsAppletItemManager> m_manager;
    int32_t m_userLevelHandle = -1;
    int32_t m_oemServiceHandle = -1;
    int32_t m_appletUserLevel = -1;
    int32_t m_oemService = 0;
    int32_t m_viewHandle = 0;
};
