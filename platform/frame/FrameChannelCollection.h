#pragma once
// The frame's channel collection, created by the DTM through the class
// registry (fdt::kChannelCollectionProgId) and filled with its channels.
#include "platform/automation/ClassRegistry.h"
#include "platform/frame/fdt/FdtChannelCollection.h"
#include <QString>
#include <memory>
#include <vector>

namespace frame {

class FrameChannelCollection : public automation::ComObject, public fdt::FdtChannelCollection {
public:
    void Add(const std::shared_ptr<fdt::IFdtChannel>& channel, const QString& key) override;
    int32_t Count() const override { return static_cast<int32_t>(m_entries.size()); }
    std::shared_ptr<fdt::IFdtChannel> Item(int32_t index) const override;
    std::shared_ptr<fdt::IFdtChannel> Item(const QString& key) const override;
    QStringList Keys() const override;

private:
    struct Entry {
        QString key;
        std::shared_ptr<fdt::IFdtChannel> channel;
    };
    std::vector<Entry> m_entries;
};

} // namespace frame
