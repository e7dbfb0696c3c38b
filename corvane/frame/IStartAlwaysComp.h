#pragma once
// The contract of every always-started component: bound to the frame view at
// start, released at stop, told to stop its own running work on an abort
// request, told when an upload of the device's parameters has ended, and told
// when values entered the dataset by another road (a project or dataset file
// loaded, a download about to write). The plain interface does nothing.
#include <memory>

class IViewEx;

class IStartAlwaysComp {
public:
    virtual ~IStartAlwaysComp() = default;
    // myView is the frame view; a component takes the item manager from its
    // appletItemManagerRef() and, when it calls other components, keeps the
    // view (weakly: the view owns the component) to find them by key.
    virtual void Register(const std::shared_ptr<IViewEx>& /*myView*/) {}
    virtual void UnRegister() {}
    virtual void Abort() {}
    virtual void HandleUploadCompleted() {}
    // The values entered in the units they were stored in: what a rule
    // derives from other values (a copy of a range or unit, a value forced
    // by the block mode or the revision) is set from its source, and only a
    // unit that a rule forces now converts the values given in it.
    virtual void HandleValuesEntered() {}
};
