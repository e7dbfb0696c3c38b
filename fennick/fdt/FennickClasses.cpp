#include "fennick/fdt/FennickClasses.h"
#include "fennick/fdt/clsTkDispatcher.h"
#include "platform/applet/AppletClasses.h"
#include "platform/automation/ClassRegistry.h"

namespace fennick {

void RegisterClasses()
{
    // The DTM starts the applet toolkit by its class names.
    applet::RegisterClasses();
    automation::ClassRegistry::instance().Register(clsTkDispatcher::kProgId, clsTkDispatcher::kClassId, [] {
        return std::static_pointer_cast<automation::ComObject>(clsTkDispatcher::Create());
    });
}

} // namespace fennick
