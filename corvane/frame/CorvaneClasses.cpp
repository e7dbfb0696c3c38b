#include "corvane/frame/CorvaneClasses.h"
#include "corvane/frame/clsLoadFromFile.h"
#include "corvane/frame/clsHTMLPrintOut.h"
#include "corvane/frame/clsRevisionMgr.h"
#include "corvane/frame/clsSaveAsToFile.h"
#include "corvane/frame/clsSaveToDevice.h"
#include "corvane/frame/clsSaveToFile.h"
#include "corvane/frame/clsStartAlwaysView.h"

namespace corvane {

namespace {

// The command views of the user interface, one object per command.
template <class CommandView>
void RegisterCommandView()
{
    automation::ClassRegistry::instance().Register(CommandView::kProgId, QString(), [] {
        return std::static_pointer_cast<automation::ComObject>(std::make_shared<CommandView>());
    });
}

} // namespace

void RegisterClasses()
{
    automation::ClassRegistry::instance().Register(clsStartAlwaysView::kProgId, clsStartAlwaysView::kClassId, [] {
        return std::static_pointer_cast<automation::ComObject>(std::make_shared<clsStartAlwaysView>());
    });
    automation::ClassRegistry::instance().Register(clsRevisionMgr::kProgId, QString(), [] {
        return std::static_pointer_cast<automation::ComObject>(std::make_shared<clsRevisionMgr>());
    });
    RegisterCommandView<clsLoadFromFile>();
    RegisterCommandView<clsSaveToFile>();
    RegisterCommandView<clsSaveAsToFile>();
    RegisterCommandView<clsSaveToDevice>();
    RegisterCommandView<clsHTMLPrintOut>();
}

} // namespace corvane
