#include "fennick/services/XMLHelper.h"

#include "fennick/services/Debugging.h"
#include "platform/automation/ComError.h"
#include "platform/xml/FileStamp.h"
#include "platform/xml/SchemaCache.h"

#include <QCoreApplication>
#include <QFileInfo>
#include <QStringList>
#include <new>
#include <vector>

namespace XMLHelper {

namespace {

// The schemas in the order they are added; the application-id schema comes
// twice, the second add replacing the first.
constexpr const char* kSchemaFiles[] = {
    "FDTApplicationIdSchema.xml",
    "DTMInitSchema.xml",
    "DTMInformationSchema.xml",
    "DTMParameterSchema.xml",
    "FDTDataTypesSchema.xml",
    "FDTApplicationIdSchema.xml",
    "FDTProfibusChannelParameterSchema.xml",
    "DTMFunctionsSchema.xml",
    "DTMFunctionCallSchema.xml",
    "FDTOperationPhaseSchema.xml",
    "FDTUserInformationSchema.xml",
    "FDTUserMessageSchema.xml",
    "FDTHARTCommunicationSchema.xml",
};

const QString kNamespacePrefix = QStringLiteral("x-schema:");
const QString kDeclarationData = QStringLiteral("version='1.0' encoding='UTF-8'");
const QString kDebugFolder = QStringLiteral("TESTxml");

// The process-wide schema cache; documents keep the one they were given.
std::shared_ptr<xml::SchemaCache>& Cache()
{
    static std::shared_ptr<xml::SchemaCache> cache;
    return cache;
}

// The schema cache built last, with the folder and the stamps of the files it
// was built from. Every DTM object loads the cache when it starts; building
// and compiling it again each time would cost more than the rest of the
// start, so it is built again only from another folder or changed files.
struct BuiltCache {
    QString directory;
    std::vector<xml::FileStamp> stamps;
    std::shared_ptr<xml::SchemaCache> cache;
};

BuiltCache& LastBuiltCache()
{
    static BuiltCache built;
    return built;
}

// The stamps of the folder's schema files; earlier stamps of the same folder spare reading unchanged files.
std::vector<xml::FileStamp> SchemaStamps(const QString& directory, const std::vector<xml::FileStamp>* earlier)
{
    std::vector<xml::FileStamp> stamps;
    for (const char* file : kSchemaFiles) {
        const size_t index = stamps.size();
        const xml::FileStamp* before = earlier && index < earlier->size() ? &(*earlier)[index] : nullptr;
        stamps.push_back(xml::FileStamp::Of(directory + QString::fromLatin1(file), before));
    }
    return stamps;
}

QString WithTrailingSeparator(const QString& directory)
{
    return directory.endsWith(QLatin1Char('/')) ? directory : directory + QLatin1Char('/');
}

// Trims blanks only, as the identity texts it is used for carry them.
QString TrimBlanks(const QString& text)
{
    qsizetype start = 0;
    qsizetype end = text.size();
    while (start < end && text[start] == QLatin1Char(' '))
        ++start;
    while (end > start && text[end - 1] == QLatin1Char(' '))
        --end;
    return text.mid(start, end - start);
}

} // namespace

void CreateXmlParser(DocumentPtr& document)
{
    document.reset();
    try {
        auto created = std::make_shared<xml::XmlDocument>();
        created->SetValidateOnParse(true);
        document = std::move(created);
    } catch (const automation::ComError& error) {
        Debugging::TraceRuntimeError(error);
        Debugging::TraceError(QStringLiteral("Unable to load XML Parser!"));
    } catch (const std::bad_alloc&) {
        Debugging::TraceRuntimeError(7, QStringLiteral("Out of memory"), QStringLiteral("XMLHelper"));
        Debugging::TraceError(QStringLiteral("Unable to load XML Parser!"));
    }
}

void AppendProcessingInstruction(xml::XmlDocument& document)
{
    document.AppendProcessingInstruction(QStringLiteral("xml"), kDeclarationData);
}

void AppendFdtRoot(DocumentPtr& document, xml::XmlNode& root)
{
    root = xml::XmlNode();
    CreateXmlParser(document);
    if (!document)
        return;
    AppendProcessingInstruction(*document);
    document->SetSchemas(Cache());
    root = document->AppendChild(document->CreateElement(QStringLiteral("FDT")));
}

void SetNamespace(xml::XmlNode element, const QString& prefix, const QString& namespaceText)
{
    element.SetAttribute(prefix.isEmpty() ? QStringLiteral("xmlns") : QStringLiteral("xmlns:") + prefix,
                         namespaceText);
}

bool LoadXmlString(const QString& xmlText, DocumentPtr& document)
{
    CreateXmlParser(document);
    if (!document)
        return false;
    document->SetSchemas(Cache());
    if (document->LoadXml(xmlText))
        return true;
    Debugging::TraceXmlParseError(QString(), document->ParseError());
    return false;
}

xml::XmlNode SelectFdtNode(const xml::XmlDocument& document, const QString& path)
{
    if (path.startsWith(QLatin1String("//FDT/")))
        if (const xml::XmlNode anchored = document.SelectSingleNode(path.mid(1)))
            return anchored;
    return document.SelectSingleNode(path);
}

QString GetAttribute(const xml::XmlNode& element, const QString& attributeName)
{
    if (element.IsElement() && element.HasAttribute(attributeName))
        return element.Attribute(attributeName);
    Debugging::TraceError(QStringLiteral("Missing XML Attribute :") + attributeName);
    return QString();
}

bool CopyAttribute(const xml::XmlNode& source, const xml::XmlDocument& target, const QString& xpath,
                   const QString& attributeName)
{
    const xml::XmlNode from = source.SelectSingleNode(xpath);
    xml::XmlNode to = target.SelectSingleNode(xpath);
    if (from && to) {
        to.SetAttribute(attributeName, GetAttribute(from, attributeName));
        return true;
    }
    Debugging::TraceInfo(QStringLiteral("Unable to copy attribute:") + attributeName);
    if (!from)
        Debugging::TraceInfo(QStringLiteral("Missing Source ") + xpath);
    if (!to)
        Debugging::TraceInfo(QStringLiteral("Missing Target ") + xpath);
    return false;
}

QString BoolToXml(bool value)
{
    return value ? QStringLiteral("1") : QStringLiteral("0");
}

bool XmlToBool(const QString& text)
{
    if (text == QLatin1String("1"))
        return true;
    if (text != QLatin1String("0"))
        Debugging::TraceError(QStringLiteral("XML Boolean needs to be '1'/'0' "));
    return false;
}

void CreateStatusElement(bool visible, bool enabled, bool checked, xml::XmlDocument& document,
                         xml::XmlNode& element)
{
    element = document.CreateElement(QStringLiteral("Status"));
    element.SetAttribute(QStringLiteral("checked"), BoolToXml(checked));
    element.SetAttribute(QStringLiteral("enabled"), BoolToXml(enabled));
    element.SetAttribute(QStringLiteral("hidden"), BoolToXml(!visible));
    element.SetAttribute(QStringLiteral("separator"), QStringLiteral("0"));
    element.SetAttribute(QStringLiteral("toggle"), QStringLiteral("0"));
}

QString CreateFunctionsDocument()
{
    DocumentPtr document;
    xml::XmlNode root;
    AppendFdtRoot(document, root);
    if (!document)
        return QString();
    SetNamespace(root, QString(), QStringLiteral("x-schema:DTMFunctionsSchema.xml"));
    SetNamespace(root, QStringLiteral("fdt"), QStringLiteral("x-schema:FDTDataTypesSchema.xml"));
    SetNamespace(root, QStringLiteral("appId"), QStringLiteral("x-schema:FDTApplicationIdSchema.xml"));
    xml::XmlNode functions = document->CreateElement(QStringLiteral("Functions"));
    functions.SetAttribute(QStringLiteral("label"), QStringLiteral("-"));
    functions.SetAttribute(QStringLiteral("fdt:name"), QStringLiteral("-"));
    functions.SetAttribute(QStringLiteral("help"), QStringLiteral("-"));
    root.AppendChild(functions);
    return document->Xml();
}

QString ModulePath()
{
    return QStringList{QStringLiteral("FDT"), QStringLiteral("DtmDevice"), QStringLiteral("InternalTopology"),
                       QStringLiteral("InternalChannel"), QStringLiteral("Module")}
        .join(QLatin1Char('/'));
}

QString QuoteText(const QString& text)
{
    const QString trimmed = TrimBlanks(text);
    if (!trimmed.contains(QLatin1Char('"')))
        return QLatin1Char('"') + trimmed + QLatin1Char('"');
    // A double quote inside cannot stand in a double-quoted XPath literal.
    if (!trimmed.contains(QLatin1Char('\'')))
        return QLatin1Char('\'') + trimmed + QLatin1Char('\'');
    QStringList parts;
    const QStringList pieces = trimmed.split(QLatin1Char('"'));
    for (qsizetype i = 0; i < pieces.size(); ++i) {
        if (i > 0)
            parts.append(QStringLiteral("'\"'"));
        if (!pieces[i].isEmpty())
            parts.append(QLatin1Char('"') + pieces[i] + QLatin1Char('"'));
    }
    return QStringLiteral("concat(") + parts.join(QLatin1Char(',')) + QLatin1Char(')');
}

void SetReadOnlyAccess(xml::XmlNode element)
{
    if (!element.IsElement())
        return;
    element.SetAttribute(QStringLiteral("fdt:readAccess"), QStringLiteral("1"));
    element.SetAttribute(QStringLiteral("fdt:writeAccess"), QStringLiteral("0"));
}

void LoadSchemaCache(const QString& schemaDirectory)
{
    Cache().reset();
    const QString directory = WithTrailingSeparator(schemaDirectory);
    BuiltCache& built = LastBuiltCache();
    const std::vector<xml::FileStamp> stamps = SchemaStamps(directory, built.directory == directory ? &built.stamps : nullptr);
    if (built.cache && built.directory == directory && built.stamps == stamps) {
        Cache() = built.cache;
        return;
    }
    auto cache = std::make_shared<xml::SchemaCache>();
    for (const char* file : kSchemaFiles) {
        const QString name = QString::fromLatin1(file);
        cache->Add(kNamespacePrefix + name, directory + name);
    }
    built = BuiltCache{directory, stamps, cache};
    Cache() = std::move(cache);
}

void ReleaseSchemaCache()
{
    Cache().reset();
}

std::shared_ptr<const xml::SchemaCache> SchemaCache()
{
    return Cache();
}

void SaveDebugXml(const xml::XmlDocument* document, const QString& name)
{
    const QString folder = QCoreApplication::applicationDirPath() + QLatin1Char('/') + kDebugFolder;
    if (!QFileInfo(folder).isDir()) {
        Debugging::TraceInfo(QStringLiteral("Missing Directory: ") + folder);
        return;
    }
    // The name may carry a channel path; keep the copy inside the folder.
    QString fileName = name;
    fileName.replace(QLatin1Char('/'), QLatin1Char('_')).replace(QLatin1Char('\\'), QLatin1Char('_'));
    const QString path = folder + QStringLiteral("/DTM_") + fileName + QStringLiteral(".XML");
    QString error;
    if (document == nullptr)
        error = QStringLiteral("Unable to save ") + path + QStringLiteral(": no document");
    else
        document->Save(path, &error);
    if (!error.isEmpty())
        Debugging::TraceInfo(error);
}

void SaveDebugXml(const xml::XmlDocument& document, const QString& name)
{
    SaveDebugXml(&document, name);
}

void SaveDebugXml(const DocumentPtr& document, const QString& name)
{
    SaveDebugXml(document.get(), name);
}

} // namespace XMLHelper
