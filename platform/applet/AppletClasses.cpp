#include "platform/applet/AppletClasses.h"
#include "platform/applet/FdtFileParser.h"
#include "platform/applet/TdxFileParser.h"
#include "platform/applet/clsAppletHost.h"
#include "platform/applet/clsFdtFileParser.h"
#include "platform/applet/clsTdxFileParser.h"

namespace applet {

void RegisterClasses()
{
    auto& registry = automation::ClassRegistry::instance();
    registry.Register(kAppletHostProgId, kAppletHostClassId, [] { return std::make_shared<clsAppletHost>(); });
    registry.Register(kTdxFileParserProgId, kTdxFileParserClassId,
                      [] { return std::make_shared<clsTdxFileParser>(); });
    registry.Register(kFdtFileParserProgId, kFdtFileParserClassId,
                      [] { return std::make_shared<clsFdtFileParser>(); });
}

} // namespace applet
