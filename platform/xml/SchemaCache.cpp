#include "platform/xml/SchemaCache.h"
#include "platform/automation/CheckedFile.h"

#include "platform/automation/ComError.h"
#include "platform/xml/CheckedEntityLoader.h"
#include "platform/xml/XmlDocument.h"
#include "platform/xml/XmlErrorCollector.h"
#include "platform/xml/XmlTree.h"

#include <QFile>
#include <QFileInfo>
#include <libxml/parser.h>
#include <libxml/tree.h>
#include <libxml/xmlschemas.h>
#include <limits>

namespace xml {

using namespace tree;

namespace {

const QString kSource = QStringLiteral("SchemaCache");
constexpr const char kXsdNamespace[] = "http://www.w3.org/2001/XMLSchema";

// A file named in a libxml2 report, as a path when it is a file URL.
QString ReportedFile(const QString& reported, const QString& fallback)
{
    return reported.isEmpty() ? fallback : LoaderPath(reported);
}

[[noreturn]] void RaiseSchemaError(const QString& file, int line, const QString& reason)
{
    QString description = QStringLiteral("Unable to load schema ") + file;
    if (line > 0)
        description += QStringLiteral(", line ") + QString::number(line);
    description += QStringLiteral(": ") + (reason.isEmpty() ? QStringLiteral("unknown error") : reason);
    throw automation::ComError(automation::E_FAIL_, description, kSource);
}

[[noreturn]] void RaiseFromReport(const XmlErrorCollector& errors, const QString& file)
{
    const auto& first = errors.First();
    if (first)
        RaiseSchemaError(ReportedFile(first->file, file), first->line, first->message);
    RaiseSchemaError(file, 0, errors.FirstMessage());
}

} // namespace

SchemaCache::~SchemaCache()
{
    DropCompiled();
}

void SchemaCache::Add(const QString& namespaceUri, const QString& filePath)
{
    InitLibxml();
    // A resource compiled into the program keeps its name.
    const QString path = filePath.startsWith(QLatin1Char(':')) ? filePath : QFileInfo(filePath).absoluteFilePath();
    QByteArray bytes;
    QString error;
    if (!automation::CheckedFile::Read(path, automation::CheckedFile::kMaxBytes, bytes, &error))
        RaiseSchemaError(path, 0, error);
    const QByteArray url = LoaderUrl(path).toUtf8();

    XmlErrorCollector errors;
    xmlDocPtr doc = xmlReadMemory(bytes.constData(), static_cast<int>(bytes.size()), url.constData(),
                                  nullptr, XML_PARSE_NONET | XML_PARSE_NODICT);
    if (doc == nullptr || errors.HasError()) {
        if (doc != nullptr)
            xmlFreeDoc(doc);
        RaiseFromReport(errors, path);
    }
    const xmlNode* root = xmlDocGetRootElement(doc);
    const bool isSchema = root != nullptr && root->ns != nullptr
                       && xmlStrEqual(root->ns->href, BAD_CAST kXsdNamespace)
                       && xmlStrEqual(root->name, BAD_CAST "schema");
    if (!isSchema) {
        const int line = root != nullptr ? static_cast<int>(xmlGetLineNo(root)) : 0;
        xmlFreeDoc(doc);
        RaiseSchemaError(path, line, QStringLiteral("the document is not a W3C XML schema"));
    }
    const QString target = TakeXml(xmlGetProp(root, BAD_CAST "targetNamespace"));
    if (target != namespaceUri) {
        const int line = static_cast<int>(xmlGetLineNo(root));
        xmlFreeDoc(doc);
        RaiseSchemaError(path, line, QStringLiteral("the schema's target namespace is \"") + target
                                         + QStringLiteral("\", not \"") + namespaceUri
                                         + QStringLiteral("\""));
    }

    // Compiling it alone checks the schema and everything it imports.
    xmlSchemaParserCtxtPtr parser = xmlSchemaNewDocParserCtxt(doc);
    xmlSchemaPtr schema = parser != nullptr ? xmlSchemaParse(parser) : nullptr;
    if (parser != nullptr)
        xmlSchemaFreeParserCtxt(parser);
    const bool valid = schema != nullptr && !errors.HasError();
    if (schema != nullptr)
        xmlSchemaFree(schema);
    xmlFreeDoc(doc);
    if (!valid)
        RaiseFromReport(errors, path);

    DropCompiled();
    for (Entry& entry : m_entries) {
        if (entry.namespaceUri == namespaceUri) {
            entry.filePath = path;
            return;
        }
    }
    m_entries.push_back({namespaceUri, path});
}

bool SchemaCache::Contains(const QString& namespaceUri) const
{
    for (const Entry& entry : m_entries)
        if (entry.namespaceUri == namespaceUri)
            return true;
    return false;
}

QStringList SchemaCache::Namespaces() const
{
    QStringList result;
    for (const Entry& entry : m_entries)
        result.append(entry.namespaceUri);
    return result;
}

QString SchemaCache::Location(const QString& namespaceUri) const
{
    for (const Entry& entry : m_entries)
        if (entry.namespaceUri == namespaceUri)
            return entry.filePath;
    return QString();
}

XmlParseError SchemaCache::Validate(const XmlDocument& document) const
{
    XmlParseError error;
    xmlDocPtr doc = document.Raw();
    const xmlNode* root = doc != nullptr ? xmlDocGetRootElement(doc) : nullptr;
    if (root == nullptr)
        return error;
    const QString rootNamespace = root->ns != nullptr ? FromXml(root->ns->href) : QString();
    if (!Contains(rootNamespace))
        return error;
    if (!Compile(error))
        return error;

    XmlErrorCollector errors;
    xmlSchemaValidCtxtPtr validator = xmlSchemaNewValidCtxt(m_compiled);
    if (validator == nullptr) {
        error.errorCode = XML_SCHEMAV_INTERNAL;
        error.reason = QStringLiteral("Unable to create a schema validator");
        return error;
    }
    const int result = xmlSchemaValidateDoc(validator, doc);
    xmlSchemaFreeValidCtxt(validator);
    if (result == 0 && !errors.HasError())
        return error;
    if (const auto& first = errors.First()) {
        error.errorCode = first->code != 0 ? first->code : XML_SCHEMAV_INTERNAL;
        error.reason = first->message;
        error.line = first->line;
        error.linepos = first->column;
    } else {
        error.errorCode = XML_SCHEMAV_INTERNAL;
        error.reason = errors.FirstMessage().isEmpty() ? QStringLiteral("The document does not fit its schema")
                                                       : errors.FirstMessage();
    }
    return error;
}

bool SchemaCache::Compile(XmlParseError& error) const
{
    if (m_compiled != nullptr)
        return true;
    if (m_compileTried) {
        error = m_compileError;
        return false;
    }
    m_compileTried = true;

    // One schema that brings in every cached namespace from its file.
    QString text = QStringLiteral("<xs:schema xmlns:xs=\"") + QLatin1String(kXsdNamespace)
                 + QStringLiteral("\">\n");
    for (const Entry& entry : m_entries) {
        const QString location = LoaderUrl(entry.filePath).toHtmlEscaped();
        if (entry.namespaceUri.isEmpty())
            text += QStringLiteral("  <xs:include schemaLocation=\"") + location + QStringLiteral("\"/>\n");
        else
            text += QStringLiteral("  <xs:import namespace=\"") + entry.namespaceUri.toHtmlEscaped()
                  + QStringLiteral("\" schemaLocation=\"") + location + QStringLiteral("\"/>\n");
    }
    text += QStringLiteral("</xs:schema>\n");
    const QByteArray bytes = text.toUtf8();

    XmlErrorCollector errors;
    xmlSchemaParserCtxtPtr parser = xmlSchemaNewMemParserCtxt(bytes.constData(), static_cast<int>(bytes.size()));
    xmlSchemaPtr schema = parser != nullptr ? xmlSchemaParse(parser) : nullptr;
    if (parser != nullptr)
        xmlSchemaFreeParserCtxt(parser);
    if (schema == nullptr || errors.HasError()) {
        if (schema != nullptr)
            xmlSchemaFree(schema);
        m_compileError = XmlParseError();
        m_compileError.errorCode = errors.First() ? errors.First()->code : XML_SCHEMAP_INTERNAL;
        if (m_compileError.errorCode == 0)
            m_compileError.errorCode = XML_SCHEMAP_INTERNAL;
        m_compileError.reason = QStringLiteral("The cached schemas cannot be compiled together: ")
                              + errors.FirstMessage();
        error = m_compileError;
        return false;
    }
    m_compiled = schema;
    return true;
}

void SchemaCache::DropCompiled() const
{
    if (m_compiled != nullptr)
        xmlSchemaFree(m_compiled);
    m_compiled = nullptr;
    m_compileTried = false;
    m_compileError = XmlParseError();
}

} // namespace xml
