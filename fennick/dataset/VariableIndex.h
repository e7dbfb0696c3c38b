#pragma once
// The dataset's variables by name. A lookup by XPath walks the whole
// document, so reading every variable of a stored instance one query at a
// time grows with the square of the dataset; the index walks the variables
// list once and answers each name from a map.
//
// The index belongs to one document: it is rebuilt when asked about another
// one (the dataset was replaced or repaired) and after Invalidate(). The
// owner keeps it in step with the variables it creates (Add) and invalidates
// it when it removes one, so the index never holds a detached node.
#include "platform/xml/XmlDocument.h"
#include <QHash>
#include <QString>
#include <memory>

class VariableIndex {
public:
    using DocumentPtr = std::shared_ptr<xml::XmlDocument>;

    // The variables list of the document, null when it has none.
    xml::XmlNode List(const DocumentPtr& document);
    // The fdt:Display element of the first variable of that name that has
    // one; null when there is none.
    xml::XmlNode Display(const DocumentPtr& document, const QString& name);
    // A variable just appended to the document's list, with its display.
    void Add(const DocumentPtr& document, const QString& name, const xml::XmlNode& display);
    void Invalidate();

    // The path of the variables list in the dataset.
    static const QString& ListPath();

private:
    void Refresh(const DocumentPtr& document);

    std::weak_ptr<xml::XmlDocument> m_document;
    bool m_valid = false;
    xml::XmlNode m_list;
    QHash<QString, xml::XmlNode> m_displays;
};
