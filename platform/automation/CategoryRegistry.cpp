#include "platform/automation/CategoryRegistry.h"
#include "platform/automation/ClassRegistry.h"
#include "platform/automation/ComError.h"
#include "platform/automation/IniFile.h"
#include <QDir>
#include <QFileInfo>
#include <QRegularExpression>
#include <QStandardPaths>

namespace automation {

namespace {
const QString kSource = QStringLiteral("CategoryRegistry");
}

QString CategoryRegistry::DefaultFilePath()
{
    return QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation)
           + QStringLiteral("/Trivex/ComponentCategories.ini");
}

CategoryRegistry::CategoryRegistry(QString filePath)
    : m_filePath(filePath.isEmpty() ? DefaultFilePath() : std::move(filePath))
{
}

QString CategoryRegistry::checkedId(const QString& id, const char* what) const
{
    static const QRegularExpression guid(QStringLiteral(
        "^[0-9A-F]{8}-[0-9A-F]{4}-[0-9A-F]{4}-[0-9A-F]{4}-[0-9A-F]{12}$"));
    const QString normalised = NormaliseClassId(id);
    if (!guid.match(normalised).hasMatch())
        throw ComError(E_INVALIDARG_,
                       QStringLiteral("Invalid %1 identifier: '%2'").arg(QLatin1String(what), id),
                       kSource);
    return normalised;
}

CategoryRegistry::Entries CategoryRegistry::load() const
{
    Entries entries;
    QString error;
    if (!IniFile::Read(m_filePath, entries, &error))
        throw ComError(E_FAIL_, QStringLiteral("Unable to read the category store: ") + error, kSource);
    return entries;
}

void CategoryRegistry::store(const Entries& entries) const
{
    QString error;
    if (!IniFile::Write(m_filePath, entries, &error))
        throw ComError(E_FAIL_, QStringLiteral("Unable to write the category store: ") + error, kSource);
}

void CategoryRegistry::RegisterCategory(const QString& categoryId, const QString& description)
{
    const QString id = checkedId(categoryId, "category");
    Entries entries = load();
    const QString key = QStringLiteral("Categories/") + id;
    if (entries.contains(key) && entries.value(key).toString() == description)
        return; // as registered: the store is not written
    entries.insert(key, description);
    store(entries);
}

void CategoryRegistry::RegisterClassImplCategory(const QString& classId, const QString& categoryId)
{
    const QString cls = checkedId(classId, "class");
    const QString cat = checkedId(categoryId, "category");
    Entries entries = load();
    const QString key = QStringLiteral("Implemented/") + cls;
    QStringList cats = entries.value(key).toStringList();
    if (cats.contains(cat))
        return; // as registered: the store is not written
    cats.append(cat);
    entries.insert(key, cats);
    store(entries);
}

void CategoryRegistry::UnRegisterClassImplCategory(const QString& classId, const QString& categoryId)
{
    const QString cls = checkedId(classId, "class");
    const QString cat = checkedId(categoryId, "category");
    Entries entries = load();
    const QString key = QStringLiteral("Implemented/") + cls;
    QStringList cats = entries.value(key).toStringList();
    if (!cats.contains(cat))
        return; // nothing to withdraw: the store is not written
    cats.removeAll(cat);
    if (cats.isEmpty())
        entries.remove(key);
    else
        entries.insert(key, cats);
    store(entries);
}

QString CategoryRegistry::CategoryDescription(const QString& categoryId) const
{
    return load().value(QStringLiteral("Categories/") + NormaliseClassId(categoryId)).toString();
}

QStringList CategoryRegistry::CategoriesOfClass(const QString& classId) const
{
    return load().value(QStringLiteral("Implemented/") + NormaliseClassId(classId)).toStringList();
}

} // namespace automation
