#include "merrow/pages/frmConfigTemperature.h"

using pagecontrols::FieldKind;

namespace {
const char* const kUnitItem = "ttrbPrimaryValueUnit";
const frmConfigChannel::Variant kVariant = {
    "frmConfigTemperature", 2544, "Configure Temperature Measurement", "txtAiTLimit",
    {"aitOutScaleUnit", "aitOutScale0", "aitOutScale100", "aiTLowCut", "aiTLoLim", "aiTHiLim", "aiTLoLoLim",
     "aiTHiHiLim", "aiTPvFtime", "aiTAlarmHys", "aiTLType"},
    {
        {"txtMessende", FieldKind::Text, "ttrbPrimaryValueRange100", 2043, nullptr, kUnitItem, false},
        {"txtMessanfang", FieldKind::Text, "ttrbPrimaryValueRange0", 2042, nullptr, kUnitItem, false},
        {"cmbPvScaleUnit(0)", FieldKind::Combo, kUnitItem, 2109, nullptr, nullptr, false},
    }};
} // namespace

frmConfigTemperature::frmConfigTemperature() : frmConfigChannel(kVariant) {}
