#pragma once
// The device values that two items carry: the item of the HART standard
// command (12/17 the message, 13/18 the date, 15/34 the damping) and the item
// of the block command (136/137, 138/140). The device keeps each value once,
// so the two items must always hold the one value: the twin rules copy an
// edit of either into the other, and a download first gives every pair that
// disagrees one value, so that both records carry what the project means.
#include <QString>
#include <array>

namespace applet {
class clsAppletItemManager;
}

namespace twins {

enum class TwinKind {
    Text,   // the standard item holds the block's text packed: upper case, its packed capacity
    Date,   // both hold yyyy-MM-dd; an empty block date is none to give
    Number, // both hold the same number
};

struct TwinPair {
    const char* standard;
    const char* block;
    TwinKind kind;
};

inline constexpr std::array<TwinPair, 3> kTwinPairs = {{
    {"pbMessage", "pbDeviceMessage", TwinKind::Text},
    {"pbDate", "pbDeviceInstalDate", TwinKind::Date},
    {"ptrbDamping", "aiDPPvFtime", TwinKind::Number},
}};

// The pair one of whose items is the name given; null when none is.
const TwinPair* FindPair(const QString& item);

// The text the item `to` of the pair holds for the value `text` of its twin,
// sized by the description's field sizes (a packed field of n bytes holds
// 4n/3 characters).
QString AsTwin(const applet::clsAppletItemManager& manager, const TwinPair& pair, const QString& to,
               const QString& text);

// Whether the two texts are one device value.
bool Agree(const applet::clsAppletItemManager& manager, const TwinPair& pair, const QString& standardText,
           const QString& blockText);

// What a pair whose items disagree takes before a download.
enum class TwinChoice {
    Agreed,   // the items carry one value: nothing to give
    Standard, // the standard item's value (the edit, or two edits of one value)
    Block,    // the block item's value (the edit)
    Device,   // what the device holds now decides: read it first
};
using TwinPlan = std::array<TwinChoice, kTwinPairs.size()>;

// Before a download: the item of a pair that differs from what the device
// last reported (the shadow of either item) is the edit. When that does not
// tell (nothing reported since the project was opened, or both differ from a
// report that may be old), the pair asks for the device's value.
TwinPlan PlanForDownload(applet::clsAppletItemManager& manager);
bool AsksTheDevice(const TwinPlan& plan);
// The description's read sequence that reads the standard items of every
// pair from the device, into their shadows.
inline constexpr const char* kReadTwinsSequence = "downloadReadTwins";

// Gives each pair of the plan one value. A pair that asked the device is
// decided by its standard item's shadow, read just before: the item that
// differs from what the device holds is the edit; when both do, the
// standard item's value is taken. Returns the failure, empty on success.
QString AlignForDownload(applet::clsAppletItemManager& manager, const QString& source, const TwinPlan& plan);

} // namespace twins
