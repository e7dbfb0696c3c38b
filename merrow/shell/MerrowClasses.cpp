#include "merrow/shell/MerrowClasses.h"
#include "merrow/shell/clsMainView.h"

namespace merrow {

void RegisterClasses()
{
    automation::ClassRegistry::instance().Register(clsMainView::kProgId, QString(), [] {
        return std::static_pointer_cast<automation::ComObject>(clsMainView::Create());
    });
}

} // namespace merrow
