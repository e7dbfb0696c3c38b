#pragma once
// What every item-bound control of a form shares: the name of the applet item
// it shows and, once the form's item handler has registered that item, the
// item manager and the item's handle. The handler tells the control when the
// item changed; the control reads (and, for input controls, writes) the item
// itself.
#include <QString>
#include <cstdint>
#include <memory>

namespace applet {
class clsAppletItemManager;
struct DescEnumeration;
} // namespace applet

namespace controls {

class ItemBoundControl {
public:
    virtual ~ItemBoundControl();

    // The bound item's name; empty for none. Setting a name drops the binding
    // to the previous item; the next registration of the form's item handler
    // binds the new one.
    QString ItemName() const { return m_itemName; }
    void SetItemName(const QString& name);

    // True while the control is bound to an item the item manager knows.
    bool IsValid() const;
    // The item's handle; -1 while not bound.
    int32_t ItemHandle() const { return m_handle; }

    // --- For the item handler ---------------------------------------------
    // Binds the control to the registered item (handle -1: the item does not
    // exist) and shows its value.
    void Attach(const std::shared_ptr<applet::clsAppletItemManager>& manager, int32_t handle);
    void Detach();
    // The item changed: show its value again.
    virtual void RefreshFromItem() = 0;

protected:
    // The item manager while bound; none otherwise.
    std::shared_ptr<applet::clsAppletItemManager> Manager() const;
    // The enumeration of the bound item in the description; none for an item
    // without one or while not bound.
    const applet::DescEnumeration* BoundEnumeration() const;
    // Called after Attach and Detach, before the refresh.
    virtual void OnBindingChanged() {}

private:
    QString m_itemName;
    std::weak_ptr<applet::clsAppletItemManager> m_manager;
    int32_t m_handle = -1;
};

} // namespace controls
