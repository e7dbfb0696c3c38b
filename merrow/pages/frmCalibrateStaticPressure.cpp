#include "merrow/pages/frmCalibrateStaticPressure.h"

namespace {

const CalibrationDesign kDesign = {
    "frmCalibrateStaticPressure",
    2225,
    "appAbgleichpunkt",
    "seqSetStaticPressureCalPoints",
    {
        {2134, "ptrbStaticPressureCalPointLo", "SetPtrbStaticPressureCalPointLo", "Write_PtrbStaticPressureCalPointLo", 0},
        {2135, "ptrbStaticPressureCalPointHi", "SetPtrbStaticPressureCalPointHi", "Write_PtrbStaticPressureCalPointHi", 0},
    },
    {
        {"appPtrbStaticPressureScaleInUnit", "ptrbStaticPressureScaleInUnit", false, 1},
    },
    {
        {"txtProzesswert", "ptrbStaticPressureValue", "ptrbStaticPressureScaleInUnit", 2224},
    },
    "seqGetStaticPressureCalPoints",
    "GetStaticPressureCalPoints",
    CalibrationRead::ConfirmAndAdjust,
    // The calibration unit takes the page's unit at every Adjust, as on the
    // pressure page; the point's own record carries the static unit.
    "appPtrbCalUnit",
    "ptrbCalUnit",
    true,
    2133,
    2226,
    0,
};

} // namespace

frmCalibrateStaticPressure::frmCalibrateStaticPressure() : CalibrationPage(kDesign)
{
    setWindowTitle(QStringLiteral("Calibrate Static Pressure Measurement"));
}
