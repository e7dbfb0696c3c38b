#include "merrow/shell/MerrowClasses.h"
#include "merrow/shell/clsBlockModeView.h"
#include "merrow/shell/clsMainView.h"
#include "mvtrivexbusywindow/MVTrivexBusyWindowClasses.h"

namespace merrow {

void RegisterClasses()
{
    automation::ClassRegistry::instance().Register(clsMainView::kProgId, QString(), [] {
        return std::static_pointer_cast<automation::ComObject>(clsMainView::Create());
    });
    automation::ClassRegistry::instance().Register(clsBlockModeView::kProgId, QString(), [] {
        return std::static_pointer_cast<automation::ComObject>(std::make_shared<clsBlockModeView>());
    });
    mvtrivexbusywindow::RegisterClasses(); // the controls the main window places
}

} // namespace merrow
