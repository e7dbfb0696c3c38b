#pragma once
#include "platform/automation/ComError.h"
// Tree plumbing shared by XmlDocument and XmlNode: who owns detached nodes, how
// prefixed and unprefixed names are bound to the namespace declarations in
// scope, and the text conversions between Qt and libxml2.
#include <QByteArray>
#include <QString>
#include <libxml/tree.h>
#include <map>
#include <unordered_set>
#include <vector>

namespace xml {

class XmlDocument;

namespace tree {

// What a document keeps beside its libxml2 tree. Every node reaches it through
// node->doc->_private.
struct DocumentState {
    XmlDocument* owner = nullptr;
    // Roots of detached subtrees (created and not yet inserted, or removed).
    // They belong to the document and are freed with it, so a handle to a
    // removed node stays usable for as long as its document lives.
    std::unordered_set<xmlNodePtr> detached;
    // Declarations taken off an element; nodes moved away earlier may still
    // point at them, so they live as long as the document.
    std::vector<xmlNsPtr> retired;
    // Prefixes registered by the caller for XPath selections.
    std::map<QString, QString> xpathNamespaces;
};

DocumentState* StateOf(const xmlDoc* doc);

// Node ownership: a node leaving the tree is adopted as a detached root; a
// node about to be inserted is given up first.
void Adopt(xmlNodePtr node);
void GiveUp(xmlNodePtr node);
// Frees every detached subtree of the state (before the document itself).
void FreeDetached(DocumentState& state);

// Binds the element names and attribute names of the subtree to the
// declarations in scope, the way its serialized text would be read back:
// - a name written with a prefix and not yet bound takes the declaration of
//   that prefix in scope; an unprefixed element takes the default namespace;
// - a name already bound keeps its namespace; when its declaration is no
//   longer in scope, the node declares it itself.
void Bind(xmlNodePtr top);
// The same for one element and its attributes only.
void BindNode(xmlNodePtr element);

// The node as text (UTF-8, no XML declaration, no indentation).
QString Serialize(xmlNodePtr node);

// The name as written: "prefix:local" or "local".
QString QualifiedName(const xmlNode* node);
// Splits "prefix:local"; the prefix is empty for an unprefixed name.
void SplitQualifiedName(const QString& qualifiedName, QString& prefix, QString& local);
bool IsValidQualifiedName(const QString& name);

// The declaration of the prefix (empty: the default) on this very element.
xmlNsPtr OwnDeclaration(xmlNodePtr element, const QByteArray& prefix);

inline QByteArray Utf8(const QString& text) { return text.toUtf8(); }
inline const xmlChar* X(const QByteArray& bytes) { return reinterpret_cast<const xmlChar*>(bytes.constData()); }
QString FromXml(const xmlChar* text);
// Takes ownership of libxml2-allocated text.
QString TakeXml(xmlChar* text);

// Raises the layer's ComError with the given description.
[[noreturn]] void Fail(const QString& description, int32_t number = automation::E_FAIL_);

} // namespace tree
} // namespace xml
