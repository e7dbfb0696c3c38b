#include "fennick/dataset/clsDataManagerChannel.h"
#include "fennick/dataset/clsDataManager.h"
#include "fennick/dataset/clsDataManagerDataItem.h"
#include "fennick/fdt/EWAR.h"
#include "fennick/fdt/clsTkDispatcher.h"
#include "fennick/fdt/global.h"
#include "fennick/services/Debugging.h"
#include "fennick/services/Publics.h"
#include "fennick/services/XMLHelper.h"
#include <algorithm>
#include <array>

namespace {

const QString kFdtNamespace = QStringLiteral("x-schema:FDTDataTypesSchema.xml");
const QString kChannelPath = QStringLiteral("FDT/FDTChannel");
const QString kCallerName = QStringLiteral("IFdtChannel_SetChannelParameters");

// The alarm items in document order, with the type each is written as.
constexpr std::array<const char*, 4> kAlarmTypes{{"highAlarm", "highHighAlarm", "lowAlarm", "lowLowAlarm"}};
constexpr int32_t kFirstAlarmCode = 2008;

// Substitute type values and their document texts.
struct SubstituteType {
    int32_t value;
    const char* text;
};
constexpr std::array<SubstituteType, 4> kSubstituteTypes{{
    {1, "lastValidValue"}, {2, "lastValue"}, {3, "lowerRange"}, {4, "upperRange"},
}};

// Where an item of a description type code goes.
enum class Place { Main, ChannelUnit, RangeUnit, UpperRange, LowerRange, Alarm, SubstituteType, SubstituteValue, Tag };
struct Placement {
    int32_t typeCode;
    Place place;
};
constexpr std::array<Placement, 13> kPlacements{{
    {43, Place::Main},          {44, Place::Main},           {2004, Place::ChannelUnit},
    {2005, Place::RangeUnit},   {2006, Place::UpperRange},   {2007, Place::LowerRange},
    {2008, Place::Alarm},       {2009, Place::Alarm},        {2010, Place::Alarm},
    {2011, Place::Alarm},       {2012, Place::SubstituteType}, {2013, Place::SubstituteValue},
    {2014, Place::Tag},
}};

// The number with its sign position: a blank before 0 and positive numbers.
QString SignedText(int32_t number)
{
    return number < 0 ? QString::number(number) : QLatin1Char(' ') + QString::number(number);
}

bool ReadInteger(const QString& text, int32_t& value)
{
    bool ok = false;
    const int32_t number = text.trimmed().toInt(&ok);
    if (ok)
        value = number;
    return ok;
}

xml::XmlNode AppendElement(xml::XmlDocument& document, xml::XmlNode parent, const QString& name)
{
    return parent.AppendChild(document.CreateElement(name));
}

} // namespace

// --- Build and release -----------------------------------------------------------------

bool clsDataManagerChannel::BuildFromDescription(const QString& descriptionName, const QStringList& entryNames,
                                                 const DataItems& items)
{
    if (entryNames.isEmpty()) {
        Debugging::TraceError(QStringLiteral("Empty channel description: ") + descriptionName);
        return false;
    }
    for (const QString& entryName : entryNames) {
        const ItemPtr item = items.Find(entryName);
        if (!item) {
            Debugging::TraceError(QStringLiteral("Missing parameter >>") + entryName
                                  + QStringLiteral("<< for channel description >>") + descriptionName
                                  + QStringLiteral("<<"));
            return false;
        }
        const int32_t code = item->TypeCode();
        const auto placement = std::find_if(kPlacements.begin(), kPlacements.end(),
                                            [code](const Placement& p) { return p.typeCode == code; });
        if (placement == kPlacements.end()) {
            Debugging::TraceError(QStringLiteral("Parameter >>") + entryName
                                  + QStringLiteral("<< for channel description >>") + descriptionName
                                  + QStringLiteral("<< makes no sense here!"));
            continue;
        }
        switch (placement->place) {
        case Place::Main: m_main = item; break;
        case Place::ChannelUnit: m_channelUnit = item; break;
        case Place::RangeUnit: m_rangeUnit = item; break;
        case Place::UpperRange: m_upperRange = item; break;
        case Place::LowerRange: m_lowerRange = item; break;
        case Place::Alarm: m_alarms[static_cast<size_t>(code - kFirstAlarmCode)] = item; break;
        case Place::SubstituteType: m_substituteType = item; break;
        case Place::SubstituteValue: m_substituteValue = item; break;
        case Place::Tag: m_frameApplicationTag = item; break;
        }
    }
    m_descriptionName = descriptionName;
    return true;
}

void clsDataManagerChannel::ReleaseChannel()
{
    for (ItemPtr& alarm : m_alarms)
        Publics::ReleaseDataItem(alarm);
    for (ItemPtr* item : {&m_upperRange, &m_lowerRange, &m_rangeUnit, &m_main, &m_channelUnit, &m_substituteType,
                          &m_substituteValue, &m_frameApplicationTag})
        Publics::ReleaseDataItem(*item);
}

// --- Derived values ----------------------------------------------------------------------

QString clsDataManagerChannel::GetChannelId() const
{
    return QStringLiteral("M_%1_C_%2").arg(m_moduleNumber).arg(m_channelNumber);
}

QString clsDataManagerChannel::ChannelTag() const
{
    return QStringLiteral("%1_%2_%3_%4").arg(m_tagPrefix).arg(m_moduleNumber).arg(m_descriptionName).arg(m_channelNumber);
}

int32_t clsDataManagerChannel::MainItemLength() const
{
    return m_main ? m_main->ObjectLength() : 0;
}

int32_t clsDataManagerChannel::MainItemKind() const
{
    return m_main ? m_main->TypeCode() : 0;
}

QString clsDataManagerChannel::SignalType() const
{
    switch (MainItemKind()) {
    case kInputSignal:
        return QStringLiteral("input");
    case kOutputSignal:
        return QStringLiteral("output");
    default:
        Debugging::TraceError(QStringLiteral("Channel: Signal type identification error"));
        return QString();
    }
}

QString clsDataManagerChannel::IFdtChannel_GetChannelPath()
{
    const auto dtm = global::CurrentDtm();
    return (dtm ? dtm->SystemTag() : QString()) + QLatin1Char('/') + GetChannelId();
}

// --- Channel document --------------------------------------------------------------------

void clsDataManagerChannel::AppendUnit(xml::XmlDocument& document, xml::XmlNode parent, const ItemPtr& item)
{
    // The table first, so that the current value is found in it on the first call.
    clsDataManagerDataItem::EnumerationList entries;
    const bool failed = item->EnumerationEntries(entries);
    const QString value = item->Value();
    QString currentText = value;
    int32_t currentKey = -1;
    item->EnumerationKey(value, currentKey);
    // An enumerated item reads as its key; the entry then gives the text.
    int32_t key = 0;
    if (currentKey == -1 && ReadInteger(value, key)) {
        QString text;
        item->EnumerationText(key, text);
        if (!text.isEmpty()) {
            currentKey = key;
            currentText = text;
        }
    }
    if (failed) {
        Debugging::TraceError(QStringLiteral("Cannot read enumerator data from : ") + item->FdtParameterName());
        return;
    }
    xml::XmlNode unit = document.CreateElement(QStringLiteral("fdt:Unit"));
    xml::XmlNode enumerator = AppendElement(document, unit, QStringLiteral("fdt:EnumeratorVariable"));
    xml::XmlNode variable = AppendElement(document, enumerator, QStringLiteral("fdt:Variable"));
    xml::XmlNode current = AppendElement(document, variable, QStringLiteral("fdt:EnumeratorEntry"));
    current.SetAttribute(QStringLiteral("index"), SignedText(currentKey));
    current.SetAttribute(QStringLiteral("name"), currentText);
    xml::XmlNode list = AppendElement(document, enumerator, QStringLiteral("fdt:EnumeratorEntries"));
    for (const auto& [entryKey, entryText] : entries) {
        xml::XmlNode entry = AppendElement(document, list, QStringLiteral("fdt:EnumeratorEntry"));
        entry.SetAttribute(QStringLiteral("index"), SignedText(entryKey));
        entry.SetAttribute(QStringLiteral("name"), entryText);
    }
    parent.AppendChild(unit);
}

QString clsDataManagerChannel::IFdtChannel_GetChannelParameters(const QString&, const QString&)
{
    Debugging::TraceInfo(QStringLiteral("IFdtChannel::GetChannelParameters"));
    XMLHelper::DocumentPtr document;
    xml::XmlNode root;
    XMLHelper::AppendFdtRoot(document, root);
    if (!document)
        return QString();
    XMLHelper::SetNamespace(root, QString(), kChannelNamespace);
    XMLHelper::SetNamespace(root, QStringLiteral("fdt"), kFdtNamespace);

    xml::XmlNode type = AppendElement(*document, root, QStringLiteral("FDTChannelType"));
    AppendElement(*document, type, QStringLiteral("fdt:VersionInformation"))
        .SetAttribute(QStringLiteral("name"), m_descriptionName);

    xml::XmlNode channel = AppendElement(*document, root, QStringLiteral("FDTChannel"));
    channel.SetAttribute(QStringLiteral("fdt:tag"), ChannelTag());
    channel.SetAttribute(QStringLiteral("fdt:id"), GetChannelId());
    channel.SetAttribute(QStringLiteral("protectedByChannelAssignment"), XMLHelper::BoolToXml(m_protected));
    channel.SetAttribute(QStringLiteral("number"), QString::number(m_channelNumber));
    channel.SetAttribute(QStringLiteral("fdt:dataType"), m_main ? m_main->FdtDataType() : QString());
    channel.SetAttribute(QStringLiteral("fdt:signalType"), SignalType());
    if (m_frameApplicationTag)
        channel.SetAttribute(QStringLiteral("frameApplicationTag"), m_frameApplicationTag->Value());

    if (m_channelUnit)
        AppendUnit(*document, channel, m_channelUnit);

    xml::XmlNode address = AppendElement(*document, channel, QStringLiteral("DpAddress"));
    address.SetAttribute(QStringLiteral("bitLength"), QString::number(MainItemLength()));
    address.SetAttribute(QStringLiteral("bitPosition"), QString::number(m_bitPosition));

    if (std::any_of(m_alarms.begin(), m_alarms.end(), [](const ItemPtr& alarm) { return alarm != nullptr; })) {
        xml::XmlNode alarms = AppendElement(*document, channel, QStringLiteral("fdt:Alarms"));
        for (size_t i = 0; i < m_alarms.size(); ++i) {
            if (!m_alarms[i])
                continue;
            xml::XmlNode alarm = AppendElement(*document, alarms, QStringLiteral("fdt:Alarm"));
            alarm.SetAttribute(QStringLiteral("alarmType"), QLatin1String(kAlarmTypes[i]));
            AppendElement(*document, alarm, QStringLiteral("fdt:StaticValue"))
                .SetAttribute(QStringLiteral("staticValue"), m_alarms[i]->Value());
        }
    }

    if (m_upperRange && m_lowerRange && m_rangeUnit) {
        xml::XmlNode ranges = AppendElement(*document, channel, QStringLiteral("fdt:Ranges"));
        xml::XmlNode range = AppendElement(*document, ranges, QStringLiteral("fdt:Range"));
        AppendElement(*document, AppendElement(*document, range, QStringLiteral("fdt:UpperRange")),
                      QStringLiteral("fdt:StaticValue"))
            .SetAttribute(QStringLiteral("staticValue"), m_upperRange->Value());
        AppendElement(*document, AppendElement(*document, range, QStringLiteral("fdt:LowerRange")),
                      QStringLiteral("fdt:StaticValue"))
            .SetAttribute(QStringLiteral("staticValue"), m_lowerRange->Value());
        AppendUnit(*document, range, m_rangeUnit);
    }

    if (m_substituteValue) {
        xml::XmlNode substitute = AppendElement(*document, channel, QStringLiteral("fdt:SubstituteValue"));
        xml::XmlNode variant = AppendElement(*document, substitute, QStringLiteral("fdt:Variant"));
        variant.SetAttribute(QStringLiteral("fdt:dataType"), m_substituteValue->FdtDataType());
        AppendElement(*document, variant, QStringLiteral("fdt:NumberData"))
            .SetAttribute(QStringLiteral("number"), m_substituteValue->Value());
    } else if (m_substituteType) {
        int32_t value = 0;
        if (ReadInteger(m_substituteType->Value(), value)) {
            for (const SubstituteType& type : kSubstituteTypes) {
                if (type.value != value)
                    continue;
                AppendElement(*document, AppendElement(*document, channel, QStringLiteral("fdt:SubstituteValue")),
                              QStringLiteral("fdt:SubstituteType"))
                    .SetAttribute(QStringLiteral("substituteType"), QLatin1String(type.text));
            }
        }
    }

    XMLHelper::SaveDebugXml(document, QStringLiteral("Channel_Get_ ") + QString::number(m_channelNumber));
    return document->Xml();
}

// --- Applying a channel document -----------------------------------------------------------

bool clsDataManagerChannel::IFdtChannel_SetChannelParameters(const QString& parameterPath, const QString& protocolId,
                                                             const QString& xmlDocument)
{
    if (!EWAR::IncrementEWAR(kCallerName))
        return false;
    const bool result = IFdtChannelExt_SetChannelParameters(parameterPath, protocolId, xmlDocument, true);
    if (const auto dtm = global::CurrentDtm()) {
        if (const auto data = dtm->DataManager())
            data->SetDataSetStates(QStringLiteral("transient"),
                                   result ? QStringLiteral("validModified ") : QStringLiteral("invalidModified"));
    }
    EWAR::DecrementEWAR(kCallerName);
    return result;
}

void clsDataManagerChannel::CheckProtection(const ItemPtr& item, bool protection) const
{
    if (item && protection != m_protected)
        item->CheckProtectionAccess(protection);
}

void clsDataManagerChannel::TakeStaticValue(const xml::XmlDocument& document, const QString& path,
                                            const ItemPtr& item) const
{
    if (item->IsAppletBound())
        return;
    const xml::XmlNode element = document.SelectSingleNode(path);
    if (element)
        item->SetValue(XMLHelper::GetAttribute(element, QStringLiteral("staticValue")));
}

void clsDataManagerChannel::SetChanneldata(const xml::XmlDocument& document, bool protection)
{
    if (m_substituteValue) {
        if (!m_substituteValue->IsAppletBound()) {
            const QString path = kChannelPath + QStringLiteral("/fdt:SubstituteValue/fdt:Variant/fdt:NumberData");
            const xml::XmlNode element = document.SelectSingleNode(path);
            if (!element)
                Debugging::TraceError(QStringLiteral("SetChanneldata: Access to : ") + path + QStringLiteral(" failed!"));
            else
                m_substituteValue->SetValue(XMLHelper::GetAttribute(element, QStringLiteral("number")));
        }
        CheckProtection(m_substituteValue, protection);
        return;
    }
    if (!m_substituteType)
        return;
    if (!m_substituteType->IsAppletBound()) {
        const QString path = kChannelPath + QStringLiteral("/fdt:SubstituteValue/fdt:SubstituteType");
        const xml::XmlNode element = document.SelectSingleNode(path);
        if (!element) {
            Debugging::TraceError(QStringLiteral("SetChanneldata: Access to : ") + path + QStringLiteral(" failed!"));
        } else {
            const QString text = XMLHelper::GetAttribute(element, QStringLiteral("substituteType"));
            const auto type = std::find_if(kSubstituteTypes.begin(), kSubstituteTypes.end(),
                                           [&](const SubstituteType& t) { return text == QLatin1String(t.text); });
            if (type == kSubstituteTypes.end())
                Debugging::TraceError(QStringLiteral("XML document contains an invalid substituteType :") + text);
            else
                m_substituteType->SetValue(QString::number(type->value));
        }
    }
    CheckProtection(m_substituteType, protection);
}

bool clsDataManagerChannel::IFdtChannelExt_SetChannelParameters(const QString&, const QString&,
                                                                const QString& xmlDocument, bool frameCall)
{
    Debugging::TraceInfo(QStringLiteral("Execute clsDataManagerChannel::IFdtChannelExt_SetChannelParameters"));
    XMLHelper::DocumentPtr document;
    if (!XMLHelper::LoadXmlString(xmlDocument, document))
        return false;

    bool protection = false;
    const xml::XmlNode channel = document->SelectSingleNode(kChannelPath);
    if (channel) {
        // The number is the module's to give (it makes the channel's id): a
        // document cannot change it, and one whose number is no number is
        // refused before anything is taken from it.
        if (channel.HasAttribute(QStringLiteral("number"))) {
            const QString numberText = channel.Attribute(QStringLiteral("number"));
            int32_t number = 0;
            if (!ReadInteger(numberText, number)) {
                Debugging::TraceError(QStringLiteral("Channel ") + GetChannelId()
                                      + QStringLiteral(": document refused, its channel number is no number: ")
                                      + numberText);
                return false;
            }
            if (number != m_channelNumber)
                Debugging::TraceInfo(QStringLiteral("Channel %1: the document's channel number %2 is not taken")
                                         .arg(GetChannelId())
                                         .arg(number));
        }
        const QString protectionText = XMLHelper::GetAttribute(channel, QStringLiteral("protectedByChannelAssignment"));
        protection = protectionText == QLatin1String("1");
        Debugging::TraceInfo(QStringLiteral("Channel protected = ") + protectionText);
        if (m_frameApplicationTag) {
            m_frameApplicationTag->SetValue(XMLHelper::GetAttribute(channel, QStringLiteral("frameApplicationTag")));
            CheckProtection(m_frameApplicationTag, protection);
        }
    }
    XMLHelper::SaveDebugXml(document, QStringLiteral("Channel_Set_ ") + QString::number(m_channelNumber));

    if (!frameCall) {
        if (const xml::XmlNode address = document->SelectSingleNode(kChannelPath + QStringLiteral("/DpAddress")))
            ReadInteger(XMLHelper::GetAttribute(address, QStringLiteral("bitPosition")), m_bitPosition);
    }

    for (size_t i = 0; i < m_alarms.size(); ++i) {
        if (!m_alarms[i])
            continue;
        TakeStaticValue(*document,
                        kChannelPath + QStringLiteral("/fdt:Alarms/fdt:Alarm[@alarmType=")
                            + XMLHelper::QuoteText(QLatin1String(kAlarmTypes[i]))
                            + QStringLiteral("]/fdt:StaticValue"),
                        m_alarms[i]);
        CheckProtection(m_alarms[i], protection);
    }

    if (m_upperRange && m_lowerRange && m_rangeUnit) {
        const QString range = kChannelPath + QStringLiteral("/fdt:Ranges/fdt:Range/");
        TakeStaticValue(*document, range + QStringLiteral("fdt:LowerRange/fdt:StaticValue"), m_lowerRange);
        CheckProtection(m_lowerRange, protection);
        TakeStaticValue(*document, range + QStringLiteral("fdt:UpperRange/fdt:StaticValue"), m_upperRange);
        CheckProtection(m_upperRange, protection);
    }

    SetChanneldata(*document, protection);
    m_protected = protection;
    return true;
}
