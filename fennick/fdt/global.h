#pragma once
// The process-wide objects of the DTM program. A process serves one DTM
// object; the trace writer, the connect object, the data manager and the
// application functions reach it here.
#include <cstdint>
#include <memory>

namespace applet {
class AppletHost;
class clsAppletItemManager;
class FdtFileParser;
} // namespace applet

class clsDataBag;
class clsTkDispatcher;

namespace global {

// The current DTM object: set when it is created, cleared by its teardown or
// when it dies. Held weakly: the frame owns the object.
std::shared_ptr<clsTkDispatcher> CurrentDtm();
void SetCurrentDtm(const std::shared_ptr<clsTkDispatcher>& dtm);
// Clears the reference when it names that object (or always for null).
void ClearCurrentDtm(const clsTkDispatcher* dtm = nullptr);
bool IsCurrentDtm(const clsTkDispatcher* dtm);

// The applet host of the toolkit, none until the toolkit is started.
std::shared_ptr<applet::AppletHost>& AppletHost();
// The item manager of a host (none without host or manager), and that of
// the toolkit's applet host.
std::shared_ptr<applet::clsAppletItemManager> ItemManagerOf(const std::shared_ptr<applet::AppletHost>& host);
std::shared_ptr<applet::clsAppletItemManager> AppletItemManager();
// The FDT-file parser the toolkit start loaded.
std::shared_ptr<applet::FdtFileParser>& FdtFileParser();
// The data bag last read from or written to the frame (for the export).
std::shared_ptr<clsDataBag>& LastDataBag();

// The FDT user level of the frame's user: 0 observer or unrecognised,
// 1 operator, 2 maintenance, 3 planning engineer.
int32_t& FdtUserLevel();

} // namespace global
