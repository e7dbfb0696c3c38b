#pragma once
// The view an object of this library registers with the item manager in its
// place. The manager keeps its views for as long as they stay registered;
// registering a forwarder instead of the object itself lets the object end
// when its user lets go of it, and unregister on the way out. The owner
// detaches the forwarder before it ends; a detached forwarder answers 0 and
// does nothing.
#include "platform/applet/View.h"
#include "platform/automation/ClassRegistry.h"

class ViewForwarder : public automation::ComObject, public applet::View {
public:
    explicit ViewForwarder(applet::View* owner) : m_owner(owner) {}
    void Detach() { m_owner = nullptr; }

    void SetAppletItemManagRef(int32_t lViewHandle, const std::shared_ptr<applet::clsAppletItemManager>& manager,
                               int32_t& result) override
    {
        result = 0;
        if (m_owner)
            m_owner->SetAppletItemManagRef(lViewHandle, manager, result);
    }
    void Show(int32_t& result) override
    {
        result = 0;
        if (m_owner)
            m_owner->Show(result);
    }
    void Hide(int32_t& result) override
    {
        result = 0;
        if (m_owner)
            m_owner->Hide(result);
    }
    void Destroy(int32_t& result) override
    {
        result = 0;
        if (m_owner)
            m_owner->Destroy(result);
    }
    void NotifyChanged(int32_t lAppletItemHandle, bool bShadowValue, int32_t lStateInfo, int32_t lUserLong,
                       int32_t& result) override
    {
        result = 0;
        if (m_owner)
            m_owner->NotifyChanged(lAppletItemHandle, bShadowValue, lStateInfo, lUserLong, result);
    }

private:
    applet::View* m_owner;
};
