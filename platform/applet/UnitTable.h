#pragma once
// The unit table that ships beside the description ("gv/Units.tsv"): one row
// per item that has a unit, "item<TAB>unit"; the unit is a fixed text, or "@"
// and the name of the item whose shown value is the unit. Two more kinds of
// rows tell how a reader wants the values shown: "@symbol<TAB>text<TAB>symbol"
// shows a unit text of the description ("degC") as its symbol ("°C"), and
// "@text<TAB>item<TAB>code<TAB>English<TAB>German" names a code of an item
// the description has no enumeration for. Lines starting with '#' are
// comments. The report and the windows that show units read the same table.
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
    QStringList errors; // rows that were refused
};
UnitTable ParseUnitTable(const QString& text);

// The symbol a reader is shown for a unit text of the manager's description,
// from the unit table in its description folder; the text itself when the
// table has no symbol for it or there is no table.
QString UnitSymbol(clsAppletItemManager& manager, const QString& unit);

} // namespace applet
