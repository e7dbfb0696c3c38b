#pragma once
// One way for every part of the DTM to create FDT documents, load XML text
// with error reporting, read and copy attributes, write FDT booleans and dump
// documents for debugging; and the process-wide schema cache the documents
// are validated against.
#include "platform/xml/XmlDocument.h"
#include "platform/xml/XmlNode.h"
#include <QString>
#include <memory>

namespace xml { class SchemaCache; }

namespace XMLHelper {

using DocumentPtr = std::shared_ptr<xml::XmlDocument>;

// A new validating document; on failure traces and leaves the document unset.
void CreateXmlParser(DocumentPtr& document);
// The XML declaration: version='1.0' encoding='UTF-8'.
void AppendProcessingInstruction(xml::XmlDocument& document);
// A new FDT document: parser, declaration, the schema cache, document element
// "FDT". Nothing more when no parser can be created (document unset).
void AppendFdtRoot(DocumentPtr& document, xml::XmlNode& root);
// Declares the namespace on the element: "xmlns" (empty prefix) or
// "xmlns:" + prefix.
void SetNamespace(xml::XmlNode element, const QString& prefix, const QString& namespaceText);
// Parses the text into a new document validated against the schema cache.
// False (traced, the empty document stays in the argument) when it does not
// parse or does not fit its schema, or when no parser can be created.
bool LoadXmlString(const QString& xmlText, DocumentPtr& document);
// The attribute's text; a missing one gives the empty text and a trace.
QString GetAttribute(const xml::XmlNode& element, const QString& attributeName);
// The first node of an FDT path ("//FDT/DtmDevice/..."), looked for under the
// document's root element first, where an FDT document has it: a search of
// the whole document costs more than the rest of a lookup. Only when it is
// not there is the whole document searched.
xml::XmlNode SelectFdtNode(const xml::XmlDocument& document, const QString& path);
// Copies the attribute of the element selected by the XPath in the source to
// the element selected by the same XPath in the target.
bool CopyAttribute(const xml::XmlNode& source, const xml::XmlDocument& target,
                   const QString& xpath, const QString& attributeName);
QString BoolToXml(bool value);
// "1" true, "0" false, anything else false with a trace.
bool XmlToBool(const QString& text);
// A "Status" element (not appended) with checked, enabled, hidden, separator
// and toggle, in this order.
void CreateStatusElement(bool visible, bool enabled, bool checked, xml::XmlDocument& document,
                         xml::XmlNode& element);
// The text of an empty function list.
QString CreateFunctionsDocument();
// "FDT/DtmDevice/InternalTopology/InternalChannel/Module".
QString ModulePath();
// The text trimmed of blanks and quoted for an XPath comparison.
QString QuoteText(const QString& text);
// fdt:readAccess "1", fdt:writeAccess "0" on the element when there is one.
void SetReadOnlyAccess(xml::XmlNode element);

// Rebuilds the schema cache from the schema directory; raises
// automation::ComError when a schema file cannot be loaded (the cache is
// then dropped).
void LoadSchemaCache(const QString& schemaDirectory);
void ReleaseSchemaCache();
// The current cache, none before LoadSchemaCache and after ReleaseSchemaCache.
std::shared_ptr<const xml::SchemaCache> SchemaCache();

// Saves "DTM_" + name + ".XML" into the folder "TESTxml" beside the program
// when that folder exists; a failed save is traced and otherwise ignored.
void SaveDebugXml(const xml::XmlDocument* document, const QString& name);
void SaveDebugXml(const xml::XmlDocument& document, const QString& name);
void SaveDebugXml(const DocumentPtr& document, const QString& name);

} // namespace XMLHelper
