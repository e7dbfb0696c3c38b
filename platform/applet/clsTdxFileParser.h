#pragma once
// The TDX-file parser: loads a description with TdxDescriptionReader and
// answers the entry operations of TdxFileParser over it. Entry handles number
// all entries (objects, enumerations, menu entries, sequences, records) from 1
// in that order.
#include "platform/applet/Description.h"
#include "platform/applet/TdxFileParser.h"
#include <memory>
#include <optional>
#include <vector>

namespace applet {

class clsTdxFileParser : public automation::ComObject, public TdxFileParser {
public:
    void Load(int32_t kind, const QString& path, int32_t language, QString& errorText, int32_t& status) override;
    void fncReadKey(const QString& key, QString& value, int32_t& failed) override;
    void fncNumberOfEntries(const QString& kind, int32_t& count, int32_t& error) override;
    void fncGetFirstEntryHandle(const QString& kind, int32_t& handle, int32_t& error) override;
    void fncGetNextEntryHandle(int32_t& handle, int32_t& error) override;
    void fncGetEntryHandle(const QString& kind, const QString& name, int32_t& handle, int32_t& error) override;
    void fncGetEntryName(int32_t handle, QString& name, int32_t& error) override;
    void fncGetMenuEntry(int32_t handle, QString& name, QString& label, QString& help, QString& command,
                         int32_t& number, int32_t& failed) override;
    void fncGetObjectInfo(int32_t handle, QString& text, int32_t& dataType, int32_t& size, QVariant& value,
                          QString& enumerationName, int32_t& error) override;
    void fncGetEnumEntries(int32_t handle, QString& text, QList<TdxEnumEntry>& entries, int32_t& error) override;
    void fncGetSequenceRecords(int32_t handle, QString& text, int32_t& error, QStringList& records,
                               int32_t& count) override;

    // The loaded description; null before a successful Load.
    std::shared_ptr<const Description> GetDescription() const { return m_description; }
    int32_t Language() const { return m_language; }

private:
    enum class EntryKind { Object, Enumeration, Menu, Sequence, Record };
    struct Entry {
        EntryKind kind;
        int index;
    };
    static bool KindFromName(const QString& name, EntryKind& kind);
    const Entry* EntryAt(int32_t handle) const;
    // With a description loaded: the kind of that name, or the entry of the
    // handle (of the kind given, if one is); otherwise false or null and error
    // says why.
    bool LoadedKind(const QString& name, EntryKind& kind, int32_t& error) const;
    const Entry* LoadedEntry(int32_t handle, std::optional<EntryKind> kind, int32_t& error) const;
    QString NameOf(const Entry& entry) const;
    void BuildEntries();

    std::shared_ptr<const Description> m_description;
    std::vector<Entry> m_entries;
    int32_t m_language = 1;
};

} // namespace applet
