#pragma once
// Decides whether the open dataset fits the connected device and publishes the
// verdict in "InCompatibleDataset": at the end of the device identification
// "GetDeviceInfo", at the end of every upload and on every abort request. A
// device of an unsupported firmware revision is disconnected with a message;
// a fitting device's identification is copied into the dataset. The two
// allowed-entries masks of the multivariable block follow the software
// revision.
#include "corvane/frame/IStartAlwaysComp.h"
#include "pioextensions/clsAppItemCollection.h"
#include "pioextensions/clsSeqItemCollection.h"
#include <QObject>
#include <QString>
#include <memory>

class IChangeUnitValue;
class IDeviceInfo;

class clsDatasetValid : public QObject, public IStartAlwaysComp {
    Q_OBJECT
public:
    static inline const QString kInCompatibleDataset = QStringLiteral("InCompatibleDataset");
    static inline const QString kGetDeviceInfo = QStringLiteral("GetDeviceInfo");

    // The verdicts of "InCompatibleDataset".
    enum Verdict : int {
        kFits = 0,
        kModuleTypeDiffers = 1,
        kMvFunctionDiffers = 2,
        kRangeOutsideLimits = 3,
        kSpanBelowMinimum = 4,
        kRevisionUnsupportedOrLost = 5,
    };

    clsDatasetValid();
    ~clsDatasetValid() override;
    clsDatasetValid(const clsDatasetValid&) = delete;
    clsDatasetValid& operator=(const clsDatasetValid&) = delete;

    void Register(const std::shared_ptr<IViewEx>& myView) override;
    void UnRegister() override;
    // Both run the compatibility check.
    void Abort() override;
    void HandleUploadCompleted() override;

    bool Registered() const { return m_registered; }

    // Runs the compatibility check, publishes the verdict and returns it.
    int CompatibilityCheck();

public slots:
    // Called by name by the "SoftwareRevision" item: the revision-dependent masks.
    void SoftwareRevision_ValueChanged(short index, const QString& Value, bool suppressRule);
    // The state of "GetDeviceInfo": its end runs the revision check, the
    // compatibility check and the copy into the dataset.
    void m_SeqGetDeviceInfo_StatusChanged(int32_t sequenceStatus);

private:
    bool m_registered = false;
};
