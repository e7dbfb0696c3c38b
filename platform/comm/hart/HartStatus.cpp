#include "platform/comm/hart/HartStatus.h"

#include <iterator>

namespace comm {

namespace {

struct CodeName {
    uint8_t code;
    const char* name;
};

// Codes with one meaning on every command.
constexpr CodeName kGenericCodes[] = {
    {0, "Success"},
    {1, "Undefined"},
    {2, "Invalid Selection"},
    {3, "Passed Parameter Too Large"},
    {4, "Passed Parameter Too Small"},
    {5, "Too Few Data Bytes Received"},
    {6, "Device-Specific Command Error"},
    {7, "In Write Protect Mode"},
    {16, "Access Restricted"},
    {17, "Invalid Device Variable Index"},
    {18, "Invalid Units Code"},
    {19, "Device Variable Index Not Allowed"},
    {20, "Invalid Extended Command Number"},
    {30, "Command Response Truncated"},
    {32, "Busy"},
    {33, "Delayed Response Initiated"},
    {34, "Delayed Response Running"},
    {35, "Delayed Response Dead"},
    {36, "Delayed Response Conflict"},
    {64, "Command Not Implemented"},
};

struct CommandCodeName {
    uint8_t command;
    uint8_t code;
    const char* name;
};

// Codes whose meaning depends on the command.
constexpr CommandCodeName kCommandCodes[] = {
    {6, 2, "Invalid Poll Address Selection"},
    {6, 12, "Invalid Mode Selection"},
    {9, 8, "Update Failure"},
    {34, 8, "Set To Nearest Possible Value"},
    {35, 8, "Set To Nearest Possible Value"},
    {35, 9, "Lower Range Value Too High"},
    {35, 10, "Lower Range Value Too Low"},
    {35, 11, "Upper Range Value Too High"},
    {35, 12, "Upper Range Value Too Low"},
    {35, 13, "Upper And Lower Range Values Out Of Limits"},
    {35, 14, "Span Too Small"},
    {35, 29, "Invalid Span"},
    {36, 9, "Applied Process Too High"},
    {36, 10, "Applied Process Too Low"},
    {36, 14, "Span Too Small"},
    {36, 29, "Invalid Span"},
    {37, 9, "Applied Process Too High"},
    {37, 10, "Applied Process Too Low"},
    {37, 14, "New Lower Range Value Pushed Upper Range Value Over Transducer Limit"},
    {38, 9, "Configuration Change Counter Mismatch"},
    {40, 11, "Loop Current Not Active (Device In Multidrop Mode)"},
    {45, 9, "Incorrect Loop Current Mode Or Value"},
    {45, 11, "Loop Current Not Active (Device In Multidrop Mode)"},
    {46, 9, "Incorrect Loop Current Mode Or Value"},
    {46, 11, "Loop Current Not Active (Device In Multidrop Mode)"},
    {48, 8, "Update In Progress"},
    {48, 14, "Status Bytes Mismatch"},
};

struct ClassRange {
    uint8_t first;
    uint8_t last;
    ResponseCodeClass cls;
};

// Every code not listed here (1..127) is an error.
constexpr ClassRange kWarningRanges[] = {
    {0, 0, ResponseCodeClass::Success},
    {8, 8, ResponseCodeClass::Warning},
    {14, 14, ResponseCodeClass::Warning},
    {24, 27, ResponseCodeClass::Warning},
    {30, 31, ResponseCodeClass::Warning},
    {96, 111, ResponseCodeClass::Warning},
};

struct BitName {
    uint8_t bit;
    const char* name;
};

constexpr BitName kCommunicationErrorBits[] = {
    {0x40, "Vertical Parity Error"},
    {0x20, "Overrun Error"},
    {0x10, "Framing Error"},
    {0x08, "Longitudinal Parity Error"},
    {0x02, "Buffer Overflow"},
};

constexpr BitName kDeviceStatusBits[] = {
    {DeviceStatus::DeviceMalfunction, "Device Malfunction"},
    {DeviceStatus::ConfigurationChanged, "Configuration Changed"},
    {DeviceStatus::ColdStart, "Cold Start"},
    {DeviceStatus::MoreStatusAvailable, "More Status Available"},
    {DeviceStatus::LoopCurrentFixed, "Loop Current Fixed"},
    {DeviceStatus::LoopCurrentSaturated, "Loop Current Saturated"},
    {DeviceStatus::NonPrimaryVariableOutOfLimits, "Non-Primary Variable Out Of Limits"},
    {DeviceStatus::PrimaryVariableOutOfLimits, "Primary Variable Out Of Limits"},
};

QStringList bitNames(uint8_t value, const BitName* table, size_t count)
{
    QStringList names;
    for (size_t i = 0; i < count; ++i)
        if (value & table[i].bit)
            names << QString::fromLatin1(table[i].name);
    return names;
}

} // namespace

ResponseCodeClass responseCodeClass(uint8_t code)
{
    for (const ClassRange& r : kWarningRanges)
        if (code >= r.first && code <= r.last)
            return r.cls;
    return ResponseCodeClass::Error;
}

QString responseCodeName(uint8_t code, int command)
{
    for (const CommandCodeName& e : kCommandCodes)
        if (e.command == command && e.code == code)
            return QString::fromLatin1(e.name);
    for (const CodeName& e : kGenericCodes)
        if (e.code == code)
            return QString::fromLatin1(e.name);
    return responseCodeClass(code) == ResponseCodeClass::Warning
               ? QStringLiteral("Command-Specific Warning")
               : QStringLiteral("Command-Specific Error");
}

QStringList communicationErrorNames(uint8_t firstStatusByte)
{
    return bitNames(firstStatusByte, kCommunicationErrorBits, std::size(kCommunicationErrorBits));
}

QStringList deviceStatusNames(uint8_t status)
{
    return bitNames(status, kDeviceStatusBits, std::size(kDeviceStatusBits));
}

QString describeResponseStatus(uint8_t firstStatusByte, uint8_t deviceStatus, int command)
{
    if (isCommunicationError(firstStatusByte)) {
        const QStringList names = communicationErrorNames(firstStatusByte);
        return QStringLiteral("Communication Error (%1)")
            .arg(names.isEmpty() ? QStringLiteral("unspecified") : names.join(QStringLiteral(", ")));
    }
    QString text = QStringLiteral("%1 (%2)").arg(responseCodeName(firstStatusByte, command)).arg(firstStatusByte);
    const QStringList status = deviceStatusNames(deviceStatus);
    if (!status.isEmpty())
        text += QStringLiteral("; device status: ") + status.join(QStringLiteral(", "));
    return text;
}

} // namespace comm
