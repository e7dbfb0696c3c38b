#include "mvtrivexbusywindow/MVTrivexBusyWindowClasses.h"
#include "mvtrivexbusywindow/ctlBusyWindow.h"
#include "platform/automation/ClassRegistry.h"
#include "platform/controls/ControlClasses.h"

namespace mvtrivexbusywindow {

void RegisterClasses()
{
    automation::ClassRegistry::instance().Register(ctlBusyWindow::kProgId, QString(),
                                                   &controls::CreateUnplaced<ctlBusyWindow>);
}

} // namespace mvtrivexbusywindow
