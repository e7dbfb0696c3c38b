#include "platform/applet/DatasetFile.h"
#include "platform/automation/CheckedFile.h"
#include "platform/applet/AppletItem.h"
#include "platform/applet/Description.h"
#include "platform/applet/SchemaFiles.h"
#include "platform/applet/ValueAdmission.h"
#include "platform/applet/clsAppletItemManager.h"
#include "platform/xml/SchemaCache.h"
#include "platform/xml/XmlDocument.h"
#include <QFile>
#include <QFileInfo>
#include <QSet>
#include <libxml/tree.h>

namespace applet::DatasetFile {

namespace {

const QString kRoot = QStringLiteral("TrivexDataset");
const QString kVersion = QStringLiteral("1");

QString Header(const Description& description, const char* key)
{
    const QString* value = description.HeaderValue(QLatin1String(key));
    return value ? *value : QString();
}

// Vendor and device numbers as the description or a file writes them:
// "0x63", "0X63" and "99" name the same number; a description without one
// matches only a file without one.
bool SameIdentifier(const QString& a, const QString& b)
{
    bool numberA = false, numberB = false;
    const quint64 valueA = a.trimmed().toULongLong(&numberA, 0);
    const quint64 valueB = b.trimmed().toULongLong(&numberB, 0);
    if (numberA || numberB)
        return numberA && numberB && valueA == valueB;
    return a.trimmed().isEmpty() && b.trimmed().isEmpty();
}

// The characters an XML 1.0 document can carry; a text with any other
// cannot be written so that it reads back the same.
int FirstUnwritable(const QString& text)
{
    for (int i = 0; i < text.size(); ++i) {
        const char32_t c = text[i].unicode();
        if (QChar::isHighSurrogate(c) && i + 1 < text.size() && text[i + 1].isLowSurrogate()) {
            ++i;
            continue;
        }
        const bool allowed = c == 0x9 || c == 0xA || c == 0xD || (c >= 0x20 && c <= 0xD7FF)
                          || (c >= 0xE000 && c <= 0xFFFD);
        if (!allowed)
            return i;
    }
    return -1;
}

QString AtLine(int line, const QString& reason)
{
    return line > 0 ? QStringLiteral("line %1: %2").arg(line).arg(reason.trimmed()) : reason.trimmed();
}

} // namespace

Contents HeaderOf(const Description& description)
{
    Contents contents;
    contents.deviceType.interfaceName = Header(description, "InterfaceParent");
    contents.deviceType.vendorId = Header(description, "VendorId");
    contents.deviceType.deviceId = Header(description, "DeviceId");
    contents.deviceType.name = Header(description, "DevDescLong");
    contents.softwareRevision = Header(description, "SWRelease");
    contents.hardwareRevision = Header(description, "HWRelease");
    return contents;
}

bool SameDeviceType(const DeviceType& a, const DeviceType& b)
{
    return a.interfaceName.trimmed().compare(b.interfaceName.trimmed(), Qt::CaseInsensitive) == 0
           && SameIdentifier(a.vendorId, b.vendorId) && SameIdentifier(a.deviceId, b.deviceId);
}

QString Describe(const DeviceType& type)
{
    QString text = QStringLiteral("%1 %2/%3").arg(type.interfaceName, type.vendorId, type.deviceId);
    if (!type.name.isEmpty())
        text += QStringLiteral(" (%1)").arg(type.name);
    return text;
}

bool Collect(const Description& description, const clsAppletItemManager& manager, Contents& contents,
             QString& error)
{
    Contents collected = HeaderOf(description);
    for (int32_t handle = 1; handle <= manager.ItemCount(); ++handle) {
        const AppletItem* item = manager.Item(handle);
        if (!item->IsPersistent())
            continue;
        Value value{item->Name(), item->Type(), ItemValue::ToText(item->Type(), item->Value(), item->Style())};
        const int bad = FirstUnwritable(value.text);
        if (bad >= 0) {
            error = QStringLiteral("the value of %1 holds the character U+%2, which a dataset file cannot hold")
                        .arg(item->Name())
                        .arg(static_cast<uint>(value.text[bad].unicode()), 4, 16, QLatin1Char('0'));
            return false;
        }
        collected.values.append(value);
    }
    contents = std::move(collected);
    return true;
}

bool Write(const QString& path, const Contents& contents, QString& error)
{
    xml::XmlDocument document;
    document.AppendProcessingInstruction(QStringLiteral("xml"), QStringLiteral("version=\"1.0\" encoding=\"UTF-8\""));
    xml::XmlNode root = document.AppendChild(document.CreateElement(kRoot));
    root.SetAttribute(QStringLiteral("xmlns"), SchemaFiles::kDatasetNamespace);
    root.SetAttribute(QStringLiteral("version"), kVersion);
    const auto line = [&] { root.AppendChild(document.CreateTextNode(QStringLiteral("\n  "))); };
    line();
    xml::XmlNode type = root.AppendChild(document.CreateElement(QStringLiteral("DeviceType")));
    type.SetAttribute(QStringLiteral("interface"), contents.deviceType.interfaceName);
    type.SetAttribute(QStringLiteral("vendorId"), contents.deviceType.vendorId);
    type.SetAttribute(QStringLiteral("deviceId"), contents.deviceType.deviceId);
    type.SetAttribute(QStringLiteral("name"), contents.deviceType.name);
    line();
    xml::XmlNode revision = root.AppendChild(document.CreateElement(QStringLiteral("Description")));
    revision.SetAttribute(QStringLiteral("softwareRevision"), contents.softwareRevision);
    revision.SetAttribute(QStringLiteral("hardwareRevision"), contents.hardwareRevision);
    for (const Value& value : contents.values) {
        line();
        xml::XmlNode element = root.AppendChild(document.CreateElement(QStringLiteral("Value")));
        element.SetAttribute(QStringLiteral("name"), value.name);
        element.SetAttribute(QStringLiteral("type"), ItemValue::TypeName(value.type));
        element.SetText(value.text);
    }
    root.AppendChild(document.CreateTextNode(QStringLiteral("\n")));
    const QByteArray bytes = document.Xml().toUtf8();
    if (bytes.size() > kMaxFileSize) {
        error = QStringLiteral("the dataset takes %1 bytes, more than the %2 a dataset file may take")
                    .arg(bytes.size())
                    .arg(kMaxFileSize);
        return false;
    }
    QString why;
    if (!document.Save(path, &why)) {
        error = why;
        return false;
    }
    return true;
}

bool Read(const QString& path, Contents& contents, QString& error)
{
    QByteArray bytes;
    if (!automation::CheckedFile::Read(path, kMaxFileSize, bytes, &error))
        return false;
    QString schemaError;
    const auto schemas = SchemaFiles::Schemas(&schemaError);
    if (!schemas) {
        error = QStringLiteral("the dataset schema is not available: %1").arg(schemaError);
        return false;
    }
    xml::XmlDocument document;
    document.SetPreserveWhiteSpace(true);
    document.SetValidateOnParse(false);
    if (!document.LoadUtf8(bytes)) {
        error = QStringLiteral("not a well-formed XML document: ")
                + AtLine(document.ParseError().line, document.ParseError().reason);
        return false;
    }
    // Entities could bring in other files or blow a small file up.
    if (document.Raw()->intSubset != nullptr || document.Raw()->extSubset != nullptr) {
        error = QStringLiteral("the file declares a document type, which a dataset file has not");
        return false;
    }
    const xml::XmlNode root = document.DocumentElement();
    if (root.LocalName() != kRoot || root.NamespaceUri() != SchemaFiles::kDatasetNamespace) {
        error = AtLine(root.Line(), QStringLiteral("not a dataset file: the root is %1 in the namespace '%2'")
                                        .arg(root.Name(), root.NamespaceUri()));
        return false;
    }
    document.SetSchemas(schemas);
    const xml::XmlParseError invalid = document.Validate();
    if (invalid.IsError()) {
        error = QStringLiteral("the file does not fit the dataset schema: ") + AtLine(invalid.line, invalid.reason);
        return false;
    }
    Contents read;
    QSet<QString> names;
    for (const xml::XmlNode& element : root.ChildElements()) {
        const QString kind = element.LocalName();
        if (kind == QLatin1String("DeviceType")) {
            read.deviceType.interfaceName = element.Attribute(QStringLiteral("interface"));
            read.deviceType.vendorId = element.Attribute(QStringLiteral("vendorId"));
            read.deviceType.deviceId = element.Attribute(QStringLiteral("deviceId"));
            read.deviceType.name = element.Attribute(QStringLiteral("name"));
        } else if (kind == QLatin1String("Description")) {
            read.softwareRevision = element.Attribute(QStringLiteral("softwareRevision"));
            read.hardwareRevision = element.Attribute(QStringLiteral("hardwareRevision"));
        } else {
            Value value;
            value.name = element.Attribute(QStringLiteral("name"));
            ItemValue::TypeFromName(element.Attribute(QStringLiteral("type")), value.type);
            value.text = element.Text();
            // Item names are told apart without regard to case.
            if (names.contains(value.name.toLower())) {
                error = AtLine(element.Line(), QStringLiteral("the value of %1 is given twice").arg(value.name));
                return false;
            }
            names.insert(value.name.toLower());
            read.values.append(value);
        }
    }
    contents = std::move(read);
    return true;
}

bool Check(const Contents& contents, const Description& description, const clsAppletItemManager& manager,
           QList<Accepted>& accepted, QStringList& skipped, QString& error)
{
    const DeviceType own = HeaderOf(description).deviceType;
    if (!SameDeviceType(contents.deviceType, own)) {
        error = QStringLiteral("the file holds a dataset of the device type %1, not of %2")
                    .arg(Describe(contents.deviceType), Describe(own));
        return false;
    }
    QList<Accepted> taken;
    QStringList left;
    for (const Value& value : contents.values) {
        const AppletItem* item = manager.Item(manager.HandleOf(value.name));
        if (!item || !item->IsPersistent()) {
            left.append(value.name);
            continue;
        }
        if (value.type != item->Type()) {
            error = QStringLiteral("%1 is stored as %2, but the item is %3")
                        .arg(value.name, ItemValue::TypeName(value.type), ItemValue::TypeName(item->Type()));
            return false;
        }
        QVariant stored;
        QString why;
        if (!ValueAdmission::FromText(&description, *item, value.text, stored, why)) {
            error = ValueAdmission::Refusal(value.name, value.text, why);
            return false;
        }
        taken.append({item->Handle(), stored});
    }
    accepted = std::move(taken);
    skipped = std::move(left);
    return true;
}

} // namespace applet::DatasetFile
