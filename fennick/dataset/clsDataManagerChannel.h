#pragma once
// One process-value channel of a module: the input or output signal a module
// exchanges cyclically with the bus master, with its data type, bit address,
// unit, range, four alarm limits and substitute value, all taken from data
// items of the data model. The frame reads and writes it as an "FDTChannel"
// document of the PROFIBUS channel schema (IFdtChannel); the data bag and the
// changed data carry the same document.
#include "fennick/dataset/DataCollection.h"
#include "platform/automation/ClassRegistry.h"
#include "platform/frame/fdt/IFdtChannel.h"
#include <QString>
#include <QStringList>
#include <array>
#include <cstdint>
#include <memory>

namespace xml {
class XmlDocument;
class XmlNode;
} // namespace xml

class clsDataManagerDataItem;

class clsDataManagerChannel : public automation::ComObject, public fdt::IFdtChannel {
public:
    using ItemPtr = std::shared_ptr<clsDataManagerDataItem>;
    using DataItems = DataCollection<clsDataManagerDataItem>;

    // Description type codes of the channel's items.
    static constexpr int32_t kInputSignal = 43;
    static constexpr int32_t kOutputSignal = 44;

    // Takes the items the description names from the collection (keyed by
    // FDT parameter name). False, traced, for an empty description or a name
    // that is no data item; an item of a code that has no place here is
    // traced and skipped.
    bool BuildFromDescription(const QString& descriptionName, const QStringList& entryNames, const DataItems& items);
    // Ends the registrations of the channel's items and lets go of them.
    void ReleaseChannel();

    // "M_" + module number + "_C_" + channel number.
    QString GetChannelId() const;
    QString DescriptionName() const { return m_descriptionName; }
    int32_t ChannelNumber() const { return m_channelNumber; }
    void SetChannelNumber(int32_t number) { m_channelNumber = number; }
    int32_t BitPosition() const { return m_bitPosition; }
    void SetBitPosition(int32_t position) { m_bitPosition = position; }
    int32_t ModuleNumber() const { return m_moduleNumber; }
    void SetModuleNumber(int32_t number) { m_moduleNumber = number; }
    void SetTagPrefix(const QString& prefix) { m_tagPrefix = prefix; }
    // ObjectLength and type code of the main item; 0 without one.
    int32_t MainItemLength() const;
    int32_t MainItemKind() const;
    bool ProtectedByChannelAssignment() const { return m_protected; }
    // "input", "output"; "" (traced) without a signal.
    QString SignalType() const;

    // The channel document; both arguments are not used.
    QString IFdtChannel_GetChannelParameters(const QString& parameterPath, const QString& protocolId);
    // The DTM's system tag + "/" + the channel identifier.
    QString IFdtChannel_GetChannelPath();
    // The frame's write, under the dataset write lock; moves the dataset to
    // "transient" and "validModified " or "invalidModified".
    bool IFdtChannel_SetChannelParameters(const QString& parameterPath, const QString& protocolId,
                                          const QString& xmlDocument);
    // Applies a channel document. Values reach fixed items only; a frame
    // call never moves the channel's bit position. No document changes the
    // channel's number; one whose number is no number is refused (false).
    bool IFdtChannelExt_SetChannelParameters(const QString& parameterPath, const QString& protocolId,
                                             const QString& xmlDocument, bool frameCall);

    // fdt::IFdtChannel
    QString GetChannelParameters(const QString& parameterPath, const QString& protocolId) override
    {
        return IFdtChannel_GetChannelParameters(parameterPath, protocolId);
    }
    QString GetChannelPath() override { return IFdtChannel_GetChannelPath(); }
    bool SetChannelParameters(const QString& parameterPath, const QString& protocolId,
                              const QString& xmlDocument) override
    {
        return IFdtChannel_SetChannelParameters(parameterPath, protocolId, xmlDocument);
    }

    static inline const QString kChannelNamespace = QStringLiteral("x-schema:FDTProfibusChannelParameterSchema.xml");

private:
    QString ChannelTag() const;
    // "fdt:Unit" of the item, appended to parent; nothing when the item's
    // enumeration cannot be read.
    void AppendUnit(xml::XmlDocument& document, xml::XmlNode parent, const ItemPtr& item);
    void CheckProtection(const ItemPtr& item, bool protection) const;
    // The fixed item takes the attribute of the element at the path.
    void TakeStaticValue(const xml::XmlDocument& document, const QString& path, const ItemPtr& item) const;
    void SetChanneldata(const xml::XmlDocument& document, bool protection);

    std::array<ItemPtr, 4> m_alarms; // high, high-high, low, low-low
    int32_t m_bitPosition = 0;
    QString m_descriptionName;
    int32_t m_channelNumber = 0;
    bool m_protected = false;
    ItemPtr m_upperRange;
    ItemPtr m_lowerRange;
    ItemPtr m_rangeUnit;
    ItemPtr m_main;
    ItemPtr m_channelUnit;
    ItemPtr m_substituteType;
    ItemPtr m_substituteValue;
    ItemPtr m_frameApplicationTag;
    QString m_tagPrefix;
    int32_t m_moduleNumber = 0;
};
