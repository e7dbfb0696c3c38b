#include "corvane/frame/CorvaneClasses.h"
#include "corvane/frame/clsHTMLPrintOut.h"
#include "corvane/frame/clsRevisionMgr.h"
#include "corvane/frame/clsStartAlwaysView.h"

namespace corvane {

void RegisterClasses()
{
    automation::ClassRegistry::instance().Register(clsStartAlwaysView::kProgId, clsStartAlwaysView::kClassId, [] {
        return std::static_pointer_cast<automation::ComObject>(std::make_shared<clsStartAlwaysView>());
    });
    automation::ClassRegistry::instance().Register(clsRevisionMgr::kProgId, QString(), [] {
        return std::static_pointer_cast<automation::ComObject>(std::make_shared<clsRevisionMgr>());
    });
    automation::ClassRegistry::instance().Register(clsHTMLPrintOut::kProgId, QString(), [] {
        return std::static_pointer_cast<automation::ComObject>(std::make_shared<clsHTMLPrintOut>());
    });
}

} // namespace corvane
