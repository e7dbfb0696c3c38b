#include "pioextensions/clsAppItem.h"
#include "pioextensions/ItemAccessReport.h"
#include "pioextensions/enmExeption.h"
#include "platform/applet/AppletResults.h"
#include "platform/applet/AppletTrace.h"
#include "platform/applet/Description.h"
#include "platform/applet/StateInfo.h"
#include "platform/applet/TdxFileParser.h"
#include "platform/applet/UserNumber.h"
#include "platform/applet/clsAppletItemManager.h"
#include "platform/automation/ComError.h"
#include <algorithm>
#include <exception>

namespace {

const QString kRegisterSource = QStringLiteral("clsAppItem.IAppItem_Register");
// A value the device marks as not available; the dataset value names the entry then.
constexpr double kNotAvailable = 254;

} // namespace

clsAppItem::clsAppItem() = default;

clsAppItem::~clsAppItem()
{
    UnRegister();
}

void clsAppItem::Init(const QString& name, bool RegisterOnShadow, int16_t UpdateInterval, QObject* eventHandler,
                      const QString& methodName, int16_t Index)
{
    m_name = name;
    m_registerOnShadow = RegisterOnShadow;
    m_updateInterval = UpdateInterval;
    m_eventHandler = eventHandler;
    m_methodName = methodName;
    m_index = Index;
}

void clsAppItem::Register(const std::shared_ptr<applet::clsAppletItemManager>& appletItemManagerRef,
                          const QString& name, bool RegisterOnShadow, int16_t UpdateInterval, QObject* eventHandler,
                          const QString& methodName)
{
    Init(name, RegisterOnShadow, UpdateInterval, eventHandler, methodName, 0);
    Register1(appletItemManagerRef);
}

void clsAppItem::Register1(const std::shared_ptr<applet::clsAppletItemManager>& appletItemManagerRef)
{
    const QString failedText = QStringLiteral("Registrierung von %1 fehlgeschlagen").arg(m_name);
    UnRegister();
    if (!appletItemManagerRef) {
        applet::AppletTrace::Error(QStringLiteral("%1: %2 (no item manager)").arg(kRegisterSource, failedText));
        throw automation::ComError(REGISTRATION_FAILED, failedText, kRegisterSource);
    }
    m_binding.Attach(appletItemManagerRef, this, m_name);
    if (m_updateInterval > 0)
        m_registerOnShadow = true;
    int32_t handle = 0;
    int32_t failed = 0;
    Manager()->RegisterItem(m_name, m_registerOnShadow, m_binding.ViewHandle(), handle, 0, m_updateInterval, failed);
    if (failed != 0) {
        // The handle of an earlier registration must not survive: reads would
        // otherwise return that other item's value.
        m_itemHandle = 0;
        m_enumerationTable.clear();
        m_hasEnumeration = false;
        applet::AppletTrace::Error(QStringLiteral("%1: %2").arg(kRegisterSource, failedText));
        throw automation::ComError(REGISTRATION_FAILED, failedText, kRegisterSource);
    }
    m_itemHandle = handle;
    ReadEnumerationTable();
    m_registered = true;
}

void clsAppItem::ReadEnumerationTable()
{
    std::shared_ptr<applet::TdxFileParser> parser;
    Manager()->GetDataDictionary(parser);
    if (!parser)
        return;
    int32_t error = 0;
    int32_t objectHandle = 0;
    parser->fncGetEntryHandle(QStringLiteral("object"), m_name, objectHandle, error);
    if (error != 0)
        return; // a sub-item or private item of the host: no description entry
    QString text;
    int32_t dataType = 0;
    int32_t size = 0;
    QVariant defaultValue;
    QString enumerationName;
    parser->fncGetObjectInfo(objectHandle, text, dataType, size, defaultValue, enumerationName, error);
    if (error != 0 || enumerationName.isEmpty())
        return;
    int32_t enumerationHandle = 0;
    parser->fncGetEntryHandle(QStringLiteral("enumeration"), enumerationName, enumerationHandle, error);
    if (error != 0) {
        applet::AppletTrace::Error(
            QStringLiteral("Enumeration %1 of item %2 is not described").arg(enumerationName, m_name));
        return;
    }
    QList<applet::TdxEnumEntry> entries;
    parser->fncGetEnumEntries(enumerationHandle, text, entries, error);
    if (error != 0)
        return;
    m_enumerationTable = entries;
    m_hasEnumeration = true;
}

void clsAppItem::UnRegister()
{
    if (!m_registered)
        return;
    int32_t failed = 0;
    Manager()->UnregisterItem(m_binding.ViewHandle(), m_itemHandle, m_registerOnShadow, failed);
    m_binding.ReleaseView();
    m_registered = false;
}

void clsAppItem::OnNotifyChanged(int32_t& /*itemHandle*/, bool /*bShadow*/, int32_t lState, int32_t /*lUserLong*/)
{
    if ((lState & applet::StateInfo::kShadowOnly) != 0)
        return;
    const bool suppressRule = (lState & applet::StateInfo::kNoRules) != 0;
    try {
        const QString value = StringValue();
        emit ValueChanged3(value, lState);
        emit ValueChanged(value);
        emit ValueChanged2(value, suppressRule);
        ItemViewBinding::CallHandler(m_eventHandler, m_methodName, {QVariant(m_index), value, suppressRule},
                                     QStringLiteral("clsAppItem.OnNotifyChanged(%1)").arg(m_name));
    } catch (const automation::ComError& error) {
        applet::AppletTrace::Error(QStringLiteral("clsAppItem.OnNotifyChanged(%1): %2 (%3)")
                                       .arg(m_name, error.description(), error.source()));
    } catch (const std::exception& error) {
        applet::AppletTrace::Error(QStringLiteral("clsAppItem.OnNotifyChanged(%1): %2")
                                       .arg(m_name, QString::fromLocal8Bit(error.what())));
    }
}

// --- Values -------------------------------------------------------------------

bool clsAppItem::Bound() const
{
    return Manager() && m_itemHandle > 0;
}

bool clsAppItem::CanWrite(const char* source) const
{
    if (m_registered)
        return true;
    applet::AppletTrace::Error(
        QStringLiteral("%1: %2 is not registered; the value is not written").arg(QLatin1String(source), m_name));
    return false;
}

QString clsAppItem::StringValue() const
{
    QString value;
    if (!Bound())
        return value;
    int32_t failed = 0;
    Manager()->fncReadString(m_itemHandle, value, m_registerOnShadow, failed);
    ItemAccessReport::Report(failed, "clsAppItem.StringValue", m_name);
    const qsizetype nul = value.indexOf(QChar(u'\0'));
    return nul < 0 ? value : value.left(nul);
}

int32_t clsAppItem::SetStringValue(const QString& value)
{
    if (!CanWrite("clsAppItem.StringValue"))
        return applet::kItemUnknown;
    int32_t failed = 0;
    Manager()->fncPutString(m_itemHandle, value, failed);
    ItemAccessReport::Report(failed, "clsAppItem.StringValue", m_name);
    return failed;
}

double clsAppItem::UIntValue() const
{
    double value = 0;
    if (!Bound())
        return value;
    int32_t failed = 0;
    Manager()->fncReadUIntValue(m_itemHandle, value, m_registerOnShadow, failed);
    ItemAccessReport::Report(failed, "clsAppItem.UIntValue", m_name);
    return value;
}

int32_t clsAppItem::SetUIntValue(double value)
{
    if (!CanWrite("clsAppItem.UIntValue"))
        return applet::kItemUnknown;
    int32_t failed = 0;
    Manager()->fncPutUintValue(m_itemHandle, value, failed);
    ItemAccessReport::Report(failed, "clsAppItem.UIntValue", m_name);
    return failed;
}

int32_t clsAppItem::BCDValue() const
{
    int32_t value = 0;
    if (!Bound())
        return value;
    int32_t failed = 0;
    Manager()->fncReadBCDValue(m_itemHandle, value, m_registerOnShadow, failed);
    ItemAccessReport::Report(failed, "clsAppItem.BCDValue", m_name);
    return value;
}

int32_t clsAppItem::SetBCDValue(int32_t value)
{
    if (!CanWrite("clsAppItem.BCDValue"))
        return applet::kItemUnknown;
    int32_t failed = 0;
    Manager()->fncPutBCDValue(m_itemHandle, value, failed);
    ItemAccessReport::Report(failed, "clsAppItem.BCDValue", m_name);
    return failed;
}

float clsAppItem::FloatValue() const
{
    float value = 0;
    if (!Bound())
        return value;
    int32_t failed = 0;
    Manager()->fncReadFloatValue(m_itemHandle, value, m_registerOnShadow, failed);
    ItemAccessReport::Report(failed, "clsAppItem.FloatValue", m_name);
    return value;
}

int32_t clsAppItem::SetFloatValue(float value)
{
    if (!CanWrite("clsAppItem.FloatValue"))
        return applet::kItemUnknown;
    int32_t failed = 0;
    Manager()->fncPutFloatValue(m_itemHandle, value, failed);
    ItemAccessReport::Report(failed, "clsAppItem.FloatValue", m_name);
    return failed;
}

int32_t clsAppItem::IntValue() const
{
    int32_t value = 0;
    if (!Bound())
        return value;
    int32_t failed = 0;
    Manager()->fncReadIntValue(m_itemHandle, value, m_registerOnShadow, failed);
    ItemAccessReport::Report(failed, "clsAppItem.IntValue", m_name);
    return value;
}

int32_t clsAppItem::SetIntValue(int32_t value)
{
    if (!CanWrite("clsAppItem.IntValue"))
        return applet::kItemUnknown;
    int32_t failed = 0;
    Manager()->fncPutIntValue(m_itemHandle, value, failed);
    ItemAccessReport::Report(failed, "clsAppItem.IntValue", m_name);
    return failed;
}

QVariant clsAppItem::OctetValue() const
{
    if (!Bound())
        return QVariant();
    QByteArray value;
    int32_t failed = 0;
    Manager()->fncReadOctetsValue(m_itemHandle, value, m_registerOnShadow, failed);
    ItemAccessReport::Raise(failed, "clsAppItem.OctetValue", m_name);
    return QVariant(value);
}

int32_t clsAppItem::SetOctetValue(const QVariant& value)
{
    if (!CanWrite("clsAppItem.OctetValue"))
        return applet::kItemUnknown;
    QByteArray bytes = OctetValue().toByteArray();
    bytes.fill('\0');
    if (value.typeId() == QMetaType::QByteArray) {
        const QByteArray given = value.toByteArray();
        const qsizetype n = std::min(given.size(), bytes.size());
        std::copy(given.cbegin(), given.cbegin() + n, bytes.begin());
    } else {
        applet::AppletTrace::Error(
            QStringLiteral("clsAppItem.OctetValue: the value for %1 is not a byte array; zeros are written")
                .arg(m_name));
    }
    int32_t failed = 0;
    Manager()->fncPutOctetsValue(m_itemHandle, bytes, failed);
    ItemAccessReport::Raise(failed, "clsAppItem.OctetValue", m_name);
    return failed;
}

QByteArray clsAppItem::PCAValue() const
{
    QByteArray value;
    if (!Bound())
        return value;
    int32_t failed = 0;
    Manager()->fncReadPCAValue(m_itemHandle, value, m_registerOnShadow, failed);
    ItemAccessReport::Report(failed, "clsAppItem.PCAValue", m_name);
    return value;
}

int32_t clsAppItem::SetPCAValue(const QByteArray& value)
{
    if (!CanWrite("clsAppItem.PCAValue"))
        return applet::kItemUnknown;
    int32_t failed = 0;
    Manager()->fncPutPCAValue(m_itemHandle, value, failed);
    ItemAccessReport::Report(failed, "clsAppItem.PCAValue", m_name);
    return failed;
}

QByteArray clsAppItem::HartDateValue() const
{
    QByteArray value;
    if (!Bound())
        return value;
    int32_t failed = 0;
    Manager()->fncReadHartDateValue(m_itemHandle, value, m_registerOnShadow, failed);
    ItemAccessReport::Report(failed, "clsAppItem.HartDateValue", m_name);
    return value;
}

int32_t clsAppItem::SetHartDateValue(const QByteArray& value)
{
    if (!CanWrite("clsAppItem.HartDateValue"))
        return applet::kItemUnknown;
    int32_t failed = 0;
    Manager()->fncPutHartDateValue(m_itemHandle, value, failed);
    ItemAccessReport::Report(failed, "clsAppItem.HartDateValue", m_name);
    return failed;
}

QString clsAppItem::EnumValue() const
{
    if (!Bound() || !m_hasEnumeration)
        return QString();
    double value = 0;
    int32_t failed = 0;
    Manager()->fncReadUIntValue(m_itemHandle, value, m_registerOnShadow, failed);
    ItemAccessReport::Raise(failed, "clsAppItem.fncgetAsString", m_name);
    if (value == kNotAvailable) {
        Manager()->fncReadUIntValue(m_itemHandle, value, false, failed);
        ItemAccessReport::Raise(failed, "clsAppItem.fncgetAsString", m_name);
    }
    // The text the user reads: the description's entry in the user's language
    // where the description has it, the dictionary's text otherwise.
    const auto description = Manager()->GetDescription();
    const applet::DescObject* object = description ? description->FindObject(m_name) : nullptr;
    const applet::DescEnumeration* enumeration =
        object && !object->enumeration.isEmpty() ? description->FindEnumeration(object->enumeration) : nullptr;
    if (enumeration)
        for (const applet::DescEnumEntry& entry : enumeration->entries)
            if (entry.value == value)
                return entry.Text(applet::UserNumber::CountryCode(*Manager()));
    for (const applet::TdxEnumEntry& entry : m_enumerationTable)
        if (entry.value == value)
            return entry.text;
    return QString();
}

int32_t clsAppItem::DataType() const
{
    const QString source = QStringLiteral("clsAppItem.DataType");
    std::shared_ptr<applet::TdxFileParser> parser;
    if (Manager())
        Manager()->GetDataDictionary(parser);
    if (!parser)
        throw ItemAccessReport::Failure(source, QStringLiteral("no description for %1").arg(m_name));
    int32_t error = 0;
    int32_t objectHandle = 0;
    parser->fncGetEntryHandle(QStringLiteral("object"), m_name, objectHandle, error);
    QString text;
    int32_t dataType = 0;
    int32_t size = 0;
    QVariant defaultValue;
    QString enumerationName;
    if (error == 0)
        parser->fncGetObjectInfo(objectHandle, text, dataType, size, defaultValue, enumerationName, error);
    if (error != 0)
        throw ItemAccessReport::Failure(source, QStringLiteral("%1 is not described (0x%2)")
                                                    .arg(m_name)
                                                    .arg(static_cast<uint32_t>(error), 8, 16, QLatin1Char('0')));
    return dataType;
}

void clsAppItem::Adjust()
{
    const QString source = QStringLiteral("clsAppItem.Adjust");
    if (!Manager())
        throw ItemAccessReport::Failure(source, QStringLiteral("no item manager for %1").arg(m_name));
    QVariant result;
    Manager()->AdjustItem(m_name, result);
    if (result.toInt() != 0)
        applet::AppletTrace::Error(QStringLiteral("%1: %2 was not adjusted (%3)").arg(source, m_name).arg(result.toInt()));
}
