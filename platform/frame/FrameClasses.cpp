#include "platform/frame/FrameClasses.h"
#include "platform/automation/ClassRegistry.h"
#include "platform/frame/FrameChannelCollection.h"

namespace frame {

void RegisterClasses()
{
    automation::ClassRegistry::instance().Register(fdt::kChannelCollectionProgId,
                                                   QStringLiteral("{5E0B7C14-2F7A-4C6B-8E3D-91A4F2C6D7B8}"),
                                                   [] { return std::make_shared<FrameChannelCollection>(); });
}

} // namespace frame
