#include "platform/automation/IniFile.h"
#include "platform/automation/AtomicFile.h"
#include "platform/automation/CheckedFile.h"
#include <QDir>
#include <QFileInfo>
#include <QSettings>
#include <QStringList>

namespace automation::IniFile {

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

bool Read(const QString& path, Entries& entries, QString* error)
{
    entries.clear();
    if (CheckedFile::Missing(path))
        return true;
    if (!CheckedFile::Check(path, kMaxBytes, error))
        return false;
    const QSettings settings(path, QSettings::IniFormat);
    for (const QString& key : settings.allKeys())
        entries.insert(key, settings.value(key));
    return true;
}

bool Write(const QString& path, const Entries& entries, QString* error)
{
    // QSettings cannot say whether its own write reached the disk, and it
    // writes through a link: the file is written here.
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
    QDir().mkpath(QFileInfo(path).absolutePath());
    return AtomicFile::Write(path, text.toUtf8(), error);
}

} // namespace automation::IniFile
