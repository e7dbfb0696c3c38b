#pragma once
// The identification page of a HART device: tag, descriptor and message,
// address, manufacturer, device type and number on the tab "Device"; the
// software and hardware revisions, the sensor's serial number and the
// communication type on the tab "Additional Information".
#include "merrow/shell/PioPage.h"

class QLabel;
namespace pioitems {
class PioAppItem;
}

class frmIdentificationHART : public PioPage {
    Q_OBJECT
public:
    frmIdentificationHART();

    QLabel* lblCommType() const { return m_lblCommType; }
    QLabel* lblHardwareRev() const { return m_lblHardwareRev; }

    // The hardware revision byte as major.minor: the upper five bits, the lower three.
    static QString HardwareRevisionText(unsigned value);

protected:
    void OnFirstActivation() override;

private:
    void appPbHardwareRev_ValueChanged();
    void ShowCommunicationType();

    QLabel* m_lblCommType = nullptr;
    QLabel* m_lblHardwareRev = nullptr;
    pioitems::PioAppItem* m_appDeviceTypeHART = nullptr;
    pioitems::PioAppItem* m_appPbHardwareRev = nullptr;
};
