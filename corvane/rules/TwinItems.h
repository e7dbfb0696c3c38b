#pragma once
// The device values that two items carry: the item of the HART standard
// command (12/17 the message, 13/18 the date, 15/34 the damping) and the item
// of the block command (136/137, 138/140). The device keeps each value once,
// so the two items must always hold the one value: the twin rules copy an
// edit of either into the other, and a pair that disagrees when values enter
// the dataset is given one value, so that both records carry what the project
// holds.
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

// The texts of each pair (standard item, block item) as the dataset holds
// them now; a pair the variant lacks holds two empty texts.
using PairTexts = std::array<std::array<QString, 2>, kTwinPairs.size()>;
PairTexts Snapshot(applet::clsAppletItemManager& manager);

// Gives each pair that disagrees one value as values enter the dataset (a
// project or dataset file loaded, a download begins), whatever the device
// holds: where `before` (the pairs as they stood before the values entered)
// shows that only one item of the pair changed, that item is the edit and
// its value is taken; otherwise the standard command's item is. Each choice
// is traced. Returns the failure, empty on success.
QString AlignAtEntry(applet::clsAppletItemManager& manager, const QString& source, const PairTexts* before = nullptr);

} // namespace twins
