#pragma once
// Serves the item-bound controls of one form: registered as a view of the
// applet item manager, it registers the item of every bound control on the
// form, binds the controls to their items and tells each control when its
// item changes. The display controls of the form (PioDisplayControl: text,
// combo, labels, bar graph, plotter, user curve) it registers with the
// manager, the applet user level ("&&private&&UserLevel") and the country
// code ("&&private&&countrycode"), and hands them every later change of the
// user level. Register again after binding controls to other items.
// Always held by a shared_ptr.
#include "platform/applet/View.h"
#include "platform/automation/ClassRegistry.h"
#include <QList>
#include <QPointer>
#include <QWidget>
#include <cstdint>
#include <memory>

namespace controls {

class ItemBoundControl;
class PioDisplayControl;

class PioCtrlItemHandler : public applet::View,
                           public automation::ComObject,
                           public std::enable_shared_from_this<PioCtrlItemHandler> {
public:
    static inline const QString kProgId = QStringLiteral("PioCtrItemHandler.PioCtrlItemHandler");

    PioCtrlItemHandler();
    ~PioCtrlItemHandler() override;

    bool IsRegistered() const { return m_manager != nullptr; }

    // Registers this handler with the manager for every item-bound control
    // below form (the form itself included); the result of RegisterView
    // (0 registered). A registered handler is unregistered first.
    int32_t Register(QWidget* form, const std::shared_ptr<applet::clsAppletItemManager>& manager);
    // Ends every item registration and unbinds the controls.
    void Unregister();
    // Shows the current value of every bound control again.
    void UpdateControls();

    // applet::View
    void SetAppletItemManagRef(int32_t lViewHandle, const std::shared_ptr<applet::clsAppletItemManager>& manager,
                               int32_t& result) override;
    void Show(int32_t& result) override { result = 0; }
    void Hide(int32_t& result) override { result = 0; }
    void Destroy(int32_t& result) override;
    void NotifyChanged(int32_t lAppletItemHandle, bool bShadowValue, int32_t lStateInfo, int32_t lUserLong,
                       int32_t& result) override;

private:
    struct Bound {
        QPointer<QWidget> widget;
        ItemBoundControl* control = nullptr;
    };
    void DetachAll();
    // The user level and country code as the items hold them now.
    int32_t ReadNumber(int32_t handle, int32_t fallback) const;

    std::shared_ptr<applet::clsAppletItemManager> m_manager;
    int32_t m_viewHandle = 0;
    QList<Bound> m_controls;
    QList<QPointer<PioDisplayControl>> m_displays;
    int32_t m_userLevelHandle = -1;
    int32_t m_countryCodeHandle = -1;
};

} // namespace controls
