#pragma once
// The frame's channel collection: channels of a DTM under text keys, in the
// order they were added. Created through the class registry by its ProgID.
#include <QString>
#include <QStringList>
#include <cstdint>
#include <memory>

namespace fdt {

class IFdtChannel;

inline const QString kChannelCollectionProgId = QStringLiteral("FDT.FdtChannelCollection");

class FdtChannelCollection {
public:
    virtual ~FdtChannelCollection() = default;

    // Raises automation::ComError for no channel, an empty key or a key that
    // is already taken; nothing is added then.
    virtual void Add(const std::shared_ptr<IFdtChannel>& channel, const QString& key) = 0;
    virtual int32_t Count() const = 0;
    // 1-based; raises automation::ComError outside 1..Count.
    virtual std::shared_ptr<IFdtChannel> Item(int32_t index) const = 0;
    // Raises automation::ComError for an unknown key.
    virtual std::shared_ptr<IFdtChannel> Item(const QString& key) const = 0;
    virtual QStringList Keys() const = 0;
};

} // namespace fdt
