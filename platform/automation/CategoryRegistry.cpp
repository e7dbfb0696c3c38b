#include "platform/automation/CategoryRegistry.h"
#include "platform/automation/ClassRegistry.h"
#include "platform/automation/ComError.h"
#include <QDir>
#include <QFileInfo>
#include <QRegularExpression>
#include <QSettings>
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

void CategoryRegistry::sync(QSettings& settings) const
{
    settings.sync();
    if (settings.status() != QSettings::NoError)
        throw ComError(E_FAIL_, QStringLiteral("Unable to write the category store %1").arg(m_filePath),
                       kSource);
}

void CategoryRegistry::RegisterCategory(const QString& categoryId, const QString& description)
{
    const QString id = checkedId(categoryId, "category");
    QDir().mkpath(QFileInfo(m_filePath).absolutePath());
    QSettings settings(m_filePath, QSettings::IniFormat);
    settings.setValue(QStringLiteral("Categories/") + id, description);
    sync(settings);
}

void CategoryRegistry::RegisterClassImplCategory(const QString& classId, const QString& categoryId)
{
    const QString cls = checkedId(classId, "class");
    const QString cat = checkedId(categoryId, "category");
    QDir().mkpath(QFileInfo(m_filePath).absolutePath());
    QSettings settings(m_filePath, QSettings::IniFormat);
    const QString key = QStringLiteral("Implemented/") + cls;
    QStringList cats = settings.value(key).toStringList();
    if (!cats.contains(cat))
        cats.append(cat);
    settings.setValue(key, cats);
    sync(settings);
}

void CategoryRegistry::UnRegisterClassImplCategory(const QString& classId, const QString& categoryId)
{
    const QString cls = checkedId(classId, "class");
    const QString cat = checkedId(categoryId, "category");
    QSettings settings(m_filePath, QSettings::IniFormat);
    const QString key = QStringLiteral("Implemented/") + cls;
    QStringList cats = settings.value(key).toStringList();
    cats.removeAll(cat);
    if (cats.isEmpty())
        settings.remove(key);
    else
        settings.setValue(key, cats);
    sync(settings);
}

QString CategoryRegistry::CategoryDescription(const QString& categoryId) const
{
    QSettings settings(m_filePath, QSettings::IniFormat);
    return settings.value(QStringLiteral("Categories/") + NormaliseClassId(categoryId)).toString();
}

QStringList CategoryRegistry::CategoriesOfClass(const QString& classId) const
{
    QSettings settings(m_filePath, QSettings::IniFormat);
    return settings.value(QStringLiteral("Implemented/") + NormaliseClassId(classId)).toStringList();
}

} // namespace automation
