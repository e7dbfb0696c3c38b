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
