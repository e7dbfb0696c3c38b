#pragma once
// The small view each item object registers with the item manager: it keeps
// the view handle the manager gave it and forwards every notification to its
// owner. It holds the manager weakly, so that a view the manager keeps does
// not keep the manager alive.
//
// An object that is a view itself but must not be kept alive by the manager
// (which keeps its views until they unregister) registers this view in its
// place and hears of the handover of the view handle through Handover.
#include "platform/applet/View.h"
#include "platform/automation/ClassRegistry.h"
#include <cstdint>
#include <functional>
#include <memory>

class IAppItem;

class clsAppItemView : public automation::ComObject, public applet::View {
public:
    // Called within SetAppletItemManagRef, after the view kept handle and
    // manager; what it puts into result is the view's result.
    using Handover = std::function<void(int32_t lViewHandle,
                                        const std::shared_ptr<applet::clsAppletItemManager>& manager,
                                        int32_t& result)>;

    // owner may be none; the owner clears itself before it ends.
    void SetOwner(IAppItem* owner) { m_owner = owner; }
    // handover may be empty; its object clears it before it ends.
    void SetHandover(Handover handover) { m_handover = std::move(handover); }
    int32_t ViewHandle() const { return m_viewHandle; }

    void SetAppletItemManagRef(int32_t lViewHandle, const std::shared_ptr<applet::clsAppletItemManager>& manager,
                               int32_t& result) override;
    void Show(int32_t& result) override;
    void Hide(int32_t& result) override;
    void Destroy(int32_t& result) override;
    void NotifyChanged(int32_t lAppletItemHandle, bool bShadowValue, int32_t lStateInfo, int32_t lUserLong,
                       int32_t& result) override;

private:
    int32_t m_viewHandle = 0;
    std::weak_ptr<applet::clsAppletItemManager> m_manager;
    IAppItem* m_owner = nullptr;
    Handover m_handover;
};
