#include "platform/frame/FrameChannelCollection.h"
#include "platform/automation/ComError.h"

namespace frame {

namespace {
// The collection's own error numbers: "Subscript out of range", "This key is
// already associated with an element of this collection", "Invalid procedure call".
constexpr int32_t kErrSubscript = 9;
constexpr int32_t kErrDuplicateKey = 457;
constexpr int32_t kErrInvalidCall = 5;
const QString kSource = QStringLiteral("FdtChannelCollection");
} // namespace

void FrameChannelCollection::Add(const std::shared_ptr<fdt::IFdtChannel>& channel, const QString& key)
{
    if (!channel || key.isEmpty())
        throw automation::ComError(kErrInvalidCall, QStringLiteral("A channel needs an object and a key"), kSource);
    for (const Entry& entry : m_entries)
        if (entry.key == key)
            throw automation::ComError(kErrDuplicateKey,
                                       QStringLiteral("The key %1 is already associated with a channel").arg(key),
                                       kSource);
    m_entries.push_back(Entry{key, channel});
}

std::shared_ptr<fdt::IFdtChannel> FrameChannelCollection::Item(int32_t index) const
{
    if (index < 1 || index > Count())
        throw automation::ComError(kErrSubscript, QStringLiteral("Subscript out of range"), kSource);
    return m_entries[static_cast<size_t>(index - 1)].channel;
}

std::shared_ptr<fdt::IFdtChannel> FrameChannelCollection::Item(const QString& key) const
{
    for (const Entry& entry : m_entries)
        if (entry.key == key)
            return entry.channel;
    throw automation::ComError(kErrSubscript, QStringLiteral("No channel with the key %1").arg(key), kSource);
}

QStringList FrameChannelCollection::Keys() const
{
    QStringList keys;
    for (const Entry& entry : m_entries)
        keys.append(entry.key);
    return keys;
}

} // namespace frame
