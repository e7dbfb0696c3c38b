#pragma once
// The report page as the print viewer reads it: where the generated page is
// (the description folder, or the user's cache folder where the description
// folder could not be written), the unit table that ships with the report
// templates, and the filling of the "#item#" placeholders. Sans-I/O where it
// can be: filling takes the page's text and a lookup of values.
#include <QHash>
#include <QString>
#include <QStringList>
#include <functional>
#include <optional>

namespace printview {

// The generated pages, by preference: the country's page, the neutral copy, the English copy.
QStringList PageNames(int countryCode);
// The folders the pages may be in: the description folder, then the cache folder.
QStringList PageFolders(const QString& descriptionFolder);
// The page to show: for the first name that exists in any folder, the newest
// of its files. Empty when there is none.
QString FindReportPage(const QString& descriptionFolder, int countryCode);

// "gv/Units.tsv" below the description folder: one row per item that has a
// unit, "item<TAB>unit"; the unit is a fixed text, or "@" and the name of the
// item whose shown value is the unit. Two more kinds of rows tell how a
// reader wants the values printed: "@symbol<TAB>text<TAB>symbol" prints a
// unit text of the description ("degC") as its symbol ("°C"), and
// "@text<TAB>item<TAB>code<TAB>English<TAB>German" names a code of an item
// the description has no enumeration for. Lines starting with '#' are comments.
inline const QString kUnitTableName = QStringLiteral("gv/Units.tsv");
struct UnitTable {
    QHash<QString, QString> units;   // item name in lower case -> unit or "@item"
    QHash<QString, QString> symbols; // unit text -> symbol
    // item name in lower case -> code -> {English, German}
    QHash<QString, QHash<qint64, QStringList>> texts;
    QStringList errors; // rows that were refused
};
UnitTable ParseUnitTable(const QString& text);

// A page larger than this is refused.
constexpr qint64 kMaxPageBytes = 8 * 1024 * 1024;

// Replaces every "#name#" placeholder (name: letters, digits, '_' and '&')
// with the HTML-escaped text lookup gives; a name lookup does not know stays
// as it is and is listed in unfilled.
QString FillPlaceholders(const QString& page, const std::function<std::optional<QString>(const QString&)>& lookup,
                         QStringList* unfilled = nullptr);
// The placeholders a text still holds.
QStringList Placeholders(const QString& page);

} // namespace printview
