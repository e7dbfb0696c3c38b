#include "merrow/pages/frmCalibratePressure.h"
#include "merrow/shell/global.h"
#include "mvtrivexhelper/IDeviceInfo.h"
#include "platform/applet/AppletTrace.h"

namespace {

const CalibrationDesign kDesign = {
    "frmCalibratePressure",
    0,
    "appAbgleichpunkt",
    "seqAbgleichpunkt",
    {
        {2134, "ptrbCalPointLo", "SetPtrbCalPointLo", "Write_PtrbCalPointLo", 0},
        {2135, "ptrbCalPointHi", "SetPtrbCalPointHi", "Write_PtrbCalPointHi", 0},
        {2069, "ptrbTemperatureTrimValue", "SetPtrbTemperatureTrimValue", "Write_TemperatureTrim", 1},
    },
    {
        {"appPtrbScaleInUnit", "ptrbScaleInUnit", true, 1},
        {"appTemperatureValueUnit", "ptrbTemperatureValueUnit", true, 1},
    },
    {
        {"txtProzesswert", "ptrbSecondaryValue1", "ptrbScaleInUnit", 2553},
        {"txtMesswerktemperatur", "ptrbTemperatureValue", "ptrbTemperatureValueUnit", 2069},
    },
    "seqGetPtrbCalPoints",
    "GetPtrbCalPoints",
    CalibrationRead::ConfirmAndAdjust,
    "appPtrbCalUnit",
    "ptrbCalUnit",
    2133,
    2131,
    2064,
};

constexpr int16_t kDifferentialCaption = 2119;
constexpr int16_t kPressureCaption = 2120;

} // namespace

frmCalibratePressure::frmCalibratePressure() : CalibrationPage(kDesign)
{
    setWindowTitle(QStringLiteral("Calibrate Pressure Measurement"));
}

int16_t frmCalibratePressure::CaptionText() const
{
    try {
        if (global::gDeviceInfo && global::gDeviceInfo->ModuleType() == enmModuleType::DIFFERENTIAL_PRESSURE)
            return kDifferentialCaption;
    } catch (const std::exception& error) {
        applet::AppletTrace::Error(QStringLiteral("frmCalibratePressure: module type not read: %1")
                                       .arg(QString::fromLocal8Bit(error.what())));
    }
    return kPressureCaption;
}
