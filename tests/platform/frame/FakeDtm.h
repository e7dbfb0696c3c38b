#pragma once
// A DTM object that records what the frame asks of it and answers as told,
// registered under the DTM's ProgID for the frame's tests.
#include "platform/automation/ClassRegistry.h"
#include "platform/frame/fdt/IDtm.h"
#include "platform/frame/fdt/IDtmApplication.h"
#include "platform/frame/fdt/IDtmEvents.h"
#include "platform/frame/fdt/IDtmParameter.h"
#include "platform/frame/fdt/IFdtCommunication.h"
#include "platform/frame/fdt/IFdtContainer.h"
#include "platform/frame/fdt/IFdtEvents.h"
#include "platform/frame/fdt/IPersistPropertyBag.h"
#include <QStringList>
#include <memory>

namespace frametest {

class FakeDtm : public automation::ComObject,
                public fdt::IDtm,
                public fdt::IDtmApplication,
                public fdt::IDtmParameter,
                public fdt::IPersistPropertyBag,
                public fdt::IFdtEvents {
public:
    QStringList calls;
    QString systemTag;
    std::shared_ptr<automation::ComObject> containerObject;
    automation::PropertyBag readBag;
    QString parameters = QStringLiteral("<FDT/>");
    // The answer of GetParameters: a dataset naming the device type it serves.
    QString dataset = QStringLiteral("<FDT xmlns:fdt=\"x-schema:FDTDataTypesSchema.xml\"><fdt:DtmDeviceType "
                                     "manufacturerId=\"99\" deviceTypeId=\"165\"/></FDT>");
    bool answer = true;
    QString lastAddress;
    QString functions;       // the answer of GetFunctions
    QString lastDocument;    // the operation state or function call last handed over
    QString lastInvokeId;

    std::shared_ptr<fdt::IFdtContainer> Container() const
    {
        return std::dynamic_pointer_cast<fdt::IFdtContainer>(containerObject);
    }
    std::shared_ptr<fdt::IDtmEvents> Events() const
    {
        return std::dynamic_pointer_cast<fdt::IDtmEvents>(containerObject);
    }

    void InitProperties() override { calls << QStringLiteral("InitProperties"); }
    void ReadProperties(const automation::PropertyBag& bag) override
    {
        calls << QStringLiteral("ReadProperties");
        readBag = bag;
    }
    void WriteProperties(automation::PropertyBag& bag) override
    {
        calls << QStringLiteral("WriteProperties");
        bag.Write(QStringLiteral("DTM_PARAMETERS"), parameters);
    }

    bool Config(const QString& info) override
    {
        calls << QStringLiteral("Config:") + info;
        return answer;
    }
    bool Environment(const QString& tag, const std::shared_ptr<automation::ComObject>& container) override
    {
        calls << QStringLiteral("Environment:") + tag;
        systemTag = tag;
        containerObject = container;
        return answer;
    }
    QString GetFunctions(const QString& operationState) override
    {
        calls << QStringLiteral("GetFunctions");
        lastDocument = operationState;
        return functions;
    }
    bool InitNew(const QString& deviceType) override
    {
        calls << QStringLiteral("InitNew:") + deviceType;
        return answer;
    }
    bool InvokeFunctionRequest(const QString& invokeId, const QString& call) override
    {
        calls << QStringLiteral("InvokeFunctionRequest:") + invokeId;
        lastInvokeId = invokeId;
        lastDocument = call;
        return answer;
    }
    bool StartApplication(const QString& invokeId, const QString& call, const QString& title) override
    {
        calls << QStringLiteral("StartApplication:%1:%2").arg(invokeId, title);
        lastInvokeId = invokeId;
        lastDocument = call;
        return answer;
    }
    bool ExitApplication(const QString& invokeId) override
    {
        calls << QStringLiteral("ExitApplication:") + invokeId;
        return answer;
    }
    bool PrepareToDelete() override
    {
        calls << QStringLiteral("PrepareToDelete");
        return answer;
    }
    bool PrepareToRelease() override
    {
        calls << QStringLiteral("PrepareToRelease");
        // Releases at once, as a DTM with nothing to save would a moment later.
        if (auto events = Events())
            events->OnPreparedToRelease(systemTag);
        return answer;
    }
    bool PrepareToReleaseCommunication() override { return false; }
    bool PrivateDialogEnabled(bool) override { return false; }
    bool ReleaseCommunication() override { return false; }
    bool SetCommunication(const std::shared_ptr<automation::ComObject>& communication) override
    {
        auto channel = std::dynamic_pointer_cast<fdt::IFdtCommunication>(communication);
        lastAddress = channel ? channel->Address() : QString();
        calls << QStringLiteral("SetCommunication:") + lastAddress;
        return answer;
    }
    bool SetLanguage(int32_t) override { return false; }

    QString GetParameters(const QString&) override { return dataset; }
    bool SetParameters(const QString&, const QString&) override { return false; }

    void OnChildParameterChanged(const QString&) override {}
    void OnLockDataSet(const QString& tag, const QString& user) override
    {
        calls << QStringLiteral("OnLockDataSet:%1:%2").arg(tag, user);
    }
    void OnParameterChanged(const QString&, const QString&) override {}
    bool OnUnlockDataSet(const QString& tag, const QString& user) override
    {
        calls << QStringLiteral("OnUnlockDataSet:%1:%2").arg(tag, user);
        return true;
    }
};

} // namespace frametest
