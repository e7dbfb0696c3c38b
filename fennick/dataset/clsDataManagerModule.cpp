#include "fennick/dataset/clsDataManagerModule.h"
#include "fennick/dataset/clsDataManager.h"
#include "fennick/dataset/clsDataManagerChannel.h"
#include "fennick/dataset/clsDataManagerDataItem.h"
#include "fennick/services/DataTypes.h"
#include "fennick/services/Debugging.h"
#include "fennick/services/Publics.h"
#include "fennick/services/XMLHelper.h"
#include "platform/xml/XmlDocument.h"
#include <cmath>

namespace {

// Description type codes of the module's items.
constexpr int32_t kModuleTypeId = 38;
constexpr int32_t kModuleName = 40;
constexpr int32_t kConfigurationData = 41;
constexpr int32_t kSlot = 42;
constexpr int32_t kParameterData = 2003;

bool ReadNumber(const QString& text, double& number)
{
    bool ok = false;
    number = text.trimmed().toDouble(&ok);
    return ok;
}

// A slot value read as a number and rounded; 0 when it is no number.
int32_t SlotNumber(const QString& text)
{
    double number = 0;
    return ReadNumber(text, number) ? static_cast<int32_t>(std::lround(number)) : 0;
}

xml::XmlNode AppendElement(xml::XmlDocument& document, xml::XmlNode parent, const QString& name)
{
    return parent.AppendChild(document.CreateElement(name));
}

} // namespace

// --- Build and release -----------------------------------------------------------------

bool clsDataManagerModule::BuildFromDescription(const QString& descriptionName, const QStringList& entryNames,
                                                const DataItems& items, const Channels& channels)
{
    for (const QString& entryName : entryNames) {
        if (const ItemPtr item = items.Find(entryName)) {
            switch (item->TypeCode()) {
            case kModuleTypeId: m_moduleTypeId = item; break;
            case kModuleName: m_moduleName = item; break;
            case kConfigurationData: m_configurationData = item; break;
            case kSlot: m_slot = item; break;
            case kParameterData: m_parameterData = item; break;
            default:
                Debugging::TraceError(QStringLiteral("Parameter >>") + entryName
                                      + QStringLiteral("<< for channel description >>") + descriptionName
                                      + QStringLiteral("<< makes no sense here!"));
                break;
            }
            continue;
        }
        if (const auto channel = channels.Find(entryName)) {
            channel->SetTagPrefix(descriptionName);
            m_channels.Add(channel->DescriptionName(), channel);
            continue;
        }
        Debugging::TraceError(QStringLiteral("Missing parameter or channel >>") + entryName
                              + QStringLiteral("<< for module description >>") + descriptionName + QStringLiteral("<<"));
        return false;
    }
    m_descriptionName = descriptionName;
    return m_configurationData && m_moduleTypeId && m_slot && m_moduleName && !m_channels.IsEmpty();
}

void clsDataManagerModule::ReleaseModule()
{
    for (ItemPtr* item : {&m_configurationData, &m_slot, &m_moduleTypeId, &m_moduleName, &m_parameterData})
        Publics::ReleaseDataItem(*item);
    for (const auto& entry : m_channels)
        entry.item->ReleaseChannel();
    m_channels = Channels();
}

// --- Configuration texts ---------------------------------------------------------------

bool clsDataManagerModule::ReadConfigurationString(const ItemPtr& item, QString& text) const
{
    text.clear();
    if (!item)
        return false;
    const QString value = item->Value();
    if (value.isEmpty())
        return false;
    const QStringList bytes = value.split(QLatin1Char(','));
    if (bytes.size() > kMaxConfigurationBytes) {
        Debugging::TraceError(QStringLiteral("CFG data string >>") + item->FdtParameterName()
                              + QStringLiteral("<< exceeds 246 bytes!"));
        return false;
    }
    QString result;
    for (const QString& byte : bytes) {
        QString digits;
        if (!DataTypes::Convert_ByteOxToXML(byte, digits)) {
            Debugging::TraceError(QStringLiteral("CFG data string >>") + item->FdtParameterName()
                                  + QStringLiteral("<< contains invalid data!"));
            return false;
        }
        result += digits;
    }
    text = result;
    return !text.isEmpty();
}

QString clsDataManagerModule::ConfigurationData() const
{
    QString text;
    ReadConfigurationString(m_configurationData, text);
    return text;
}

QString clsDataManagerModule::ParameterData() const
{
    QString text;
    if (m_parameterData)
        ReadConfigurationString(m_parameterData, text);
    return text;
}

// --- Properties ------------------------------------------------------------------------------

QString clsDataManagerModule::ModuleId() const
{
    double number = 0;
    return ReadNumber(m_moduleId, number) ? QString::number(std::llround(number)) : m_moduleId;
}

int32_t clsDataManagerModule::Slot() const
{
    return m_slot ? SlotNumber(m_slot->Value()) : 0;
}

void clsDataManagerModule::SetSlot(int32_t slot)
{
    m_moduleId = QString::number(slot);
    if (m_slot)
        m_slot->SetValue(QString::number(slot));
    PlaceChannels();
}

QString clsDataManagerModule::ModuleName() const
{
    return m_moduleName ? m_moduleName->Value() : QString();
}

int32_t clsDataManagerModule::ModuleTypeId() const
{
    double number = 0;
    if (m_moduleTypeId && ReadNumber(m_moduleTypeId->Value(), number))
        return static_cast<int32_t>(std::lround(number));
    Debugging::TraceError(QStringLiteral("Module's ") + m_descriptionName + QStringLiteral(" Id is not a number"));
    return -1;
}

bool clsDataManagerModule::ChannelsProtected() const
{
    for (const auto& entry : m_channels)
        if (entry.item->ProtectedByChannelAssignment())
            return true;
    return false;
}

// --- Topology ----------------------------------------------------------------------------------

void clsDataManagerModule::IDtmParameter_GetModuleData(xml::XmlDocument& document) const
{
    xml::XmlNode topology = document.SelectSingleNode(QStringLiteral("FDT/DtmDevice/InternalTopology"));
    if (!topology) {
        const QString devicePath = QStringLiteral("FDT/DtmDevice");
        xml::XmlNode device = document.SelectSingleNode(devicePath);
        if (!device) {
            Debugging::TraceError(QStringLiteral("IDtmParameter_GetModuleData: Node >>") + devicePath
                                  + QStringLiteral("<< does not exist!"));
            return;
        }
        topology = document.CreateElement(QStringLiteral("InternalTopology"));
        const xml::XmlNode variables = device.FirstChildElement(QStringLiteral("ExportedVariables"));
        topology = variables ? device.InsertBefore(topology, variables) : device.AppendChild(topology);
        XMLHelper::SetReadOnlyAccess(topology);
    }
    xml::XmlNode channel = AppendElement(document, topology, QStringLiteral("InternalChannel"));
    XMLHelper::SetReadOnlyAccess(channel);
    xml::XmlNode module = AppendElement(document, channel, QStringLiteral("Module"));
    XMLHelper::SetReadOnlyAccess(module);
    module.SetAttribute(QStringLiteral("moduleId"), m_moduleId);
    module.SetAttribute(QStringLiteral("moduleTypeId"), m_moduleTypeId ? m_moduleTypeId->Value() : QString());
    module.SetAttribute(QStringLiteral("slot"), m_slot ? m_slot->Value() : QString());
    QString configuration;
    if (!ReadConfigurationString(m_configurationData, configuration)) {
        Debugging::TraceError(QStringLiteral("Unable to read Module configuration data!"));
        configuration = QStringLiteral("00");
    }
    module.SetAttribute(QStringLiteral("configurationData"), configuration);
    AppendElement(document, module, QStringLiteral("fdt:VersionInformation"))
        .SetAttribute(QStringLiteral("name"), ModuleName());
    xml::XmlNode references = AppendElement(document, module, QStringLiteral("fdt:ChannelReferences"));
    for (const auto& entry : m_channels)
        AppendElement(document, references, QStringLiteral("fdt:ChannelReference"))
            .SetAttribute(QStringLiteral("idref"), entry.item->GetChannelId());
}

QString clsDataManagerModule::StoredModuleName(const xml::XmlNode& module)
{
    const xml::XmlNode version = module.SelectSingleNode(QStringLiteral("fdt:VersionInformation"));
    if (!version) {
        Debugging::TraceError(QStringLiteral("Missing element fdt:VersionInformationin module definition"));
        Debugging::TraceError(QStringLiteral("Unable to identify module type"));
        return QString();
    }
    return XMLHelper::GetAttribute(version, QStringLiteral("name"));
}

int32_t clsDataManagerModule::StoredSlot(const xml::XmlNode& module)
{
    return SlotNumber(XMLHelper::GetAttribute(module, QStringLiteral("slot")));
}

bool clsDataManagerModule::ReadModuleDefinition(const xml::XmlNode& module)
{
    if (ModuleName() != StoredModuleName(module))
        return false;
    if (m_slot)
        m_slot->SetValue(XMLHelper::GetAttribute(module, QStringLiteral("slot")));
    m_moduleId = XMLHelper::GetAttribute(module, QStringLiteral("moduleId"));
    PlaceChannels();
    return true;
}

std::shared_ptr<const clsDataManagerModule> clsDataManagerModule::Predecessor() const
{
    const int32_t slot = Slot();
    const auto data = m_data.lock();
    if (slot < 2 || !data)
        return nullptr;
    std::shared_ptr<const clsDataManagerModule> best;
    int32_t bestSlot = 0;
    for (const auto& entry : *data->TopologyModules()) {
        if (entry.item.get() == this)
            continue;
        const int32_t other = entry.item->Slot();
        if (other < slot && other > bestSlot) {
            best = entry.item;
            bestSlot = other;
        }
    }
    return best;
}

void clsDataManagerModule::PlaceChannels()
{
    m_inputBitEnd = 0;
    m_outputBitEnd = 0;
    if (const auto previous = Predecessor()) {
        m_inputBitEnd = previous->InputBitEnd();
        m_outputBitEnd = previous->OutputBitEnd();
    }
    const int32_t slot = Slot();
    int32_t number = 0;
    for (const auto& entry : m_channels) {
        const auto& channel = entry.item;
        channel->SetChannelNumber(++number);
        channel->SetTagPrefix(m_descriptionName);
        channel->SetModuleNumber(slot);
        switch (channel->MainItemKind()) {
        case clsDataManagerChannel::kInputSignal:
            channel->SetBitPosition(m_inputBitEnd);
            m_inputBitEnd += channel->MainItemLength();
            break;
        case clsDataManagerChannel::kOutputSignal:
            channel->SetBitPosition(m_outputBitEnd);
            m_outputBitEnd += channel->MainItemLength();
            break;
        default:
            Debugging::TraceError(QStringLiteral("The channel >>") + channel->DescriptionName()
                                  + QStringLiteral("<< added to module >>") + m_descriptionName
                                  + QStringLiteral("<< does not contain a signal!"));
            break;
        }
    }
}
