#pragma once
// The current values of the applet's items as the print-out shows them: an
// enumerated item as its entry's text, a number as its shortest text, each
// followed by its unit where the report's unit table gives one.
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
    ReportValues(std::shared_ptr<applet::clsAppletItemManager> manager, UnitTable units);

    // The value and unit of the item; nothing for an item the manager does not know.
    std::optional<QString> Text(const QString& itemName) const;
    // The value alone (an enumerated item as its entry's text).
    std::optional<QString> ValueText(const QString& itemName) const;

private:
    std::shared_ptr<applet::clsAppletItemManager> m_manager;
    UnitTable m_units;
};

} // namespace printview
