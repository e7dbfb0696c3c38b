#pragma once
// The dataset of one DTM instance. It holds the dataset as one FDT XML
// document (the data cache), validated against the schema cache: the device
// type, the device with its tag, bus information, exported variables and,
// for modular devices, its internal topology, and two state attributes on the
// root ("persistent"/"transient", "default"/"validModified "/"allDataLoaded"/
// "invalidModified"; "validModified " keeps its one trailing blank).
//
// After the toolkit has started for the dataset it builds its data model from
// the FDT file (data items, channels, module types), registers itself as a
// view of the applet for four private items and follows the applet's Dirty
// item. It is the applet host's instance-data store: every value the applet
// saves becomes a dataset variable, so it travels with the dataset.
//
// For a PROFIBUS device it keeps the bus master configuration part of the
// bus information in step with the GSD file and the configured modules
// (clsDataManagerBus.cpp). It collects what it hands to the frame in a
// changed-data document and takes other parties' changes from the frame.
//
// One per DTM object; always held by a shared_ptr. Failures are traced and
// answered with false; nothing here shows a message box.
#include "fennick/dataset/DataCollection.h"
#include "fennick/dataset/VariableIndex.h"
#include "platform/applet/IFbInstanceData.h"
#include "platform/applet/View.h"
#include "platform/automation/ClassRegistry.h"
#include "platform/xml/XmlDocument.h"
#include <QString>
#include <cstdint>
#include <memory>
#include <vector>

namespace applet {
class FdtFileParser;
class clsAppletItemManager;
} // namespace applet

namespace gsd {
class GsdParser;
} // namespace gsd

class clsDataBag;
class clsDataManagerChannel;
class clsDataManagerDataItem;
class clsDataManagerModule;

class clsDataManager : public automation::ComObject,
                       public applet::View,
                       public applet::IFbInstanceData,
                       public std::enable_shared_from_this<clsDataManager> {
public:
    using DocumentPtr = std::shared_ptr<xml::XmlDocument>;
    using ItemPtr = std::shared_ptr<clsDataManagerDataItem>;
    using DataItemCollection = DataCollection<clsDataManagerDataItem>;
    using ChannelCollection = DataCollection<clsDataManagerChannel>;
    using ModuleCollection = DataCollection<clsDataManagerModule>;
    using ChannelList = std::vector<std::shared_ptr<clsDataManagerChannel>>;

    clsDataManager();
    ~clsDataManager() override;
    clsDataManager(const clsDataManager&) = delete;
    clsDataManager& operator=(const clsDataManager&) = delete;

    // --- The dataset -----------------------------------------------------------------
    // A new dataset of the device type (the frame's FDT document holding one
    // fdt:DtmDeviceType) with the tag; starts the toolkit, builds the data
    // model and moves the DTM to RUNNING. False, traced, otherwise.
    bool IDtmParameter_InitNew(const QString& deviceType, const QString& tag);
    // The dataset as text (the path is not evaluated).
    QString BuildParameterXml(const QString& parameterPath);
    // Takes the bus data and the tag of the frame's dataset, nothing else.
    bool IDtmParameterExt_SetParameters(const QString& parameterPath, const QString& xmlDocument);
    // A new bag of the dataset and its channels; the dataset becomes
    // "persistent", "validModified ". False, traced, when there is no dataset.
    bool GetDataBag(std::shared_ptr<clsDataBag>& bag);
    // A new bag of the dataset and its channels as they are now, for a copy
    // outside the frame: the state attributes and the changed data stay as
    // they are. False, traced, when there is no dataset.
    bool GetCurrentDataBag(std::shared_ptr<clsDataBag>& bag);
    // A stored instance: loads the parameters, starts the toolkit, builds the
    // data model and loads the channels. False, traced, when the parameters,
    // the description files or the toolkit fail; a channel document that is
    // refused or a channel count that differs is traced and the load goes on.
    bool SetDataBag(const clsDataBag& bag);

    // An empty text leaves that attribute unchanged.
    void SetDataSetStates(const QString& storageState, const QString& dataSetState);
    // "Undefined", traced, without a dataset or its root.
    QString GetStorageState() const;
    QString GetDataSetState() const;
    // The text as the new dataset; false (traced) when it does not load or fit its schema.
    bool Instance_SetupDataCache(const QString& xmlText);
    // A dataset variable; false when the dataset does not hold it.
    bool XML_FdtVariable_Read(const QString& name, QString& value) const;
    // Creates or replaces the variable; false, traced, without a variables list.
    bool XML_FdtVariable_Write(const QString& name, const QString& value);
    // Removes the variable; true also when there was none. False, traced,
    // without a variables list.
    bool XML_FdtVariable_Delete(const QString& name);
    // The description files of the dataset, moved below this installation's root.
    bool GetDescriptionFiles(QString& tdxPath, QString& fdtPath, QString& gsdPath) const;
    // "[address] tag: vendor, name".
    QString GetDtmTitle() const;
    void GetVersionInformation(QString& name, QString& vendor) const;
    QString GetDeviceTag() const;
    // The dataset document (none before a dataset exists).
    DocumentPtr DataCache() const { return m_cache; }

    // --- Bus information (clsDataManagerBus.cpp) ------------------------------------
    // The device type's first bus category, "" (traced) when it has none.
    QString GetBusCategory() const;
    bool IsProfibus() const;
    static bool IsProfibusCategory(const QString& busCategory);
    // The HART slave address or PROFIBUS bus address; "" when neither is there.
    QString GetBusAddress() const;
    // The frame's slave address; false when either document lacks it.
    bool TakeSlaveAddress(const xml::XmlDocument& frameDocument);
    // The frame's bus address, and its bus master configuration part with the
    // device's parts rebuilt; false when either document lacks MasterSlaveBus.
    bool TakeMasterSlaveBus(const xml::XmlDocument& frameDocument);
    // Refreshes the bus master configuration part of a PROFIBUS dataset from
    // the GSD file and the topology modules: a stored set keeps its bus
    // master's choices, a placeholder ("0000") or a malformed set becomes the
    // default set. A HART dataset is not touched.
    void UpdateBusMasterConfiguration();
    // Rebuilds the device's parts of the set (user parameter and configuration
    // data) and keeps the rest; a malformed set (traced) becomes the default set.
    void BMCP_UpdateFromDTM(QString& bmcp) const;
    QString BuildDefaultBmcp() const;
    // The topology modules' configuration bytes (with "00" for each empty slot
    // before a module) and the GSD file's user parameter data followed by the
    // modules' parameter data, as hex texts.
    void GetModulesConfiguration(QString& configuration, QString& userParameters) const;
    // The GSD file's User_Prm_Data as hex text and its byte count; "" and 0
    // (traced) without a loadable file or usable keywords.
    static void ReadGsdUserPrmData(const QString& gsdPath, QString& hexText, int32_t& count);
    // The bytes of the data keyword, as many as the length keyword says; count
    // 0 and no bytes when either keyword is missing or unusable.
    static void ReadGsdKeywordBytes(const gsd::GsdParser& parser, const QString& lengthKeyword,
                                    const QString& dataKeyword, int32_t& count, std::vector<uint8_t>& bytes);

    // --- Data model ----------------------------------------------------------------------
    void BuildDataModel(applet::FdtFileParser& parser);
    void BuildTopologyModules();
    // The channels of the topology modules, module by module; false (none)
    // unless the device is a PROFIBUS device with topology modules.
    bool GetChannelCollection(ChannelList& channels);
    // Creates an empty collection when there is none.
    std::shared_ptr<ModuleCollection> TopologyModules();
    std::shared_ptr<ChannelCollection> Channels() const { return m_channels; }
    std::shared_ptr<ModuleCollection> DescribedModules() const { return m_describedModules; }
    std::shared_ptr<DataItemCollection> DataItems() const { return m_dataItems; }
    ItemPtr ChannelConfigItem() const { return m_channelConfigItem; }
    ItemPtr ChannelListItem() const { return m_channelListItem; }
    // -1 when a channel of a topology module is protected by its assignment.
    int16_t GetModulesState() const;
    void PublishAddressAndTag();
    bool IsDataSetLocked() const;
    // Drops the dataset, ends the view and releases the data model.
    void ReleaseDataModel();

    // --- Changed data and the frame's dataset events -----------------------------------
    // The changed-data document ("DTM" holding "ChangedParameters" and
    // "ChangedChannel" wrappers, each around the FDT element of one dataset or
    // channel document) collects what GetDataBag hands to the frame.
    // Wraps the document by what it holds (a channel or a dataset), whatever
    // kind says; nothing is added (traced) for text that does not load or is
    // neither.
    void AddChangedData(const QString& xmlText, const QString& kind);
    void ResetChangedData();
    // The whole changed-data document; empty when there is none.
    QString TakeChangedParameters();
    // The dataset of the changed data as a document of its own; empty when it has none.
    QString GetChangedParameters() const;
    int32_t ChangedChannelCount() const;
    // Channel document index (0-based); empty outside 0..count-1.
    QString GetChangedChannel(int32_t index) const;
    void OnLockDataSet(const QString& user);
    void OnUnlockDataSet(const QString& user);
    QString LockOwner() const { return m_lockOwner; }
    // Another party changed the dataset: the frame's changed data becomes the
    // dataset, its channel documents go to the channels by position and the
    // applet reloads its values. Changed data that does not load or holds no
    // loadable dataset is refused (traced) before anything changes; channel
    // documents beyond the DTM's channels are left out (traced). Never raises.
    bool OnParameterChanged(const QString& parameter);

    // --- applet::View ----------------------------------------------------------------------
    void SetAppletItemManagRef(int32_t lViewHandle, const std::shared_ptr<applet::clsAppletItemManager>& manager,
                               int32_t& result) override;
    void Show(int32_t& result) override { result = 0; }
    void Hide(int32_t& result) override { result = 0; }
    void Destroy(int32_t& result) override;
    void NotifyChanged(int32_t lAppletItemHandle, bool bShadowValue, int32_t lStateInfo, int32_t lUserLong,
                       int32_t& result) override;

    // --- applet::IFbInstanceData -------------------------------------------------------------
    // Every instance identifier addresses the same variables; the context is not used.
    int32_t fncC2VBString(int32_t address, QString& text) override;
    int32_t ReadParameter(const QVariant& context, const QString& instanceId, const QString& name,
                          QVariant& value) override;
    int32_t WriteParameter(const QVariant& context, const QString& instanceId, const QString& name,
                           const QVariant& value) override;
    int32_t WriteParameterInfo(const QVariant& context, const QString& instanceId,
                               const applet::clsParameterInfo& info) override;
    int32_t DeleteParameter(const QVariant& context, const QString& instanceId, const QString& name) override;
    int32_t OpenInstance(const QVariant& context, const QString& instanceId, int32_t connection) override;
    int32_t CloseInstance(const QVariant& context, const QString& instanceId) override;

    static inline const QString kUndefined = QStringLiteral("Undefined");
    static inline const QString kHartBusCategory = QStringLiteral("036D1498-387B-11D4-86E1-00E0987270B9");
    // Private dataset variables.
    static inline const QString kFdtFileVariable = QStringLiteral("&&private_Fennick&&FDTfile");
    static inline const QString kTdxFileVariable = QStringLiteral("&&private_Fennick&&TDXfile");
    static inline const QString kGsdFileVariable = QStringLiteral("&&private_Fennick&&GSDfile");
    // Private applet items.
    static inline const QString kAddressItem = QStringLiteral("&&private_PM&&Address");
    static inline const QString kTagNameItem = QStringLiteral("&&private_PM&&TagName");
    static inline const QString kLockedItem = QStringLiteral("&&private_Fdt&&Locked");
    static inline const QString kDirtyItem = QStringLiteral("&&private&&Dirty");

private:
    bool BuildNewDataset(const QString& deviceType, const QString& tag, QString& tdxPath, QString& fdtPath);
    bool StartToolkit(const QString& tdxPath, const QString& fdtPath);
    void LoadBagChannels(const clsDataBag& bag);
    // The dataset's text and its channels' texts; with recordChanges they
    // also go into the changed-data document.
    std::shared_ptr<clsDataBag> FillDataBag(bool recordChanges);
    void RegisterAsView();
    xml::XmlNode Root() const;
    // One state attribute of the document element; "undefined" (traced) without a document.
    QString RootStateAttribute(const QString& name) const;
    xml::XmlNode VariablesList() const;
    xml::XmlNode VariableDisplay(const QString& name) const;
    void RepairDataCache();
    // Writes the value to the variable; a result code for the store.
    int32_t StoreValue(const QString& name, const QVariant& value);

    // Private items.
    int32_t RegisterPrivateItem(const QString& name);
    bool ReadDirtyItem() const;
    void WriteTextItem(int32_t handle, const QString& name, const QString& text) const;
    void WriteAddressItem(const QString& text) const;
    void WriteTagNameItem(const QString& text) const;
    void WriteLockedItem(bool locked) const;
    void OnDirtyChanged();

    DocumentPtr m_cache; // privXMLDataCache
    mutable VariableIndex m_variables; // the variables of m_cache by name
    // The bus category read from m_cache: the device type of a dataset never
    // changes in place, so it is read once per document.
    mutable std::weak_ptr<xml::XmlDocument> m_busCategoryOf;
    mutable QString m_busCategory;
    DocumentPtr m_changedData;
    std::shared_ptr<applet::clsAppletItemManager> m_manager; // privAppletItemManager
    int32_t m_viewHandle = -1;
    int32_t m_addressHandle = -1;
    int32_t m_tagNameHandle = -1;
    int32_t m_lockedHandle = -1;
    int32_t m_dirtyHandle = -1;
    QString m_lockOwner;
    std::shared_ptr<DataItemCollection> m_dataItems;
    std::shared_ptr<ChannelCollection> m_channels;
    std::shared_ptr<ModuleCollection> m_describedModules;
    std::shared_ptr<ModuleCollection> m_topologyModules;
    ItemPtr m_channelConfigItem;
    ItemPtr m_channelListItem;
};
