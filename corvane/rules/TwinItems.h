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

// Before a download: each pair whose items disagree takes one value. The
// item that differs from what the device last reported is the edit; when
// that does not tell (no value read from the device, or both changed), the
// standard item's value is taken. Returns the failure, empty on success.
QString AlignForDownload(applet::clsAppletItemManager& manager, const QString& source);

} // namespace twins
