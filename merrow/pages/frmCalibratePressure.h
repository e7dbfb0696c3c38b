#pragma once
// Calibration of the pressure sensor (differential or absolute) at a lower
// and an upper balance point, and the trim of the sensor temperature.
#include "merrow/pages/CalibrationPage.h"

namespace pioitems {
class PioAppItem;
}

class frmCalibratePressure : public CalibrationPage {
    Q_OBJECT
public:
    frmCalibratePressure();

protected:
    // "Calibrate Differential Pressure Measurement" on a differential pressure module.
    int16_t CaptionText() const override;
    // The pressure points: the sensor limits in the unit of the range.
    std::optional<std::pair<double, double>> PointLimits(int index) const override;

private:
    pioitems::PioAppItem* m_appSensorLimitUnit = nullptr;
    pioitems::PioAppItem* m_appLowerSensorLimit = nullptr;
    pioitems::PioAppItem* m_appUpperSensorLimit = nullptr;
};
