#pragma once
// What the identification pages of the PROFIBUS and FOUNDATION Fieldbus
// devices share: the tabs "Device", "Additional Measurement Tags" and
// "Additional Information", the address and serial number shown from their
// item controls, the temperature and flow tags only with the multivariable
// function, and the communication type of the bus. Each bus names its items
// and particulars in a Variant.
#include "merrow/shell/PioPage.h"

class QGroupBox;
class QLabel;
namespace pioitems {
class PioAppItem;
}

class frmIdentificationFieldbus : public PioPage {
    Q_OBJECT
public:
    struct Variant {
        const char* formName;
        const char* manufacturerItem;  // "Device Manufacturer"
        const char* softwareItem;      // "Software" revision
        const char* commType;          // fixed text of the communication type
        bool hasDescription;           // the row "Description" on the tab "Device"
        bool staticPressureByModule;   // a module without static pressure hides its tag
    };

    QLabel* lblAddress() const { return m_lblAddress; }
    QLabel* lblSensorNumber() const { return m_lblSensorNumber; }
    QLabel* lblCommType() const { return m_lblCommType; }
    QGroupBox* fraMVTagDesc() const { return m_fraMVTagDesc; }

protected:
    explicit frmIdentificationFieldbus(const Variant& variant);
    void OnFirstActivation() override;

private:
    const Variant& m_variant;
    QLabel* m_lblAddress = nullptr;
    QLabel* m_lblSensorNumber = nullptr;
    QLabel* m_lblCommType = nullptr;
    QGroupBox* m_fraMVTagDesc = nullptr;
    pioitems::PioAppItem* m_appAddress = nullptr;
    pioitems::PioAppItem* m_appSensorNumber = nullptr;
};
