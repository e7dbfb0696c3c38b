#pragma once
// Calibration of the static pressure sensor of a differential pressure
// module at a lower and an upper balance point. The points are taken in the
// static pressure's own unit; the differential pressure's calibration unit
// stays as it is.
#include "merrow/pages/CalibrationPage.h"

class frmCalibrateStaticPressure : public CalibrationPage {
    Q_OBJECT
public:
    frmCalibrateStaticPressure();
};
