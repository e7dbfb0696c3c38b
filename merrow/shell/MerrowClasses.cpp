#include "merrow/shell/MerrowClasses.h"
#include "merrow/shell/clsMainView.h"
#include "mvtrivexbusywindow/MVTrivexBusyWindowClasses.h"

namespace merrow {

void RegisterClasses()
{
    automation::ClassRegistry::instance().Register(clsMainView::kProgId, QString(), [] {
        return std::static_pointer_cast<automation::ComObject>(clsMainView::Create());
    });
    mvtrivexbusywindow::RegisterClasses(); // the controls the main window places
}

} // namespace merrow
