#pragma once
// Trace entry points and the per-user trace switches.
#include "platform/xml/XmlParseError.h"
#include <QByteArray>
#include <QString>
#include <cstdint>

namespace automation { class ComError; }

namespace Debugging {

// Trace levels in use.
constexpr int32_t kLevelError = 1;
constexpr int32_t kLevelPhase = 2;
constexpr int32_t kLevelInfo = 3;
constexpr int32_t kLevelDatabase = 4;

// The title every line carries and the settings are stored under.
QString ProgramTitle();
void SetProgramTitle(const QString& title);

// The current DTM object, as far as the trace writer needs it: its system tag.
class ISystemTagSource {
public:
    virtual ~ISystemTagSource() = default;
    virtual QString SystemTag() const = 0;
};
void SetCurrentDtmObject(const ISystemTagSource* dtm);
const ISystemTagSource* CurrentDtmObject();

// The four switches, 16-bit booleans (-1 true, 0 false).
struct TraceSwitches {
    int16_t Errors = 0;
    int16_t Info = 0;
    int16_t InfoDB = 0;
    int16_t SequenceMoni = 0;
};
TraceSwitches& Switches();

int16_t TraceError(const QString& text); // returns 0
void TraceInfo(const QString& text);
void TraceDatabase(const QString& text);
void TraceRegistrationFailed(const QString& itemName);
void TraceReadFailed(const QString& itemName);
void TraceWriteFailed(const QString& itemName);
// A byte array without elements is "empty"; a null array and a zero-length
// array are both reported as " ... empty!".
void TraceHexDump(const QByteArray& bytes, const QString& header);
void TraceRuntimeError(int32_t number, const QString& description, const QString& source);
void TraceRuntimeError(const automation::ComError& error);
void TraceXmlParseError(const QString& fileName, const xml::XmlParseError& error);

// The per-user settings file the trace switches are read from (INI form,
// below the user's configuration folder, named after the program title).
QString SettingsPath();
void ReadTraceOptions();
void ReadTraceOption(int16_t& traceSwitch, const QString& keyName, bool defaultValue);
void SwitchTracesOff();
bool SequenceMonitorEnabled();

} // namespace Debugging
