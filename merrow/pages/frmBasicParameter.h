#pragma once
// The device's basic data: display, local operation, write protection and
// the flow measurement (General), alarm current and current limits
// (Current), sensor data (Sensor) and remote-seal data (Remote Seal). The
// Current tab is left out where the output is no current loop, the Remote
// Seal tab where the device has none, and the flow measurement where the
// device has no multivariable function.
#include "merrow/shell/PioPage.h"

namespace controls {
class PioFieldControl;
} // namespace controls
namespace pioitems {
class PioAppItem;
} // namespace pioitems

class frmBasicParameter : public PioPage {
    Q_OBJECT
public:
    frmBasicParameter();

    // The field control of the given object name; null for none.
    controls::PioFieldControl* Field(const QString& name) const;

protected:
    void OnBeforeRegister() override;
    void OnFirstActivation() override;

private:
    void TabRules();

    pioitems::PioAppItem* m_appDeviceTypeHART = nullptr;
    pioitems::PioAppItem* m_appMultivariableFunction = nullptr;
    pioitems::PioAppItem* m_appDruckfuehler = nullptr;
};
