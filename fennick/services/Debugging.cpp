#include "fennick/services/Debugging.h"
#include "fennick/services/DataTypes.h"
#include "platform/automation/ComError.h"
#include "platform/automation/IniFile.h"
#include "platform/automation/UserNotice.h"
#include <QStandardPaths>

namespace Debugging {

namespace {
constexpr int16_t kTrue = -1;
constexpr int16_t kFalse = 0;
constexpr int kHexDumpLineLength = 48; // eight "0xNN, " entries

QString& title()
{
    static QString t = QStringLiteral("Fennick");
    return t;
}

const ISystemTagSource*& currentDtm()
{
    static const ISystemTagSource* dtm = nullptr;
    return dtm;
}
} // namespace

QString ProgramTitle()
{
    return title();
}

void SetProgramTitle(const QString& t)
{
    title() = t;
}

void SetCurrentDtmObject(const ISystemTagSource* dtm)
{
    currentDtm() = dtm;
}

const ISystemTagSource* CurrentDtmObject()
{
    return currentDtm();
}

TraceSwitches& Switches()
{
    static TraceSwitches switches;
    return switches;
}

int16_t TraceError(const QString& text)
{
    if (Switches().Errors)
        DataTypes::WriteTrace(kLevelError, text);
    return 0;
}

void TraceInfo(const QString& text)
{
    if (Switches().Info)
        DataTypes::WriteTrace(kLevelInfo, text);
}

void TraceDatabase(const QString& text)
{
    if (Switches().InfoDB)
        DataTypes::WriteTrace(kLevelDatabase, text);
}

void TraceRegistrationFailed(const QString& itemName)
{
    TraceError(QStringLiteral("Registration for AppletItem >>") + itemName + QStringLiteral("<< failed!"));
}

void TraceReadFailed(const QString& itemName)
{
    TraceError(QStringLiteral("Reading AppletItem >>") + itemName + QStringLiteral("<< failed!"));
}

void TraceWriteFailed(const QString& itemName)
{
    TraceError(QStringLiteral("Writing AppletItem >>") + itemName + QStringLiteral("<< failed!"));
}

void TraceHexDump(const QByteArray& bytes, const QString& header)
{
    TraceInfo(header);
    if (bytes.isEmpty()) {
        TraceInfo(QStringLiteral(" ... empty!"));
        return;
    }
    QString line;
    for (qsizetype i = 0; i < bytes.size(); ++i) {
        line += QStringLiteral("0x") + DataTypes::ByteToHex(static_cast<uint8_t>(bytes[i]))
                + QStringLiteral(", ");
        const bool last = i == bytes.size() - 1;
        if (line.size() >= kHexDumpLineLength || last) {
            if (last)
                line.chop(2);
            TraceInfo(line);
            line.clear();
        }
    }
}

void TraceRuntimeError(int32_t number, const QString& description, const QString& source)
{
    TraceError(QStringLiteral("Runtime error"));
    TraceError(QStringLiteral("Number......:") + QString::number(number) + QStringLiteral("/ 0x")
               + QString::number(static_cast<uint32_t>(number), 16).toUpper());
    TraceError(QStringLiteral("Description.:") + description);
    TraceError(QStringLiteral("ErrSource...:") + source);
}

void TraceRuntimeError(const automation::ComError& error)
{
    TraceRuntimeError(error.number(), error.description(), error.source());
}

void TraceXmlParseError(const QString& fileName, const xml::XmlParseError& error)
{
    if (fileName.isEmpty())
        TraceError(QStringLiteral("Parser error!"));
    else
        TraceError(QStringLiteral("Invalid XML file :") + fileName);
    TraceError(QStringLiteral("Reason       : ") + error.reason);
    TraceError(QStringLiteral("Source text  : ") + error.srcText);
    TraceError(QStringLiteral("Error code   : 0x")
               + QString::number(static_cast<uint32_t>(error.errorCode), 16).toUpper());
    TraceError(QStringLiteral("Line number  : ") + QString::number(error.line));
    TraceError(QStringLiteral("File position: ") + QString::number(error.filepos));
    if (error.linepos != 0 && !error.srcText.isEmpty()) {
        int start = error.linepos - 60; // 1-based
        if (start < 1)
            start = 1;
        TraceError(QStringLiteral("Text part: ") + error.srcText.mid(start - 1, 120));
    }
}

QString SettingsPath()
{
    return QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation) + QStringLiteral("/Trivex/")
           + ProgramTitle() + QStringLiteral(".ini");
}

void ReadTraceOption(int16_t& traceSwitch, const QString& keyName, bool defaultValue)
{
    // Reading a switch writes nothing: a missing or unknown value counts as
    // its default, and a program that only reads leaves the user's files as
    // they were.
    automation::IniFile::Entries settings;
    QString error;
    if (!automation::IniFile::Read(SettingsPath(), settings, &error)) {
        DataTypes::WriteTrace(kLevelError, QStringLiteral("The trace switch %1 keeps its default: %2").arg(keyName, error));
        automation::UserNotice::Once(QStringLiteral("the trace switches keep their defaults: ") + error);
    }
    const QString value = settings.value(QStringLiteral("TraceOptions/") + keyName, QString()).toString();
    if (value == QLatin1String("0"))
        traceSwitch = kFalse;
    else if (value == QLatin1String("1"))
        traceSwitch = kTrue;
    else
        traceSwitch = defaultValue ? kTrue : kFalse;
}

void ReadTraceOptions()
{
    TraceSwitches& s = Switches();
    ReadTraceOption(s.Info, QStringLiteral("Info"), false);
    ReadTraceOption(s.InfoDB, QStringLiteral("InfoDB"), false);
    ReadTraceOption(s.Errors, QStringLiteral("Errors"), false);
    ReadTraceOption(s.SequenceMoni, QStringLiteral("SequenceMoni"), false);
}

void SwitchTracesOff()
{
    TraceSwitches& s = Switches();
    s.Errors = kFalse;
    s.Info = kFalse;
    s.InfoDB = kFalse;
}

bool SequenceMonitorEnabled()
{
    return Switches().SequenceMoni != 0;
}

} // namespace Debugging
