#pragma once
// The unit table that ships beside the description ("gv/Units.tsv"): one row
// per item that has a unit, "item<TAB>unit"; the unit is a fixed text, or "@"
// and the name of the item whose shown value is the unit. Two more kinds of
// rows tell how a reader wants the values shown: "@symbol<TAB>text<TAB>symbol"
// shows a unit text of the description ("degC") as its symbol ("°C"), and
// "@text<TAB>item<TAB>code<TAB>English<TAB>German" names a code of an item
// the description has no enumeration for, and "@label<TAB>item<TAB>English
// <TAB>German[<TAB>unit]" the name a reader knows an item by from the pages
// (with the unit of a value the report shows without one), so that a message
// can name the value the user is to correct. Lines starting with '#'
// are comments. The report, the windows and their messages read this table.
#include <QHash>
#include <QString>
#include <QStringList>

namespace applet {

class clsAppletItemManager;

inline const QString kUnitTableName = QStringLiteral("gv/Units.tsv");
struct UnitTable {
    QHash<QString, QString> units;   // item name in lower case -> unit or "@item"
    QHash<QString, QString> symbols; // unit text -> symbol
    // item name in lower case -> code -> {English, German}
    QHash<QString, QHash<qint64, QStringList>> texts;
    // item name in lower case -> {English, German[, unit]}
    QHash<QString, QStringList> labels;
    QStringList errors; // rows that were refused
};
UnitTable ParseUnitTable(const QString& text);

// The symbol a reader is shown for a unit text of the manager's description,
// from the unit table in its description folder; the text itself when the
// table has no symbol for it or there is no table.
QString UnitSymbol(clsAppletItemManager& manager, const QString& unit);

// The unit of an item as a reader is shown it ("mbar", "°C"): a fixed unit of
// the table, or the shown value of the item the table names; empty for an
// item without a unit.
QString ItemUnit(clsAppletItemManager& manager, const QString& item);

// The name a reader knows an item by in the language of the country code:
// the table's label row, else the description's text of the item, else the
// item's name.
QString ItemName(clsAppletItemManager& manager, const QString& item, int32_t countryCode);
// The name of the table's label row alone; empty without one.
QString TableLabel(clsAppletItemManager& manager, const QString& item, int32_t countryCode);

} // namespace applet
