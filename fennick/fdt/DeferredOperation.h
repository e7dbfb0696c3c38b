#pragma once
// The codes of the DTM object's deferred work and the names its traces show.
#include <QString>
#include <cstdint>

namespace DeferredOperation {

constexpr int16_t PrepareToRelease = 0;               // the release: save request or teardown
constexpr int16_t ParameterChanged = 1;               // postponed OnParameterChanged, unlock completion
constexpr int16_t FunctionChanged = 2;                // OnFunctionChanged
constexpr int16_t PreparedToRelease = 3;              // the teardown, then OnPreparedToRelease
constexpr int16_t PreparedToReleaseCommunication = 4; // OnPreparedToReleaseCommunication
constexpr int16_t OnlineStateDisconnected = 7;        // OnOnlineStateChanged(false)
constexpr int16_t OnlineStateConnected = 8;           // OnOnlineStateChanged(true)

// "IDtm_PrepareToRelease", ...; the number as text for codes without a name.
QString TraceName(int16_t code);

} // namespace DeferredOperation
