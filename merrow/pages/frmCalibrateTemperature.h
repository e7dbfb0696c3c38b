#pragma once
// Calibration of the process temperature input at a lower and an upper
// balance point; the calibration unit is the temperature's unit at "Adjust".
#include "merrow/pages/CalibrationPage.h"

class frmCalibrateTemperature : public CalibrationPage {
    Q_OBJECT
public:
    frmCalibrateTemperature();
};
