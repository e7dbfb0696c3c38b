#pragma once
// Decides whether the open dataset fits the connected device and publishes the
// verdict in "InCompatibleDataset": at the end of the device identification
// "GetDeviceInfo", at the end of every upload and on every abort request. A
// device of an unsupported firmware revision is disconnected with a message;
// a fitting device's identification is copied into the dataset. The two
// allowed-entries masks of the multivariable block follow the software
// revision.
//
// The dataset's values are the items' own values, the device's those of the
// same items bound on their shadow (the values the device reported last).
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
    static constexpr int32_t kUnsupportedRevisionText = 2007;

    // The verdicts of "InCompatibleDataset". A download is allowed only on
    // kFits and kRevisionUnsupportedOrLost.
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

    // Runs the compatibility check, publishes the verdict and returns it; -1
    // while not registered (nothing is published then). A rule that cannot be
    // decided (a value that is not a number, an item that cannot be read)
    // counts as not met: its verdict is published and the reason traced, so
    // a verdict of an earlier device never stands for this one.
    int CompatibilityCheck();

public slots:
    // Called by name by the "SoftwareRevision" item: the revision-dependent masks.
    void SoftwareRevision_ValueChanged(short index, const QString& Value, bool suppressRule);
    // The state of "GetDeviceInfo": its end runs the revision check, the
    // compatibility check and the copy into the dataset.
    void m_SeqGetDeviceInfo_StatusChanged(int32_t sequenceStatus);

private:
    void BindItems();
    // True when the device's revision is supported; else the device is
    // disconnected (verdict 5, message where one may be shown).
    bool RevisionCheck();
    void RejectDevice(const QString& why);
    void CopyIdentification();
    bool ModuleTypeDiffers();
    bool MvFunctionDiffers();
    bool RangeOutsideLimits();
    bool SpanBelowMinimum();
    void Publish(int verdict);

    QString Text(const QString& key) const;
    // The item's text as a number; raises (traced) when it is none.
    double Number(const QString& key) const;
    int32_t UnitCode(const QString& key) const;
    // The item's value converted from one unit item's code to another's.
    double Converted(const QString& valueKey, const QString& fromUnitKey, const QString& toUnitKey) const;

    std::shared_ptr<applet::clsAppletItemManager> m_manager;
    std::shared_ptr<IDeviceInfo> m_deviceInfo;
    std::shared_ptr<IChangeUnitValue> m_converter;
    clsAppItemCollection m_items;
    clsSeqItemCollection m_sequences;
    std::shared_ptr<clsSequenceItem> m_SeqGetDeviceInfo;
    bool m_registered = false;
    bool m_getDeviceInfoActive = false;
};
