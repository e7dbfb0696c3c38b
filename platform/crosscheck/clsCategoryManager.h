#pragma once
// The category manager over the category store of the automation layer: a
// ProgID is turned into its class identifier through the class registry, so
// only a registered class can be marked.
#include "platform/automation/CategoryRegistry.h"
#include "platform/automation/ClassRegistry.h"
#include "platform/crosscheck/CategoryManager.h"

namespace crosscheck {

class clsCategoryManager : public automation::ComObject, public CategoryManager {
public:
    // storePath empty: the user's default category store.
    explicit clsCategoryManager(const QString& storePath = QString());

    void RegisterImplementedCategory(const QString& progId, const QString& categoryId) override;
    void UnregisterImplementedCategory(const QString& progId, const QString& categoryId) override;
    void RegisterCategory(const QString& description, const QString& categoryId) override;

    const automation::CategoryRegistry& Store() const { return m_store; }

private:
    // Raises CO_E_CLASSSTRING when the ProgID names no registered class.
    static QString ClassIdOf(const QString& progId);

    automation::CategoryRegistry m_store;
};

} // namespace crosscheck
