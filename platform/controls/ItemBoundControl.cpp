#include "platform/controls/ItemBoundControl.h"
#include "platform/applet/Description.h"
#include "platform/applet/clsAppletItemManager.h"

namespace controls {

ItemBoundControl::~ItemBoundControl() = default;

void ItemBoundControl::SetItemName(const QString& name)
{
    if (name == m_itemName)
        return;
    m_itemName = name;
    Detach();
}

bool ItemBoundControl::IsValid() const
{
    return m_handle > 0 && !m_manager.expired();
}

std::shared_ptr<applet::clsAppletItemManager> ItemBoundControl::Manager() const
{
    return m_handle > 0 ? m_manager.lock() : nullptr;
}

const applet::DescEnumeration* ItemBoundControl::BoundEnumeration() const
{
    const auto manager = Manager();
    if (!manager)
        return nullptr;
    const auto description = manager->GetDescription();
    const applet::AppletItem* item = manager->Item(m_handle);
    if (!description || !item)
        return nullptr;
    const applet::DescObject* object = description->FindObject(item->Name());
    if (!object || object->enumeration.isEmpty())
        return nullptr;
    return description->FindEnumeration(object->enumeration);
}

void ItemBoundControl::Attach(const std::shared_ptr<applet::clsAppletItemManager>& manager, int32_t handle)
{
    m_manager = manager;
    m_handle = manager && handle > 0 ? handle : -1;
    OnBindingChanged();
    RefreshFromItem();
}

void ItemBoundControl::Detach()
{
    const bool wasBound = m_handle > 0;
    m_manager.reset();
    m_handle = -1;
    if (wasBound) {
        OnBindingChanged();
        RefreshFromItem();
    }
}

} // namespace controls
