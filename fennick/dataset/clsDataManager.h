#pragma once
// The dataset of one DTM instance. For now it holds the parameter document as
// text with its two state attributes, the changed data handed to the frame and
// the frame's lock owner; the dataset document, the data model on the applet
// items and the toolkit start are built on these members.
#include <QString>
#include <memory>

class clsDataBag;

class clsDataManager {
public:
    clsDataManager();
    ~clsDataManager();
    clsDataManager(const clsDataManager&) = delete;
    clsDataManager& operator=(const clsDataManager&) = delete;

    // A stored instance: takes the bag's parameter text as the dataset
    // ("persistent", "allDataLoaded") and moves the DTM to status 4. False,
    // traced, for a bag without parameters.
    bool SetDataBag(const clsDataBag& bag);
    // A new instance of the device type, tag as its tag: the dataset is
    // "transient", "default" and the DTM moves to status 11. False, traced,
    // for an empty device type.
    bool IDtmParameter_InitNew(const QString& deviceType, const QString& tag);
    // A new bag of the dataset; the dataset becomes "persistent",
    // "validModified ". Outside status 7 what was handed over is kept as the
    // changed data.
    bool GetDataBag(std::shared_ptr<clsDataBag>& bag);
    // The dataset text (the path is not evaluated).
    QString BuildParameterXml(const QString& parameterPath);
    // Takes the document as the dataset; false for an empty document.
    bool IDtmParameterExt_SetParameters(const QString& parameterPath, const QString& xmlDocument);

    // An empty text leaves that attribute unchanged.
    void SetDataSetStates(const QString& storageState, const QString& dataSetState);
    // "Undefined", traced, while there is no dataset.
    QString GetStorageState() const;
    QString GetDataSetState() const;

    // The changed data last handed to the frame; empty when there is none.
    QString TakeChangedParameters();

    // The frame's lock of the dataset by one of its users.
    void OnLockDataSet(const QString& user);
    void OnUnlockDataSet(const QString& user);
    // The frame's changed data replaces the changed data kept here.
    void OnParameterChanged(const QString& parameter);
    // True while another user of the frame holds the dataset.
    bool IsDataSetLocked() const { return m_locked; }
    QString LockOwner() const { return m_lockOwner; }

    // Drops the dataset and the changed data.
    void ReleaseDataModel();

    static inline const QString kUndefined = QStringLiteral("Undefined");

private:
    bool m_hasDataCache = false;
    QString m_parameters;
    QString m_storageState;
    QString m_dataSetState;
    QString m_changedData;
    QString m_lockOwner;
    bool m_locked = false;
};
