#pragma once
// The physical block's identification kept coupled to the project: the
// project's tag, descriptor and bus address (published by the frame side as
// private project items) against the device's tag, descriptor and bus
// address, and the object-limit masks that tell the pages which meter-option
// and write-lock entries they may offer. After an upload the tag and
// descriptor are aligned once more: on HART the project's values go to the
// device, on the fieldbuses the device's values go to the project.
#include "corvane/frame/IStartAlwaysComp.h"
#include "corvane/rules/clsRuleGuard.h"
#include "pioextensions/clsAppItemCollection.h"
#include "pioextensions/clsSeqItemCollection.h"
#include <QObject>
#include <memory>

class clsDeviceInfo;

class clsPbObjectMgr : public QObject, public IStartAlwaysComp {
    Q_OBJECT
public:
    // The value a meter option falls back to when its entry is not allowed.
    static inline const QString kMeterOptionReset = QStringLiteral("2");

    clsPbObjectMgr();
    ~clsPbObjectMgr() override;

    void Register(const std::shared_ptr<IViewEx>& myView) override;
    void UnRegister() override;
    void Abort() override {}
    // Rule 8: the tag and descriptor alignment after an upload.
    void HandleUploadCompleted() override;

    bool Registered() const { return m_guard.IsRegistered(); }
    bool CouplingGuard() const { return m_guard.InRule(); }

public slots:
    // Rule 1 and 2: the project's tag and descriptor go to the device.
    void appGenericTagName_ValueChanged2(const QString& Value, bool suppressRule);
    void appGenericDescriptor_ValueChanged2(const QString& Value, bool suppressRule);
    // Rule 3 and 4: a user's change of the device's tag and descriptor goes to the project.
    void appTagName_ValueChanged2(const QString& Value, bool suppressRule);
    void appPbDescriptor_ValueChanged2(const QString& Value, bool suppressRule);
    // Rule 5: the project's bus address always wins.
    void appGenericAddress_ValueChanged2(const QString& Value, bool suppressRule);
    void appPbBusAddressProfi_ValueChanged2(const QString& Value, bool suppressRule);
    // The message and the date are one device value each that two records
    // carry (the standard commands' and the physical block's): a user's edit
    // of either is copied into the other, so a download writes one value.
    void appPbMessage_ValueChanged2(const QString& Value, bool suppressRule);
    void appPbDeviceMessage_ValueChanged2(const QString& Value, bool suppressRule);
    void appPbDate_ValueChanged2(const QString& Value, bool suppressRule);
    void appPbDeviceInstalDate_ValueChanged2(const QString& Value, bool suppressRule);
    // Rule 7 triggers.
    void appPbMeterOption_ValueChanged(const QString& Value);
    void seqGetDeviceInfo_StatusChanged(int32_t sequenceStatus);
    void m_DeviceInfoEvent_MvActualBlockModeChanged(int32_t MvActualBlockMode);
    void m_DeviceInfoEvent_MvFunctionChanged(bool mvFunction);

    // Rule 7: the meter-option mask of the bus kind, block mode and device
    // type, resetting a meter option that the mask does not allow.
    void BuildMeterOptionLimits();

private:
    // The project's text to the device cut to what the device holds, and the
    // device's text to the project without its surrounding blanks.
    void CopyProjectToDevice(const QString& project, const QString& device, int hartLength, int fieldbusLength,
                             const QString& source);
    void CopyDeviceToProject(const QString& device, const QString& project, bool suppressRule,
                             const QString& source);
    void CopyProjectAddressToDevice();
    // A user's edit of from into its twin, cut to length characters in upper
    // case when length is above 0 (the packed text of the standard commands);
    // length below 0: a date, of which an empty text is not copied.
    void CopyTwin(const QString& from, const QString& to, bool suppressRule, const QString& source);
    int32_t Number(const QString& key) const;
    // Writes the reset value to the meter option when it lies in [resetFrom, resetTo].
    void ResetMeterOption(int32_t resetFrom, int32_t resetTo);
    void Write(const QString& key, const QString& value);

    std::shared_ptr<clsDeviceInfo> m_deviceInfo;
    clsAppItemCollection m_items;
    clsSeqItemCollection m_sequences;
    // Registered flag and coupling guard.
    clsRuleGuard m_guard;
};
