#include "platform/applet/clsFdtFileParser.h"
#include "platform/applet/AppletResults.h"

namespace applet {

namespace {

template <class Record>
bool Pick(const std::optional<FdtDescription>& d, const QList<FdtEntry<Record>> FdtDescription::*list, int32_t index,
          const FdtEntry<Record>*& entry, int32_t& error)
{
    if (!d) {
        error = kParserNotLoaded;
        return false;
    }
    const QList<FdtEntry<Record>>& entries = (*d).*list;
    if (index < 0 || index >= entries.size()) {
        error = kParserBadIndex;
        return false;
    }
    entry = &entries[index];
    error = kParserOk;
    return true;
}

QVariant AsVariantList(const QStringList& names)
{
    QVariantList list;
    for (const QString& name : names)
        list.append(name);
    return list;
}

} // namespace

void clsFdtFileParser::Load(const QString& path, QString& errorText)
{
    m_description.reset();
    FdtDescription description;
    QString error;
    if (!FdtDescription::Read(path, description, error)) {
        errorText = error;
        throw automation::ComError(kParserInvalidFile, error, kFdtFileParserProgId);
    }
    errorText.clear();
    m_description = std::move(description);
}

void clsFdtFileParser::fncGetNumberOfApplications(int32_t, int32_t& count)
{
    count = m_description ? static_cast<int32_t>(m_description->applications.size()) : 0;
}

void clsFdtFileParser::fncGetApplication(int32_t index, QString& text, QString& formName, int32_t& flags,
                                         int32_t& error)
{
    if (!m_description) {
        error = kParserNotLoaded;
        return;
    }
    if (index < 0 || index >= m_description->applications.size()) {
        error = kParserBadIndex;
        return;
    }
    const FdtApplication& application = m_description->applications[index];
    text = application.text;
    formName = application.formName;
    flags = application.flags;
    error = kParserOk;
}

void clsFdtFileParser::fncGetNumberOfEntries(int32_t kind, int32_t& count)
{
    count = 0;
    if (!m_description)
        return;
    switch (kind) {
    case kFdtEntryAppletItem:
        count = static_cast<int32_t>(m_description->appletItems.size());
        break;
    case kFdtEntryFixedItem:
        count = static_cast<int32_t>(m_description->fixedItems.size());
        break;
    case kFdtEntryChannel:
        count = static_cast<int32_t>(m_description->channels.size());
        break;
    case kFdtEntryModule:
        count = static_cast<int32_t>(m_description->modules.size());
        break;
    default:
        break;
    }
}

void clsFdtFileParser::fncGetAppletItemEntry(int32_t index, QString& name, FdtAppletItemRecord& record,
                                             int32_t& error)
{
    const FdtEntry<FdtAppletItemRecord>* entry = nullptr;
    if (Pick(m_description, &FdtDescription::appletItems, index, entry, error)) {
        name = entry->name;
        record = entry->record;
    }
}

void clsFdtFileParser::fncGetFixedItemEntry(int32_t index, QString& name, FdtFixedItemRecord& record, int32_t& error)
{
    const FdtEntry<FdtFixedItemRecord>* entry = nullptr;
    if (Pick(m_description, &FdtDescription::fixedItems, index, entry, error)) {
        name = entry->name;
        record = entry->record;
    }
}

void clsFdtFileParser::fncGetChannelEntry(int32_t index, QString& name, QVariant& itemNames, int32_t& error)
{
    const FdtEntry<QStringList>* entry = nullptr;
    if (Pick(m_description, &FdtDescription::channels, index, entry, error)) {
        name = entry->name;
        itemNames = AsVariantList(entry->record);
    }
}

void clsFdtFileParser::fncGetModuleEntry(int32_t index, QString& name, QVariant& entryNames, int32_t& error)
{
    const FdtEntry<QStringList>* entry = nullptr;
    if (Pick(m_description, &FdtDescription::modules, index, entry, error)) {
        name = entry->name;
        entryNames = AsVariantList(entry->record);
    }
}

} // namespace applet
