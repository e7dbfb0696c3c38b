#pragma once
// What a view offers the components and pages it owns: the item manager the
// applet host gave it, and its own end of the registration. As a plain class
// it has no manager and does nothing.
#include <memory>

namespace applet {
class clsAppletItemManager;
}

class IViewEx {
public:
    virtual ~IViewEx() = default;
    // The manager from SetAppletItemManagRef until UnRegisterView or Destroy; none before.
    virtual std::shared_ptr<applet::clsAppletItemManager> appletItemManagerRef() const { return nullptr; }
    // Drops the form reference, unregisters the view at the manager and drops the manager.
    virtual void UnRegisterView() {}
};
