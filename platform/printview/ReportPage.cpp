#include "platform/printview/ReportPage.h"
#include <QDateTime>
#include <QDir>
#include <QFileInfo>
#include <QRegularExpression>
#include <QStandardPaths>

namespace printview {

namespace {

const QRegularExpression& PlaceholderPattern()
{
    static const QRegularExpression pattern(QStringLiteral("#([A-Za-z_&][A-Za-z0-9_&]*)#"));
    return pattern;
}

} // namespace

QStringList PageNames(int countryCode)
{
    return {QStringLiteral("prt_%1.htm").arg(countryCode, 3, 10, QLatin1Char('0')), QStringLiteral("prt_.htm"),
            QStringLiteral("prt_001.htm")};
}

QStringList PageFolders(const QString& descriptionFolder)
{
    QStringList folders;
    if (!descriptionFolder.isEmpty())
        folders << QDir::fromNativeSeparators(descriptionFolder);
    const QString cache = QStandardPaths::writableLocation(QStandardPaths::CacheLocation);
    if (!cache.isEmpty())
        folders << cache;
    return folders;
}

QString FindReportPage(const QString& descriptionFolder, int countryCode)
{
    const QStringList folders = PageFolders(descriptionFolder);
    for (const QString& name : PageNames(countryCode)) {
        QString newest;
        QDateTime newestTime;
        for (const QString& folder : folders) {
            const QFileInfo file(QDir(folder).filePath(name));
            if (!file.isFile())
                continue;
            if (newest.isEmpty() || file.lastModified() > newestTime) {
                newest = file.filePath();
                newestTime = file.lastModified();
            }
        }
        if (!newest.isEmpty())
            return newest;
    }
    return QString();
}

UnitTable ParseUnitTable(const QString& text)
{
    UnitTable table;
    const QStringList lines = text.split(QLatin1Char('\n'));
    for (int i = 0; i < lines.size(); ++i) {
        const QString line = lines[i].trimmed();
        if (line.isEmpty() || line.startsWith(QLatin1Char('#')))
            continue;
        QStringList columns = lines[i].split(QLatin1Char('\t'));
        for (QString& column : columns)
            column = column.trimmed();
        const auto refuse = [&](const char* form) {
            table.errors << QStringLiteral("line %1: \"%2\" is not \"%3\"").arg(i + 1).arg(line, QLatin1String(form));
        };
        if (columns.first() == QLatin1String("@symbol")) {
            if (columns.size() != 3 || columns[1].isEmpty() || columns[2].isEmpty()) {
                refuse("@symbol<TAB>text<TAB>symbol");
                continue;
            }
            table.symbols.insert(columns[1], columns[2]);
            continue;
        }
        if (columns.first() == QLatin1String("@text")) {
            bool numeric = false;
            const qint64 code = columns.value(2).toLongLong(&numeric);
            if (columns.size() != 5 || columns[1].isEmpty() || !numeric || columns[3].isEmpty()
                || columns[4].isEmpty()) {
                refuse("@text<TAB>item<TAB>code<TAB>English<TAB>German");
                continue;
            }
            table.texts[columns[1].toLower()].insert(code, {columns[3], columns[4]});
            continue;
        }
        const QString item = columns.value(0);
        const QString unit = columns.value(1);
        if (columns.size() != 2 || item.isEmpty() || unit.isEmpty() || unit == QLatin1String("@")) {
            refuse("item<TAB>unit");
            continue;
        }
        table.units.insert(item.toLower(), unit);
    }
    return table;
}

QString FillPlaceholders(const QString& page, const std::function<std::optional<QString>(const QString&)>& lookup,
                         QStringList* unfilled)
{
    QString filled;
    filled.reserve(page.size());
    qsizetype from = 0;
    QRegularExpressionMatchIterator matches = PlaceholderPattern().globalMatch(page);
    while (matches.hasNext()) {
        const QRegularExpressionMatch match = matches.next();
        filled += QStringView(page).mid(from, match.capturedStart() - from);
        const QString name = match.captured(1);
        const std::optional<QString> value = lookup(name);
        if (value) {
            filled += value->toHtmlEscaped();
        } else {
            filled += match.captured(0);
            if (unfilled)
                unfilled->append(name);
        }
        from = match.capturedEnd();
    }
    filled += QStringView(page).mid(from);
    return filled;
}

QStringList Placeholders(const QString& page)
{
    QStringList names;
    QRegularExpressionMatchIterator matches = PlaceholderPattern().globalMatch(page);
    while (matches.hasNext())
        names << matches.next().captured(1);
    return names;
}

} // namespace printview
