#pragma once
// One I/O module of a modular device as the FDT file describes it: its type
// id, name, slot, configuration data and parameter data items and the
// channels it carries. A module writes itself into the dataset's internal
// topology, reads itself back from it, numbers its channels and lays their
// bits out in the cyclic input and output data after the module before it.
#include "fennick/dataset/DataCollection.h"
#include <QString>
#include <QStringList>
#include <cstdint>
#include <memory>

namespace xml {
class XmlDocument;
class XmlNode;
} // namespace xml

class clsDataManager;
class clsDataManagerChannel;
class clsDataManagerDataItem;

class clsDataManagerModule {
public:
    using ItemPtr = std::shared_ptr<clsDataManagerDataItem>;
    using DataItems = DataCollection<clsDataManagerDataItem>;
    using Channels = DataCollection<clsDataManagerChannel>;

    // A configuration text holds at most this many bytes.
    static constexpr int32_t kMaxConfigurationBytes = 246;

    // Takes the items and channels the description names. False, traced, for
    // a name that is neither, or when the module lacks its configuration
    // data, type id, slot or name item or carries no channel. Raises the
    // collection's duplicate-key error for a channel named twice.
    bool BuildFromDescription(const QString& descriptionName, const QStringList& entryNames, const DataItems& items,
                              const Channels& channels);
    // The data manager whose topology the bit layout chains along.
    void SetDataManager(const std::weak_ptr<clsDataManager>& data) { m_data = data; }
    void ReleaseModule();

    // The item's comma-separated byte values as hexadecimal text, two digits
    // a byte; false (traced) when there is none or a value is no byte.
    bool ReadConfigurationString(const ItemPtr& item, QString& text) const;
    QString ConfigurationData() const;
    QString ParameterData() const;

    // Writes the module into the dataset's internal topology.
    void IDtmParameter_GetModuleData(xml::XmlDocument& document) const;
    // True when the Module element of the topology describes this module; it
    // then takes the slot and id and places its channels.
    bool ReadModuleDefinition(const xml::XmlNode& module);
    // What a Module element of the topology stores, read without changing any
    // module: the module name ("", traced, without its version information)
    // and the slot (0 when it is no number).
    static QString StoredModuleName(const xml::XmlNode& module);
    static int32_t StoredSlot(const xml::XmlNode& module);

    const Channels& ModuleChannels() const { return m_channels; }
    QString ModuleDescription() const { return m_descriptionName; }
    QString ModuleId() const;
    int32_t Slot() const;
    void SetSlot(int32_t slot);
    QString ModuleName() const;
    // -1, traced, when the item's value is no number.
    int32_t ModuleTypeId() const;
    bool ChannelsProtected() const;
    int32_t InputBitEnd() const { return m_inputBitEnd; }
    int32_t OutputBitEnd() const { return m_outputBitEnd; }

private:
    void PlaceChannels();
    // The topology module that ends where this one starts: the one in the
    // nearest lower slot. None in slot 1 and when no lower slot is taken.
    std::shared_ptr<const clsDataManagerModule> Predecessor() const;

    int32_t m_outputBitEnd = 0;
    int32_t m_inputBitEnd = 0;
    ItemPtr m_configurationData;
    QString m_moduleId;
    QString m_descriptionName;
    ItemPtr m_slot;
    ItemPtr m_moduleTypeId;
    ItemPtr m_moduleName;
    ItemPtr m_parameterData;
    Channels m_channels;
    std::weak_ptr<clsDataManager> m_data;
};
