#pragma once
// The component-category manager: marks a class, named by its ProgID, as
// implementing component categories, withdraws such marks and creates the
// categories with their descriptions. Created through the class registry by
// its class identifier. Category identifiers may be written with or without
// braces. Every operation raises automation::ComError on failure.
#include <QString>

namespace crosscheck {

inline const QString kCategoryManagerProgId = QStringLiteral("Trivex.CategoryManager");
inline const QString kCategoryManagerClassId = QStringLiteral("{4E8B2C18-5A90-4F63-B1D4-7C2E9A0F3B58}");

class CategoryManager {
public:
    virtual ~CategoryManager() = default;

    virtual void RegisterImplementedCategory(const QString& progId, const QString& categoryId) = 0;
    virtual void UnregisterImplementedCategory(const QString& progId, const QString& categoryId) = 0;
    virtual void RegisterCategory(const QString& description, const QString& categoryId) = 0;
};

} // namespace crosscheck
