#pragma once
// The device-description (TDX) file parser of the applet toolkit. Created
// through the class registry by its class identifier; a raised error is a
// ComError. After a successful Load it answers the description's header keys
// and entries. Entries have handles above 0; the entry kinds are "OBJECT",
// "ENUMERATION", "MENU", "SEQUENCE" and "RECORD", matched without regard to
// case. Every operation reports through its trailing out-parameter (the
// record list of a sequence excepted, where the order is the callers'),
// 0 meaning success (AppletResults.h: kParser...). Only Load must be
// implemented; the other operations answer kParserNotLoaded unless overridden,
// so that a stand-in parser of a test needs no more than it is asked for.
#include "platform/automation/ClassRegistry.h"
#include <QList>
#include <QString>
#include <QStringList>
#include <QVariant>
#include <cstdint>

namespace applet {

inline const QString kTdxFileParserProgId = QStringLiteral("PioApplet.TdxFileParser");
inline const QString kTdxFileParserClassId = QStringLiteral("{6C1E2A40-7B31-4D0E-9A55-1F2D3C4B5A60}");

// Kinds of description a parser loads.
constexpr int32_t kTdxKindDevice = 1;
constexpr int32_t kTdxKindProtocol = 2;

struct TdxEnumEntry {
    int32_t value = 0;
    QString text;
};

class TdxFileParser {
public:
    virtual ~TdxFileParser() = default;

    // status 0: the file is loaded and valid; otherwise errorText says why
    // (file, line and reason for a file that is not well-formed or does not
    // fit the schema).
    virtual void Load(int32_t kind, const QString& path, int32_t language, QString& errorText,
                      int32_t& status) = 0;

    // A header key ("AppletAccess", "DevDescLong", "Nickname", "Vendor",
    // "VendorId", "InterfaceParent", "DeviceId", "HWRelease", "SWRelease");
    // failed not 0 when the description lacks it.
    virtual void fncReadKey(const QString& key, QString& value, int32_t& failed);

    virtual void fncNumberOfEntries(const QString& kind, int32_t& count, int32_t& error);
    virtual void fncGetFirstEntryHandle(const QString& kind, int32_t& handle, int32_t& error);
    // The entry after handle, of the same kind.
    virtual void fncGetNextEntryHandle(int32_t& handle, int32_t& error);
    virtual void fncGetEntryHandle(const QString& kind, const QString& name, int32_t& handle, int32_t& error);
    virtual void fncGetEntryName(int32_t handle, QString& name, int32_t& error);

    // A menu entry: name, label, help, command text (keyword, optionally a
    // blank and an argument) and its number.
    virtual void fncGetMenuEntry(int32_t handle, QString& name, QString& label, QString& help, QString& command,
                                 int32_t& number, int32_t& failed);
    // An object: label, type code (0 to 8, ItemValue.h), size, default value
    // (text) and the name of its enumeration (empty when it has none).
    virtual void fncGetObjectInfo(int32_t handle, QString& text, int32_t& dataType, int32_t& size, QVariant& value,
                                  QString& enumerationName, int32_t& error);
    // An enumeration: label and its entries in description order.
    virtual void fncGetEnumEntries(int32_t handle, QString& text, QList<TdxEnumEntry>& entries, int32_t& error);
    // A sequence: label, error, the names of its records in running order and their count.
    virtual void fncGetSequenceRecords(int32_t handle, QString& text, int32_t& error, QStringList& records,
                                       int32_t& count);
};

} // namespace applet
