#pragma once
// The keyed collections of the data model: items in the order they were
// added, each under a text key matched without regard to case. A key that is
// taken already is refused with the collection's duplicate-key error, an index
// or key that names nothing with its index error; both reach the caller.
#include "platform/automation/ComError.h"
#include <QHash>
#include <QString>
#include <cstdint>
#include <memory>
#include <utility>
#include <vector>

namespace DataCollectionErrors {
// "Subscript out of range", "This key is already associated with an element
// of this collection"
constexpr int32_t kSubscriptOutOfRange = 9;
constexpr int32_t kDuplicateKey = 457;
} // namespace DataCollectionErrors

template <class T>
class DataCollection {
public:
    using Pointer = std::shared_ptr<T>;
    struct Entry {
        QString key;
        Pointer item;
    };

    // Raises automation::ComError (457) when the key is taken; nothing is added then.
    void Add(const QString& key, Pointer item)
    {
        const QString folded = key.toCaseFolded();
        if (m_index.contains(folded))
            throw automation::ComError(DataCollectionErrors::kDuplicateKey,
                                       QStringLiteral("This key is already associated with an element of this "
                                                      "collection: ")
                                           + key,
                                       QStringLiteral("Collection"));
        m_index.insert(folded, static_cast<int32_t>(m_entries.size()));
        m_entries.push_back(Entry{key, std::move(item)});
    }

    int32_t Count() const { return static_cast<int32_t>(m_entries.size()); }
    bool IsEmpty() const { return m_entries.empty(); }
    bool Contains(const QString& key) const { return m_index.contains(key.toCaseFolded()); }

    // The item under the key, none when there is none.
    Pointer Find(const QString& key) const
    {
        const auto it = m_index.constFind(key.toCaseFolded());
        return it == m_index.constEnd() ? nullptr : m_entries[static_cast<size_t>(*it)].item;
    }
    // 1-based, as the collection counts; raises automation::ComError (9) outside 1..Count.
    Pointer Item(int32_t index) const
    {
        if (index < 1 || index > Count())
            throw automation::ComError(DataCollectionErrors::kSubscriptOutOfRange,
                                       QStringLiteral("Subscript out of range: %1 of %2").arg(index).arg(Count()),
                                       QStringLiteral("Collection"));
        return m_entries[static_cast<size_t>(index - 1)].item;
    }

    auto begin() const { return m_entries.begin(); }
    auto end() const { return m_entries.end(); }

private:
    std::vector<Entry> m_entries;
    QHash<QString, int32_t> m_index; // case-folded key -> position
};
