#include "platform/automation/ClassRegistry.h"

namespace automation {

QString NormaliseClassId(const QString& classId)
{
    QString id = classId.trimmed().toUpper();
    if (id.startsWith(QLatin1Char('{')) && id.endsWith(QLatin1Char('}')))
        id = id.mid(1, id.size() - 2);
    return id;
}

ClassRegistry& ClassRegistry::instance()
{
    static ClassRegistry registry;
    return registry;
}

QString ClassRegistry::key(const QString& name)
{
    return name.trimmed().toLower();
}

void ClassRegistry::Register(const QString& progId, const QString& classId, Factory factory)
{
    if (progId.trimmed().isEmpty() || !factory)
        throw ComError(E_INVALIDARG_, QStringLiteral("A class needs a ProgID and a factory"),
                       QStringLiteral("ClassRegistry"));
    m_entries[key(progId)] = Entry{progId, NormaliseClassId(classId), std::move(factory)};
}

void ClassRegistry::Unregister(const QString& progIdOrClassId)
{
    if (const Entry* entry = find(progIdOrClassId))
        m_entries.erase(key(entry->progId));
}

const ClassRegistry::Entry* ClassRegistry::find(const QString& name) const
{
    auto it = m_entries.find(key(name));
    if (it != m_entries.end())
        return &it->second;
    const QString classId = NormaliseClassId(name);
    if (classId.isEmpty())
        return nullptr;
    for (const auto& [k, entry] : m_entries)
        if (entry.classId == classId)
            return &entry;
    return nullptr;
}

bool ClassRegistry::IsRegistered(const QString& progIdOrClassId) const
{
    return find(progIdOrClassId) != nullptr;
}

QString ClassRegistry::ClassIdOf(const QString& progId) const
{
    const Entry* entry = find(progId);
    return entry ? entry->classId : QString();
}

std::shared_ptr<ComObject> ClassRegistry::CreateObject(const QString& progIdOrClassId) const
{
    const Entry* entry = find(progIdOrClassId);
    if (!entry)
        throw ComError(ERR_CANT_CREATE_OBJECT,
                       QStringLiteral("ActiveX component can't create object: '%1' is not registered")
                           .arg(progIdOrClassId),
                       QStringLiteral("ClassRegistry"));
    std::shared_ptr<ComObject> object = entry->factory();
    if (!object)
        throw ComError(ERR_CANT_CREATE_OBJECT,
                       QStringLiteral("ActiveX component can't create object: the factory of '%1' failed")
                           .arg(entry->progId),
                       QStringLiteral("ClassRegistry"));
    return object;
}

} // namespace automation
