#include "fennick/dataset/clsDataManager.h"
#include "fennick/dataset/clsDataBag.h"
#include "fennick/dataset/clsDataManagerChannel.h"
#include "fennick/dataset/clsDataManagerDataItem.h"
#include "fennick/dataset/clsDataManagerModule.h"
#include "fennick/fdt/DtmGate.h"
#include "fennick/fdt/clsTkDispatcher.h"
#include "fennick/fdt/global.h"
#include "fennick/services/DataTypes.h"
#include "fennick/services/Debugging.h"
#include "fennick/services/Deployment.h"
#include "fennick/services/Publics.h"
#include "fennick/services/XMLHelper.h"
#include "platform/applet/AppletHost.h"
#include "platform/applet/FdtFileParser.h"
#include "platform/applet/StateInfo.h"
#include "platform/applet/clsAppletItemManager.h"
#include "platform/automation/ComError.h"
#include <algorithm>
#include <array>
#include <set>

namespace {

const QString kParameterNamespace = QStringLiteral("x-schema:DTMParameterSchema.xml");
const QString kDataTypesNamespace = QStringLiteral("x-schema:FDTDataTypesSchema.xml");
const QString kStorageState = QStringLiteral("fdt:storageState");
const QString kDataSetState = QStringLiteral("fdt:dataSetState");
const QString kDeviceTypeElement = QStringLiteral("fdt:DtmDeviceType");
const QString kTagAttribute = QStringLiteral("fdt:tag");

// The XPath expressions on the dataset: the element names joined by "/"
// behind a leading "//".
QString Path(std::initializer_list<const char*> names)
{
    QStringList parts;
    for (const char* name : names)
        parts.append(QLatin1String(name));
    return QStringLiteral("//") + parts.join(QLatin1Char('/'));
}
const QString kDeviceTypePath = Path({"FDT", "fdt:DtmDeviceType"});
const QString kVersionInformationPath = Path({"FDT", "fdt:DtmDeviceType", "fdt:VersionInformation"});
const QString kDevicePath = Path({"FDT", "DtmDevice"});
const QString& kVariablesPath = VariableIndex::ListPath();
const QString kTopologyPath = Path({"FDT", "DtmDevice", "InternalTopology"});
const QString kBusInformationPath = Path({"FDT", "DtmDevice", "BusInformation"});

// Where a fixed item goes, by its description type code.
enum class FixedPlace { DataItems, ChannelList, ChannelConfig };
struct FixedPlacement {
    int32_t first;
    int32_t last;
    FixedPlace place;
};
constexpr std::array<FixedPlacement, 5> kFixedPlacements{{
    {38, 38, FixedPlace::DataItems},
    {40, 44, FixedPlace::DataItems},
    {2003, 2014, FixedPlace::DataItems},
    {2001, 2001, FixedPlace::ChannelList},
    {2002, 2002, FixedPlace::ChannelConfig},
}};

// The empty default-namespace declaration a repair cuts out of the dataset text.
const QString kEmptyDefaultNamespace = QStringLiteral("xmlns=\"\"");

// The changed-data document.
const QString kChangedDataRoot = QStringLiteral("DTM");
const QString kChangedParameters = QStringLiteral("ChangedParameters");
const QString kChangedChannel = QStringLiteral("ChangedChannel");
const QString kChangedChannelPath = QStringLiteral("//ChangedChannel");

// The element as the document element of a document of its own, with the
// XML declaration.
QString StandaloneDocument(const xml::XmlNode& element)
{
    XMLHelper::DocumentPtr document;
    XMLHelper::CreateXmlParser(document);
    if (!document)
        return QString();
    XMLHelper::AppendProcessingInstruction(*document);
    document->AppendChild(element);
    return document->Xml();
}

// The maker's name in the title's vendor.
const QString kMakerName = QStringLiteral("Korvel");

// Characters an XML 1.0 attribute can carry.
bool IsXmlText(const QString& text)
{
    for (const QChar c : text) {
        const char16_t u = c.unicode();
        if (u < 0x20 && u != 0x09 && u != 0x0A && u != 0x0D)
            return false;
        if (u == 0xFFFE || u == 0xFFFF)
            return false;
    }
    return true;
}

void SetDtmStatus(int32_t status)
{
    if (const auto dtm = global::CurrentDtm())
        dtm->SetDtmStatus(status);
}

int32_t CurrentDtmStatus()
{
    const auto dtm = global::CurrentDtm();
    return dtm ? dtm->GetDtmStatus() : DtmStatus::Up;
}

QString UserText(const QString& user)
{
    return user.isEmpty() ? QStringLiteral("Unknown user") : user;
}

QString TrueFalse(bool value)
{
    return value ? QStringLiteral("True") : QStringLiteral("False");
}

// The path moved below this installation's root: the part from the
// description folder on follows the root. A path without the folder, or an
// installation without a root, stays as it is.
QString ReplaceInstallRoot(const QString& path)
{
    if (path.isEmpty())
        return path;
    Debugging::TraceInfo(QStringLiteral("Replace Installation root for: ") + path);
    qsizetype at = path.indexOf(QStringLiteral("/TDXDESC"), 0, Qt::CaseInsensitive);
    const qsizetype windowsAt = path.indexOf(QStringLiteral("\\TDXDESC"), 0, Qt::CaseInsensitive);
    if (at < 0 || (windowsAt >= 0 && windowsAt < at))
        at = windowsAt;
    if (at < 0)
        return path;
    const QString root = Publics::GetInstallRoot();
    if (root.isEmpty())
        return path;
    QString tail = path.mid(at + 1);
    tail.replace(QLatin1Char('\\'), QLatin1Char('/'));
    const QString replaced = root + tail;
    Debugging::TraceInfo(QStringLiteral("Replaced Installation root in: ") + replaced);
    return replaced;
}

} // namespace

clsDataManager::clsDataManager() = default;
clsDataManager::~clsDataManager() = default;

// --- Document access ---------------------------------------------------------------------

xml::XmlNode clsDataManager::Root() const
{
    return m_cache ? m_cache->SelectSingleNode(QStringLiteral("FDT")) : xml::XmlNode();
}

xml::XmlNode clsDataManager::VariablesList() const
{
    return m_variables.List(m_cache);
}

xml::XmlNode clsDataManager::VariableDisplay(const QString& name) const
{
    return m_variables.Display(m_cache, name);
}

// --- States ------------------------------------------------------------------------------------

void clsDataManager::SetDataSetStates(const QString& storageState, const QString& dataSetState)
{
    xml::XmlNode root = Root();
    if (!root) {
        Debugging::TraceError(m_cache ? QStringLiteral("Parser contents corrupt, unable to find element FDT")
                                      : QStringLiteral("privXMLDataCache Is Nothing"));
        return;
    }
    if (!storageState.isEmpty())
        root.SetAttribute(kStorageState, storageState);
    if (!dataSetState.isEmpty())
        root.SetAttribute(kDataSetState, dataSetState);
}

QString clsDataManager::RootStateAttribute(const QString& name) const
{
    if (!m_cache) {
        Debugging::TraceError(QStringLiteral("privXMLDataCache Is Nothing"));
        return kUndefined;
    }
    const xml::XmlNode root = Root();
    if (!root) {
        Debugging::TraceError(QStringLiteral("Parser contents corrupt, unable to find element FDT"));
        return kUndefined;
    }
    return root.Attribute(name);
}

QString clsDataManager::GetStorageState() const
{
    return RootStateAttribute(kStorageState);
}

QString clsDataManager::GetDataSetState() const
{
    return RootStateAttribute(kDataSetState);
}

bool clsDataManager::Instance_SetupDataCache(const QString& xmlText)
{
    Debugging::TraceInfo(QStringLiteral("Instance_SetupDataCache"));
    DocumentPtr document;
    if (!XMLHelper::LoadXmlString(xmlText, document))
        return false;
    // The dataset carries the declaration it is built with, whatever the text had.
    XMLHelper::AppendProcessingInstruction(*document);
    m_cache = document;
    return true;
}

// --- Variables -----------------------------------------------------------------------------------

bool clsDataManager::XML_FdtVariable_Read(const QString& name, QString& value) const
{
    value.clear();
    if (!VariablesList()) {
        Debugging::TraceError(QStringLiteral("Unable to find Element: ") + kVariablesPath);
        return false;
    }
    const xml::XmlNode display = VariableDisplay(name);
    if (!display) {
        Debugging::TraceDatabase(QStringLiteral("Unable to find Variable: ") + name);
        Debugging::TraceDatabase(QStringLiteral("Unable to read variable: ") + name);
        return false;
    }
    value = display.HasAttribute(QStringLiteral("string")) ? display.Attribute(QStringLiteral("string")) : QString();
    Debugging::TraceDatabase(QStringLiteral("XML_FdtVariable_Read ") + name + QStringLiteral(", ") + value);
    return true;
}

bool clsDataManager::XML_FdtVariable_Write(const QString& name, const QString& value)
{
    Debugging::TraceDatabase(QStringLiteral("XML_FdtVariable_Write: ") + name + QStringLiteral(", ") + value);
    xml::XmlNode display = VariableDisplay(name);
    if (!display) {
        xml::XmlNode list = VariablesList();
        if (!list) {
            Debugging::TraceError(QStringLiteral("Unable to find Element: ") + kVariablesPath);
            Debugging::TraceError(QStringLiteral("XML_FdtVariable_Write: ") + name + QStringLiteral(" not written"));
            return false;
        }
        display = m_cache->CreateElement(QStringLiteral("fdt:Display"));
        xml::XmlNode valueElement = m_cache->CreateElement(QStringLiteral("fdt:Value"));
        xml::XmlNode variable = m_cache->CreateElement(QStringLiteral("fdt:DtmVariable"));
        variable.SetAttribute(QStringLiteral("name"), name.trimmed());
        variable = list.AppendChild(variable);
        valueElement = variable.AppendChild(valueElement);
        display = valueElement.AppendChild(display);
        m_variables.Add(m_cache, name.trimmed(), display);
        Debugging::TraceDatabase(QStringLiteral("XML_FdtVariable_Write: Variable created."));
    }
    display.SetAttribute(QStringLiteral("string"), value);
    return true;
}

bool clsDataManager::XML_FdtVariable_Delete(const QString& name)
{
    xml::XmlNode list = VariablesList();
    if (!list) {
        Debugging::TraceError(QStringLiteral("Unable to find Element: ") + kVariablesPath);
        return false;
    }
    const xml::XmlNode variable = list.SelectSingleNode(QStringLiteral("fdt:DtmVariable[@name=")
                                                        + XMLHelper::QuoteText(name) + QLatin1Char(']'));
    if (variable) {
        list.RemoveChild(variable);
        // The index must not keep the freed node; a later variable of the
        // same name may now be the one that counts.
        m_variables.Invalidate();
        m_cache->FreeDetachedNodes();
        Debugging::TraceDatabase(QStringLiteral("XML_FdtVariable_Delete: ") + name);
    }
    return true;
}

// --- Description files, title ----------------------------------------------------------------

bool clsDataManager::GetDescriptionFiles(QString& tdxPath, QString& fdtPath, QString& gsdPath) const
{
    tdxPath.clear();
    fdtPath.clear();
    gsdPath.clear();
    if (!m_cache)
        return false;
    bool found = XML_FdtVariable_Read(kFdtFileVariable, fdtPath);
    found = XML_FdtVariable_Read(kTdxFileVariable, tdxPath) && found;
    if (IsProfibus())
        found = XML_FdtVariable_Read(kGsdFileVariable, gsdPath) && found;
    if (!found)
        return false;
    fdtPath = ReplaceInstallRoot(fdtPath);
    gsdPath = ReplaceInstallRoot(gsdPath);
    tdxPath = ReplaceInstallRoot(tdxPath);
    return true;
}

void clsDataManager::GetVersionInformation(QString& name, QString& vendor) const
{
    name.clear();
    vendor.clear();
    const xml::XmlNode version = m_cache ? XMLHelper::SelectFdtNode(*m_cache, kVersionInformationPath) : xml::XmlNode();
    if (!version)
        return;
    name = version.Attribute(QStringLiteral("name"));
    vendor = version.Attribute(QStringLiteral("vendor"));
}

QString clsDataManager::GetDeviceTag() const
{
    const xml::XmlNode device = m_cache ? XMLHelper::SelectFdtNode(*m_cache, kDevicePath) : xml::XmlNode();
    return device ? device.Attribute(kTagAttribute) : QString();
}

QString clsDataManager::GetDtmTitle() const
{
    QString name;
    QString vendor;
    GetVersionInformation(name, vendor);
    if (vendor.contains(kMakerName, Qt::CaseInsensitive))
        vendor = kMakerName;
    return QLatin1Char('[') + GetBusAddress() + QStringLiteral("] ") + GetDeviceTag() + QStringLiteral(": ") + vendor
           + QStringLiteral(", ") + name;
}

// --- New dataset ---------------------------------------------------------------------------------

bool clsDataManager::BuildNewDataset(const QString& deviceType, const QString& tag, QString& tdxPath,
                                     QString& fdtPath)
{
    DocumentPtr typeDocument;
    if (!XMLHelper::LoadXmlString(deviceType, typeDocument)) {
        Debugging::TraceError(QStringLiteral("IDtmParameter_InitNew: XML file fault for DeviceType"));
        return false;
    }
    const xml::XmlNode typeElement = typeDocument->SelectSingleNode(kDeviceTypePath);
    if (!typeElement) {
        Debugging::TraceError(QStringLiteral("IDtmParameter_InitNew: Missing element: ") + kDeviceTypeElement);
        return false;
    }
    QString gsdPath;
    if (!Deployment::GetDeviceType(typeElement, tdxPath, fdtPath, gsdPath)) {
        Debugging::TraceError(QStringLiteral("IDtmParameter_InitNew: Device type identification failed!"));
        return false;
    }

    DocumentPtr cache;
    xml::XmlNode root;
    XMLHelper::AppendFdtRoot(cache, root);
    if (!cache)
        return false;
    m_cache = cache;
    XMLHelper::SetNamespace(root, QString(), kParameterNamespace);
    XMLHelper::SetNamespace(root, QStringLiteral("fdt"), kDataTypesNamespace);
    SetDataSetStates(QStringLiteral("transient"), QStringLiteral("default"));
    xml::XmlNode copiedType = root.AppendChild(typeElement);

    xml::XmlNode device = cache->CreateElement(QStringLiteral("DtmDevice"));
    device.SetAttribute(kTagAttribute, tag);
    xml::XmlNode exported = cache->CreateElement(QStringLiteral("ExportedVariables"));
    xml::XmlNode variables = cache->CreateElement(QStringLiteral("fdt:DtmVariables"));
    variables.SetAttribute(QStringLiteral("name"), QStringLiteral("Parameters"));

    const QString bus = GetBusCategory();
    if (bus == kHartBusCategory) {
        xml::XmlNode information = cache->CreateElement(QStringLiteral("BusInformation"));
        information.AppendChild(cache->CreateElement(QStringLiteral("SlaveAddress")))
            .SetAttribute(QStringLiteral("slaveAddress"), QStringLiteral("0"));
        device.AppendChild(information);
    } else if (IsProfibus()) {
        xml::XmlNode information = cache->CreateElement(QStringLiteral("BusInformation"));
        xml::XmlNode masterSlave = information.AppendChild(cache->CreateElement(QStringLiteral("MasterSlaveBus")));
        masterSlave.SetAttribute(QStringLiteral("busAddress"), QStringLiteral("126"));
        masterSlave.SetAttribute(QStringLiteral("busMasterConfigurationPart"), QStringLiteral("0000"));
        device.AppendChild(information);
    }
    exported.AppendChild(variables);
    device.AppendChild(exported);
    root.AppendChild(device);

    XML_FdtVariable_Write(kFdtFileVariable, fdtPath);
    XML_FdtVariable_Write(kTdxFileVariable, tdxPath);
    if (!gsdPath.isEmpty())
        XML_FdtVariable_Write(kGsdFileVariable, gsdPath);
    copiedType.RemoveAttribute(QStringLiteral("xmlns:fdt"));
    XMLHelper::SaveDebugXml(m_cache, QStringLiteral("InitNewData"));
    return true;
}

bool clsDataManager::StartToolkit(const QString& tdxPath, const QString& fdtPath)
{
    const auto dtm = global::CurrentDtm();
    if (!dtm) {
        Debugging::TraceError(QStringLiteral("No DTM object to start the toolkit"));
        return false;
    }
    return dtm->DtmLoad(tdxPath, fdtPath);
}

void clsDataManager::RegisterAsView()
{
    const auto manager = global::AppletItemManager();
    if (!manager) {
        Debugging::TraceError(QStringLiteral("No applet item manager for the data manager"));
        return;
    }
    int32_t result = 0;
    manager->RegisterView(shared_from_this(), result);
}

bool clsDataManager::IDtmParameter_InitNew(const QString& deviceType, const QString& tag)
{
    QString tdxPath;
    QString fdtPath;
    if (!BuildNewDataset(deviceType, tag, tdxPath, fdtPath))
        return false;
    SetDataSetStates(QStringLiteral("transient"), QStringLiteral("default"));
    if (!StartToolkit(tdxPath, fdtPath)) {
        Debugging::TraceError(QStringLiteral("IDtmParameter_InitNew: Loading DTM failed!"));
        return false;
    }
    if (const auto parser = global::FdtFileParser())
        BuildDataModel(*parser);
    RegisterAsView();
    SetDtmStatus(DtmStatus::Running);
    UpdateBusMasterConfiguration();
    return true;
}

// --- Parameter documents -----------------------------------------------------------------------

void clsDataManager::RepairDataCache()
{
    const QString text = m_cache->Xml();
    DocumentPtr check;
    XMLHelper::CreateXmlParser(check);
    if (!check)
        return;
    check->SetSchemas(m_cache->Schemas());
    if (check->LoadXml(text))
        return;
    Debugging::TraceXmlParseError(QStringLiteral("XML Data cache"), check->ParseError());
    QString repaired = text;
    Publics::CutText(repaired, kEmptyDefaultNamespace);
    if (check->LoadXml(repaired)) {
        Debugging::TraceInfo(QStringLiteral("Writeback repaired XML Cache"));
        XMLHelper::AppendProcessingInstruction(*check);
        m_cache = check;
        return;
    }
    Debugging::TraceError(QStringLiteral("XML Data chache still invalid!"));
    Debugging::TraceXmlParseError(QStringLiteral("XML Data cache"), check->ParseError());
    XMLHelper::SaveDebugXml(m_cache, QStringLiteral("InvalidCache"));
}

QString clsDataManager::BuildParameterXml(const QString&)
{
    if (!m_cache) {
        Debugging::TraceError(QStringLiteral("privXMLDataCache Is Nothing"));
        return QString();
    }
    if (IsProfibus()) {
        if (xml::XmlNode type = m_cache->SelectSingleNode(kDeviceTypePath)) {
            const QString deviceTypeId = type.Attribute(QStringLiteral("deviceTypeId"));
            const QString manufacturerId = type.Attribute(QStringLiteral("manufacturerId"));
            const QString classificationId = type.Attribute(QStringLiteral("classificationId"));
            if (!deviceTypeId.isEmpty() && !manufacturerId.isEmpty() && !classificationId.isEmpty()) {
                const QString information =
                    Deployment::GetDeviceTypeInformation(manufacturerId, deviceTypeId, classificationId);
                if (!information.isEmpty())
                    type.SetAttribute(QStringLiteral("deviceTypeInformation"), information);
            }
        }
        const xml::XmlNode topology = m_cache->SelectSingleNode(kTopologyPath);
        if (topology)
            topology.Parent().RemoveChild(topology);
        if (m_topologyModules)
            for (const auto& entry : *m_topologyModules)
                entry.item->IDtmParameter_GetModuleData(*m_cache);
        try {
            RepairDataCache();
        } catch (const automation::ComError& error) {
            Debugging::TraceRuntimeError(error);
        }
        // The long-lived cache keeps no handles to removed nodes.
        m_cache->FreeDetachedNodes();
    }
    XMLHelper::SaveDebugXml(m_cache, QStringLiteral("Parameters"));
    return m_cache->Xml();
}

bool clsDataManager::IDtmParameterExt_SetParameters(const QString&, const QString& xmlDocument)
{
    DocumentPtr document;
    const bool loaded = XMLHelper::LoadXmlString(xmlDocument, document);
    Debugging::TraceInfo(QStringLiteral("IDtmParameterExt_SetParameters - gXML_Load returns : ") + TrueFalse(loaded));
    XMLHelper::SaveDebugXml(document, QStringLiteral("IDtmParameterExt_SetParameters"));
    bool result = false;
    if (loaded && m_cache) {
        result = true;
        const xml::XmlNode busInformation = document->SelectSingleNode(kBusInformationPath);
        if (!busInformation) {
            Debugging::TraceInfo(QStringLiteral("IDtmParameterExt_SetParameters - objElemBusInfo Is Nothing"));
        } else if (busInformation.SelectSingleNode(QStringLiteral("MasterSlaveBus"))) {
            result = TakeMasterSlaveBus(*document);
        } else {
            Debugging::TraceInfo(QStringLiteral("IDtmParameterExt_SetParameters - Data for HART Device"));
            if (!busInformation.SelectSingleNode(QStringLiteral("SlaveAddress")))
                Debugging::TraceInfo(QStringLiteral("IDtmParameterExt_SetParameters - objElemBusdata Is Nothing"));
            else
                result = TakeSlaveAddress(*document);
        }
        // A device element may leave its tag out; that is no empty tag.
        const xml::XmlNode device = document->SelectSingleNode(kDevicePath);
        if (device && !device.HasAttribute(kTagAttribute)) {
            Debugging::TraceInfo(QStringLiteral("IDtmParameterExt_SetParameters - the device carries no fdt:tag; the "
                                                "tag stays ")
                                 + GetDeviceTag());
        } else {
            const bool tagCopied = XMLHelper::CopyAttribute(document->AsNode(), *m_cache, kDevicePath, kTagAttribute);
            result = tagCopied && result;
        }
    }
    PublishAddressAndTag();
    return result;
}

// --- Data bag ---------------------------------------------------------------------------------

bool clsDataManager::GetDataBag(std::shared_ptr<clsDataBag>& bag)
{
    Debugging::TraceInfo(QStringLiteral("Bag (get):: Begin ... "));
    ResetChangedData();
    if (!m_cache) {
        // An empty bag would replace the stored instance.
        Debugging::TraceError(QStringLiteral("Bag (get): privXMLDataCache Is Nothing"));
        return false;
    }
    SetDataSetStates(QStringLiteral("persistent"), QStringLiteral("validModified "));
    // What goes to the frame while the DTM unloads is nobody else's news.
    bag = FillDataBag(CurrentDtmStatus() != DtmStatus::Unloading);
    Debugging::TraceInfo(QStringLiteral("Bag (get): ... Done!"));
    return true;
}

bool clsDataManager::GetCurrentDataBag(std::shared_ptr<clsDataBag>& bag)
{
    if (!m_cache) {
        Debugging::TraceError(QStringLiteral("Bag (current): privXMLDataCache Is Nothing"));
        return false;
    }
    bag = FillDataBag(false);
    return true;
}

std::shared_ptr<clsDataBag> clsDataManager::FillDataBag(bool recordChanges)
{
    auto result = std::make_shared<clsDataBag>();
    const QString text = BuildParameterXml(QStringLiteral("FDT"));
    result->SetDtmParameters(text);
    if (recordChanges)
        AddChangedData(text, kChangedParameters);

    ChannelList channels;
    result->SetChannelCount(0);
    if (!GetChannelCollection(channels)) {
        Debugging::TraceInfo(QStringLiteral("Bag (get): Channel collection = Nothing"));
    } else {
        result->SetChannelCount(static_cast<int32_t>(channels.size()));
        if (channels.empty())
            Debugging::TraceInfo(QStringLiteral("Bag (get): Number of Channels = 0"));
        const QString bus = GetBusCategory();
        for (size_t i = 0; i < channels.size(); ++i) {
            const QString channelText = channels[i]->IFdtChannel_GetChannelParameters(QStringLiteral("FDT"), bus);
            if (recordChanges)
                AddChangedData(channelText, kChangedChannel);
            result->SetChannelData(static_cast<int32_t>(i + 1), channelText);
        }
    }
    return result;
}

void clsDataManager::LoadBagChannels(const clsDataBag& bag)
{
    ChannelList channels;
    if (!GetChannelCollection(channels))
        Debugging::TraceInfo(QStringLiteral("Bag (Set): Channel collection = Nothing"));
    else if (channels.empty())
        Debugging::TraceInfo(QStringLiteral("Bag (Set): Number of Channels = 0"));
    // A bag of another writer or of another configuration still loads: the
    // channels it has no document for keep their values, documents beyond
    // the channels are left out, and a document that is refused only costs
    // its own channel.
    const int32_t available = static_cast<int32_t>(channels.size());
    if (bag.ChannelCount() != available)
        Debugging::TraceError(QStringLiteral("Bag (Set): %1 channel documents for %2 channels of the dataset; "
                                             "only the first %3 are loaded")
                                  .arg(bag.ChannelCount())
                                  .arg(available)
                                  .arg(std::min(bag.ChannelCount(), available)));
    const QString bus = GetBusCategory();
    for (int32_t i = 1; i <= std::min(bag.ChannelCount(), available); ++i) {
        if (!channels[static_cast<size_t>(i - 1)]->IFdtChannelExt_SetChannelParameters(
                QStringLiteral("FDT"), bus, bag.ChannelData(i), false))
            Debugging::TraceError(QStringLiteral("Bag (Set): SetChannelparameters failed!"));
    }
}

bool clsDataManager::SetDataBag(const clsDataBag& bag)
{
    try {
        if (!Instance_SetupDataCache(bag.DtmParameters())) {
            Debugging::TraceError(QStringLiteral("Bag (Set): Parameters not loaded!"));
            return false;
        }
        QString tdxPath;
        QString fdtPath;
        QString gsdPath;
        if (!GetDescriptionFiles(tdxPath, fdtPath, gsdPath)) {
            Debugging::TraceError(QStringLiteral("Bag (Set): Device type not identified!"));
            return false;
        }
        SetDataSetStates(QStringLiteral("persistent"), QStringLiteral("allDataLoaded"));
        if (!StartToolkit(tdxPath, fdtPath)) {
            Debugging::TraceError(QStringLiteral("Bag (Set): DTM didn't load!"));
            return false;
        }
        SetDtmStatus(DtmStatus::ExistingCreated);
        if (const auto parser = global::FdtFileParser())
            BuildDataModel(*parser);
        RegisterAsView();
        PublishAddressAndTag();
        BuildTopologyModules();
        LoadBagChannels(bag);
        return true;
    } catch (const automation::ComError& error) {
        Debugging::TraceRuntimeError(error);
    } catch (const std::exception& error) {
        Debugging::TraceRuntimeError(automation::E_FAIL_, QString::fromLocal8Bit(error.what()),
                                     QStringLiteral("clsDataManager"));
    }
    Debugging::TraceError(QStringLiteral("Bag (Set): Data model not built!"));
    return false;
}

// --- Data model ----------------------------------------------------------------------------------

void clsDataManager::BuildDataModel(applet::FdtFileParser& parser)
{
    m_dataItems = std::make_shared<DataItemCollection>();
    const auto traceEntry = [](const char* kind, int32_t index, int32_t error) {
        Debugging::TraceError(QStringLiteral("FDT file: %1 entry %2 cannot be read (0x%3)")
                                  .arg(QLatin1String(kind))
                                  .arg(index)
                                  .arg(static_cast<uint32_t>(error), 0, 16));
    };

    int32_t count = 0;
    parser.fncGetNumberOfEntries(applet::kFdtEntryAppletItem, count);
    for (int32_t i = 0; i < count; ++i) {
        QString name;
        applet::FdtAppletItemRecord record;
        int32_t error = 0;
        parser.fncGetAppletItemEntry(i, name, record, error);
        if (error != 0) {
            traceEntry("parameter", i, error);
            continue;
        }
        auto item = std::make_shared<clsDataManagerDataItem>();
        m_dataItems->Add(name, item);
        item->InitAppletItem(name, record);
    }

    count = 0;
    parser.fncGetNumberOfEntries(applet::kFdtEntryFixedItem, count);
    for (int32_t i = 0; i < count; ++i) {
        QString name;
        applet::FdtFixedItemRecord record;
        int32_t error = 0;
        parser.fncGetFixedItemEntry(i, name, record, error);
        if (error != 0) {
            traceEntry("fixed parameter", i, error);
            continue;
        }
        auto item = std::make_shared<clsDataManagerDataItem>();
        item->InitFixedItem(name, record);
        const int32_t code = item->TypeCode();
        const auto placement = std::find_if(kFixedPlacements.begin(), kFixedPlacements.end(),
                                            [code](const FixedPlacement& p) { return code >= p.first && code <= p.last; });
        if (placement == kFixedPlacements.end())
            continue; // no use for it (39 among them)
        switch (placement->place) {
        case FixedPlace::DataItems: m_dataItems->Add(name, item); break;
        case FixedPlace::ChannelList: m_channelListItem = item; break;
        case FixedPlace::ChannelConfig: m_channelConfigItem = item; break;
        }
    }

    count = 0;
    parser.fncGetNumberOfEntries(applet::kFdtEntryChannel, count);
    if (count >= 1) {
        m_channels = std::make_shared<ChannelCollection>();
        for (int32_t i = 0; i < count; ++i) {
            QString name;
            QVariant entries;
            int32_t error = 0;
            parser.fncGetChannelEntry(i, name, entries, error);
            QStringList names;
            if (error != 0 || !DataTypes::VariantArrayToStrings(entries, names)) {
                traceEntry("channel", i, error);
                continue;
            }
            auto channel = std::make_shared<clsDataManagerChannel>();
            if (channel->BuildFromDescription(name, names, *m_dataItems))
                m_channels->Add(name, channel);
        }
    }

    count = 0;
    parser.fncGetNumberOfEntries(applet::kFdtEntryModule, count);
    if (m_channels && !m_channels->IsEmpty() && count > 0) {
        m_describedModules = std::make_shared<ModuleCollection>();
        for (int32_t i = 0; i < count; ++i) {
            QString name;
            QVariant entries;
            int32_t error = 0;
            parser.fncGetModuleEntry(i, name, entries, error);
            QStringList names;
            if (error != 0 || !DataTypes::VariantArrayToStrings(entries, names)) {
                traceEntry("module", i, error);
                continue;
            }
            auto module = std::make_shared<clsDataManagerModule>();
            module->SetDataManager(weak_from_this());
            if (module->BuildFromDescription(name, names, *m_dataItems, *m_channels))
                m_describedModules->Add(name, module);
        }
    }
}

void clsDataManager::BuildTopologyModules()
{
    m_topologyModules.reset();
    if (!m_describedModules || !m_cache)
        return;
    const xml::XmlNodeList elements = m_cache->SelectNodes(XMLHelper::ModulePath());
    if (elements.isEmpty())
        return;
    m_topologyModules = std::make_shared<ModuleCollection>();
    // Each stored module takes a described module of its own: the first of
    // its name not placed yet, so that two modules of one name (the
    // configuration dialog places them) come back into their own slots. A
    // stored module without a free module or whose slot is taken already is
    // left out, traced; no module is changed for it.
    std::set<const clsDataManagerModule*> placed;
    for (const xml::XmlNode& element : elements) {
        const QString name = clsDataManagerModule::StoredModuleName(element);
        const int32_t slot = clsDataManagerModule::StoredSlot(element);
        const auto free = std::find_if(m_describedModules->begin(), m_describedModules->end(),
                                       [&](const ModuleCollection::Entry& entry) {
                                           return placed.count(entry.item.get()) == 0
                                                  && entry.item->ModuleName() == name;
                                       });
        if (free == m_describedModules->end()) {
            Debugging::TraceError(QStringLiteral("BuildTopologyModules: no module left for the stored module \"%1\" "
                                                 "in slot %2")
                                      .arg(name)
                                      .arg(slot));
            continue;
        }
        if (m_topologyModules->Contains(QString::number(slot))) {
            Debugging::TraceError(QStringLiteral("BuildTopologyModules: slot %1 holds a module already; the stored "
                                                 "module \"%2\" is left out")
                                      .arg(slot)
                                      .arg(name));
            continue;
        }
        if (!free->item->ReadModuleDefinition(element))
            continue;
        placed.insert(free->item.get());
        m_topologyModules->Add(QString::number(free->item->Slot()), free->item);
    }
}

bool clsDataManager::GetChannelCollection(ChannelList& channels)
{
    channels.clear();
    if (!IsProfibus() || !m_topologyModules || m_topologyModules->IsEmpty())
        return false;
    for (const auto& module : *m_topologyModules)
        for (const auto& channel : module.item->ModuleChannels())
            channels.push_back(channel.item);
    return true;
}

std::shared_ptr<clsDataManager::ModuleCollection> clsDataManager::TopologyModules()
{
    if (!m_topologyModules)
        m_topologyModules = std::make_shared<ModuleCollection>();
    return m_topologyModules;
}

int16_t clsDataManager::GetModulesState() const
{
    if (!m_topologyModules)
        return 0;
    for (const auto& entry : *m_topologyModules)
        if (entry.item->ChannelsProtected())
            return -1;
    return 0;
}

void clsDataManager::PublishAddressAndTag()
{
    const QString address = GetBusAddress();
    if (!address.isEmpty())
        WriteAddressItem(address);
    const QString tag = GetDeviceTag();
    if (!tag.isEmpty())
        WriteTagNameItem(tag);
}

void clsDataManager::ReleaseDataModel()
{
    m_cache.reset();
    m_changedData.reset();
    if (const auto manager = std::move(m_manager)) {
        const auto keep = shared_from_this();
        int32_t result = 0;
        manager->UnregisterView(this, result);
    }
    m_manager.reset();
    m_addressHandle = m_tagNameHandle = m_lockedHandle = m_dirtyHandle = -1;
    m_topologyModules.reset();
    if (m_describedModules)
        for (const auto& entry : *m_describedModules)
            entry.item->ReleaseModule();
    m_describedModules.reset();
    if (m_channels)
        for (const auto& entry : *m_channels)
            entry.item->ReleaseChannel();
    m_channels.reset();
    if (m_dataItems) {
        for (const auto& entry : *m_dataItems) {
            ItemPtr item = entry.item;
            Publics::ReleaseDataItem(item);
        }
    }
    m_dataItems.reset();
    Publics::ReleaseDataItem(m_channelConfigItem);
    Publics::ReleaseDataItem(m_channelListItem);
}

// --- Private items ----------------------------------------------------------------------------

int32_t clsDataManager::RegisterPrivateItem(const QString& name)
{
    int32_t handle = -1;
    int32_t failed = 1;
    if (m_manager)
        m_manager->RegisterItem(name, false, m_viewHandle, handle, 0, 0, failed);
    if (failed != 0) {
        Debugging::TraceRegistrationFailed(name);
        return -1;
    }
    return handle;
}

bool clsDataManager::ReadDirtyItem() const
{
    int16_t value = 0;
    int32_t failed = 1;
    if (m_manager)
        m_manager->GetBoolValue(m_dirtyHandle, value, failed);
    if (failed != 0) {
        Debugging::TraceReadFailed(kDirtyItem);
        return true;
    }
    return value != 0;
}

bool clsDataManager::IsDataSetLocked() const
{
    int16_t value = 0;
    int32_t failed = 1;
    if (m_manager)
        m_manager->GetBoolValue(m_lockedHandle, value, failed);
    if (failed != 0) {
        Debugging::TraceReadFailed(kLockedItem);
        return false;
    }
    return value != 0;
}

void clsDataManager::WriteTextItem(int32_t handle, const QString& name, const QString& text) const
{
    int32_t failed = 1;
    if (m_manager)
        m_manager->PutStringValue(handle, text, failed);
    if (failed != 0)
        Debugging::TraceWriteFailed(name);
}

void clsDataManager::WriteAddressItem(const QString& text) const
{
    WriteTextItem(m_addressHandle, kAddressItem, text);
}

void clsDataManager::WriteTagNameItem(const QString& text) const
{
    int32_t failed = 1;
    if (m_manager)
        m_manager->PutStringValue(m_tagNameHandle, text, failed);
    if (failed != 0) {
        Debugging::TraceWriteFailed(kTagNameItem);
        Debugging::TraceInfo(QStringLiteral(" Tagname WRITE to the Applet item FAILED"));
    } else {
        Debugging::TraceInfo(QStringLiteral(" Tagname WRITE to the Applet item SUCCESS "));
    }
}

void clsDataManager::WriteLockedItem(bool locked) const
{
    int32_t failed = 1;
    if (m_manager)
        m_manager->PutBoolValue(m_lockedHandle, locked ? -1 : 0, failed);
    if (failed != 0)
        Debugging::TraceWriteFailed(kLockedItem);
}

void clsDataManager::OnDirtyChanged()
{
    Debugging::TraceInfo(QStringLiteral("New dataset status:"));
    if (ReadDirtyItem()) {
        SetDataSetStates(QStringLiteral("transient"), QStringLiteral("validModified "));
        Debugging::TraceInfo(QStringLiteral("Transient/Modified"));
    } else {
        Debugging::TraceInfo(QStringLiteral("Save"));
    }
}

// --- The frame's dataset events ---------------------------------------------------------------

void clsDataManager::OnLockDataSet(const QString& user)
{
    m_lockOwner = user;
    WriteLockedItem(true);
    DataTypes::WriteTrace(Debugging::kLevelInfo, QStringLiteral("Data set locked by : ") + UserText(user));
}

void clsDataManager::OnUnlockDataSet(const QString& user)
{
    if (user != m_lockOwner && !m_lockOwner.isEmpty()) {
        Debugging::TraceError(QStringLiteral("Unlocking data set not allowed for: ") + user);
        return;
    }
    WriteLockedItem(false);
    if (!m_lockOwner.isEmpty())
        m_lockOwner.clear();
    else
        DataTypes::WriteTrace(Debugging::kLevelInfo, QStringLiteral("Data set unlocked by : ") + UserText(user));
}

// --- Changed data ----------------------------------------------------------------------------------

void clsDataManager::AddChangedData(const QString& xmlText, const QString&)
{
    if (!m_changedData) {
        DocumentPtr document;
        XMLHelper::CreateXmlParser(document);
        if (!document)
            return;
        XMLHelper::AppendProcessingInstruction(*document);
        document->AppendChild(document->CreateElement(kChangedDataRoot));
        m_changedData = document;
    }
    xml::XmlNode root = m_changedData->SelectSingleNode(kChangedDataRoot);
    DocumentPtr document;
    if (!XMLHelper::LoadXmlString(xmlText, document)) {
        Debugging::TraceError(QStringLiteral("Invalid XML document containing changed data"));
        return;
    }
    const xml::XmlNode fdt = document->SelectSingleNode(QStringLiteral("FDT"));
    if (!fdt)
        return;
    // The wrapper follows what the document holds.
    QString wrapperName;
    if (fdt.SelectSingleNode(QStringLiteral("FDTChannelType")))
        wrapperName = kChangedChannel;
    else if (fdt.SelectSingleNode(kDeviceTypeElement))
        wrapperName = kChangedParameters;
    else
        return;
    xml::XmlNode wrapper = root.AppendChild(m_changedData->CreateElement(wrapperName));
    wrapper.AppendChild(fdt);
}

void clsDataManager::ResetChangedData()
{
    m_changedData.reset();
}

QString clsDataManager::TakeChangedParameters()
{
    if (!m_changedData)
        return QString();
    XMLHelper::SaveDebugXml(m_changedData, QStringLiteral("ChangedParameters"));
    return m_changedData->Xml();
}

QString clsDataManager::GetChangedParameters() const
{
    const xml::XmlNode fdt =
        m_changedData ? m_changedData->SelectSingleNode(QStringLiteral("//ChangedParameters/FDT")) : xml::XmlNode();
    return fdt ? StandaloneDocument(fdt) : QString();
}

int32_t clsDataManager::ChangedChannelCount() const
{
    return m_changedData ? static_cast<int32_t>(m_changedData->SelectNodes(kChangedChannelPath).size()) : 0;
}

QString clsDataManager::GetChangedChannel(int32_t index) const
{
    if (!m_changedData || index < 0)
        return QString();
    const xml::XmlNodeList channels = m_changedData->SelectNodes(kChangedChannelPath);
    if (index >= channels.size())
        return QString();
    const xml::XmlNode fdt = channels[index].SelectSingleNode(QStringLiteral("FDT"));
    return fdt ? StandaloneDocument(fdt) : QString();
}

bool clsDataManager::OnParameterChanged(const QString& parameter)
{
    // The frame's event has no error trap: nothing may escape from here.
    try {
        DocumentPtr changed;
        if (!XMLHelper::LoadXmlString(parameter, changed)) {
            Debugging::TraceError(QStringLiteral("OnParameterChanged: the changed data do not load; nothing taken"));
            return false;
        }
        // The dataset is checked before anything is replaced.
        const xml::XmlNode fdt = changed->SelectSingleNode(QStringLiteral("//ChangedParameters/FDT"));
        if (!fdt) {
            Debugging::TraceError(QStringLiteral("OnParameterChanged: the changed data hold no ChangedParameters; "
                                                 "nothing taken"));
            return false;
        }
        if (!Instance_SetupDataCache(StandaloneDocument(fdt))) {
            Debugging::TraceError(QStringLiteral("OnParameterChanged: the changed parameters do not load; nothing "
                                                 "taken"));
            return false;
        }
        m_changedData = changed;
        PublishAddressAndTag();
        BuildTopologyModules();

        const int32_t count = ChangedChannelCount();
        ChannelList channels;
        if (count > 0 && GetChannelCollection(channels)) {
            const int32_t available = static_cast<int32_t>(channels.size());
            if (count > available)
                Debugging::TraceError(QStringLiteral("OnParameterChanged: %1 changed channels for %2 channels; the "
                                                     "last %3 are left out")
                                          .arg(count)
                                          .arg(available)
                                          .arg(count - available));
            for (int32_t i = 0; i < std::min(count, available); ++i) {
                if (!channels[static_cast<size_t>(i)]->IFdtChannelExt_SetChannelParameters(
                        QStringLiteral("FDT"), QString(), GetChangedChannel(i), false))
                    Debugging::TraceError(QStringLiteral("OnParameterChanged: changed channel %1 not taken").arg(i + 1));
            }
        }

        // The applet shows the new dataset.
        if (const auto host = global::AppletHost()) {
            int32_t result = 0;
            host->LoadFromDatabase(0, result);
            if (result != 0)
                Debugging::TraceError(QStringLiteral("OnParameterChanged: LoadFromDatabase failed, reason code: 0x")
                                      + QString::number(static_cast<uint32_t>(result), 16).toUpper());
        } else {
            Debugging::TraceError(QStringLiteral("OnParameterChanged: no applet host to reload the dataset"));
        }
        return true;
    } catch (const automation::ComError& error) {
        Debugging::TraceRuntimeError(error);
    } catch (const std::exception& error) {
        Debugging::TraceRuntimeError(automation::E_FAIL_, QString::fromLocal8Bit(error.what()),
                                     QStringLiteral("clsDataManager.OnParameterChanged"));
    }
    return false;
}

// --- applet::View ---------------------------------------------------------------------------------

void clsDataManager::SetAppletItemManagRef(int32_t lViewHandle,
                                           const std::shared_ptr<applet::clsAppletItemManager>& manager,
                                           int32_t& result)
{
    m_manager = manager;
    m_viewHandle = lViewHandle;
    m_addressHandle = RegisterPrivateItem(kAddressItem);
    m_tagNameHandle = RegisterPrivateItem(kTagNameItem);
    m_lockedHandle = RegisterPrivateItem(kLockedItem);
    m_dirtyHandle = RegisterPrivateItem(kDirtyItem);
    result = 0;
}

void clsDataManager::Destroy(int32_t& result)
{
    m_manager.reset();
    ReleaseDataModel();
    result = 0;
}

void clsDataManager::NotifyChanged(int32_t lAppletItemHandle, bool, int32_t lStateInfo, int32_t, int32_t& result)
{
    if (!m_manager) {
        Debugging::TraceInfo(QStringLiteral("privAppletItemManager Is Nothing"));
        result = 1;
        return;
    }
    constexpr int32_t kIgnored = applet::StateInfo::kShadowOnly | applet::StateInfo::kNoRules;
    if ((lStateInfo & kIgnored) == 0 && lAppletItemHandle == m_dirtyHandle)
        OnDirtyChanged();
    result = 0;
}

// --- applet::IFbInstanceData -------------------------------------------------------------------

int32_t clsDataManager::fncC2VBString(int32_t, QString& text)
{
    text.clear();
    return automation::S_OK_;
}

int32_t clsDataManager::ReadParameter(const QVariant&, const QString&, const QString& name, QVariant& value)
{
    value = QVariant();
    QString text;
    if (XML_FdtVariable_Read(name, text))
        value = text;
    return automation::S_OK_;
}

int32_t clsDataManager::StoreValue(const QString& name, const QVariant& value)
{
    // "Type mismatch"
    constexpr int32_t kTypeMismatch = static_cast<int32_t>(0x80020005u);
    QString text;
    if (value.isValid()) {
        if (value.typeId() == QMetaType::QVariantList || value.typeId() == QMetaType::QVariantMap
            || !value.canConvert<QString>()) {
            Debugging::TraceError(QStringLiteral("Instance data of ") + name + QStringLiteral(" is no text value"));
            return kTypeMismatch;
        }
        text = value.toString();
    }
    if (!IsXmlText(text)) {
        Debugging::TraceError(QStringLiteral("Instance data of ") + name
                              + QStringLiteral(" holds characters the dataset cannot keep"));
        return automation::E_INVALIDARG_;
    }
    return XML_FdtVariable_Write(name, text) ? automation::S_OK_ : automation::E_FAIL_;
}

int32_t clsDataManager::WriteParameter(const QVariant&, const QString&, const QString& name, const QVariant& value)
{
    return StoreValue(name, value);
}

int32_t clsDataManager::WriteParameterInfo(const QVariant&, const QString&, const applet::clsParameterInfo& info)
{
    return StoreValue(info.Name(), info.Value());
}

int32_t clsDataManager::DeleteParameter(const QVariant&, const QString&, const QString& name)
{
    return XML_FdtVariable_Delete(name) ? automation::S_OK_ : automation::E_FAIL_;
}

int32_t clsDataManager::OpenInstance(const QVariant&, const QString&, int32_t)
{
    return automation::S_OK_;
}

int32_t clsDataManager::CloseInstance(const QVariant&, const QString&)
{
    return automation::S_OK_;
}
