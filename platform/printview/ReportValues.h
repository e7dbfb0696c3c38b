#pragma once
// The current values of the applet's items as the print-out shows them: an
// enumerated item as its entry's text (or the unit table's text of its code,
// in the report's language), a number as its shortest text, each followed by
// its unit where the report's unit table gives one, printed as its symbol.
#include "platform/printview/ReportPage.h"
#include <QString>
#include <memory>
#include <optional>

namespace applet {
class clsAppletItemManager;
}

namespace printview {

class ReportValues {
public:
    // countryCode: the report's language (49 German, anything else English).
    ReportValues(std::shared_ptr<applet::clsAppletItemManager> manager, UnitTable units, int countryCode = 1);

    // The value and unit of the item; nothing for an item the manager does not know.
    std::optional<QString> Text(const QString& itemName) const;
    // The value alone (an enumerated item as its entry's text).
    std::optional<QString> ValueText(const QString& itemName) const;

private:
    // The unit text as the report prints it.
    QString Symbol(const QString& unit) const;

    std::shared_ptr<applet::clsAppletItemManager> m_manager;
    UnitTable m_units;
    int m_countryCode;
    int m_language = 0; // index into a text row: 0 English, 1 German
};

} // namespace printview
