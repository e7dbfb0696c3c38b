// The bus members of clsDataManager: the bus category of the device type, the
// bus address, the bus data the frame writes, and the PROFIBUS bus master
// configuration part built from the GSD file and the topology modules.
#include "fennick/dataset/Bmcp.h"
#include "fennick/dataset/clsDataManager.h"
#include "fennick/dataset/clsDataManagerModule.h"
#include "fennick/services/DataTypes.h"
#include "fennick/services/Debugging.h"
#include "fennick/services/XMLHelper.h"
#include "platform/gsd/GsdParser.h"
#include <array>
#include <exception>

namespace {

const QString kBusCategoriesPath = QStringLiteral("//FDT/fdt:DtmDeviceType/fdt:BusCategories");
const QString kSlaveAddressPath = QStringLiteral("//FDT/DtmDevice/BusInformation/SlaveAddress");
const QString kMasterSlaveBusPath = QStringLiteral("//FDT/DtmDevice/BusInformation/MasterSlaveBus");
const QString kBmcpAttribute = QStringLiteral("busMasterConfigurationPart");
const QString kBusCategoryAttribute = QStringLiteral("busCategory");
// A bus category element without its identifier names nothing to read.
constexpr int32_t kErrObjectNotSet = 91;

// The two bus categories of PROFIBUS device types.
constexpr std::array<const char*, 2> kProfibusCategories{{"036D1497-387B-11D4-86E1-00E0987270B9",
                                                          "036D1499-387B-11D4-86E1-00E0987270B9"}};

// The GSD keywords of the user parameter data.
const QString kUserPrmDataLen = QStringLiteral("USER_PRM_DATA_LEN");
const QString kUserPrmData = QStringLiteral("USER_PRM_DATA");

// A parameter telegram carries at most 244 bytes, seven of them fixed.
constexpr int64_t kMaxUserParameterBytes = 237;
// Configuration data hold at most 244 bytes, so no module sits beyond slot 244.
constexpr int32_t kMaxSlot = 244;

// A BMCP placeholder (such as "0000") rather than a set.
constexpr qsizetype kPlaceholderLength = 4;

} // namespace

QString clsDataManager::GetBusCategory() const
{
    const bool sameDocument = m_cache && !m_busCategoryOf.owner_before(m_cache) && !m_cache.owner_before(m_busCategoryOf);
    if (sameDocument && !m_busCategory.isEmpty())
        return m_busCategory;
    QString category;
    const xml::XmlNode categories = m_cache ? XMLHelper::SelectFdtNode(*m_cache, kBusCategoriesPath) : xml::XmlNode();
    if (!categories) {
        Debugging::TraceError(QStringLiteral("Selecting element fdt:BusCategories failed!"));
    } else {
        const xml::XmlNodeList list = categories.SelectNodes(QStringLiteral("fdt:BusCategory"));
        if (list.isEmpty()) {
            Debugging::TraceError(QStringLiteral("Length of list fdt:BusCategory = 0"));
        } else if (!list.first().HasAttribute(kBusCategoryAttribute)) {
            Debugging::TraceError(QStringLiteral("nodeBusCategories.Item(0) does not exist!"));
            Debugging::TraceRuntimeError(kErrObjectNotSet,
                                         QStringLiteral("Object variable or With block variable not set"),
                                         QStringLiteral("clsDataManager.GetBusCategory"));
        } else {
            category = list.first().Attribute(kBusCategoryAttribute);
        }
    }
    if (category.isEmpty() && m_cache)
        XMLHelper::SaveDebugXml(m_cache, QStringLiteral("ERROR_BUSCATEGORY"));
    // Only a category found is kept: a missing one is looked for (and reported) again.
    m_busCategoryOf = m_cache;
    m_busCategory = category;
    return category;
}

bool clsDataManager::IsProfibusCategory(const QString& busCategory)
{
    for (const char* profibus : kProfibusCategories)
        if (busCategory == QLatin1String(profibus))
            return true;
    return false;
}

bool clsDataManager::IsProfibus() const
{
    return IsProfibusCategory(GetBusCategory());
}

QString clsDataManager::GetBusAddress() const
{
    if (!m_cache)
        return QString();
    if (const xml::XmlNode slave = XMLHelper::SelectFdtNode(*m_cache, kSlaveAddressPath))
        return slave.Attribute(QStringLiteral("slaveAddress"));
    if (const xml::XmlNode bus = XMLHelper::SelectFdtNode(*m_cache, kMasterSlaveBusPath))
        return bus.Attribute(QStringLiteral("busAddress"));
    return QString();
}

bool clsDataManager::TakeSlaveAddress(const xml::XmlDocument& frameDocument)
{
    return XMLHelper::CopyAttribute(frameDocument.AsNode(), *m_cache, kSlaveAddressPath,
                                    QStringLiteral("slaveAddress"));
}

bool clsDataManager::TakeMasterSlaveBus(const xml::XmlDocument& frameDocument)
{
    const xml::XmlNode frameBus = frameDocument.SelectSingleNode(kMasterSlaveBusPath);
    xml::XmlNode currentBus = m_cache->SelectSingleNode(kMasterSlaveBusPath);
    const QString frameBmcp = frameBus ? frameBus.Attribute(kBmcpAttribute) : QString();
    Debugging::TraceInfo(QStringLiteral("BMCP by frame: ") + frameBmcp);
    Debugging::TraceInfo(QStringLiteral("BMCP Current : ")
                         + (currentBus ? currentBus.Attribute(kBmcpAttribute) : QString()));
    if (frameBus && currentBus) {
        // The bus master's choices come from the frame, the device's parts from here.
        QString bmcp = frameBmcp;
        BMCP_UpdateFromDTM(bmcp);
        currentBus.SetAttribute(kBmcpAttribute, bmcp);
    }
    return XMLHelper::CopyAttribute(frameDocument.AsNode(), *m_cache, kMasterSlaveBusPath,
                                    QStringLiteral("busAddress"));
}

void clsDataManager::UpdateBusMasterConfiguration()
{
    xml::XmlNode bus = m_cache ? m_cache->SelectSingleNode(kMasterSlaveBusPath) : xml::XmlNode();
    if (!bus)
        return;
    QString bmcp = bus.Attribute(kBmcpAttribute);
    if (bmcp.size() > kPlaceholderLength)
        BMCP_UpdateFromDTM(bmcp);
    else
        bmcp = BuildDefaultBmcp();
    bus.SetAttribute(kBmcpAttribute, bmcp);
}

void clsDataManager::BMCP_UpdateFromDTM(QString& bmcp) const
{
    Debugging::TraceInfo(QStringLiteral("Execute clsDataManager::BMCP_UpdateFromDTM"));
    Debugging::TraceInfo(QStringLiteral("Current BMCP:") + bmcp);
    const QString problem = Bmcp::CheckSet(bmcp);
    if (!problem.isEmpty()) {
        Debugging::TraceError(QStringLiteral("Invalid bus master configuration part (") + problem
                              + QStringLiteral("), the default set replaces it: ") + bmcp);
        bmcp = BuildDefaultBmcp();
        return;
    }
    const Bmcp::KeptParts kept = Bmcp::SplitSet(bmcp.toUpper());
    Debugging::TraceInfo(QStringLiteral("BMCP P1:") + kept.flags);
    QString configuration;
    QString userParameters;
    GetModulesConfiguration(configuration, userParameters);
    Debugging::TraceInfo(QStringLiteral("Slave data:") + userParameters + QStringLiteral(", ") + configuration);
    const QString parameterBlock = Bmcp::ParameterBlock(kept.fixedParameters, userParameters);
    Debugging::TraceInfo(QStringLiteral("Merged Prm_data:") + parameterBlock);
    Debugging::TraceInfo(QStringLiteral("BCMP P2: ") + kept.tail);
    bmcp = Bmcp::AssembleSet(kept.flags, parameterBlock, Bmcp::ConfigurationBlock(configuration), kept.tail);
    Debugging::TraceInfo(QStringLiteral("Merged BMCP:") + bmcp);
}

QString clsDataManager::BuildDefaultBmcp() const
{
    QString configuration;
    QString userParameters;
    GetModulesConfiguration(configuration, userParameters);
    const QString bmcp = Bmcp::DefaultSet(configuration, userParameters);
    Bmcp::TraceBmcp(bmcp);
    return bmcp;
}

void clsDataManager::GetModulesConfiguration(QString& configuration, QString& userParameters) const
{
    configuration.clear();
    userParameters.clear();
    QString gsdPath;
    XML_FdtVariable_Read(kGsdFileVariable, gsdPath);
    int32_t count = 0;
    ReadGsdUserPrmData(gsdPath, userParameters, count);
    if (!m_topologyModules)
        return;
    // Each empty slot before a module is configured as an empty module.
    int32_t nextSlot = 1;
    for (const auto& entry : *m_topologyModules) {
        const auto& module = entry.item;
        const int32_t slot = module->Slot();
        if (slot > kMaxSlot) {
            Debugging::TraceError(QStringLiteral("Module %1 in slot %2 lies beyond slot %3 and is left out of the "
                                                 "bus master configuration")
                                      .arg(module->ModuleDescription())
                                      .arg(slot)
                                      .arg(kMaxSlot));
            continue;
        }
        for (; nextSlot < slot; ++nextSlot)
            configuration += QStringLiteral("00");
        configuration += module->ConfigurationData();
        userParameters += module->ParameterData();
        nextSlot = slot + 1;
    }
}

void clsDataManager::ReadGsdUserPrmData(const QString& gsdPath, QString& hexText, int32_t& count)
{
    hexText.clear();
    count = 0;
    std::unique_ptr<gsd::GsdParser> parser;
    try {
        parser = std::make_unique<gsd::GsdParser>();
    } catch (const std::exception&) {
        Debugging::TraceError(QStringLiteral("Loading COMGSDPARSER failed!"));
        return;
    }
    int32_t failed = 1;
    parser->Load(gsdPath, failed);
    if (failed != 0) {
        Debugging::TraceError(QStringLiteral("Invalid GSD file :") + gsdPath);
        Debugging::TraceError(parser->ErrorText());
        return;
    }
    std::vector<uint8_t> bytes;
    ReadGsdKeywordBytes(*parser, kUserPrmDataLen, kUserPrmData, count, bytes);
    for (int32_t i = 0; i < count; ++i)
        hexText += DataTypes::ByteToHex(bytes[static_cast<size_t>(i)]);
}

void clsDataManager::ReadGsdKeywordBytes(const gsd::GsdParser& parser, const QString& lengthKeyword,
                                         const QString& dataKeyword, int32_t& count, std::vector<uint8_t>& bytes)
{
    count = 0;
    bytes.clear();
    const auto length = parser.Keyword(lengthKeyword);
    if (!length) {
        Debugging::TraceInfo(QStringLiteral("GSD file without ") + lengthKeyword);
        return;
    }
    bool numeric = false;
    const int64_t declared = length->NumericValue(&numeric);
    if (!numeric) {
        Debugging::TraceError(QStringLiteral("GSD file: ") + lengthKeyword + QStringLiteral(" is no number: ")
                              + length->Text());
        return;
    }
    if (declared < 1)
        return;
    if (declared > kMaxUserParameterBytes) {
        Debugging::TraceError(QStringLiteral("GSD file: %1 = %2 exceeds %3 bytes")
                                  .arg(lengthKeyword)
                                  .arg(declared)
                                  .arg(kMaxUserParameterBytes));
        return;
    }
    const auto data = parser.Keyword(dataKeyword);
    if (!data) {
        Debugging::TraceError(QStringLiteral("GSD file: ") + lengthKeyword + QStringLiteral(" without ")
                              + dataKeyword);
        return;
    }
    const std::vector<int64_t>& values = data->Values();
    if (values.empty()) {
        Debugging::TraceError(QStringLiteral("GSD file: ") + dataKeyword + QStringLiteral(" holds no bytes"));
        return;
    }
    // The data cannot supply bytes it does not hold.
    if (static_cast<int64_t>(values.size()) < declared) {
        Debugging::TraceError(QStringLiteral("GSD file: %1 holds %2 bytes, %3 says %4")
                                  .arg(dataKeyword)
                                  .arg(values.size())
                                  .arg(lengthKeyword)
                                  .arg(declared));
        return;
    }
    for (const int64_t value : values) {
        if (value < 0 || value > 255) {
            Debugging::TraceError(QStringLiteral("GSD file: %1 holds %2, which is no byte").arg(dataKeyword).arg(value));
            bytes.clear();
            return;
        }
        bytes.push_back(static_cast<uint8_t>(value));
    }
    count = static_cast<int32_t>(declared);
}
