#include "platform/applet/clsTdxFileParser.h"
#include "platform/applet/AppletResults.h"
#include "platform/applet/DescriptionCache.h"
#include <array>

namespace applet {

namespace {

struct KindRow {
    const char* name;
    int kind; // EntryKind
};

// Entry kinds by the names the callers use; compared without regard to case.
constexpr std::array<KindRow, 5> kKinds{{
    {"object", 0},
    {"enumeration", 1},
    {"menu", 2},
    {"sequence", 3},
    {"record", 4},
}};

} // namespace

bool clsTdxFileParser::KindFromName(const QString& name, EntryKind& kind)
{
    for (const KindRow& row : kKinds)
        if (name.trimmed().compare(QLatin1String(row.name), Qt::CaseInsensitive) == 0) {
            kind = static_cast<EntryKind>(row.kind);
            return true;
        }
    return false;
}

void clsTdxFileParser::Load(int32_t kind, const QString& path, int32_t language, QString& errorText, int32_t& status)
{
    QString error;
    auto description = DescriptionCache::Read(path, kind, error);
    if (!description) {
        errorText = error;
        status = kParserInvalidFile;
        return;
    }
    errorText.clear();
    status = kParserOk;
    m_language = language;
    m_description = std::move(description);
    BuildEntries();
}

void clsTdxFileParser::BuildEntries()
{
    m_entries.clear();
    const Description& d = *m_description;
    for (int i = 0; i < d.objects.size(); ++i)
        m_entries.push_back({EntryKind::Object, i});
    for (int i = 0; i < d.enumerations.size(); ++i)
        m_entries.push_back({EntryKind::Enumeration, i});
    for (int i = 0; i < d.menu.size(); ++i)
        m_entries.push_back({EntryKind::Menu, i});
    for (int i = 0; i < d.sequences.size(); ++i)
        m_entries.push_back({EntryKind::Sequence, i});
    for (int i = 0; i < d.records.size(); ++i)
        m_entries.push_back({EntryKind::Record, i});
}

const clsTdxFileParser::Entry* clsTdxFileParser::EntryAt(int32_t handle) const
{
    if (handle < 1 || handle > static_cast<int32_t>(m_entries.size()))
        return nullptr;
    return &m_entries[static_cast<size_t>(handle - 1)];
}

bool clsTdxFileParser::LoadedKind(const QString& name, EntryKind& kind, int32_t& error) const
{
    if (!m_description)
        error = kParserNotLoaded;
    else if (!KindFromName(name, kind))
        error = kParserUnknownKind;
    else
        error = kParserOk;
    return error == kParserOk;
}

const clsTdxFileParser::Entry* clsTdxFileParser::LoadedEntry(int32_t handle, std::optional<EntryKind> kind,
                                                             int32_t& error) const
{
    if (!m_description) {
        error = kParserNotLoaded;
        return nullptr;
    }
    const Entry* entry = EntryAt(handle);
    if (!entry || (kind && entry->kind != *kind)) {
        error = kParserBadHandle;
        return nullptr;
    }
    error = kParserOk;
    return entry;
}

QString clsTdxFileParser::NameOf(const Entry& entry) const
{
    const Description& d = *m_description;
    switch (entry.kind) {
    case EntryKind::Object:
        return d.objects[entry.index].name;
    case EntryKind::Enumeration:
        return d.enumerations[entry.index].name;
    case EntryKind::Menu:
        return d.menu[entry.index].name;
    case EntryKind::Sequence:
        return d.sequences[entry.index].name;
    case EntryKind::Record:
        return d.records[entry.index].name;
    }
    return QString();
}

void clsTdxFileParser::fncReadKey(const QString& key, QString& value, int32_t& failed)
{
    value.clear();
    if (!m_description) {
        failed = kParserNotLoaded;
        return;
    }
    const QString* found = m_description->HeaderValue(key);
    if (!found) {
        failed = kParserNotFound;
        return;
    }
    value = *found;
    failed = kParserOk;
}

void clsTdxFileParser::fncNumberOfEntries(const QString& kind, int32_t& count, int32_t& error)
{
    count = 0;
    EntryKind wanted;
    if (!LoadedKind(kind, wanted, error))
        return;
    for (const Entry& entry : m_entries)
        if (entry.kind == wanted)
            ++count;
}

void clsTdxFileParser::fncGetFirstEntryHandle(const QString& kind, int32_t& handle, int32_t& error)
{
    handle = 0;
    EntryKind wanted;
    if (!LoadedKind(kind, wanted, error))
        return;
    for (size_t i = 0; i < m_entries.size(); ++i)
        if (m_entries[i].kind == wanted) {
            handle = static_cast<int32_t>(i + 1);
            return;
        }
    error = kParserNoMoreEntries;
}

void clsTdxFileParser::fncGetNextEntryHandle(int32_t& handle, int32_t& error)
{
    const Entry* current = LoadedEntry(handle, std::nullopt, error);
    if (!current)
        return;
    for (auto i = static_cast<size_t>(handle); i < m_entries.size(); ++i)
        if (m_entries[i].kind == current->kind) {
            handle = static_cast<int32_t>(i + 1);
            return;
        }
    error = kParserNoMoreEntries;
}

void clsTdxFileParser::fncGetEntryHandle(const QString& kind, const QString& name, int32_t& handle, int32_t& error)
{
    handle = 0;
    EntryKind wanted;
    if (!LoadedKind(kind, wanted, error))
        return;
    for (size_t i = 0; i < m_entries.size(); ++i)
        if (m_entries[i].kind == wanted && NameOf(m_entries[i]).compare(name, Qt::CaseInsensitive) == 0) {
            handle = static_cast<int32_t>(i + 1);
            return;
        }
    error = kParserNotFound;
}

void clsTdxFileParser::fncGetEntryName(int32_t handle, QString& name, int32_t& error)
{
    name.clear();
    if (const Entry* entry = LoadedEntry(handle, std::nullopt, error))
        name = NameOf(*entry);
}

void clsTdxFileParser::fncGetMenuEntry(int32_t handle, QString& name, QString& label, QString& help,
                                       QString& command, int32_t& number, int32_t& failed)
{
    const Entry* entry = LoadedEntry(handle, EntryKind::Menu, failed);
    if (!entry)
        return;
    const DescMenuEntry& menu = m_description->menu[entry->index];
    name = menu.name;
    label = menu.label;
    help = menu.help;
    command = menu.command;
    number = menu.number;
}

void clsTdxFileParser::fncGetObjectInfo(int32_t handle, QString& text, int32_t& dataType, int32_t& size,
                                        QVariant& value, QString& enumerationName, int32_t& error)
{
    const Entry* entry = LoadedEntry(handle, EntryKind::Object, error);
    if (!entry)
        return;
    const DescObject& object = m_description->objects[entry->index];
    text = object.text;
    dataType = static_cast<int32_t>(object.type);
    size = object.size;
    value = object.defaultText;
    enumerationName = object.enumeration;
}

void clsTdxFileParser::fncGetEnumEntries(int32_t handle, QString& text, QList<TdxEnumEntry>& entries, int32_t& error)
{
    const Entry* entry = LoadedEntry(handle, EntryKind::Enumeration, error);
    if (!entry)
        return;
    const DescEnumeration& enumeration = m_description->enumerations[entry->index];
    text = enumeration.text;
    entries.clear();
    for (const DescEnumEntry& e : enumeration.entries)
        entries.append(TdxEnumEntry{e.value, e.text});
}

void clsTdxFileParser::fncGetSequenceRecords(int32_t handle, QString& text, int32_t& error, QStringList& records,
                                             int32_t& count)
{
    records.clear();
    count = 0;
    const Entry* entry = LoadedEntry(handle, EntryKind::Sequence, error);
    if (!entry)
        return;
    const DescSequence& sequence = m_description->sequences[entry->index];
    text = sequence.text;
    records = sequence.records;
    count = static_cast<int32_t>(records.size());
}

} // namespace applet
