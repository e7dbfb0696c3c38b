#pragma once
// Component categories: a category has a description; a class may be marked as
// implementing categories. Kept in an INI file under the user's config folder.
#include <QMap>
#include <QString>
#include <QStringList>
#include <QVariant>

namespace automation {

class CategoryRegistry {
public:
    // Empty path: "<config>/Trivex/ComponentCategories.ini".
    explicit CategoryRegistry(QString filePath = QString());

    // Each operation raises ComError for an empty or malformed identifier and
    // when the store cannot be written; nothing is changed then.
    void RegisterCategory(const QString& categoryId, const QString& description);
    void RegisterClassImplCategory(const QString& classId, const QString& categoryId);
    void UnRegisterClassImplCategory(const QString& classId, const QString& categoryId);

    QString CategoryDescription(const QString& categoryId) const;
    QStringList CategoriesOfClass(const QString& classId) const;
    QString FilePath() const { return m_filePath; }

    static QString DefaultFilePath();

private:
    QString checkedId(const QString& id, const char* what) const;
    // Every value of the store by its "group/key" name.
    using Entries = QMap<QString, QVariant>;
    Entries load() const;
    // Replaces the store as a whole (AtomicFile): a store that cannot be
    // written keeps its old content and raises ComError.
    void store(const Entries& entries) const;

    QString m_filePath;
};

} // namespace automation
