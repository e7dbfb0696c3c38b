#pragma once
// The numbers the communication server reports.
//
// hResults travel in the responses (CServerResponseClass). 0 means the device
// answered; its response code and status are in RespData, so a busy or
// write-protected answer is a success at this level. Every other value means
// the request got no valid answer. The three values of a broken link (time-out,
// connection lost, invalid answer) are the ones a client treats as the end of
// the connection.
//
// Results are the trailing 32-bit codes of the request calls: 0 when the
// server took the call, otherwise why it refused; no response follows a
// refused call.
#include "platform/automation/ComError.h"
#include <QString>
#include <cstdint>

namespace comm {

namespace HResult {
constexpr int32_t Ok = 0;
constexpr int32_t Timeout = 0x200;          // no answer within the response time-out; the session ends
constexpr int32_t NoSession = 0x400;        // no HART-IP session could be opened with the address
constexpr int32_t IdentityRefused = 0x800;  // the device did not identify itself (command 0)
constexpr int32_t WrongDevice = 0x1000;     // the device is not of the device type the DTM instance serves
constexpr int32_t DeviceBusy = 0x2000;      // the device answered its identification busy, every repeat too
constexpr int32_t ConnectionLost = 0x4000;  // the session ended while the request was open
constexpr int32_t InvalidAnswer = 0x8000;   // the answer was no valid HART response to the request
} // namespace HResult

namespace ServerResult {
constexpr int32_t Ok = 0;
constexpr int32_t UnknownClient = static_cast<int32_t>(0x80046001u);
constexpr int32_t NotConnected = static_cast<int32_t>(0x80046002u);
constexpr int32_t ConnectionBusy = static_cast<int32_t>(0x80046003u);
constexpr int32_t BadRequest = static_cast<int32_t>(0x80046004u);
constexpr int32_t NoAddress = static_cast<int32_t>(0x80046005u);
constexpr int32_t BadAddress = static_cast<int32_t>(0x80046006u);
constexpr int32_t NoAddressInterface = static_cast<int32_t>(0x80046007u);
constexpr int32_t UnknownTransaction = static_cast<int32_t>(0x80046008u);
constexpr int32_t Destroyed = static_cast<int32_t>(0x80046009u);
constexpr int32_t SendFailed = static_cast<int32_t>(0x8004600Au);
constexpr int32_t NotImplemented = static_cast<int32_t>(0x80004001u);
constexpr int32_t InvalidArgument = automation::E_INVALIDARG_;
} // namespace ServerResult

// The readable text of an hResult or a result; empty for a number the server
// does not produce.
QString CommServerText(int32_t code);

} // namespace comm
