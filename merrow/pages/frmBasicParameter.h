#pragma once
// The device's basic data: display, local operation, write protection and
// the flow measurement (General), alarm current and current limits
// (Current), sensor data (Sensor) and remote-seal data (Remote Seal). The
// Current tab is left out where the output is no current loop, the Remote
// Seal tab where the device has none, and the flow measurement where the
// device has no multivariable function. The date takes only a date: one
// the user types in the form of the user's language is kept in the form the
// device holds (yyyy-MM-dd); any other text is refused at once and the date
// before it comes back.
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
    // The date changed; a text the user typed that is no date is refused.
    void appInstalDate_ValueChanged(const QString& value);

    pioitems::PioAppItem* m_appDeviceTypeHART = nullptr;
    pioitems::PioAppItem* m_appMultivariableFunction = nullptr;
    pioitems::PioAppItem* m_appDruckfuehler = nullptr;
    pioitems::PioAppItem* m_appInstalDate = nullptr;
    // The date's text as last taken, which a refused text gives way to.
    QString m_takenDate;
    // The user typed into the date field since its last change.
    bool m_dateTyped = false;
};
