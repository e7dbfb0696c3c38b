#include "platform/comm/server/CommServerClasses.h"

#include "platform/automation/ClassRegistry.h"
#include "platform/comm/server/HartCommServer.h"

namespace comm {

void RegisterCommServerClasses()
{
    automation::ClassRegistry::instance().Register(kHartCommServerProgId, kHartCommServerClassId,
                                                   [] { return std::make_shared<HartCommServer>(); });
}

} // namespace comm
