#pragma once
// Result codes of the applet toolkit. Host and manager operations report
// through trailing 32-bit out-parameters, 0 meaning success; item accesses
// report a failed flag whose values say why.
#include "platform/automation/ComError.h"
#include <QString>
#include <cstdint>

namespace applet {

constexpr int32_t kResultOk = 0;
// A sequence or an adjust is running; the caller may try again later.
constexpr int32_t kResultBusy = static_cast<int32_t>(0x804A0001u);
// Refusals of the host; callers treat every value but 0 and busy alike.
constexpr int32_t kResultUnknownSequence = static_cast<int32_t>(0x804A0002u);
constexpr int32_t kResultNotConnected = static_cast<int32_t>(0x804A0003u);
constexpr int32_t kResultNoServer = static_cast<int32_t>(0x804A0004u);
constexpr int32_t kResultNotInitialised = static_cast<int32_t>(0x804A0005u);
constexpr int32_t kResultNoStore = static_cast<int32_t>(0x804A0006u);
constexpr int32_t kResultStoreFailed = static_cast<int32_t>(0x804A0007u);
constexpr int32_t kResultViewNotCreated = static_cast<int32_t>(0x804A0008u);
constexpr int32_t kResultFormNotOpen = static_cast<int32_t>(0x804A0009u);
constexpr int32_t kResultCancelled = static_cast<int32_t>(0x804A000Au);
constexpr int32_t kResultFileError = static_cast<int32_t>(0x804A000Bu);
constexpr int32_t kResultDescriptionInvalid = static_cast<int32_t>(0x804A000Cu);
constexpr int32_t kResultConnectionBusy = static_cast<int32_t>(0x804A000Du);
constexpr int32_t kResultServerRefused = static_cast<int32_t>(0x804A000Eu);
// A stored value does not fit its item; AppletHost::Refusal() tells which and why.
constexpr int32_t kResultValueRefused = static_cast<int32_t>(0x804A000Fu);
constexpr int32_t kResultInvalidArgument = automation::E_INVALIDARG_;

// fncSetCServer answers 1 when it takes the server; 0 and E_FAIL mean refusal.
constexpr int32_t kServerAccepted = 1;
constexpr int32_t kServerRefused = automation::E_FAIL_;

// Failed flags of item registration and item accesses.
constexpr int32_t kItemOk = 0;
constexpr int32_t kItemUnknown = 1;   // no such item or handle, or unknown view
constexpr int32_t kItemWrongType = 2; // the access does not fit the item's type
constexpr int32_t kItemBadValue = 3;  // the value does not fit the item (range, length, text)

// Error codes of the description-file parsers.
constexpr int32_t kParserOk = 0;
constexpr int32_t kParserNotLoaded = static_cast<int32_t>(0x804A0101u);
constexpr int32_t kParserUnknownKind = static_cast<int32_t>(0x804A0102u);
constexpr int32_t kParserNotFound = static_cast<int32_t>(0x804A0103u);
constexpr int32_t kParserBadHandle = static_cast<int32_t>(0x804A0104u);
constexpr int32_t kParserNoMoreEntries = static_cast<int32_t>(0x804A0105u);
constexpr int32_t kParserBadIndex = static_cast<int32_t>(0x804A0106u);
constexpr int32_t kParserInvalidFile = static_cast<int32_t>(0x804A0107u);

// "0x804A0001 (busy)" for traces; unknown codes show the number only.
QString ResultText(int32_t code);

} // namespace applet
