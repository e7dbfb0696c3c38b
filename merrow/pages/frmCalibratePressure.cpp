#include "merrow/pages/frmCalibratePressure.h"
#include "merrow/shell/global.h"
#include "merrow/pages/PageControls.h"
#include "mvtrivexhelper/IDeviceInfo.h"
#include "mvtrivexhelper/UnitTable.h"
#include "pioitems/Ambient.h"
#include "pioitems/PioAppItem.h"
#include "platform/applet/AppletTrace.h"

#include <algorithm>

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
    false,
    2133,
    2131,
    2064,
};

constexpr int16_t kDifferentialCaption = 2119;
constexpr int16_t kPressureCaption = 2120;
constexpr int kPressureRows = 2; // the lower and upper point; the last row is the temperature

} // namespace

frmCalibratePressure::frmCalibratePressure() : CalibrationPage(kDesign)
{
    setWindowTitle(QStringLiteral("Calibrate Pressure Measurement"));
    pioitems::Ambient::SetUserMode(this, false);
    m_appSensorLimitUnit = pagecontrols::AppItem(this, QStringLiteral("appSensorLimitUnit"), QStringLiteral("ptrbSensorLimitUnit"));
    m_appLowerSensorLimit =
        pagecontrols::AppItem(this, QStringLiteral("appLowerSensorLimit"), QStringLiteral("ptrbLowerSensorLimit"));
    m_appUpperSensorLimit =
        pagecontrols::AppItem(this, QStringLiteral("appUpperSensorLimit"), QStringLiteral("ptrbUpperSensorLimit"));
    pioitems::Ambient::SetUserMode(this, true);
}

std::optional<std::pair<double, double>> frmCalibratePressure::PointLimits(int index) const
{
    if (index >= kPressureRows || !global::gDeviceInfo || !Registered())
        return std::nullopt;
    const enmCommType bus = global::gDeviceInfo->CommType();
    const auto from = static_cast<int16_t>(m_appSensorLimitUnit->IntValue());
    const auto to = static_cast<int16_t>(UnitItem(0)->IntValue());
    double lower = 0;
    double upper = 0;
    if (!UnitTable::Convert(bus, from, to, m_appLowerSensorLimit->FloatValue(), lower)
        || !UnitTable::Convert(bus, from, to, m_appUpperSensorLimit->FloatValue(), upper))
        return std::nullopt;
    return std::pair{std::min(lower, upper), std::max(lower, upper)};
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
