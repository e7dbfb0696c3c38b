#include "merrow/shell/MerrowClasses.h"
#include "merrow/shell/clsBlockModeView.h"
#include "merrow/shell/clsMainView.h"
#include "merrow/shell/global.h"
#include "platform/dialogs/DialogService.h"
#include "mvtrivexbusywindow/MVTrivexBusyWindowClasses.h"

namespace merrow {

void RegisterClasses()
{
    // The device windows' message boxes carry the DTM's name, as all of its messages do.
    dialogs::DialogService::SetMessageTitle(global::kProductTitle);
    automation::ClassRegistry::instance().Register(clsMainView::kProgId, QString(), [] {
        return std::static_pointer_cast<automation::ComObject>(clsMainView::Create());
    });
    automation::ClassRegistry::instance().Register(clsBlockModeView::kProgId, QString(), [] {
        return std::static_pointer_cast<automation::ComObject>(std::make_shared<clsBlockModeView>());
    });
    mvtrivexbusywindow::RegisterClasses(); // the controls the main window places
}

} // namespace merrow
