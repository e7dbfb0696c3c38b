#include "platform/xml/XmlDocument.h"
#include "platform/automation/CheckedFile.h"

#include "platform/automation/AtomicFile.h"
#include "platform/automation/ComError.h"
#include "platform/xml/CheckedEntityLoader.h"
#include "platform/xml/SchemaCache.h"
#include "platform/xml/XmlErrorCollector.h"
#include "platform/xml/XmlTree.h"

#include <QFile>
#include <QFileInfo>
#include <QStringList>
#include <libxml/parser.h>
#include <libxml/tree.h>
#include <limits>

namespace xml {

using namespace tree;

namespace {


bool IsNcName(const QString& name)
{
    const QByteArray bytes = Utf8(name);
    return !name.isEmpty() && xmlValidateNCName(X(bytes), 0) == 0;
}

// Whether the text begins with an XML declaration.
bool HasDeclaration(const QByteArray& bytes)
{
    qsizetype at = bytes.startsWith("\xEF\xBB\xBF") ? 3 : 0;
    if (bytes.mid(at, 5) != "<?xml")
        return false;
    const char next = bytes.size() > at + 5 ? bytes[at + 5] : '\0';
    return next == ' ' || next == '\t' || next == '\r' || next == '\n';
}

} // namespace

// Fills the source line and the character offset of an error from the text.
static void LocateInSource(XmlParseError& error, const QString& sourceText)
{
    if (error.line <= 0 || sourceText.isEmpty())
        return;
    const QStringList lines = sourceText.split(QLatin1Char('\n'));
    if (error.line > lines.size())
        return;
    qsizetype offset = 0;
    for (int i = 0; i < error.line - 1; ++i)
        offset += lines[i].size() + 1;
    QString line = lines[error.line - 1];
    if (line.endsWith(QLatin1Char('\r')))
        line.chop(1);
    error.srcText = line;
    offset += error.linepos > 0 ? error.linepos - 1 : 0;
    error.filepos = static_cast<int32_t>(std::min<qsizetype>(offset, std::numeric_limits<int32_t>::max()));
}

XmlDocument::XmlDocument() : m_state(std::make_unique<DocumentState>())
{
    m_state->owner = this;
    InitLibxml();
    xmlDocPtr doc = xmlNewDoc(BAD_CAST "1.0");
    if (doc == nullptr)
        Fail(QStringLiteral("Unable to create an XML document"));
    Reset(doc);
}

XmlDocument::~XmlDocument()
{
    Reset(nullptr);
}

void XmlDocument::Reset(xmlDocPtr doc)
{
    FreeDetached(*m_state);
    if (m_doc != nullptr)
        xmlFreeDoc(m_doc);
    for (xmlNsPtr ns : m_state->retired)
        xmlFreeNs(ns);
    m_state->retired.clear();
    m_doc = doc;
    m_declaration.clear();
    if (m_doc != nullptr)
        m_doc->_private = m_state.get();
}

void XmlDocument::Clear()
{
    xmlDocPtr doc = xmlNewDoc(BAD_CAST "1.0");
    if (doc == nullptr)
        Fail(QStringLiteral("Unable to create an XML document"));
    Reset(doc);
}

void XmlDocument::FreeDetachedNodes()
{
    FreeDetached(*m_state);
}

bool XmlDocument::LoadXml(const QString& text)
{
    return Parse(text.toUtf8(), QString(), "UTF-8", text);
}

bool XmlDocument::LoadUtf8(const QByteArray& bytes)
{
    return Parse(bytes, QString(), "UTF-8", QString::fromUtf8(bytes));
}

bool XmlDocument::Load(const QString& filePath)
{
    QByteArray bytes;
    QString error;
    if (!automation::CheckedFile::Read(filePath, automation::CheckedFile::kMaxBytes, bytes, &error)) {
        Clear();
        m_parseError = XmlParseError();
        m_parseError.errorCode = XML_IO_LOAD_ERROR;
        m_parseError.reason = QStringLiteral("Unable to open the file ") + error;
        return false;
    }
    return Parse(bytes, LoaderUrl(filePath), nullptr, QString::fromUtf8(bytes));
}

bool XmlDocument::Parse(const QByteArray& bytes, const QString& url, const char* encoding,
                        const QString& sourceText)
{
    m_parseError = XmlParseError();
    if (bytes.size() > std::numeric_limits<int>::max()) {
        Clear();
        m_parseError.errorCode = XML_ERR_INTERNAL_ERROR;
        m_parseError.reason = QStringLiteral("The document is too large");
        return false;
    }
    xmlDocPtr doc = nullptr;
    bool ok = false;
    XmlErrorCollector errors;
    {
        xmlParserCtxtPtr context = xmlNewParserCtxt();
        if (context != nullptr) {
            const int options = XML_PARSE_NONET | XML_PARSE_NODICT
                              | (m_preserveWhiteSpace ? 0 : XML_PARSE_NOBLANKS);
            const QByteArray urlBytes = url.toUtf8();
            doc = xmlCtxtReadMemory(context, bytes.constData(), static_cast<int>(bytes.size()),
                                    url.isEmpty() ? nullptr : urlBytes.constData(), encoding, options);
            ok = doc != nullptr && context->wellFormed != 0 && context->nsWellFormed != 0
              && !errors.HasError();
            xmlFreeParserCtxt(context);
        }
    }
    if (!ok) {
        if (doc != nullptr)
            xmlFreeDoc(doc);
        Clear();
        if (const auto& first = errors.First()) {
            m_parseError.errorCode = first->code != 0 ? first->code : XML_ERR_INTERNAL_ERROR;
            m_parseError.reason = first->message;
            m_parseError.line = first->line;
            m_parseError.linepos = first->column;
        } else {
            m_parseError.errorCode = XML_ERR_INTERNAL_ERROR;
            m_parseError.reason = errors.FirstMessage().isEmpty()
                                    ? QStringLiteral("The text could not be parsed")
                                    : errors.FirstMessage();
        }
        LocateInSource(m_parseError, sourceText);
        return false;
    }
    Reset(doc);
    if (HasDeclaration(bytes)) {
        m_declaration = QStringLiteral("version=\"") + FromXml(doc->version) + QLatin1Char('"');
        if (doc->encoding != nullptr)
            m_declaration += QStringLiteral(" encoding=\"UTF-8\"");
        if (doc->standalone == 1)
            m_declaration += QStringLiteral(" standalone=\"yes\"");
    }
    if (m_validateOnParse && m_schemas) {
        XmlParseError invalid = m_schemas->Validate(*this);
        if (invalid.IsError()) {
            Clear();
            LocateInSource(invalid, sourceText);
            m_parseError = invalid;
            return false;
        }
    }
    return true;
}

XmlParseError XmlDocument::Validate() const
{
    if (!m_schemas)
        return XmlParseError();
    return m_schemas->Validate(*this);
}

QString XmlDocument::Xml() const
{
    QString text;
    if (!m_declaration.isEmpty())
        text = QStringLiteral("<?xml ") + m_declaration + QStringLiteral("?>\n");
    for (xmlNodePtr child = m_doc->children; child != nullptr; child = child->next)
        text += Serialize(child) + QLatin1Char('\n');
    return text;
}

bool XmlDocument::Save(const QString& filePath, QString* errorText) const
{
    QString error;
    const bool saved = automation::AtomicFile::Write(filePath, Xml().toUtf8(), &error);
    if (errorText != nullptr)
        *errorText = error;
    return saved;
}

XmlNode XmlDocument::AsNode() const
{
    return XmlNode(reinterpret_cast<xmlNodePtr>(m_doc));
}

XmlNode XmlDocument::DocumentElement() const
{
    return XmlNode(xmlDocGetRootElement(m_doc));
}

XmlNode XmlDocument::AppendChild(const XmlNode& child)
{
    return AsNode().AppendChild(child);
}

void XmlDocument::AppendProcessingInstruction(const QString& target, const QString& data)
{
    if (target.compare(QLatin1String("xml"), Qt::CaseInsensitive) == 0) {
        m_declaration = data.trimmed();
        return;
    }
    AppendChild(CreateProcessingInstruction(target, data));
}

XmlNode XmlDocument::CreateElement(const QString& qualifiedName)
{
    if (!IsValidQualifiedName(qualifiedName))
        Fail(QStringLiteral("Invalid element name: ") + qualifiedName, automation::E_INVALIDARG_);
    const QByteArray name = Utf8(qualifiedName);
    xmlNodePtr node = xmlNewDocNode(m_doc, nullptr, X(name), nullptr);
    if (node == nullptr)
        Fail(QStringLiteral("Unable to create the element ") + qualifiedName);
    Adopt(node);
    return XmlNode(node);
}

XmlNode XmlDocument::CreateTextNode(const QString& text)
{
    const QByteArray bytes = Utf8(text);
    xmlNodePtr node = xmlNewDocText(m_doc, X(bytes));
    if (node == nullptr)
        Fail(QStringLiteral("Unable to create a text node"));
    Adopt(node);
    return XmlNode(node);
}

XmlNode XmlDocument::CreateComment(const QString& text)
{
    if (text.contains(QLatin1String("--")) || text.endsWith(QLatin1Char('-')))
        Fail(QStringLiteral("A comment cannot contain \"--\" or end with \"-\""), automation::E_INVALIDARG_);
    const QByteArray bytes = Utf8(text);
    xmlNodePtr node = xmlNewDocComment(m_doc, X(bytes));
    if (node == nullptr)
        Fail(QStringLiteral("Unable to create a comment"));
    Adopt(node);
    return XmlNode(node);
}

XmlNode XmlDocument::CreateProcessingInstruction(const QString& target, const QString& data)
{
    if (!IsNcName(target) || target.compare(QLatin1String("xml"), Qt::CaseInsensitive) == 0)
        Fail(QStringLiteral("Invalid processing instruction target: ") + target, automation::E_INVALIDARG_);
    if (data.contains(QLatin1String("?>")))
        Fail(QStringLiteral("Processing instruction data cannot contain \"?>\""), automation::E_INVALIDARG_);
    const QByteArray name = Utf8(target);
    const QByteArray content = Utf8(data);
    xmlNodePtr node = xmlNewDocPI(m_doc, X(name), X(content));
    if (node == nullptr)
        Fail(QStringLiteral("Unable to create the processing instruction ") + target);
    Adopt(node);
    return XmlNode(node);
}

XmlNode XmlDocument::ImportNode(const XmlNode& node, bool deep)
{
    if (node.IsNull() || node.Type() == NodeType::Document)
        return XmlNode();
    xmlNodePtr copy = nullptr;
    if (node.Type() == NodeType::Attribute) {
        copy = reinterpret_cast<xmlNodePtr>(xmlCopyProp(nullptr, reinterpret_cast<xmlAttrPtr>(node.Raw())));
        if (copy != nullptr)
            xmlSetTreeDoc(copy, m_doc);
    } else {
        copy = xmlDocCopyNode(node.Raw(), m_doc, deep ? 1 : 2);
    }
    if (copy == nullptr)
        Fail(QStringLiteral("Unable to import the node ") + node.Name());
    Adopt(copy);
    return XmlNode(copy);
}

XmlNode XmlDocument::SelectSingleNode(const QString& xpath) const
{
    return AsNode().SelectSingleNode(xpath);
}

XmlNodeList XmlDocument::SelectNodes(const QString& xpath) const
{
    return AsNode().SelectNodes(xpath);
}

void XmlDocument::RegisterNamespace(const QString& prefix, const QString& namespaceUri)
{
    if (!IsNcName(prefix))
        Fail(QStringLiteral("Invalid namespace prefix: ") + prefix, automation::E_INVALIDARG_);
    m_state->xpathNamespaces[prefix] = namespaceUri;
}

} // namespace xml
