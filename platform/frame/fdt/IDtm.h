#pragma once
// The main interface of a DTM object, called by the frame application.
#include "platform/automation/ClassRegistry.h"
#include <QString>
#include <cstdint>
#include <memory>

namespace fdt {

class IDtm {
public:
    virtual ~IDtm() = default;

    // userInformation: the frame's user information document.
    virtual bool Config(const QString& userInformation) = 0;
    // container: the frame's container object; the DTM asks it for
    // IFdtContainer, IDtmEvents, IFdtDialog and FrameBulkData.
    virtual bool Environment(const QString& systemTag, const std::shared_ptr<automation::ComObject>& container) = 0;
    // The DTM's functions document for an operation state.
    virtual QString GetFunctions(const QString& operationState) = 0;
    // deviceType: the device type document the user chose.
    virtual bool InitNew(const QString& deviceType) = 0;
    virtual bool InvokeFunctionRequest(const QString& invokeId, const QString& functionCall) = 0;
    virtual bool PrepareToDelete() = 0;
    virtual bool PrepareToRelease() = 0;
    virtual bool PrepareToReleaseCommunication() = 0;
    virtual bool PrivateDialogEnabled(bool enabled) = 0;
    virtual bool ReleaseCommunication() = 0;
    // communication: the frame's communication object (IFdtCommunication).
    virtual bool SetCommunication(const std::shared_ptr<automation::ComObject>& communication) = 0;
    virtual bool SetLanguage(int32_t languageId) = 0;
};

} // namespace fdt
