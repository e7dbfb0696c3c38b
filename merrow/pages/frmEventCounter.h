#pragma once
// How often the measured value left its limits, below and above: the
// measuring span, the pressure sensor range, the static pressure sensor
// range and the sensor temperature, each group reset on its own. The page
// arranges itself again when the multivariable function or the sensor type
// changes.
#include "merrow/pages/GroupResetPage.h"

class frmEventCounter : public GroupResetPage {
    Q_OBJECT
public:
    frmEventCounter();

protected:
    void Arrange() override;

private:
    pioitems::PioAppItem* m_appMultivariableFunction = nullptr;
    pioitems::PioAppItem* m_appSensorType = nullptr;
};
