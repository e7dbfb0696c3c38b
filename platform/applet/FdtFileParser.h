#pragma once
// The FDT file parser of the applet toolkit. Created through the class registry
// by its class identifier; a failed load raises a ComError. After a load it
// answers the file's applications and its parameter entries of the kinds
// 1 (applet-bound item), 2 (fixed item), 3 (channel) and 4 (module), each by
// 0-based index. Only Load must be implemented; the other operations answer
// kParserNotLoaded (AppletResults.h) unless overridden.
#include "platform/automation/ClassRegistry.h"
#include <QString>
#include <QVariant>
#include <cstdint>

namespace applet {

inline const QString kFdtFileParserProgId = QStringLiteral("PioApplet.FdtFileParser");
inline const QString kFdtFileParserClassId = QStringLiteral("{6C1E2A41-7B31-4D0E-9A55-1F2D3C4B5A60}");

// Entry kinds of the parameter section.
constexpr int32_t kFdtEntryAppletItem = 1;
constexpr int32_t kFdtEntryFixedItem = 2;
constexpr int32_t kFdtEntryChannel = 3;
constexpr int32_t kFdtEntryModule = 4;

// Kind 1: an FDT parameter whose value lives in an applet item.
struct FdtAppletItemRecord {
    QString objectName;   // the description object (applet item)
    int32_t typeCode = 0; // description type code (38, 40-44, 2001-2014, ...)
};

// Kind 2: an FDT parameter whose value the entry holds itself.
struct FdtFixedItemRecord {
    int32_t valueType = 8; // variant type of the value: 2, 3, 8, 11, 16, 17, 18, 19
    int32_t typeCode = 0;
    QVariant value;
    int32_t length = 0;
};

class FdtFileParser {
public:
    virtual ~FdtFileParser() = default;

    // Raises ComError when the file cannot be loaded; errorText then says why
    // (it may stay empty when the failure is not the file's).
    virtual void Load(const QString& path, QString& errorText) = 0;

    // Applications: a text, the form the application opens and its flag word.
    virtual void fncGetNumberOfApplications(int32_t reserved, int32_t& count);
    virtual void fncGetApplication(int32_t index, QString& text, QString& formName, int32_t& flags, int32_t& error);

    virtual void fncGetNumberOfEntries(int32_t kind, int32_t& count);
    virtual void fncGetAppletItemEntry(int32_t index, QString& name, FdtAppletItemRecord& record, int32_t& error);
    virtual void fncGetFixedItemEntry(int32_t index, QString& name, FdtFixedItemRecord& record, int32_t& error);
    // Kinds 3 and 4: the entry names as a variant holding a list of texts.
    virtual void fncGetChannelEntry(int32_t index, QString& name, QVariant& itemNames, int32_t& error);
    virtual void fncGetModuleEntry(int32_t index, QString& name, QVariant& entryNames, int32_t& error);
};

} // namespace applet
