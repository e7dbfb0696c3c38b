#pragma once
// The channels of a DTM (modular devices), handed to the frame as a collection.
#include <memory>

namespace fdt {

class FdtChannelCollection;

class IDtmChannel {
public:
    virtual ~IDtmChannel() = default;

    // The DTM's channels, or none when it has none.
    virtual std::shared_ptr<FdtChannelCollection> GetChannels() = 0;
};

} // namespace fdt
