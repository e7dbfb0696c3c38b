#include "platform/automation/CategoryRegistry.h"
#include "platform/automation/AtomicFile.h"
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

CategoryRegistry::Entries CategoryRegistry::load() const
{
    Entries entries;
    const QSettings settings(m_filePath, QSettings::IniFormat);
    for (const QString& key : settings.allKeys())
        entries.insert(key, settings.value(key));
    return entries;
}

namespace {

// A value as the INI reader takes it back: texts quoted (backslash and quote
// escaped), a list as quoted texts separated by ", ".
QString IniText(const QString& text)
{
    QString escaped = text;
    escaped.replace(QLatin1Char('\\'), QStringLiteral("\\\\")).replace(QLatin1Char('"'), QStringLiteral("\\\""));
    return QLatin1Char('"') + escaped + QLatin1Char('"');
}

QString IniValue(const QVariant& value)
{
    if (value.typeId() != QMetaType::QStringList)
        return IniText(value.toString());
    QStringList texts;
    for (const QString& text : value.toStringList())
        texts << IniText(text);
    return texts.join(QStringLiteral(", "));
}

// Names keep letters, digits and "-_.{}"; anything else is written %XX (or
// %UXXXX beyond Latin-1) as the INI reader expects.
QString IniKey(const QString& key)
{
    QString escaped;
    for (const QChar c : key) {
        if (c.unicode() < 128 && (c.isLetterOrNumber() || QStringLiteral("-_.{}").contains(c)))
            escaped += c;
        else
            escaped += (c.unicode() < 256 ? QStringLiteral("%%1") : QStringLiteral("%U%1"))
                           .arg(c.unicode(), c.unicode() < 256 ? 2 : 4, 16, QLatin1Char('0'))
                           .toUpper();
    }
    return escaped;
}

} // namespace

void CategoryRegistry::store(const Entries& entries) const
{
    // QSettings cannot say whether its own write reached the disk, so the
    // file is written here and only read through QSettings.
    QMap<QString, QStringList> groups;
    for (auto it = entries.begin(); it != entries.end(); ++it) {
        const qsizetype slash = it.key().indexOf(QLatin1Char('/'));
        const QString group = slash < 0 ? QStringLiteral("General") : it.key().left(slash);
        groups[group] << IniKey(it.key().mid(slash + 1)) + QLatin1Char('=') + IniValue(it.value());
    }
    QString text;
    for (auto it = groups.begin(); it != groups.end(); ++it)
        text += QLatin1Char('[') + IniKey(it.key()) + QStringLiteral("]\n") + it.value().join(QLatin1Char('\n'))
                + QStringLiteral("\n\n");
    QDir().mkpath(QFileInfo(m_filePath).absolutePath());
    QString error;
    if (!AtomicFile::Write(m_filePath, text.toUtf8(), &error))
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
    QSettings settings(m_filePath, QSettings::IniFormat);
    return settings.value(QStringLiteral("Categories/") + NormaliseClassId(categoryId)).toString();
}

QStringList CategoryRegistry::CategoriesOfClass(const QString& classId) const
{
    QSettings settings(m_filePath, QSettings::IniFormat);
    return settings.value(QStringLiteral("Implemented/") + NormaliseClassId(classId)).toStringList();
}

} // namespace automation
