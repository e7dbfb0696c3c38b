#include "platform/controls/ItemControlHandler.h"
#include "platform/applet/StateInfo.h"
#include "platform/applet/clsAppletItemManager.h"
#include "platform/controls/ItemBoundControl.h"

namespace controls {

ItemControlHandler::ItemControlHandler() = default;

ItemControlHandler::~ItemControlHandler()
{
    DetachAll();
}

int32_t ItemControlHandler::Register(QWidget* form, const std::shared_ptr<applet::clsAppletItemManager>& manager)
{
    if (IsRegistered())
        Unregister();
    m_controls.clear();
    if (!form || !manager)
        return -1;
    QList<QWidget*> widgets = form->findChildren<QWidget*>();
    widgets.prepend(form);
    for (QWidget* widget : widgets)
        if (auto* control = dynamic_cast<ItemBoundControl*>(widget))
            m_controls.append({widget, control});
    int32_t result = 0;
    manager->RegisterView(shared_from_this(), result);
    return result;
}

void ItemControlHandler::Unregister()
{
    if (const auto manager = m_manager) {
        int32_t result = 0;
        manager->UnregisterView(this, result);
    }
    m_manager.reset();
    DetachAll();
}

void ItemControlHandler::UpdateControls()
{
    const QList<Bound> controls = m_controls; // a control's refresh may re-register
    for (const Bound& bound : controls)
        if (bound.widget && bound.control->IsValid())
            bound.control->RefreshFromItem();
}

void ItemControlHandler::DetachAll()
{
    for (const Bound& bound : m_controls)
        if (bound.widget)
            bound.control->Detach();
}

void ItemControlHandler::SetAppletItemManagRef(int32_t lViewHandle,
                                               const std::shared_ptr<applet::clsAppletItemManager>& manager,
                                               int32_t& result)
{
    m_manager = manager;
    m_viewHandle = lViewHandle;
    result = 0;
    if (!m_manager)
        return;
    for (const Bound& bound : m_controls) {
        if (!bound.widget || bound.control->ItemName().isEmpty())
            continue;
        int32_t handle = -1;
        int32_t failed = 0;
        m_manager->RegisterItem(bound.control->ItemName(), false, lViewHandle, handle, 0, 0, failed);
        bound.control->Attach(m_manager, failed == 0 ? handle : -1);
    }
}

void ItemControlHandler::Destroy(int32_t& result)
{
    m_manager.reset();
    DetachAll();
    result = 0;
}

void ItemControlHandler::NotifyChanged(int32_t lAppletItemHandle, bool, int32_t lStateInfo, int32_t,
                                       int32_t& result)
{
    if (!m_manager) {
        result = 1;
        return;
    }
    result = 0;
    // Controls show dataset values; a change of the device's value alone is not theirs.
    if ((lStateInfo & applet::StateInfo::kShadowOnly) != 0)
        return;
    const QList<Bound> controls = m_controls; // a control's refresh may re-register
    for (const Bound& bound : controls)
        if (bound.widget && bound.control->ItemHandle() == lAppletItemHandle)
            bound.control->RefreshFromItem();
}

} // namespace controls
