#pragma once
// The callback interface of every view of the applet: the item manager hands
// a registered view its handle and the manager, the host shows, hides and ends
// it, and the manager reports every change of an item the view registered.
// Each member returns its 32-bit result through the trailing out-parameter.
#include <cstdint>
#include <memory>

namespace applet {

class clsAppletItemManager;

class View {
public:
    virtual ~View() = default;

    // First call after RegisterView (within it): the view's handle and the manager.
    virtual void SetAppletItemManagRef(int32_t lViewHandle, const std::shared_ptr<clsAppletItemManager>& manager,
                                       int32_t& result) = 0;
    virtual void Show(int32_t& result) = 0;
    virtual void Hide(int32_t& result) = 0;
    // The host ends the view; the view drops its manager reference.
    virtual void Destroy(int32_t& result) = 0;
    // An item the view registered changed, before the write that changed it
    // returns. lStateInfo carries the bits of StateInfo.h; lUserLong is the
    // value given at RegisterItem.
    virtual void NotifyChanged(int32_t lAppletItemHandle, bool bShadowValue, int32_t lStateInfo, int32_t lUserLong,
                               int32_t& result) = 0;
};

} // namespace applet
