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

// The bytes of the additional device status (command 48) that mean the same
// on every device, with the names of their bits. An entry without bit names
// counts channels: bit n stands for analog channel n + 1. Bytes not listed
// (0-5 and from 14 on) are device-dependent; byte 7 is the operating mode.
struct StatusByte {
    int index;
    const char* title;
    const BitName* bits;
    size_t count;
};

constexpr BitName kExtendedDeviceStatusBits[] = {
    {0x01, "Maintenance Required"},
    {0x02, "Device Variable Alert"},
    {0x04, "Critical Power Failure"},
    {0x08, "Failure"},
    {0x10, "Outside Rated Conditions"},
    {0x20, "Function Check"},
};

constexpr BitName kStandardizedStatus0Bits[] = {
    {0x01, "Simulation Active"},
    {0x02, "Non-Volatile Memory Defect"},
    {0x04, "Volatile Memory Defect"},
    {0x08, "Watchdog Reset Executed"},
    {0x10, "Power Supply Conditions Out Of Range"},
    {0x20, "Environmental Conditions Out Of Range"},
    {0x40, "Electronic Defect"},
    {0x80, "Device Configuration Locked"},
};

constexpr BitName kStandardizedStatus1Bits[] = {
    {0x01, "Status Simulation Active"},
    {0x02, "Discrete Variable Simulation Active"},
    {0x04, "Event Notification Overflow"},
};

constexpr BitName kStandardizedStatus2Bits[] = {
    {0x01, "Sub-Device List Changed"},
    {0x02, "Duplicate Master Detected"},
    {0x04, "Sub-Device Mismatch"},
    {0x08, "Duplicate Sub-Devices Found"},
    {0x10, "Sub-Device With Duplicate Id Found"},
    {0x20, "Stale Data Notice"},
};

constexpr BitName kStandardizedStatus3Bits[] = {
    {0x01, "Capacity Denied"},
    {0x04, "Bandwidth Allocation Pending"},
    {0x08, "Block Transfer Pending"},
    {0x10, "Radio Failure"},
};

constexpr StatusByte kAdditionalStatusBytes[] = {
    {6, "Extended device status", kExtendedDeviceStatusBits, std::size(kExtendedDeviceStatusBits)},
    {8, "Standardized status 0", kStandardizedStatus0Bits, std::size(kStandardizedStatus0Bits)},
    {9, "Standardized status 1", kStandardizedStatus1Bits, std::size(kStandardizedStatus1Bits)},
    {10, "Analog channel saturated", nullptr, 0},
    {11, "Standardized status 2", kStandardizedStatus2Bits, std::size(kStandardizedStatus2Bits)},
    {12, "Standardized status 3", kStandardizedStatus3Bits, std::size(kStandardizedStatus3Bits)},
    {13, "Analog channel fixed", nullptr, 0},
};

constexpr int kOperatingModeByte = 7;

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

QStringList additionalStatusNames(QByteArrayView data)
{
    QStringList lines;
    auto byteAt = [&data](qsizetype index) { return static_cast<uint8_t>(data[index]); };
    auto hex = [](uint8_t value) { return QStringLiteral("0x%1").arg(value, 2, 16, QLatin1Char('0')); };
    for (qsizetype i = 0; i < data.size(); ++i) {
        if (byteAt(i) == 0 || i == kOperatingModeByte)
            continue;
        const StatusByte* known = nullptr;
        for (const StatusByte& entry : kAdditionalStatusBytes)
            if (entry.index == i)
                known = &entry;
        if (!known) {
            lines << QStringLiteral("Device-dependent status byte %1: %2").arg(i).arg(hex(byteAt(i)));
            continue;
        }
        QStringList names;
        uint8_t unnamed = byteAt(i);
        if (known->bits) {
            names = bitNames(byteAt(i), known->bits, known->count);
            for (size_t b = 0; b < known->count; ++b)
                unnamed &= static_cast<uint8_t>(~known->bits[b].bit);
            if (unnamed)
                names << QStringLiteral("undefined bits %1").arg(hex(unnamed));
        } else {
            for (int bit = 0; bit < 8; ++bit)
                if (byteAt(i) & (1u << bit))
                    names << QStringLiteral("channel %1").arg(bit + 1);
        }
        lines << QStringLiteral("%1: %2").arg(QString::fromLatin1(known->title), names.join(QStringLiteral(", ")));
    }
    return lines;
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
