#include "platform/applet/FdtDescription.h"
#include "platform/applet/SchemaFiles.h"
#include "platform/xml/XmlDocument.h"
#include <QFileInfo>
#include <QSet>

namespace applet {

namespace {

QStringList EntryNames(const xml::XmlNode& list)
{
    QStringList names;
    for (const xml::XmlNode& entry : list.ChildElements())
        names.append(entry.Attribute(QStringLiteral("name")));
    return names;
}

// Fixed values keep the variant type the file names.
QVariant FixedValue(int32_t valueType, const QString& text)
{
    switch (valueType) {
    case 2:
    case 3:
    case 16:
        return text.trimmed().toInt();
    case 11:
        return text.trimmed() == QLatin1String("1") || text.trimmed().compare(QLatin1String("true"), Qt::CaseInsensitive) == 0
                   || text.trimmed() == QLatin1String("-1");
    case 17:
    case 18:
    case 19:
        return text.trimmed().toUInt();
    default:
        return text;
    }
}

} // namespace

bool FdtDescription::Read(const QString& path, FdtDescription& description, QString& error)
{
    auto refuse = [&](int line, const QString& reason) {
        error = line > 0 ? QStringLiteral("%1(%2): %3").arg(path).arg(line).arg(reason)
                         : QStringLiteral("%1: %2").arg(path, reason);
        return false;
    };
    if (!QFileInfo(path).isFile())
        return refuse(0, QStringLiteral("file not found"));
    QString schemaError;
    const auto schemas = SchemaFiles::Schemas(&schemaError);
    if (!schemas)
        return refuse(0, schemaError);
    xml::XmlDocument document;
    document.SetSchemas(schemas);
    document.SetValidateOnParse(true);
    if (!document.Load(path))
        return refuse(document.ParseError().line, document.ParseError().reason.trimmed());
    const xml::XmlNode root = document.DocumentElement();
    if (root.NamespaceUri() != SchemaFiles::kFdtNamespace || root.LocalName() != QLatin1String("FdtDescription"))
        return refuse(root.Line(), QStringLiteral("not an FDT file (root %1 in namespace '%2')")
                                       .arg(root.Name(), root.NamespaceUri()));

    FdtDescription d;
    const xml::XmlNode applications = root.FirstChildElement(QStringLiteral("Applications"));
    if (!applications.IsNull())
        for (const xml::XmlNode& node : applications.ChildElements())
            d.applications.append(FdtApplication{node.Attribute(QStringLiteral("text")),
                                                 node.Attribute(QStringLiteral("form")),
                                                 static_cast<int32_t>(node.Attribute(QStringLiteral("flags")).toUInt())});
    QSet<QString> names;
    const xml::XmlNode parameters = root.FirstChildElement(QStringLiteral("Parameters"));
    if (!parameters.IsNull()) {
        for (const xml::XmlNode& node : parameters.ChildElements()) {
            const QString name = node.Attribute(QStringLiteral("name"));
            const QString element = node.LocalName();
            // Items share one collection on the reading side; channels and
            // modules have collections of their own.
            const QString key = (element == QLatin1String("Channel") || element == QLatin1String("Module"))
                                    ? element + QLatin1Char(':') + name.toLower()
                                    : name.toLower();
            if (names.contains(key))
                return refuse(node.Line(), QStringLiteral("%1 '%2' is defined twice").arg(element, name));
            names.insert(key);
            if (element == QLatin1String("AppletItem")) {
                d.appletItems.append({name, FdtAppletItemRecord{node.Attribute(QStringLiteral("object")),
                                                                node.Attribute(QStringLiteral("typeCode")).toInt()}});
            } else if (element == QLatin1String("FixedItem")) {
                FdtFixedItemRecord record;
                record.valueType = node.Attribute(QStringLiteral("valueType")).toInt();
                record.typeCode = node.Attribute(QStringLiteral("typeCode")).toInt();
                record.value = FixedValue(record.valueType, node.Attribute(QStringLiteral("value")));
                record.length = node.HasAttribute(QStringLiteral("length")) ? node.Attribute(QStringLiteral("length")).toInt() : 0;
                d.fixedItems.append({name, record});
            } else if (element == QLatin1String("Channel")) {
                d.channels.append({name, EntryNames(node)});
            } else if (element == QLatin1String("Module")) {
                d.modules.append({name, EntryNames(node)});
            }
        }
    }
    description = std::move(d);
    return true;
}

} // namespace applet
