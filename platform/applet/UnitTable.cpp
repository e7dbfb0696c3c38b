#include "platform/applet/UnitTable.h"
#include "platform/automation/CheckedFile.h"
#include "platform/applet/AppletTrace.h"
#include "platform/applet/Description.h"
#include "platform/applet/UserNumber.h"
#include "platform/applet/clsAppletItemManager.h"
#include <QDir>
#include <QFile>

namespace applet {

namespace {

// The folder of the description, as the host publishes it.
const QString kDescriptionFolder = QStringLiteral("&&private_PM&&TDXPath");
// A unit table larger than this is no unit table.
constexpr qint64 kMaxTableBytes = 1024 * 1024;

// The unit table in a folder, read once; an empty one when it cannot be read.
const UnitTable& TableIn(const QString& folder)
{
    static QHash<QString, UnitTable> read;
    const auto known = read.constFind(folder);
    if (known != read.constEnd())
        return *known;
    UnitTable& table = read[folder];
    const QString path = QDir(folder).filePath(kUnitTableName);
    if (automation::CheckedFile::Missing(path))
        return table;
    QByteArray bytes;
    QString reason;
    if (!automation::CheckedFile::Read(path, kMaxTableBytes, bytes, &reason)) {
        AppletTrace::Error(QStringLiteral("UnitSymbol: %1").arg(reason));
        return table;
    }
    table = ParseUnitTable(QString::fromUtf8(bytes));
    for (const QString& error : table.errors)
        AppletTrace::Error(QStringLiteral("UnitSymbol: %1: %2").arg(path, error));
    return table;
}

// The unit table of the manager's description; none without a description folder.
const UnitTable* TableOf(clsAppletItemManager& manager)
{
    QString folder;
    int32_t failed = 0;
    manager.GetStringValue(manager.HandleOf(kDescriptionFolder), folder, failed);
    if (failed != 0 || folder.isEmpty())
        return nullptr;
    return &TableIn(QDir::fromNativeSeparators(folder));
}

// The shown text of an item: its enumeration entry's text, else its value.
QString ShownText(clsAppletItemManager& manager, const QString& item)
{
    const int32_t handle = manager.HandleOf(item);
    QString text;
    int32_t failed = 0;
    manager.GetValueAsText(handle, text, false, failed);
    if (failed != 0)
        return QString();
    const auto description = manager.GetDescription();
    const DescObject* object = description ? description->FindObject(item) : nullptr;
    const DescEnumeration* enumeration =
        object && !object->enumeration.isEmpty() ? description->FindEnumeration(object->enumeration) : nullptr;
    bool number = false;
    const double value = text.trimmed().toDouble(&number);
    if (enumeration && number)
        for (const DescEnumEntry& entry : enumeration->entries)
            if (entry.value == value)
                return entry.text;
    return text.trimmed();
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
        if (columns.first() == QLatin1String("@label")) {
            if (columns.size() < 4 || columns.size() > 5 || columns[1].isEmpty() || columns[2].isEmpty()
                || columns[3].isEmpty() || (columns.size() == 5 && columns[4].isEmpty())) {
                refuse("@label<TAB>item<TAB>English<TAB>German[<TAB>unit]");
                continue;
            }
            table.labels.insert(columns[1].toLower(), columns.mid(2));
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
    const UnitTable* table = TableOf(manager);
    return table ? table->symbols.value(unit, unit) : unit;
}

QString ItemUnit(clsAppletItemManager& manager, const QString& item)
{
    const UnitTable* table = TableOf(manager);
    if (!table)
        return QString();
    QString unit = table->units.value(item.toLower(), table->labels.value(item.toLower()).value(2));
    if (unit.startsWith(QLatin1Char('@')))
        unit = ShownText(manager, unit.mid(1));
    return table->symbols.value(unit, unit);
}

QString TableLabel(clsAppletItemManager& manager, const QString& item, int32_t countryCode)
{
    const UnitTable* table = TableOf(manager);
    if (!table)
        return QString();
    const QStringList texts = table->labels.value(item.toLower());
    return texts.size() >= 2 ? texts[countryCode == UserNumber::kCountryGerman ? 1 : 0] : QString();
}

QString ItemName(clsAppletItemManager& manager, const QString& item, int32_t countryCode)
{
    QString label = TableLabel(manager, item, countryCode);
    if (label.isEmpty()) {
        const auto description = manager.GetDescription();
        const DescObject* object = description ? description->FindObject(item) : nullptr;
        label = object && !object->text.isEmpty() ? object->text : item;
    }
    return label;
}

} // namespace applet
