#pragma once
// The HART gateway's view on the three applet items that hold the device's
// address, descriptor and tag name. Registered with the applet item manager
// like any view; it registers the items when the manager hands it its handle.
// An item whose registration failed keeps the handle -1 and reads as empty
// text; writing it does nothing.
#include "platform/applet/View.h"
#include <QString>
#include <cstdint>
#include <memory>

class clsViewDTM : public applet::View {
public:
    static inline const QString kAddressItem = QStringLiteral("&&private_PM&&Address");
    static inline const QString kDescriptorItem = QStringLiteral("&&private_PM&&Descriptor");
    static inline const QString kTagNameItem = QStringLiteral("&&private_PM&&TagName");

    ~clsViewDTM() override = default;

    // The items' values as text.
    QString Address() const;
    void SetAddress(const QString& value);
    QString Descriptor() const;
    void SetDescriptor(const QString& value);
    QString TagName() const;
    void SetTagName(const QString& value);

    // Ends the view's registration with its item manager (when it has one)
    // and drops the manager.
    void UnregisterView();

    int32_t AddressHandle() const { return m_addressHandle; }
    int32_t DescriptorHandle() const { return m_descriptorHandle; }
    int32_t TagNameHandle() const { return m_tagNameHandle; }
    int32_t ViewHandle() const { return m_viewHandle; }
    bool HasItemManager() const { return m_manager != nullptr; }

    // --- View ---------------------------------------------------------------
    // Keeps the handle and the manager and registers the three items, in the
    // order address, descriptor, tag name.
    void SetAppletItemManagRef(int32_t lViewHandle, const std::shared_ptr<applet::clsAppletItemManager>& manager,
                               int32_t& result) override;
    void Show(int32_t& result) override;
    void Hide(int32_t& result) override;
    void Destroy(int32_t& result) override;
    // Always 0: the gateway reads the items when it needs them.
    void NotifyChanged(int32_t lAppletItemHandle, bool bShadowValue, int32_t lStateInfo, int32_t lUserLong,
                       int32_t& result) override;

private:
    int32_t RegisterItem(const QString& name);
    QString ReadItem(int32_t handle, const QString& name) const;
    void WriteItem(int32_t handle, const QString& name, const QString& value);

    int32_t m_addressHandle = -1;
    int32_t m_descriptorHandle = -1;
    int32_t m_tagNameHandle = -1;
    std::shared_ptr<applet::clsAppletItemManager> m_manager;
    int32_t m_viewHandle = 0;
};
