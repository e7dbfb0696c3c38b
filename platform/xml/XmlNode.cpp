#include "platform/xml/XmlNode.h"

#include "platform/automation/ComError.h"
#include "platform/xml/XPathTranslator.h"
#include "platform/xml/XmlDocument.h"
#include "platform/xml/XmlErrorCollector.h"
#include "platform/xml/XmlTree.h"

#include <libxml/tree.h>
#include <libxml/xpath.h>
#include <libxml/xpathInternals.h>
#include <map>

namespace xml {

using namespace tree;

namespace {


xmlAttrPtr FindAttribute(xmlNodePtr element, const QString& qualifiedName)
{
    for (xmlAttrPtr a = element->properties; a != nullptr; a = a->next)
        if (QualifiedName(reinterpret_cast<xmlNodePtr>(a)) == qualifiedName)
            return a;
    return nullptr;
}

bool IsDeclarationName(const QString& name, QByteArray& prefix)
{
    if (name == QLatin1String("xmlns")) {
        prefix.clear();
        return true;
    }
    if (name.startsWith(QLatin1String("xmlns:"))) {
        prefix = Utf8(name.mid(6));
        return true;
    }
    return false;
}

// Sets the attribute's value as plain text (no entity references).
void SetAttributeValue(xmlAttrPtr attr, const QString& value)
{
    if (attr->children != nullptr)
        xmlFreeNodeList(attr->children);
    attr->children = nullptr;
    attr->last = nullptr;
    const QByteArray bytes = Utf8(value);
    xmlNodePtr text = xmlNewDocText(attr->doc, X(bytes));
    if (text == nullptr)
        Fail(QStringLiteral("Out of memory while setting an attribute"));
    text->parent = reinterpret_cast<xmlNodePtr>(attr);
    attr->children = text;
    attr->last = text;
}

void LinkLast(xmlNodePtr parent, xmlNodePtr child)
{
    child->parent = parent;
    child->next = nullptr;
    child->prev = parent->last;
    if (parent->last != nullptr)
        parent->last->next = child;
    else
        parent->children = child;
    parent->last = child;
}

void LinkBefore(xmlNodePtr reference, xmlNodePtr child)
{
    xmlNodePtr parent = reference->parent;
    child->parent = parent;
    child->next = reference;
    child->prev = reference->prev;
    if (reference->prev != nullptr)
        reference->prev->next = child;
    else
        parent->children = child;
    reference->prev = child;
}

bool IsAncestorOrSelf(xmlNodePtr candidate, xmlNodePtr node)
{
    for (xmlNodePtr n = node; n != nullptr; n = n->parent)
        if (n == candidate)
            return true;
    return false;
}

xmlNodePtr ContextElement(xmlNodePtr node)
{
    if (node->type == XML_DOCUMENT_NODE)
        return xmlDocGetRootElement(reinterpret_cast<xmlDocPtr>(node));
    if (node->type == XML_ELEMENT_NODE)
        return node;
    return node->parent != nullptr && node->parent->type == XML_ELEMENT_NODE ? node->parent : nullptr;
}

} // namespace

NodeType XmlNode::Type() const
{
    if (m_node == nullptr)
        return NodeType::Null;
    switch (m_node->type) {
    case XML_ELEMENT_NODE: return NodeType::Element;
    case XML_ATTRIBUTE_NODE: return NodeType::Attribute;
    case XML_TEXT_NODE: return NodeType::Text;
    case XML_CDATA_SECTION_NODE: return NodeType::CData;
    case XML_COMMENT_NODE: return NodeType::Comment;
    case XML_PI_NODE: return NodeType::ProcessingInstruction;
    case XML_DOCUMENT_NODE: return NodeType::Document;
    default: return NodeType::Other;
    }
}

QString XmlNode::Name() const
{
    switch (Type()) {
    case NodeType::Null: return QString();
    case NodeType::Element:
    case NodeType::Attribute: return QualifiedName(m_node);
    case NodeType::Text: return QStringLiteral("#text");
    case NodeType::CData: return QStringLiteral("#cdata-section");
    case NodeType::Comment: return QStringLiteral("#comment");
    case NodeType::Document: return QStringLiteral("#document");
    default: return FromXml(m_node->name);
    }
}

QString XmlNode::LocalName() const
{
    QString prefix, local;
    SplitQualifiedName(Name(), prefix, local);
    return local;
}

QString XmlNode::Prefix() const
{
    QString prefix, local;
    SplitQualifiedName(Name(), prefix, local);
    return prefix;
}

QString XmlNode::NamespaceUri() const
{
    if ((IsElement() || Type() == NodeType::Attribute) && m_node->ns != nullptr)
        return FromXml(m_node->ns->href);
    return QString();
}

int XmlNode::Line() const
{
    return m_node == nullptr ? 0 : static_cast<int>(xmlGetLineNo(m_node) < 0 ? 0 : xmlGetLineNo(m_node));
}

QString XmlNode::Text() const
{
    if (m_node == nullptr)
        return QString();
    return TakeXml(xmlNodeGetContent(m_node));
}

void XmlNode::SetText(const QString& text)
{
    switch (Type()) {
    case NodeType::Element: {
        while (xmlNodePtr child = m_node->children) {
            xmlUnlinkNode(child);
            Adopt(child);
        }
        if (!text.isEmpty()) {
            const QByteArray bytes = Utf8(text);
            xmlNodePtr node = xmlNewDocText(m_node->doc, X(bytes));
            if (node == nullptr)
                Fail(QStringLiteral("Out of memory while setting a text"));
            LinkLast(m_node, node);
        }
        return;
    }
    case NodeType::Attribute:
        SetAttributeValue(reinterpret_cast<xmlAttrPtr>(m_node), text);
        return;
    case NodeType::Text:
    case NodeType::CData:
    case NodeType::Comment:
    case NodeType::ProcessingInstruction: {
        const QByteArray bytes = Utf8(text);
        xmlNodeSetContent(m_node, X(bytes));
        return;
    }
    default:
        Fail(QStringLiteral("The text of this node cannot be set"));
    }
}

bool XmlNode::HasAttribute(const QString& name) const
{
    if (!IsElement())
        return false;
    QByteArray prefix;
    if (IsDeclarationName(name, prefix))
        return OwnDeclaration(m_node, prefix) != nullptr;
    return FindAttribute(m_node, name) != nullptr;
}

QString XmlNode::Attribute(const QString& name) const
{
    if (!IsElement())
        return QString();
    QByteArray prefix;
    if (IsDeclarationName(name, prefix)) {
        const xmlNs* ns = OwnDeclaration(m_node, prefix);
        return ns == nullptr ? QString() : FromXml(ns->href);
    }
    xmlAttrPtr attr = FindAttribute(m_node, name);
    if (attr == nullptr)
        return QString();
    return TakeXml(xmlNodeGetContent(reinterpret_cast<xmlNodePtr>(attr)));
}

void XmlNode::SetAttribute(const QString& name, const QString& value)
{
    if (!IsElement())
        Fail(QStringLiteral("Attributes can only be set on elements: ") + name);
    if (!IsValidQualifiedName(name))
        Fail(QStringLiteral("Invalid attribute name: ") + name, automation::E_INVALIDARG_);
    QByteArray prefix;
    if (IsDeclarationName(name, prefix)) {
        if (!prefix.isEmpty() && value.isEmpty())
            Fail(QStringLiteral("A namespace prefix cannot be bound to an empty namespace: ") + name,
                 automation::E_INVALIDARG_);
        if (prefix == "xml" || prefix == "xmlns")
            Fail(QStringLiteral("Reserved namespace prefix: ") + name, automation::E_INVALIDARG_);
        const QByteArray href = Utf8(value);
        if (xmlNsPtr own = OwnDeclaration(m_node, prefix)) {
            if (!xmlStrEqual(own->href, X(href))) {
                xmlFree(const_cast<xmlChar*>(own->href));
                own->href = xmlStrdup(X(href));
            }
        } else if (xmlNewNs(m_node, X(href), prefix.isEmpty() ? nullptr : X(prefix)) == nullptr) {
            Fail(QStringLiteral("Unable to declare the namespace: ") + name);
        }
        Bind(m_node);
        return;
    }
    if (xmlAttrPtr attr = FindAttribute(m_node, name)) {
        SetAttributeValue(attr, value);
        return;
    }
    const QByteArray qname = Utf8(name);
    xmlAttrPtr attr = xmlNewProp(m_node, X(qname), nullptr);
    if (attr == nullptr)
        Fail(QStringLiteral("Unable to set the attribute: ") + name);
    SetAttributeValue(attr, value);
    if (name.contains(QLatin1Char(':')))
        BindNode(m_node);
}

bool XmlNode::RemoveAttribute(const QString& name)
{
    if (!IsElement())
        return false;
    QByteArray prefix;
    if (IsDeclarationName(name, prefix)) {
        for (xmlNsPtr* link = &m_node->nsDef; *link != nullptr; link = &(*link)->next) {
            xmlNsPtr ns = *link;
            const bool match = prefix.isEmpty() ? ns->prefix == nullptr
                                                : (ns->prefix != nullptr && xmlStrEqual(ns->prefix, X(prefix)));
            if (match) {
                *link = ns->next;
                ns->next = nullptr;
                if (DocumentState* state = StateOf(m_node->doc))
                    state->retired.push_back(ns);
                else
                    xmlFreeNs(ns);
                // Names that still need the namespace declare it again.
                Bind(m_node);
                return true;
            }
        }
        return false;
    }
    xmlAttrPtr attr = FindAttribute(m_node, name);
    if (attr == nullptr)
        return false;
    xmlRemoveProp(attr);
    return true;
}

QList<QPair<QString, QString>> XmlNode::Attributes() const
{
    QList<QPair<QString, QString>> result;
    if (!IsElement())
        return result;
    for (xmlNsPtr ns = m_node->nsDef; ns != nullptr; ns = ns->next) {
        const QString name = ns->prefix == nullptr ? QStringLiteral("xmlns")
                                                   : QStringLiteral("xmlns:") + FromXml(ns->prefix);
        result.append({name, FromXml(ns->href)});
    }
    for (xmlAttrPtr a = m_node->properties; a != nullptr; a = a->next)
        result.append({QualifiedName(reinterpret_cast<xmlNodePtr>(a)),
                       TakeXml(xmlNodeGetContent(reinterpret_cast<xmlNodePtr>(a)))});
    return result;
}

XmlNode XmlNode::AttributeNode(const QString& name) const
{
    if (!IsElement())
        return XmlNode();
    return XmlNode(reinterpret_cast<xmlNodePtr>(FindAttribute(m_node, name)));
}

XmlNode XmlNode::Parent() const
{
    return m_node == nullptr ? XmlNode() : XmlNode(m_node->parent);
}

XmlNode XmlNode::FirstChild() const
{
    if (m_node == nullptr || Type() == NodeType::Attribute)
        return XmlNode();
    return XmlNode(m_node->children);
}

XmlNode XmlNode::LastChild() const
{
    if (m_node == nullptr || Type() == NodeType::Attribute)
        return XmlNode();
    return XmlNode(m_node->last);
}

XmlNode XmlNode::NextSibling() const
{
    if (m_node == nullptr || Type() == NodeType::Attribute || Type() == NodeType::Document)
        return XmlNode();
    return XmlNode(m_node->next);
}

XmlNode XmlNode::PreviousSibling() const
{
    if (m_node == nullptr || Type() == NodeType::Attribute || Type() == NodeType::Document)
        return XmlNode();
    return XmlNode(m_node->prev);
}

XmlNodeList XmlNode::ChildNodes() const
{
    XmlNodeList result;
    for (XmlNode n = FirstChild(); n; n = n.NextSibling())
        result.append(n);
    return result;
}

XmlNodeList XmlNode::ChildElements() const
{
    XmlNodeList result;
    for (XmlNode n = FirstChild(); n; n = n.NextSibling())
        if (n.IsElement())
            result.append(n);
    return result;
}

XmlNode XmlNode::FirstChildElement(const QString& name) const
{
    for (XmlNode n = FirstChild(); n; n = n.NextSibling())
        if (n.IsElement() && (name.isEmpty() || n.Name() == name))
            return n;
    return XmlNode();
}

XmlNode XmlNode::AppendChild(const XmlNode& child)
{
    return InsertBefore(child, XmlNode());
}

XmlNode XmlNode::InsertBefore(const XmlNode& child, const XmlNode& reference)
{
    const NodeType type = Type();
    if (type != NodeType::Element && type != NodeType::Document)
        Fail(QStringLiteral("Only elements and documents can hold child nodes"));
    if (child.IsNull())
        Fail(QStringLiteral("No node to insert"), automation::E_INVALIDARG_);
    const NodeType childType = child.Type();
    if (childType == NodeType::Attribute || childType == NodeType::Document || childType == NodeType::Other)
        Fail(QStringLiteral("This kind of node cannot be inserted: ") + child.Name());
    if (!reference.IsNull() && reference.m_node->parent != m_node)
        Fail(QStringLiteral("The reference node is not a child of this node"), automation::E_INVALIDARG_);

    xmlNodePtr node = child.m_node;
    if (node->doc != m_node->doc) {
        node = xmlDocCopyNode(node, m_node->doc, 1);
        if (node == nullptr)
            Fail(QStringLiteral("Unable to copy the node into this document"));
        Adopt(node);
    }
    if (IsAncestorOrSelf(node, m_node))
        Fail(QStringLiteral("A node cannot be inserted into itself or its descendants"));
    if (type == NodeType::Document) {
        xmlNodePtr root = xmlDocGetRootElement(reinterpret_cast<xmlDocPtr>(m_node));
        if (node->type == XML_ELEMENT_NODE && root != nullptr && root != node)
            Fail(QStringLiteral("The document already has a document element"));
        if (node->type == XML_TEXT_NODE || node->type == XML_CDATA_SECTION_NODE)
            Fail(QStringLiteral("Text cannot stand at the top level of a document"));
    }
    if (node == reference.m_node)
        return XmlNode(node);

    GiveUp(node);
    if (node->parent != nullptr)
        xmlUnlinkNode(node);
    if (reference.IsNull())
        LinkLast(m_node, node);
    else
        LinkBefore(reference.m_node, node);
    Bind(node);
    return XmlNode(node);
}

XmlNode XmlNode::ReplaceChild(const XmlNode& newChild, const XmlNode& oldChild)
{
    if (oldChild.IsNull() || oldChild.m_node->parent != m_node)
        Fail(QStringLiteral("The node to replace is not a child of this node"), automation::E_INVALIDARG_);
    if (newChild.m_node == oldChild.m_node)
        return oldChild;
    InsertBefore(newChild, oldChild);
    return RemoveChild(oldChild);
}

XmlNode XmlNode::RemoveChild(const XmlNode& child)
{
    if (m_node == nullptr || child.IsNull() || child.m_node->parent != m_node
        || child.Type() == NodeType::Attribute)
        return XmlNode();
    xmlUnlinkNode(child.m_node);
    Adopt(child.m_node);
    return child;
}

XmlNode XmlNode::CloneNode(bool deep) const
{
    if (m_node == nullptr || Type() == NodeType::Document)
        return XmlNode();
    xmlNodePtr copy = nullptr;
    if (Type() == NodeType::Attribute)
        copy = reinterpret_cast<xmlNodePtr>(xmlCopyProp(nullptr, reinterpret_cast<xmlAttrPtr>(m_node)));
    else
        copy = xmlDocCopyNode(m_node, m_node->doc, deep ? 1 : 2);
    if (copy == nullptr)
        Fail(QStringLiteral("Unable to copy the node"));
    Adopt(copy);
    return XmlNode(copy);
}

XmlNode XmlNode::SelectSingleNode(const QString& xpath) const
{
    const XmlNodeList nodes = SelectNodes(xpath);
    return nodes.isEmpty() ? XmlNode() : nodes.first();
}

XmlNodeList XmlNode::SelectNodes(const QString& xpath) const
{
    XmlNodeList result;
    if (m_node == nullptr || m_node->doc == nullptr)
        return result;
    xmlDocPtr doc = m_node->doc;

    // Prefixes: those of the document element, overridden by those in scope
    // of the context node, overridden by the registered ones.
    std::map<QString, QString> prefixes;
    if (xmlNodePtr root = xmlDocGetRootElement(doc))
        for (xmlNsPtr ns = root->nsDef; ns != nullptr; ns = ns->next)
            if (ns->prefix != nullptr)
                prefixes[FromXml(ns->prefix)] = FromXml(ns->href);
    if (xmlNodePtr context = ContextElement(m_node)) {
        if (xmlNsPtr* list = xmlGetNsList(doc, context)) {
            std::map<QString, QString> inScope; // innermost first
            for (xmlNsPtr* ns = list; *ns != nullptr; ++ns)
                if ((*ns)->prefix != nullptr)
                    inScope.emplace(FromXml((*ns)->prefix), FromXml((*ns)->href));
            xmlFree(list);
            for (const auto& [prefix, uri] : inScope)
                prefixes[prefix] = uri;
        }
    }
    if (const DocumentState* state = StateOf(doc))
        for (const auto& [prefix, uri] : state->xpathNamespaces)
            prefixes[prefix] = uri;

    const QString translated = TranslateXPath(xpath, [&prefixes](const QString& prefix) {
        return prefix == QLatin1String("xml") || prefixes.count(prefix) != 0;
    });

    XmlErrorCollector errors;
    xmlXPathContextPtr context = xmlXPathNewContext(doc);
    if (context == nullptr)
        Fail(QStringLiteral("Unable to evaluate XPath: ") + xpath);
    context->node = m_node;
    for (const auto& [prefix, uri] : prefixes) {
        const QByteArray p = Utf8(prefix);
        const QByteArray u = Utf8(uri);
        xmlXPathRegisterNs(context, X(p), X(u));
    }
    const QByteArray expression = Utf8(translated);
    xmlXPathObjectPtr value = xmlXPathEvalExpression(X(expression), context);
    xmlXPathFreeContext(context);
    if (value == nullptr) {
        const QString reason = errors.FirstMessage();
        Fail(QStringLiteral("Invalid XPath expression \"") + xpath + QStringLiteral("\"")
             + (reason.isEmpty() ? QString() : QStringLiteral(": ") + reason));
    }
    if (value->type != XPATH_NODESET) {
        xmlXPathFreeObject(value);
        Fail(QStringLiteral("The XPath expression does not select nodes: ") + xpath);
    }
    if (value->nodesetval != nullptr) {
        for (int i = 0; i < value->nodesetval->nodeNr; ++i) {
            xmlNodePtr node = value->nodesetval->nodeTab[i];
            if (node != nullptr && node->type != XML_NAMESPACE_DECL)
                result.append(XmlNode(node));
        }
    }
    xmlXPathFreeObject(value);
    return result;
}

QString XmlNode::Xml() const
{
    if (m_node == nullptr)
        return QString();
    if (Type() == NodeType::Document) {
        XmlDocument* owner = OwnerDocument();
        return owner != nullptr ? owner->Xml() : QString();
    }
    if (Type() == NodeType::Element) {
        // A copy standing alone declares every namespace its names use.
        xmlDocPtr scratch = xmlNewDoc(BAD_CAST "1.0");
        if (scratch == nullptr)
            return QString();
        QString text;
        if (xmlNodePtr copy = xmlDocCopyNode(m_node, scratch, 1)) {
            text = Serialize(copy);
            xmlFreeNode(copy);
        }
        xmlFreeDoc(scratch);
        return text;
    }
    return Serialize(m_node).trimmed();
}

XmlDocument* XmlNode::OwnerDocument() const
{
    if (m_node == nullptr)
        return nullptr;
    const DocumentState* state = StateOf(m_node->doc);
    return state == nullptr ? nullptr : state->owner;
}

} // namespace xml
