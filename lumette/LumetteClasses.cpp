#include "lumette/LumetteClasses.h"
#include "lumette/DynamicLabel.h"
#include "platform/controls/ControlClasses.h"

namespace lumette {

void RegisterClasses()
{
    automation::ClassRegistry::instance().Register(DynamicLabel::kProgId, QString(),
                                                   &controls::CreateUnplaced<DynamicLabel>);
}

} // namespace lumette
