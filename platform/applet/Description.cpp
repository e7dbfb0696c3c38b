#include "platform/applet/Description.h"

namespace applet {

namespace {

template <class T>
void IndexList(const QList<T>& list, QHash<QString, int>& index)
{
    index.clear();
    for (int i = 0; i < list.size(); ++i)
        index.insert(Description::Key(list[i].name), i);
}

template <class T>
const T* Lookup(const QList<T>& list, const QHash<QString, int>& index, const QString& name)
{
    const auto it = index.constFind(Description::Key(name));
    return it == index.cend() ? nullptr : &list[*it];
}

} // namespace

void Description::Index()
{
    IndexList(objects, m_objects);
    IndexList(enumerations, m_enumerations);
    IndexList(records, m_records);
    IndexList(sequences, m_sequences);
    IndexList(menu, m_menu);
    IndexList(forms, m_forms);
    m_wire.clear();
    for (const DescRecord& record : records)
        for (const QList<FieldLayout>* layout : {&record.request, &record.response})
            for (const FieldLayout& field : *layout)
                if (!field.item.isEmpty() && !m_wire.contains(Key(field.item)))
                    m_wire.insert(Key(field.item), field);
}

const FieldLayout* Description::WireField(const QString& name) const
{
    const auto it = m_wire.constFind(Key(name));
    return it == m_wire.constEnd() ? nullptr : &it.value();
}

const QString* Description::HeaderValue(const QString& key) const
{
    for (const DescHeaderKey& entry : header)
        if (entry.name.compare(key, Qt::CaseInsensitive) == 0)
            return &entry.value;
    return nullptr;
}

const DescObject* Description::FindObject(const QString& name) const
{
    return Lookup(objects, m_objects, name);
}

const DescEnumeration* Description::FindEnumeration(const QString& name) const
{
    return Lookup(enumerations, m_enumerations, name);
}

const DescRecord* Description::FindRecord(const QString& name) const
{
    return Lookup(records, m_records, name);
}

const DescSequence* Description::FindSequence(const QString& name) const
{
    return Lookup(sequences, m_sequences, name);
}

const DescMenuEntry* Description::FindMenuEntry(const QString& name) const
{
    return Lookup(menu, m_menu, name);
}

const DescForm* Description::FindForm(const QString& name) const
{
    return Lookup(forms, m_forms, name);
}

} // namespace applet
