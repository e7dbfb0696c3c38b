#include "platform/crosscheck/clsCategoryManager.h"

namespace crosscheck {

clsCategoryManager::clsCategoryManager(const QString& storePath) : m_store(storePath) {}

QString clsCategoryManager::ClassIdOf(const QString& progId)
{
    const QString classId = automation::ClassRegistry::instance().ClassIdOf(progId);
    if (classId.isEmpty())
        throw automation::ComError(automation::CO_E_CLASSSTRING_,
                                   QStringLiteral("Invalid class string: '%1' names no registered class").arg(progId),
                                   kCategoryManagerProgId);
    return classId;
}

void clsCategoryManager::RegisterImplementedCategory(const QString& progId, const QString& categoryId)
{
    m_store.RegisterClassImplCategory(ClassIdOf(progId), categoryId);
}

void clsCategoryManager::UnregisterImplementedCategory(const QString& progId, const QString& categoryId)
{
    m_store.UnRegisterClassImplCategory(ClassIdOf(progId), categoryId);
}

void clsCategoryManager::RegisterCategory(const QString& description, const QString& categoryId)
{
    m_store.RegisterCategory(categoryId, description);
}

} // namespace crosscheck
