#pragma once
// The values the host publishes in its state items and the actions it takes
// from their control items.
#include <cstdint>

namespace applet {

// "&&Sequence_State&&" + sequence (one value at a time, never a bit set).
namespace SequenceState {
constexpr int32_t Ready = 0;
constexpr int32_t WriteRequest = 1;
constexpr int32_t ReadRequest = 2;
constexpr int32_t WriteActive = 32;
constexpr int32_t ReadActive = 64;
constexpr int32_t AdjustActive = 128;
} // namespace SequenceState

// "&&Sequence_Control&&" + sequence, written by the view that drives it. A
// stopped or failed sequence ends with the control item at Stop.
namespace SequenceAction {
constexpr int32_t None = 0;
constexpr int32_t Run = 1;  // a requested sequence may run
constexpr int32_t Stop = 2; // do not run / stop after the running record
} // namespace SequenceAction

// "&&Record_State&&" + record. A failed response is ReadFailed or WriteFailed
// plus a variant: + NoResponse when no valid answer came (request refused,
// connection error, time-out), + ShortResponse when the answer held fewer
// data bytes than the record's layout; without a variant the device answered
// with a response code other than 0.
namespace RecordState {
constexpr int32_t Ready = 0;
constexpr int32_t ReadActive = 4;
constexpr int32_t WriteActive = 8;
constexpr int32_t ReadFailed = 16;
constexpr int32_t WriteFailed = 32;
constexpr int32_t NoResponse = 1;
constexpr int32_t ShortResponse = 2;
} // namespace RecordState

// "&&Record_Response_Control&&" + record: the answer to a failed response,
// taken only while the record waits for it.
namespace RecordAction {
constexpr int32_t None = 0;
constexpr int32_t Repeat = 1; // send the record again
constexpr int32_t Accept = 2; // take the response as it is and end the record
constexpr int32_t Ignore = 4; // drop the response and go on with the next record
} // namespace RecordAction

// "&&private&&connect".
namespace ConnectState {
constexpr int32_t NotConnected = 0;
constexpr int32_t Connecting = 1;
constexpr int32_t Connected = 2;
constexpr int32_t Disconnecting = 3;
} // namespace ConnectState

} // namespace applet
