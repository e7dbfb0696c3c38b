#include "fennick/dataset/VariableIndex.h"
#include "fennick/services/XMLHelper.h"

const QString& VariableIndex::ListPath()
{
    static const QString path = QStringLiteral("//FDT/DtmDevice/ExportedVariables/fdt:DtmVariables");
    return path;
}

void VariableIndex::Refresh(const DocumentPtr& document)
{
    // A document that died since leaves an expired pointer, never a match;
    // a list taken out of the tree is no list any more.
    if (m_valid && document && m_document.lock() == document && m_list.Parent())
        return;
    m_displays.clear();
    m_list = xml::XmlNode();
    m_document = document;
    m_valid = false;
    if (!document)
        return;
    m_list = XMLHelper::SelectFdtNode(*document, ListPath());
    // A document without the list yet gets it later (a new dataset is built
    // piece by piece): only a found list is kept.
    if (!m_list)
        return;
    const xml::XmlNodeList displays = m_list.SelectNodes(QStringLiteral("fdt:DtmVariable/fdt:Value/fdt:Display"));
    m_displays.reserve(displays.size());
    for (const xml::XmlNode& display : displays) {
        const QString name = display.Parent().Parent().Attribute(QStringLiteral("name"));
        // Document order: the first variable of a name is the one that counts.
        if (!m_displays.contains(name))
            m_displays.insert(name, display);
    }
    m_valid = true;
}

xml::XmlNode VariableIndex::List(const DocumentPtr& document)
{
    Refresh(document);
    return m_list;
}

xml::XmlNode VariableIndex::Display(const DocumentPtr& document, const QString& name)
{
    Refresh(document);
    return m_displays.value(name);
}

void VariableIndex::Add(const DocumentPtr& document, const QString& name, const xml::XmlNode& display)
{
    Refresh(document);
    if (m_valid && !m_displays.contains(name))
        m_displays.insert(name, display);
}

void VariableIndex::Invalidate()
{
    m_valid = false;
    m_displays.clear();
    m_list = xml::XmlNode();
}
