#include "dalvex/DalvexClasses.h"
#include "dalvex/ctlDigitalDisplay.h"
#include "dalvex/ctlDisplaySetting.h"
#include "platform/automation/ClassRegistry.h"
#include "platform/controls/ControlClasses.h"

namespace dalvex {

void RegisterClasses()
{
    automation::ClassRegistry& registry = automation::ClassRegistry::instance();
    registry.Register(ctlDisplaySetting::kProgId, QString(), &controls::CreateUnplaced<ctlDisplaySetting>);
    registry.Register(ctlDigitalDisplay::kProgId, QString(), &controls::CreateUnplaced<ctlDigitalDisplay>);
}

} // namespace dalvex
