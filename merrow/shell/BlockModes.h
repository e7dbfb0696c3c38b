#pragma once
// The function blocks of the fieldbus variants whose modes the block-mode page
// shows, in the one block order that the page and its view share, with their
// items, check box arrays and frames, and the FOUNDATION Fieldbus mode bits.
#include <array>
#include <cstdint>

namespace blockmodes {

// One of the two mode masks of a block that the page edits bit by bit.
struct ModeMask {
    const char* item;      // the 8-bit mode bit mask
    const char* checkBoxes; // the check box array, element index = bit number
    const char* frame;     // the frame around the check boxes
    const char* frameKey;  // the frame's name as ShowModeLabels takes it
};

struct Block {
    ModeMask permitted;
    ModeMask normal;
    const char* objectLimit; // the allowed target modes
    const char* target;      // the target mode (a list of the page)
    const char* actual;      // the actual mode (shown only)
    const char* outValue;    // analog inputs only: the output value and its status
    const char* outStatus;
    uint8_t bits; // the bits that have check boxes (the same for permitted and normal)
};

constexpr uint8_t kBits37 = (1 << 3) | (1 << 7);
constexpr uint8_t kBits347 = kBits37 | (1 << 4);
constexpr uint8_t kBits012347 = kBits347 | (1 << 0) | (1 << 1) | (1 << 2);

// The block order used throughout: the view registers and the page builds in it.
constexpr std::array<Block, 8> kBlocks = {{
    {{"ptrbModeBlkPermitted", "chkptrbPermittedMode", "fraPtrbPermittedMode", "ptrbPermittedMode"},
     {"ptrbModeBlkNormal", "chkptrbNormalMode", "fraPtrbNormalMode", "ptrbNormalMode"},
     "&&ObjectLimit&&ptrbModeBlkTarget", "ptrbModeBlkTarget", "ptrbModeBlkActual", nullptr, nullptr, kBits37},
    {{"ttrbModeBlkPermitted", "chkttrbPermittedMode", "fraTtrbPermittedMode", "ttrbPermittedMode"},
     {"ttrbModeBlkNormal", "chkttrbNormalMode", "fraTtrbNormalMode", "ttrbNormalMode"},
     "&&ObjectLimit&&ttrbModeBlkTarget", "ttrbModeBlkTarget", "ttrbModeBlkActual", nullptr, nullptr, kBits37},
    {{"pbModeBlkPermitted", "chkrbPermittedMode", "fraRBPermittedMode", "rbPermittedMode"},
     {"pbModeBlkNormal", "chkrbNormalMode", "fraRBNormalMode", "rbNormalMode"},
     "&&ObjectLimit&&pbModeBlkTarget", "pbModeBlkTarget", "pbModeBlkActual", nullptr, nullptr, kBits37},
    {{"aiDPModeBlkPermitted", "chkaiDPPermittedMode", "fraaiDPPermittedMode", "aiDPPermittedMode"},
     {"aiDPModeBlkNormal", "chkaiDPNormalMode", "fraaiDPNormalMode", "aiDPNormalMode"},
     "&&ObjectLimit&&aiDPModeBlkTarget", "aiDPModeBlkTarget", "aiDPModeBlkActual", "aiDPOutValue", "aiDPOutStatus",
     kBits347},
    {{"aiPModeBlkPermitted", "chkaiPPermittedMode", "fraaiPPermittedMode", "aiPPermittedMode"},
     {"aiPModeBlkNormal", "chkaiPNormalMode", "fraaiPNormalMode", "aiPNormalMode"},
     "&&ObjectLimit&&aiPModeBlkTarget", "aiPModeBlkTarget", "aiPModeBlkActual", "aiPOutValue", "aiPOutStatus",
     kBits347},
    {{"aiTModeBlkPermitted", "chkaiTPermittedMode", "fraaiTPermittedMode", "aiTPermittedMode"},
     {"aiTModeBlkNormal", "chkaiTNormalMode", "fraaiTNormalMode", "aiTNormalMode"},
     "&&ObjectLimit&&aiTModeBlkTarget", "aiTModeBlkTarget", "aiTModeBlkActual", "aiTOutValue", "aiTOutStatus",
     kBits347},
    {{"pidModeBlkPermitted", "chkpidPermittedMode", "fraPidPermittedMode", "pidPermittedMode"},
     {"pidModeBlkNormal", "chkpidNormalMode", "fraPidNormalMode", "pidNormalMode"},
     "&&ObjectLimit&&pidModeBlkTarget", "pidModeBlkTarget", "pidModeBlkActual", nullptr, nullptr, kBits012347},
    {{"mvModeBlkPermitted", "chkmvPermittedMode", "framvPermittedMode", "mvPermittedMode"},
     {"mvModeBlkNormal", "chkmvNormalMode", "framvNormalMode", "mvNormalMode"},
     "&&ObjectLimit&&mvModeBlkTarget", "mvModeBlkTarget", "mvModeBlkActual", nullptr, nullptr, kBits347},
}};

// The tabs of the page, in their order (texts 3001 to 3008), as indexes into kBlocks:
// resource, analog inputs 1 to 3, multivariable, pressure, temperature, PID.
constexpr std::array<int, 8> kTabBlocks = {2, 3, 4, 5, 7, 0, 1, 6};

// FOUNDATION Fieldbus mode bits: the check box of bit i shows text kFirstBitText + i
// (Rout, RCas, Cas, Automatic, Man, LO, IMan, O/S).
constexpr int kModeBits = 8;
constexpr int16_t kFirstBitText = 4001;

// Text ids of the page.
constexpr int16_t kCaptionText = 3000;       // "Block Modes"
constexpr int16_t kFirstTabText = 3001;      // the tabs' texts follow one after the other
constexpr int16_t kTargetText = 3009;        // "Target Mode"
constexpr int16_t kActualText = 3010;        // "Actual Mode"
constexpr int16_t kManualValueText = 3011;   // "Manual Value"
constexpr int16_t kPermittedText = 3012;     // "Permitted Mode"
constexpr int16_t kNormalText = 3013;        // "Normal Mode"
constexpr int16_t kStatusText = 3014;        // "Status"
constexpr int16_t kValueText = 3015;         // "Value"

} // namespace blockmodes
