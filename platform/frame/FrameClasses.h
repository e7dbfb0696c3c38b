#pragma once
// Registers the frame's creatable classes with the class registry: the channel
// collection (fdt::kChannelCollectionProgId). Programs and DTM hosts call it
// once at start; calling it again changes nothing.
namespace frame {

void RegisterClasses();

} // namespace frame
