#pragma once
// The report page as the print viewer reads it: where the generated page is
// (the description folder, or the user's cache folder where the description
// folder could not be written), the unit table that ships with the report
// templates, and the filling of the "#item#" placeholders. Sans-I/O where it
// can be: filling takes the page's text and a lookup of values.
#include "platform/applet/UnitTable.h"
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

// The unit table beside the description, as the windows read it too.
using applet::kUnitTableName;
using applet::ParseUnitTable;
using applet::UnitTable;

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
