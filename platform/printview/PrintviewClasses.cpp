#include "platform/printview/PrintviewClasses.h"
#include "platform/printview/clsHTMLPrintView.h"

namespace printview {

void RegisterClasses()
{
    automation::ClassRegistry::instance().Register(clsHTMLPrintView::kProgId, QString(), [] {
        return std::static_pointer_cast<automation::ComObject>(std::make_shared<clsHTMLPrintView>());
    });
}

} // namespace printview
