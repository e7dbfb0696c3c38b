#include "corvane/frame/CorvaneClasses.h"
#include "corvane/frame/clsStartAlwaysView.h"

namespace corvane {

void RegisterClasses()
{
    automation::ClassRegistry::instance().Register(clsStartAlwaysView::kProgId, clsStartAlwaysView::kClassId, [] {
        return std::static_pointer_cast<automation::ComObject>(std::make_shared<clsStartAlwaysView>());
    });
}

} // namespace corvane
