#pragma once
// A handle to one node of an XmlDocument: element, attribute, text, comment,
// processing instruction or the document node itself. Handles are cheap to
// copy and do not own anything; a node stays valid as long as its document
// lives, also after it was removed from the tree.
//
// Names are qualified names as written ("fdt:name"). A prefixed name is bound
// to the declaration of its prefix in scope, an unprefixed element to the
// default namespace in scope; a name created before its declaration is in
// scope is bound when it gets there (see XmlTree.h).
#include <QList>
#include <QPair>
#include <QString>

struct _xmlNode;

namespace xml {

class XmlDocument;
class XmlNode;
using XmlNodeList = QList<XmlNode>;

enum class NodeType {
    Null,
    Element,
    Attribute,
    Text,
    CData,
    Comment,
    ProcessingInstruction,
    Document,
    Other,
};

class XmlNode {
public:
    XmlNode() = default;
    explicit XmlNode(_xmlNode* node) : m_node(node) {}

    bool IsNull() const { return m_node == nullptr; }
    explicit operator bool() const { return m_node != nullptr; }
    bool operator==(const XmlNode& other) const { return m_node == other.m_node; }
    bool operator!=(const XmlNode& other) const { return m_node != other.m_node; }

    NodeType Type() const;
    bool IsElement() const { return Type() == NodeType::Element; }

    // Qualified name as written; "#text", "#comment", "#document" for the
    // nodes without a name; the target of a processing instruction.
    QString Name() const;
    QString LocalName() const;
    QString Prefix() const;
    QString NamespaceUri() const;
    // Line in the text the node was loaded from, 0 for nodes built in memory.
    int Line() const;

    // Text of the subtree (elements, document), the value (attributes), the
    // content (text, comment, processing instruction).
    QString Text() const;
    // Replaces the content: an element gets one text node (or none for an
    // empty text); an attribute gets the value.
    void SetText(const QString& text);

    // Attributes of an element, by qualified name as written. "xmlns" and
    // "xmlns:p" are the namespace declarations of the element.
    bool HasAttribute(const QString& name) const;
    // The value, or the empty text when the attribute is missing.
    QString Attribute(const QString& name) const;
    // Sets or replaces; a new attribute goes after the existing ones. Raises
    // automation::ComError for an invalid name or a non-element node.
    void SetAttribute(const QString& name, const QString& value);
    // True when the attribute existed.
    bool RemoveAttribute(const QString& name);
    // Declarations first, then the attributes in the order they were set.
    QList<QPair<QString, QString>> Attributes() const;
    XmlNode AttributeNode(const QString& name) const;

    // Tree navigation.
    XmlNode Parent() const;
    XmlNode FirstChild() const;
    XmlNode LastChild() const;
    XmlNode NextSibling() const;
    XmlNode PreviousSibling() const;
    XmlNodeList ChildNodes() const;
    XmlNodeList ChildElements() const;
    // The first child element with the qualified name (any when empty).
    XmlNode FirstChildElement(const QString& name = QString()) const;

    // Tree changes. A node of the same document is moved; a node of another
    // document is copied (deep) and the copy is inserted. Each returns the
    // inserted node. Raise automation::ComError for an insertion that would
    // break the tree (into itself, a second document element, ...).
    XmlNode AppendChild(const XmlNode& child);
    XmlNode InsertBefore(const XmlNode& child, const XmlNode& reference);
    XmlNode ReplaceChild(const XmlNode& newChild, const XmlNode& oldChild);
    // Detaches the child; it stays owned by the document. Returns it, or a
    // null node when it is not a child of this node.
    XmlNode RemoveChild(const XmlNode& child);
    // Detached copy in the same document.
    XmlNode CloneNode(bool deep) const;

    // XPath 1.0 relative to this node (see XPathTranslator.h for how names
    // match). Raises automation::ComError for an invalid expression.
    XmlNode SelectSingleNode(const QString& xpath) const;
    XmlNodeList SelectNodes(const QString& xpath) const;

    // The subtree as text, with the namespace declarations it needs.
    QString Xml() const;

    XmlDocument* OwnerDocument() const;
    _xmlNode* Raw() const { return m_node; }

private:
    _xmlNode* m_node = nullptr;
};

} // namespace xml
