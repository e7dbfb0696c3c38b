#include "sim/DeviceParameters.h"

#include "platform/applet/ItemValue.h"
#include "platform/applet/TdxDescriptionReader.h"
#include "platform/applet/TdxFileParser.h"
#include "platform/comm/hart/HartStatus.h"
#include <QCoreApplication>
#include <QFileInfo>
#include <QJsonDocument>
#include <QJsonObject>
#include <cmath>

namespace sim {

namespace {

namespace RC = comm::ResponseCode;
using applet::DescObject;
using applet::Encoding;
using applet::FieldLayout;
using applet::ItemType;
namespace ItemValue = applet::ItemValue;
namespace ValueEncoding = applet::ValueEncoding;

// Device-dependent commands start here; the lower ones are the standard commands.
constexpr int kFirstDeviceDependent = 128;
// Marks the memory text as this device's.
constexpr auto kMemoryFormat = "trivex-sim memory 1";

bool isNumber(ItemType type)
{
    return type == ItemType::Float || type == ItemType::Int || type == ItemType::Unsigned
        || type == ItemType::Enumerated;
}

} // namespace

QString defaultDescriptionPath()
{
    const QString staged = QCoreApplication::applicationDirPath()
                         + QStringLiteral("/../../TDXDESC/COM_HART/_0063/_0_0089/Trivex.tdx");
    if (QFileInfo::exists(staged))
        return QFileInfo(staged).canonicalFilePath();
    return QStringLiteral(TRIVEX_SIM_DESCRIPTION);
}

bool DeviceParameters::load(const QString& path, QString& error, const std::function<bool(int)>& ownHandler)
{
    applet::Description description;
    if (!applet::TdxDescriptionReader::Read(path, applet::kTdxKindDevice, description, error))
        return false;
    std::map<int, DescribedCommand> commands;
    for (const applet::DescRecord& record : description.records) {
        if (record.command < kFirstDeviceDependent || commands.count(record.command)
            || (ownHandler && ownHandler(record.command)))
            continue;
        DescribedCommand c;
        c.number = record.command;
        c.record = record.name;
        c.request = record.request;
        c.response = record.response;
        c.requestLength = record.requestLength;
        c.responseLength = record.responseLength;
        for (const FieldLayout& f : record.request)
            c.writes = c.writes || !f.item.isEmpty();
        commands[c.number] = c;
    }
    m_description = std::move(description);
    m_description.Index();
    m_commands = std::move(commands);
    resetToDefaults();
    return true;
}

const DescribedCommand* DeviceParameters::command(int number) const
{
    const auto it = m_commands.find(number);
    return it == m_commands.end() ? nullptr : &it->second;
}

QVariant DeviceParameters::defaultOf(const DescObject& object) const
{
    QVariant value = ItemValue::Default(object.type, object.size);
    if (!object.defaultText.isEmpty())
        ItemValue::FromText(object.type, object.size, object.defaultText, value);
    return value;
}

void DeviceParameters::resetToDefaults()
{
    m_values.clear();
    for (const auto& [number, command] : m_commands)
        for (const auto* layout : {&command.request, &command.response})
            for (const FieldLayout& f : *layout)
                if (const DescObject* object = f.item.isEmpty() ? nullptr : m_description.FindObject(f.item))
                    m_values.insert(applet::Description::Key(object->name), defaultOf(*object));
}

QStringList DeviceParameters::names() const
{
    QStringList names;
    for (const DescObject& object : m_description.objects)
        if (m_values.contains(applet::Description::Key(object.name)))
            names << object.name;
    return names;
}

QVariant DeviceParameters::value(const QString& name) const
{
    return m_values.value(applet::Description::Key(name));
}

uint8_t DeviceParameters::check(const DescObject& object, const QVariant& value) const
{
    if (!isNumber(object.type))
        return RC::Success;
    const double number = ItemValue::ToNumber(object.type, value);
    if (!std::isfinite(number))
        return RC::InvalidSelection;
    if (object.type == ItemType::Enumerated && !object.enumeration.isEmpty()) {
        const applet::DescEnumeration* e = m_description.FindEnumeration(object.enumeration);
        bool listed = false;
        for (const applet::DescEnumEntry& entry : e->entries)
            listed = listed || entry.value == number;
        if (!listed)
            return RC::InvalidSelection;
    }
    if (object.InRange(number))
        return RC::Success;
    return object.minimum && number < *object.minimum ? RC::ParameterTooSmall : RC::ParameterTooLarge;
}

uint8_t DeviceParameters::set(const QString& name, const QVariant& value)
{
    const DescObject* object = m_description.FindObject(name);
    if (!object || !m_values.contains(applet::Description::Key(name)))
        return RC::InvalidSelection;
    if (const uint8_t bad = check(*object, value))
        return bad;
    m_values[applet::Description::Key(name)] = value;
    return RC::Success;
}

uint8_t DeviceParameters::write(const DescribedCommand& command, const QByteArray& request)
{
    if (request.size() < command.requestLength)
        return RC::TooFewDataBytes;
    QList<std::pair<QString, QVariant>> taken;
    for (const FieldLayout& f : command.request) {
        if (f.item.isEmpty())
            continue;
        const DescObject* object = m_description.FindObject(f.item);
        QVariant value;
        if (!ValueEncoding::Decode(f, object->type, object->size, request, value))
            return RC::InvalidSelection;
        if (const uint8_t bad = check(*object, value))
            return bad;
        taken.append({applet::Description::Key(object->name), value});
    }
    for (const auto& [key, value] : taken)
        m_values[key] = value;
    return RC::Success;
}

QByteArray DeviceParameters::read(const DescribedCommand& command, const LiveValue& live) const
{
    QByteArray data(command.responseLength, '\0');
    for (const FieldLayout& f : command.response) {
        if (f.item.isEmpty()) {
            ValueEncoding::EncodeFixed(f, data);
            continue;
        }
        const DescObject* object = m_description.FindObject(f.item);
        const std::optional<QVariant> measured = live ? live(object->name) : std::nullopt;
        ValueEncoding::Encode(f, object->type, measured ? *measured : value(object->name), data);
    }
    return data;
}

QByteArray DeviceParameters::save(const QJsonObject& device) const
{
    QJsonObject values;
    for (const DescObject& object : m_description.objects) {
        const QString key = applet::Description::Key(object.name);
        if (m_values.contains(key))
            values.insert(object.name, ItemValue::ToText(object.type, m_values.value(key)));
    }
    QJsonObject root;
    root.insert(QStringLiteral("format"), QLatin1String(kMemoryFormat));
    root.insert(QStringLiteral("parameters"), values);
    root.insert(QStringLiteral("device"), device);
    return QJsonDocument(root).toJson();
}

bool DeviceParameters::restore(const QByteArray& text, QString& error, QJsonObject* device)
{
    QJsonParseError parseError;
    const QJsonDocument document = QJsonDocument::fromJson(text, &parseError);
    if (document.isNull()) {
        error = QStringLiteral("not a memory file: %1 at offset %2").arg(parseError.errorString()).arg(parseError.offset);
        return false;
    }
    const QJsonObject root = document.object();
    if (root.value(QStringLiteral("format")).toString() != QLatin1String(kMemoryFormat)) {
        error = QStringLiteral("not a memory file of this device (format \"%1\")")
                    .arg(root.value(QStringLiteral("format")).toString());
        return false;
    }
    QHash<QString, QVariant> values = m_values;
    const QJsonObject parameters = root.value(QStringLiteral("parameters")).toObject();
    for (auto it = parameters.begin(); it != parameters.end(); ++it) {
        const DescObject* object = m_description.FindObject(it.key());
        if (!object || !values.contains(applet::Description::Key(it.key()))) {
            error = QStringLiteral("unknown parameter \"%1\"").arg(it.key());
            return false;
        }
        QVariant value;
        QString why;
        if (!ItemValue::FromText(object->type, object->size, it.value().toString(), value, &why)
            || check(*object, value) != RC::Success) {
            error = QStringLiteral("parameter \"%1\": value \"%2\" refused %3")
                        .arg(it.key(), it.value().toString(), why);
            return false;
        }
        values[applet::Description::Key(it.key())] = value;
    }
    m_values = std::move(values);
    if (device)
        *device = root.value(QStringLiteral("device")).toObject();
    return true;
}

} // namespace sim
