#pragma once
// Serves the item-bound controls of one form: registered as a view of the
// applet item manager, it registers the item of every bound control on the
// form, binds the controls to their items and tells each control when its
// item changes. Register again after binding controls to other items.
// Always held by a shared_ptr.
#include "platform/applet/View.h"
#include <QList>
#include <QPointer>
#include <QWidget>
#include <cstdint>
#include <memory>

namespace controls {

class ItemBoundControl;

class ItemControlHandler : public applet::View, public std::enable_shared_from_this<ItemControlHandler> {
public:
    ItemControlHandler();
    ~ItemControlHandler() override;

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

    std::shared_ptr<applet::clsAppletItemManager> m_manager;
    int32_t m_viewHandle = 0;
    QList<Bound> m_controls;
};

} // namespace controls
