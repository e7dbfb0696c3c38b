#include "fennick/communication/clsViewDTM.h"

#include "fennick/services/Debugging.h"
#include "platform/applet/clsAppletItemManager.h"

void clsViewDTM::SetAppletItemManagRef(int32_t lViewHandle,
                                       const std::shared_ptr<applet::clsAppletItemManager>& manager, int32_t& result)
{
    m_viewHandle = lViewHandle;
    m_manager = manager;
    m_addressHandle = RegisterItem(kAddressItem);
    m_descriptorHandle = RegisterItem(kDescriptorItem);
    m_tagNameHandle = RegisterItem(kTagNameItem);
    result = 0;
}

int32_t clsViewDTM::RegisterItem(const QString& name)
{
    if (!m_manager)
        return -1;
    int32_t handle = -1;
    int32_t failed = 0;
    m_manager->RegisterItem(name, false, m_viewHandle, handle, 0, 0, failed);
    if (failed != 0) {
        Debugging::TraceRegistrationFailed(name);
        return -1;
    }
    return handle;
}

QString clsViewDTM::ReadItem(int32_t handle, const QString& name) const
{
    if (!m_manager || handle == -1)
        return QString();
    QString value;
    int32_t failed = 0;
    m_manager->GetValueAsText(handle, value, false, failed);
    if (failed != 0) {
        Debugging::TraceReadFailed(name);
        return QString();
    }
    return value;
}

void clsViewDTM::WriteItem(int32_t handle, const QString& name, const QString& value)
{
    if (!m_manager || handle == -1)
        return;
    int32_t failed = 0;
    m_manager->PutValueAsText(handle, value, failed);
    if (failed != 0)
        Debugging::TraceWriteFailed(name);
}

QString clsViewDTM::Address() const { return ReadItem(m_addressHandle, kAddressItem); }
void clsViewDTM::SetAddress(const QString& value) { WriteItem(m_addressHandle, kAddressItem, value); }
QString clsViewDTM::Descriptor() const { return ReadItem(m_descriptorHandle, kDescriptorItem); }
void clsViewDTM::SetDescriptor(const QString& value) { WriteItem(m_descriptorHandle, kDescriptorItem, value); }
QString clsViewDTM::TagName() const { return ReadItem(m_tagNameHandle, kTagNameItem); }
void clsViewDTM::SetTagName(const QString& value) { WriteItem(m_tagNameHandle, kTagNameItem, value); }

void clsViewDTM::UnregisterView()
{
    // The manager may end the view from inside; keep it alive until it returns.
    std::shared_ptr<applet::clsAppletItemManager> manager = std::move(m_manager);
    m_manager.reset();
    if (manager) {
        int32_t result = 0;
        manager->UnregisterView(this, result);
    }
    m_addressHandle = m_descriptorHandle = m_tagNameHandle = -1;
}

void clsViewDTM::Show(int32_t& result) { result = 0; }
void clsViewDTM::Hide(int32_t& result) { result = 0; }

void clsViewDTM::Destroy(int32_t& result)
{
    m_manager.reset();
    result = 0;
}

void clsViewDTM::NotifyChanged(int32_t, bool, int32_t, int32_t, int32_t& result)
{
    result = 0;
}
