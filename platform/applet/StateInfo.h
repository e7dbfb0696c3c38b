#pragma once
// The state word (lStateInfo) that the item manager hands to View::NotifyChanged.
// Every bit a receiver tests is defined here and nowhere else.
#include <cstdint>

namespace applet::StateInfo {

// The item holds a valid value: it was loaded from the instance-data store or a
// dataset file, read from the device, or written since the applet started. An
// item that still holds its description default lacks the bit. Pages use it as
// a display flag (show the labels of a value only when it is valid).
constexpr int32_t kValueValid = 1;

// The value last read from the device (the shadow value) changed and the
// dataset value did not. Sent to views that registered the item for its
// dataset value, with bShadowValue true; views that registered it on the
// shadow value receive the same change as an ordinary change, without this bit.
// Item objects and most views ignore notifications carrying it.
constexpr int32_t kShadowOnly = 4;

// A refresh, not a change: delivered once for each registration on the event
// loop turn after RegisterItem, and for every registration after the host
// reloaded its values (LoadFromDatabase, LoadDataset). Always sent together
// with kNoRules. Views that must act once the applet has announced its values
// (bulk-data path, engineering context) act on it; views that act on changes
// only (connect state, sequence end, menu states) ignore it.
constexpr int32_t kRefresh = 8;

// Receivers run no rules on this change: a device parameter written while
// another change was being delivered (a rule's write), a device parameter
// copied from its shadow by an adjust, or a refresh. Private and shared
// working items (sequence, record and menu states, "currentSequence",
// "XXXTransferCompletedXXX", ...) never carry it, so the FDT side, which drops
// notifications with this bit, still hears every state change of the applet.
constexpr int32_t kNoRules = 16;

// The bits a refresh carries besides kValueValid.
constexpr int32_t kRefreshBits = kRefresh | kNoRules;

// Marks the refresh that follows a registration (always with kRefreshBits),
// as against the refresh after a reload. Views that take the current value
// inside their own registration call already (the item controls of a page,
// which push it while the page registers, before the page counts as
// registered) ignore it, so that a page's "not while registering" rules hold;
// views that wait for the announcement act on it like on any refresh.
constexpr int32_t kRegistration = 32;

} // namespace applet::StateInfo
