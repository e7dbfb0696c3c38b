#pragma once
// Calibration of the pressure sensor (differential or absolute) at a lower
// and an upper balance point, and the trim of the sensor temperature.
#include "merrow/pages/CalibrationPage.h"

class frmCalibratePressure : public CalibrationPage {
    Q_OBJECT
public:
    frmCalibratePressure();

protected:
    // "Calibrate Differential Pressure Measurement" on a differential pressure module.
    int16_t CaptionText() const override;
};
