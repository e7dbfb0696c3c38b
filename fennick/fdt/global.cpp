#include "fennick/fdt/global.h"
#include "fennick/dataset/clsDataBag.h"
#include "fennick/fdt/clsTkDispatcher.h"
#include "fennick/services/Debugging.h"
#include "platform/applet/AppletHost.h"
#include "platform/applet/FdtFileParser.h"

namespace global {

namespace {

struct Current {
    std::weak_ptr<clsTkDispatcher> object;
    const clsTkDispatcher* raw = nullptr;
};

Current& current()
{
    static Current c;
    return c;
}

} // namespace

std::shared_ptr<applet::clsAppletItemManager> ItemManagerOf(const std::shared_ptr<applet::AppletHost>& host)
{
    std::shared_ptr<applet::clsAppletItemManager> manager;
    if (host)
        host->GetItemManager(manager);
    return manager;
}

std::shared_ptr<applet::clsAppletItemManager> AppletItemManager()
{
    return ItemManagerOf(AppletHost());
}

std::shared_ptr<clsTkDispatcher> CurrentDtm()
{
    return current().object.lock();
}

void SetCurrentDtm(const std::shared_ptr<clsTkDispatcher>& dtm)
{
    current().object = dtm;
    current().raw = dtm.get();
    Debugging::SetCurrentDtmObject(dtm.get());
}

void ClearCurrentDtm(const clsTkDispatcher* dtm)
{
    if (dtm && current().raw != dtm)
        return;
    current().object.reset();
    current().raw = nullptr;
    Debugging::SetCurrentDtmObject(nullptr);
}

bool IsCurrentDtm(const clsTkDispatcher* dtm)
{
    return dtm != nullptr && current().raw == dtm;
}

std::shared_ptr<applet::AppletHost>& AppletHost()
{
    static std::shared_ptr<applet::AppletHost> host;
    return host;
}

std::shared_ptr<applet::FdtFileParser>& FdtFileParser()
{
    static std::shared_ptr<applet::FdtFileParser> parser;
    return parser;
}

std::shared_ptr<clsDataBag>& LastDataBag()
{
    static std::shared_ptr<clsDataBag> bag;
    return bag;
}

int32_t& FdtUserLevel()
{
    static int32_t level = 0;
    return level;
}

} // namespace global
