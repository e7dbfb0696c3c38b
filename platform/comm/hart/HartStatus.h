#pragma once
// The two status bytes of a HART response: the response code (or, with its
// top bit set, a communication-error summary) and the field device status.
#include <QByteArrayView>
#include <QString>
#include <QStringList>
#include <cstdint>

namespace comm {

enum class ResponseCodeClass { Success, Error, Warning };

// Response codes with a meaning on every command.
namespace ResponseCode {
constexpr uint8_t Success = 0;
constexpr uint8_t InvalidSelection = 2;
constexpr uint8_t ParameterTooLarge = 3;
constexpr uint8_t ParameterTooSmall = 4;
constexpr uint8_t TooFewDataBytes = 5;
constexpr uint8_t DeviceSpecificError = 6;
constexpr uint8_t WriteProtected = 7;
constexpr uint8_t AccessRestricted = 16;
constexpr uint8_t InvalidDeviceVariable = 17;
constexpr uint8_t InvalidUnitsCode = 18;
constexpr uint8_t ResponseTruncated = 30;
constexpr uint8_t Busy = 32;
constexpr uint8_t CommandNotImplemented = 64;
} // namespace ResponseCode

// Bits of the field device status byte.
namespace DeviceStatus {
constexpr uint8_t DeviceMalfunction = 0x80;
constexpr uint8_t ConfigurationChanged = 0x40;
constexpr uint8_t ColdStart = 0x20;
constexpr uint8_t MoreStatusAvailable = 0x10;
constexpr uint8_t LoopCurrentFixed = 0x08;
constexpr uint8_t LoopCurrentSaturated = 0x04;
constexpr uint8_t NonPrimaryVariableOutOfLimits = 0x02;
constexpr uint8_t PrimaryVariableOutOfLimits = 0x01;
} // namespace DeviceStatus

// A first status byte with the top bit set reports a communication error seen
// by the device; the second byte then carries no device status.
constexpr uint8_t kCommunicationErrorBit = 0x80;

inline bool isCommunicationError(uint8_t firstStatusByte)
{
    return (firstStatusByte & kCommunicationErrorBit) != 0;
}

ResponseCodeClass responseCodeClass(uint8_t code);
// Name of a response code; a command-specific meaning is used when the command
// has one (command -1: the generic name only).
QString responseCodeName(uint8_t code, int command = -1);
// Names of the set bits of a communication-error byte.
QStringList communicationErrorNames(uint8_t firstStatusByte);
// Names of the set bits of the field device status byte, highest bit first.
QStringList deviceStatusNames(uint8_t status);
// What the data of a command 48 answer (additional device status) reports:
// one line per byte that has a bit set, its bits named where their meaning is
// the same on every device ("Extended device status: Device Variable Alert"),
// device-dependent bytes by number and value. Empty when nothing is set.
QStringList additionalStatusNames(QByteArrayView data);
// One line for a response: "Busy (32); device status: Cold Start".
QString describeResponseStatus(uint8_t firstStatusByte, uint8_t deviceStatus, int command = -1);

} // namespace comm
