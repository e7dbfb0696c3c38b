#pragma once
// An XML document: owns its libxml2 tree and every node created for it,
// loads from text or file with the parser's error details, validates against
// a schema cache and saves as UTF-8 text.
#include "platform/xml/XmlNode.h"
#include "platform/xml/XmlParseError.h"
#include <QString>
#include <memory>

struct _xmlDoc;

namespace xml {

class SchemaCache;

namespace tree { struct DocumentState; }

class XmlDocument {
public:
    // An empty document. Raises automation::ComError when libxml2 cannot
    // create one.
    XmlDocument();
    ~XmlDocument();
    XmlDocument(const XmlDocument&) = delete;
    XmlDocument& operator=(const XmlDocument&) = delete;

    // Load and validation settings.
    void SetValidateOnParse(bool validate) { m_validateOnParse = validate; }
    bool ValidateOnParse() const { return m_validateOnParse; }
    void SetPreserveWhiteSpace(bool preserve) { m_preserveWhiteSpace = preserve; }
    bool PreserveWhiteSpace() const { return m_preserveWhiteSpace; }
    // The schemas documents are validated against when they load (and by
    // Validate); none means nothing is validated.
    void SetSchemas(std::shared_ptr<const SchemaCache> schemas) { m_schemas = std::move(schemas); }
    const std::shared_ptr<const SchemaCache>& Schemas() const { return m_schemas; }

    // Replaces the content by the parsed text. The text is taken as it is
    // (any encoding named in its declaration is ignored). On failure the
    // document is empty and ParseError() tells why.
    bool LoadXml(const QString& text);
    // The same for UTF-8 bytes: bytes that are not UTF-8 are refused, any
    // other encoding named in the declaration is ignored.
    bool LoadUtf8(const QByteArray& bytes);
    // Replaces the content by the file's; the encoding follows the file's
    // declaration. Failure as for LoadXml (ParseError names the file).
    bool Load(const QString& filePath);
    // What the last LoadXml or Load found wrong (no error after a success).
    const XmlParseError& ParseError() const { return m_parseError; }
    // Validates the current tree against the schemas.
    XmlParseError Validate() const;

    // The text: the XML declaration when the document has one, then the
    // top-level nodes; UTF-8 when written to a file.
    QString Xml() const;
    // Writes the text to a temporary file beside the target and renames it,
    // so the target holds either the old or the new document.
    bool Save(const QString& filePath, QString* errorText = nullptr) const;

    // True when the document has no document element.
    bool IsEmpty() const { return DocumentElement().IsNull(); }
    // Drops the whole content.
    void Clear();
    // Frees the nodes that were removed from the tree or never inserted.
    // Handles to them become invalid; for owners of long-lived documents that
    // know they keep none.
    void FreeDetachedNodes();

    XmlNode AsNode() const;
    XmlNode DocumentElement() const;
    // Appends a top-level node (the element becomes the document element).
    XmlNode AppendChild(const XmlNode& child);
    // A processing instruction "xml" is the document's XML declaration (kept
    // apart and written first); any other target is appended as a node.
    void AppendProcessingInstruction(const QString& target, const QString& data);

    // Detached nodes owned by this document, for inserting into it.
    // Names are checked; an invalid one raises automation::ComError.
    XmlNode CreateElement(const QString& qualifiedName);
    XmlNode CreateTextNode(const QString& text);
    XmlNode CreateComment(const QString& text);
    XmlNode CreateProcessingInstruction(const QString& target, const QString& data);
    // A detached copy of a node of any document.
    XmlNode ImportNode(const XmlNode& node, bool deep);

    // XPath relative to the document node. The prefixes declared on the
    // document element and in scope of the context node are known; more can
    // be registered (they win over the declared ones).
    XmlNode SelectSingleNode(const QString& xpath) const;
    XmlNodeList SelectNodes(const QString& xpath) const;
    void RegisterNamespace(const QString& prefix, const QString& namespaceUri);

    _xmlDoc* Raw() const { return m_doc; }

private:
    bool Parse(const QByteArray& bytes, const QString& url, const char* encoding,
               const QString& sourceText);
    void Reset(_xmlDoc* doc);

    std::unique_ptr<tree::DocumentState> m_state;
    _xmlDoc* m_doc = nullptr;
    std::shared_ptr<const SchemaCache> m_schemas;
    XmlParseError m_parseError;
    QString m_declaration; // data of the XML declaration, empty: none
    bool m_validateOnParse = true;
    bool m_preserveWhiteSpace = false;
};

} // namespace xml
