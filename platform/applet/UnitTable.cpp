#include "platform/applet/UnitTable.h"
#include "platform/applet/AppletTrace.h"
#include "platform/applet/clsAppletItemManager.h"
#include <QDir>
#include <QFile>

namespace applet {

namespace {

// The folder of the description, as the host publishes it.
const QString kDescriptionFolder = QStringLiteral("&&private_PM&&TDXPath");
// A unit table larger than this is no unit table.
constexpr qint64 kMaxTableBytes = 1024 * 1024;

// The symbols of the unit table in a folder, read once; none when it cannot be read.
const QHash<QString, QString>& SymbolsIn(const QString& folder)
{
    static QHash<QString, QHash<QString, QString>> read;
    const auto known = read.constFind(folder);
    if (known != read.constEnd())
        return *known;
    QHash<QString, QString>& symbols = read[folder];
    QFile file(QDir(folder).filePath(kUnitTableName));
    if (!file.exists())
        return symbols;
    if (!file.open(QIODevice::ReadOnly) || file.size() > kMaxTableBytes) {
        AppletTrace::Error(QStringLiteral("UnitSymbol: %1 cannot be read or is too large").arg(file.fileName()));
        return symbols;
    }
    const UnitTable table = ParseUnitTable(QString::fromUtf8(file.read(kMaxTableBytes)));
    for (const QString& error : table.errors)
        AppletTrace::Error(QStringLiteral("UnitSymbol: %1: %2").arg(file.fileName(), error));
    symbols = table.symbols;
    return symbols;
}

} // namespace

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

QString UnitSymbol(clsAppletItemManager& manager, const QString& unit)
{
    if (unit.isEmpty())
        return unit;
    QString folder;
    int32_t failed = 0;
    manager.GetStringValue(manager.HandleOf(kDescriptionFolder), folder, failed);
    if (failed != 0 || folder.isEmpty())
        return unit;
    return SymbolsIn(QDir::fromNativeSeparators(folder)).value(unit, unit);
}

} // namespace applet
