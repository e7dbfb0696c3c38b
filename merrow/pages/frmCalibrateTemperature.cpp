#include "merrow/pages/frmCalibrateTemperature.h"

namespace {

const CalibrationDesign kDesign = {
    "frmCalibrateTemperature",
    2554,
    "appAbgleichpunkt",
    "seqSetTemperatureCalPoints",
    {
        {2134, "ttrbCalPointLo", "SetTemperatureCalPointLo", "Write_TemperatureCalPointLo", 0},
        {2135, "ttrbCalPointHi", "SetTemperatureCalPointHi", "Write_TemperatureCalPointHi", 0},
    },
    {
        {"appPtrbTemperatureValueUnit", "ttrbPrimaryValueUnit", true, 1},
    },
    {
        {"txtTemperatur", "ttrbPrimaryValue", "ttrbPrimaryValueUnit", 2549},
    },
    "seqGetTemperatureCalPoints",
    "GetTemperatureCalPoints",
    CalibrationRead::ConfirmOnly,
    "appTtrbCalUnit",
    "ttrbCalUnit",
    false,
    2133,
    2555,
    2064,
};

} // namespace

frmCalibrateTemperature::frmCalibrateTemperature() : CalibrationPage(kDesign)
{
    setWindowTitle(QStringLiteral("Calibrate Temperature Measurement"));
}
