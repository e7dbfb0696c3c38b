#pragma once
// A component that does nothing: no member has work to do. The frame does not
// create it; others create it by name.
#include "corvane/frame/IStartAlwaysComp.h"
#include "platform/automation/ClassRegistry.h"

class clsRevisionMgr : public automation::ComObject, public IStartAlwaysComp {
public:
    static inline const QString kProgId = QStringLiteral("Corvane.clsRevisionMgr");

    void Register(const std::shared_ptr<IViewEx>& /*myView*/) override {}
    void UnRegister() override {}
    void Abort() override {}
    void HandleUploadCompleted() override {}
};
