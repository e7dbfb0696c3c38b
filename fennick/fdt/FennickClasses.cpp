#include "fennick/fdt/FennickClasses.h"
#include "fennick/fdt/clsTkDispatcher.h"
#include "platform/applet/AppletClasses.h"
#include "platform/automation/ClassRegistry.h"
#include "platform/dialogs/DialogService.h"

namespace fennick {

void RegisterClasses()
{
    // Whatever part of the DTM speaks to the user, its message boxes carry the DTM's name.
    dialogs::DialogService::SetMessageTitle(QStringLiteral("Trivex DTM"));
    // The DTM starts the applet toolkit by its class names.
    applet::RegisterClasses();
    automation::ClassRegistry::instance().Register(clsTkDispatcher::kProgId, clsTkDispatcher::kClassId, [] {
        return std::static_pointer_cast<automation::ComObject>(clsTkDispatcher::Create());
    });
}

} // namespace fennick
