#include "platform/automation/PropertyBag.h"

namespace automation {

QVariant PropertyBag::Read(const QString& name, const QVariant& defaultValue) const
{
    return m_values.value(name, defaultValue);
}

void PropertyBag::Write(const QString& name, const QVariant& value)
{
    m_values.insert(name, value);
}

bool PropertyBag::Contains(const QString& name) const
{
    return m_values.contains(name);
}

void PropertyBag::Remove(const QString& name)
{
    m_values.remove(name);
}

QStringList PropertyBag::Keys() const
{
    return m_values.keys();
}

void PropertyBag::Clear()
{
    m_values.clear();
}

} // namespace automation
