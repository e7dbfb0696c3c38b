#include "platform/xml/XmlTree.h"

#include <libxml/parser.h>
#include <libxml/xmlsave.h>
#include <libxml/xmlstring.h>

namespace xml::tree {

namespace {

bool SamePrefix(const xmlChar* a, const xmlChar* b)
{
    if (a == nullptr || b == nullptr)
        return a == b;
    return xmlStrEqual(a, b) != 0;
}

bool SameHref(const xmlNs* a, const xmlNs* b)
{
    return xmlStrEqual(a->href, b->href) != 0;
}

// The declaration of the prefix (null: the default) visible at the element,
// looking at declarations only. An empty default declaration means "no
// namespace" and gives null.
xmlNsPtr FindInScope(xmlNodePtr element, const xmlChar* prefix)
{
    if (prefix != nullptr && xmlStrEqual(prefix, BAD_CAST "xml"))
        return xmlSearchNs(element->doc, element, prefix);
    for (xmlNodePtr n = element; n != nullptr && n->type == XML_ELEMENT_NODE; n = n->parent) {
        for (xmlNsPtr ns = n->nsDef; ns != nullptr; ns = ns->next) {
            if (SamePrefix(ns->prefix, prefix)) {
                if (prefix == nullptr && (ns->href == nullptr || ns->href[0] == 0))
                    return nullptr;
                return ns;
            }
        }
    }
    return nullptr;
}

bool DeclaredOn(xmlNodePtr element, const xmlNs* ns)
{
    for (xmlNsPtr d = element->nsDef; d != nullptr; d = d->next)
        if (d == ns)
            return true;
    return false;
}

// Binds the name of an element (node == owner) or of one of its attributes.
void BindName(xmlNodePtr owner, xmlNodePtr node, bool attribute)
{
    if (node->ns != nullptr) {
        xmlNsPtr bound = node->ns;
        if (attribute && bound->prefix == nullptr)
            return; // cannot happen for attributes; leave as it is
        xmlNsPtr scope = FindInScope(owner, bound->prefix);
        if (scope == bound)
            return;
        if (scope != nullptr && (SameHref(scope, bound) || DeclaredOn(owner, scope))) {
            node->ns = scope;
            return;
        }
        // The namespace stays; its declaration moves with the node.
        if (xmlNsPtr own = xmlNewNs(owner, bound->href, bound->prefix))
            node->ns = own;
        return;
    }
    const xmlChar* colon = xmlStrchr(node->name, ':');
    if (colon != nullptr) {
        const QByteArray prefix(reinterpret_cast<const char*>(node->name),
                                static_cast<int>(colon - node->name));
        const QByteArray local(reinterpret_cast<const char*>(colon + 1));
        if (xmlNsPtr scope = FindInScope(owner, X(prefix))) {
            xmlNodeSetName(node, X(local));
            node->ns = scope;
        }
    } else if (!attribute) {
        if (xmlNsPtr scope = FindInScope(owner, nullptr))
            node->ns = scope;
    }
}

void BindElement(xmlNodePtr element)
{
    BindName(element, element, false);
    for (xmlAttrPtr a = element->properties; a != nullptr; a = a->next)
        BindName(element, reinterpret_cast<xmlNodePtr>(a), true);
}

} // namespace

DocumentState* StateOf(const xmlDoc* doc)
{
    return doc == nullptr ? nullptr : static_cast<DocumentState*>(doc->_private);
}

void Adopt(xmlNodePtr node)
{
    if (node == nullptr || node->parent != nullptr)
        return;
    if (DocumentState* state = StateOf(node->doc))
        state->detached.insert(node);
}

void GiveUp(xmlNodePtr node)
{
    if (node == nullptr)
        return;
    if (DocumentState* state = StateOf(node->doc))
        state->detached.erase(node);
}

void FreeDetached(DocumentState& state)
{
    // Every entry is a root (no parent); none lies inside another.
    for (xmlNodePtr node : state.detached) {
        if (node->type == XML_ATTRIBUTE_NODE)
            xmlFreeProp(reinterpret_cast<xmlAttrPtr>(node));
        else
            xmlFreeNode(node);
    }
    state.detached.clear();
}

void BindNode(xmlNodePtr element)
{
    if (element != nullptr && element->type == XML_ELEMENT_NODE)
        BindElement(element);
}

void Bind(xmlNodePtr top)
{
    if (top == nullptr || top->type != XML_ELEMENT_NODE)
        return;
    xmlNodePtr node = top;
    while (node != nullptr) {
        if (node->type == XML_ELEMENT_NODE)
            BindElement(node);
        // Pre-order walk over the subtree, elements only.
        if (node->type == XML_ELEMENT_NODE && node->children != nullptr) {
            node = node->children;
            continue;
        }
        while (node != nullptr && node != top && node->next == nullptr)
            node = node->parent;
        if (node == nullptr || node == top)
            break;
        node = node->next;
    }
}

QString Serialize(xmlNodePtr node)
{
    xmlBufferPtr buffer = xmlBufferCreate();
    if (buffer == nullptr)
        return QString();
    // The default grows the buffer by what each write needs, which makes
    // writing a large text quadratic.
    xmlBufferSetAllocationScheme(buffer, XML_BUFFER_ALLOC_DOUBLEIT);
    if (xmlSaveCtxtPtr save = xmlSaveToBuffer(buffer, "UTF-8", XML_SAVE_NO_DECL | XML_SAVE_AS_XML)) {
        xmlSaveTree(save, node);
        xmlSaveClose(save);
    }
    const QString text = QString::fromUtf8(reinterpret_cast<const char*>(xmlBufferContent(buffer)),
                                           xmlBufferLength(buffer));
    xmlBufferFree(buffer);
    return text;
}

QString QualifiedName(const xmlNode* node)
{
    if (node == nullptr || node->name == nullptr)
        return QString();
    const QString local = FromXml(node->name);
    const bool hasNs = node->type == XML_ELEMENT_NODE || node->type == XML_ATTRIBUTE_NODE;
    if (hasNs && node->ns != nullptr && node->ns->prefix != nullptr)
        return FromXml(node->ns->prefix) + QLatin1Char(':') + local;
    return local;
}

void SplitQualifiedName(const QString& qualifiedName, QString& prefix, QString& local)
{
    const int colon = qualifiedName.indexOf(QLatin1Char(':'));
    if (colon < 0) {
        prefix.clear();
        local = qualifiedName;
    } else {
        prefix = qualifiedName.left(colon);
        local = qualifiedName.mid(colon + 1);
    }
}

bool IsValidQualifiedName(const QString& name)
{
    if (name.isEmpty())
        return false;
    const QByteArray bytes = Utf8(name);
    return xmlValidateQName(X(bytes), 0) == 0;
}

xmlNsPtr OwnDeclaration(xmlNodePtr element, const QByteArray& prefix)
{
    for (xmlNsPtr ns = element->nsDef; ns != nullptr; ns = ns->next) {
        if (prefix.isEmpty() ? ns->prefix == nullptr
                             : (ns->prefix != nullptr && xmlStrEqual(ns->prefix, X(prefix))))
            return ns;
    }
    return nullptr;
}

QString FromXml(const xmlChar* text)
{
    return text == nullptr ? QString() : QString::fromUtf8(reinterpret_cast<const char*>(text));
}

QString TakeXml(xmlChar* text)
{
    const QString result = FromXml(text);
    if (text != nullptr)
        xmlFree(text);
    return result;
}

void Fail(const QString& description, int32_t number)
{
    throw automation::ComError(number, description, QStringLiteral("xml"));
}

} // namespace xml::tree

