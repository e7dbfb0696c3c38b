#include "fennick/dataset/clsDataManagerDataItem.h"
#include "fennick/fdt/global.h"
#include "fennick/services/Debugging.h"
#include "platform/applet/AppletHost.h"
#include "platform/applet/StateInfo.h"
#include "platform/applet/TdxFileParser.h"
#include "platform/applet/clsAppletItemManager.h"
#include <array>

namespace {

// How the length of a description object follows from its type code and size.
enum class LengthRule {
    PackedCharacters, // 6-bit characters in size bytes
    Size,             // the size as it stands (bits of whole numbers)
    Bits32,
    BytesToBits,      // size bytes
    Bits24,
    Bits1,
};

constexpr std::array<LengthRule, 9> kLengthRules{{
    LengthRule::PackedCharacters, // 0
    LengthRule::Size,             // 1
    LengthRule::Size,             // 2
    LengthRule::Size,             // 3
    LengthRule::Bits32,           // 4
    LengthRule::BytesToBits,      // 5
    LengthRule::BytesToBits,      // 6
    LengthRule::Bits24,           // 7
    LengthRule::Bits1,            // 8
}};

// FDT data type of an applet-bound item by object type code; codes 2 and 3
// are "byte" instead when the object is 8 bits or less.
constexpr std::array<const char*, 9> kAppletDataTypes{{
    "bin.hex", "int", "unsigned", "unsigned", "float", "hexString", "packedAscii", "bin.hex", "byte",
}};

// FDT data type of a fixed item by the variant type of its value.
struct FixedDataType {
    int32_t valueType;
    const char* dataType;
};
constexpr std::array<FixedDataType, 8> kFixedDataTypes{{
    {2, "int"}, {3, "int"}, {16, "int"}, {8, "binary"}, {11, "byte"}, {17, "unsigned"}, {18, "unsigned"},
    {19, "unsigned"},
}};

QString DefaultFormat(const QVariant& value)
{
    if (value.typeId() == QMetaType::Bool)
        return value.toBool() ? QStringLiteral("True") : QStringLiteral("False");
    return value.toString();
}

} // namespace

// --- Creation ---------------------------------------------------------------------------

void clsDataManagerDataItem::InitAppletItem(const QString& fdtParameterName, const applet::FdtAppletItemRecord& record)
{
    m_appletBound = true;
    m_typeCode = record.typeCode;
    m_fdtParameterName = fdtParameterName;
    m_objectName = record.objectName;
    m_itemHandle = -1;
    m_limitHandle = -1;
    const auto manager = global::AppletItemManager();
    if (!manager) {
        Debugging::TraceRegistrationFailed(m_objectName);
        return;
    }
    int32_t result = 0;
    manager->RegisterView(shared_from_this(), result);
}

void clsDataManagerDataItem::InitFixedItem(const QString& fdtParameterName, const applet::FdtFixedItemRecord& record)
{
    m_appletBound = false;
    m_typeCode = record.typeCode;
    m_fdtParameterName = fdtParameterName;
    m_fixedValue = DefaultFormat(record.value);
    m_valueType = record.valueType;
    m_length = record.length;
}

void clsDataManagerDataItem::SetAppletItemManagRef(int32_t lViewHandle,
                                                   const std::shared_ptr<applet::clsAppletItemManager>& manager,
                                                   int32_t& result)
{
    m_manager = manager;
    m_viewHandle = lViewHandle;
    int32_t failed = 0;
    m_manager->RegisterItem(m_objectName, false, m_viewHandle, m_itemHandle, 0, 0, failed);
    if (failed != 0) {
        Debugging::TraceRegistrationFailed(m_objectName);
        m_itemHandle = -1;
    }
    result = 0;
}

// --- Value --------------------------------------------------------------------------------

QString clsDataManagerDataItem::Value()
{
    if (!m_appletBound)
        return m_fixedValue;
    if (m_itemHandle == -1 || !m_manager) {
        Debugging::TraceError(QStringLiteral("Read access for invalid AppletItem registration :") + m_objectName);
        return QString();
    }
    QString text;
    int32_t failed = 0;
    m_manager->GetValueAsText(m_itemHandle, text, false, failed);
    if (failed != 0) {
        Debugging::TraceReadFailed(m_objectName);
        return QString();
    }
    return text;
}

void clsDataManagerDataItem::SetValue(const QString& text)
{
    if (!m_appletBound) {
        m_fixedValue = text;
        return;
    }
    if (m_itemHandle == -1 || !m_manager) {
        Debugging::TraceError(QStringLiteral("Write access for invalid AppletItem registration :") + m_objectName);
        return;
    }
    int32_t failed = 0;
    m_manager->PutValueAsText(m_itemHandle, text, failed);
    if (failed != 0)
        Debugging::TraceWriteFailed(m_objectName);
}

// --- Description ------------------------------------------------------------------------

bool clsDataManagerDataItem::LookUpObject(const QString& kind, ObjectData& data) const
{
    std::shared_ptr<applet::TdxFileParser> parser;
    if (const auto manager = m_manager ? m_manager : global::AppletItemManager())
        manager->GetDataDictionary(parser);
    int32_t handle = 0;
    int32_t error = -1;
    if (parser)
        parser->fncGetEntryHandle(kind, m_objectName, handle, error);
    if (error != 0) {
        Debugging::TraceError(QStringLiteral("Unable to locate object >>") + m_objectName
                              + QStringLiteral("<< in TDX file!"));
        return false;
    }
    QString text;
    QVariant value;
    parser->fncGetObjectInfo(handle, text, data.typeCode, data.size, value, data.enumerationName, error);
    if (error != 0) {
        Debugging::TraceError(QStringLiteral("Unable to read object data of >>") + m_objectName
                              + QStringLiteral("<< in TDX file!"));
        return false;
    }
    return true;
}

int32_t clsDataManagerDataItem::ObjectLength()
{
    if (!m_appletBound || m_length != 0)
        return m_length;
    ObjectData data;
    if (!LookUpObject(QStringLiteral("OBJECT"), data))
        data = ObjectData(); // counts as packed text of no bytes
    if (data.typeCode < 0 || data.typeCode >= static_cast<int32_t>(kLengthRules.size()))
        return m_length;
    switch (kLengthRules[static_cast<size_t>(data.typeCode)]) {
    case LengthRule::PackedCharacters:
        // Four characters in three bytes: 6 bytes hold 8 characters, 4 bytes 5.
        m_length = data.size * 8 / 6;
        break;
    case LengthRule::Size:
        m_length = data.size;
        break;
    case LengthRule::Bits32:
        m_length = 32;
        break;
    case LengthRule::BytesToBits:
        m_length = data.size * 8;
        break;
    case LengthRule::Bits24:
        m_length = 24;
        break;
    case LengthRule::Bits1:
        m_length = 1;
        break;
    }
    return m_length;
}

QString clsDataManagerDataItem::FdtDataType()
{
    if (m_appletBound) {
        ObjectData data;
        if (!LookUpObject(QStringLiteral("OBJECT"), data))
            return QString();
        if (data.typeCode < 0 || data.typeCode >= static_cast<int32_t>(kAppletDataTypes.size()))
            return QString();
        if ((data.typeCode == 2 || data.typeCode == 3) && ObjectLength() <= 8)
            return QStringLiteral("byte");
        return QLatin1String(kAppletDataTypes[static_cast<size_t>(data.typeCode)]);
    }
    for (const FixedDataType& entry : kFixedDataTypes)
        if (entry.valueType == m_valueType)
            return QLatin1String(entry.dataType);
    Debugging::TraceError(QStringLiteral("Datatype defined for FdtParameter>>") + m_fdtParameterName
                          + QStringLiteral("<< is not supported!"));
    return QStringLiteral("hexString");
}

// --- Enumeration ------------------------------------------------------------------------

bool clsDataManagerDataItem::BuildEnumeration()
{
    ObjectData data;
    if (!LookUpObject(QStringLiteral("object"), data))
        return false;
    std::shared_ptr<applet::TdxFileParser> parser;
    if (const auto manager = m_manager ? m_manager : global::AppletItemManager())
        manager->GetDataDictionary(parser);
    if (!parser)
        return false;
    int32_t handle = 0;
    int32_t error = 0;
    parser->fncGetEntryHandle(QStringLiteral("enumeration"), data.enumerationName, handle, error);
    if (error != 0)
        return false;
    QString text;
    QList<applet::TdxEnumEntry> entries;
    parser->fncGetEnumEntries(handle, text, entries, error);
    if (error != 0 || entries.isEmpty())
        return false;
    QList<EnumerationEntry> table;
    table.reserve(entries.size());
    for (const applet::TdxEnumEntry& entry : entries)
        table.append(EnumerationEntry{entry.text, entry.value, false});

    if (!m_manager)
        return false;
    int32_t failed = 0;
    m_manager->RegisterItem(kObjectLimitMarker + m_objectName, false, m_viewHandle, m_limitHandle, 0, 0, failed);
    if (failed != 0) {
        m_limitHandle = -1;
        Debugging::TraceError(QStringLiteral("Not able to register &&ObjectLimit&& for AppletItem ") + m_objectName
                              + QStringLiteral(" !"));
        return false;
    }
    m_enumeration = table;
    m_enumerationBuilt = true;
    RefreshAllowedFlags();
    return true;
}

void clsDataManagerDataItem::RefreshAllowedFlags()
{
    if (m_limitHandle == -1 || !m_manager)
        return;
    QByteArray mask;
    int32_t failed = 0;
    m_manager->GetOctetsValue(m_limitHandle, mask, false, failed);
    if (failed != 0)
        return;
    // An entry the mask does not reach is not allowed.
    for (qsizetype i = 0; i < m_enumeration.size(); ++i)
        m_enumeration[i].allowed = i < mask.size() && mask[i] != 0;
}

bool clsDataManagerDataItem::EnumerationEntries(EnumerationList& entries, bool allowedOnly)
{
    if (!m_enumerationBuilt && !BuildEnumeration()) {
        Debugging::TraceError(QStringLiteral("Not able to return EnumData for AppletItem ") + m_objectName
                              + QStringLiteral(" !"));
        return true;
    }
    EnumerationList result;
    for (const EnumerationEntry& entry : m_enumeration)
        if (entry.allowed || !allowedOnly)
            result.append({entry.key, entry.text});
    entries = result;
    return false;
}

bool clsDataManagerDataItem::EnumerationText(int32_t key, QString& text) const
{
    for (const EnumerationEntry& entry : m_enumeration)
        if (entry.key == key) {
            text = entry.text;
            return entry.allowed;
        }
    text.clear();
    return false;
}

bool clsDataManagerDataItem::EnumerationKey(const QString& text, int32_t& key) const
{
    for (const EnumerationEntry& entry : m_enumeration)
        if (entry.text == text) {
            key = entry.key;
            return entry.allowed;
        }
    key = -1;
    return false;
}

// --- Protection, views --------------------------------------------------------------------

void clsDataManagerDataItem::CheckProtectionAccess(bool)
{
    if (m_appletBound && m_itemHandle == -1)
        Debugging::TraceError(QStringLiteral("Protection access for invalid AppletItem registration :") + m_objectName);
}

void clsDataManagerDataItem::UnregisterView()
{
    if (const auto manager = std::move(m_manager)) {
        int32_t failed = 0;
        if (m_limitHandle != -1)
            manager->UnregisterItem(m_viewHandle, m_limitHandle, false, failed);
        if (m_itemHandle != -1)
            manager->UnregisterItem(m_viewHandle, m_itemHandle, false, failed);
        int32_t result = 0;
        manager->UnregisterView(this, result);
    }
    m_manager.reset();
    m_itemHandle = -1;
    m_limitHandle = -1;
    m_viewHandle = -1;
}

void clsDataManagerDataItem::Destroy(int32_t& result)
{
    m_manager.reset();
    UnregisterView();
    result = 0;
}

void clsDataManagerDataItem::NotifyChanged(int32_t lAppletItemHandle, bool, int32_t lStateInfo, int32_t,
                                           int32_t& result)
{
    if (!m_manager) {
        Debugging::TraceInfo(QStringLiteral("privAppletItemManager Is Nothing"));
        result = 1;
        return;
    }
    if (lAppletItemHandle == m_limitHandle && (lStateInfo & applet::StateInfo::kRefresh) == 0)
        RefreshAllowedFlags();
    result = 0;
}
