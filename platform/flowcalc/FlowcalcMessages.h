#pragma once
// The engine's error reasons and warning texts, English and German, with
// %1.. placeholders for the values.
#include <QString>
#include <cstdint>

namespace flowcalc {

enum class FlowcalcMessage : int32_t {
    // errors
    NotFinite = 1,
    UnknownMedium,
    UnknownElement,
    UnknownMaterial,
    NotPositive,
    BetaOutside,
    DiameterOutside,
    BoreTooSmall,
    ReynoldsBelow,
    ReynoldsAbove,
    PressureRatioOutside,
    DensityTableInvalid,
    MatrixInvalid,
    NoSaturatedSteam,
    KappaTooSmall,
    NoFullScaleFlow,
    TemperatureRangeReversed,
    CorrectionRangeImpossible,
    SteamBeyondModel,
    // warnings
    LowFlowReynoldsBelow = 101,
    FullFlowReynoldsAbove,
    SmallPipe,
    CorrectionRangeRatio,
    TemperatureRangeLimited,
    DesignOutsideMatrix,
    DesignOutsideDensityTable,
};

// The text in the language of countryCode (49 German, any other English).
QString FlowcalcText(FlowcalcMessage id, int16_t countryCode);

} // namespace flowcalc
