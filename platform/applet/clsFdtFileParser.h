#pragma once
// The FDT-file parser: loads an FDT file (FdtDescription) and answers its
// applications and parameter entries by 0-based index.
#include "platform/applet/FdtDescription.h"
#include "platform/applet/FdtFileParser.h"
#include <optional>

namespace applet {

class clsFdtFileParser : public automation::ComObject, public FdtFileParser {
public:
    // A file that cannot be loaded raises ComError(kParserInvalidFile) and
    // leaves errorText with the file, the line and the reason; the parser then
    // holds nothing.
    void Load(const QString& path, QString& errorText) override;
    void fncGetNumberOfApplications(int32_t reserved, int32_t& count) override;
    void fncGetApplication(int32_t index, QString& text, QString& formName, int32_t& flags, int32_t& error) override;
    void fncGetNumberOfEntries(int32_t kind, int32_t& count) override;
    void fncGetAppletItemEntry(int32_t index, QString& name, FdtAppletItemRecord& record, int32_t& error) override;
    void fncGetFixedItemEntry(int32_t index, QString& name, FdtFixedItemRecord& record, int32_t& error) override;
    void fncGetChannelEntry(int32_t index, QString& name, QVariant& itemNames, int32_t& error) override;
    void fncGetModuleEntry(int32_t index, QString& name, QVariant& entryNames, int32_t& error) override;

private:
    std::optional<FdtDescription> m_description;
};

} // namespace applet
