#pragma once
// The item inspection window: shows the value of the applet item whose name
// the user types, kept up to date until Stop or the window closes.
#include "merrow/shell/PioPage.h"

class QLineEdit;
namespace controls {
class PioText;
}
namespace pioitems {
class PioAppItem;
}

class frmDumpObject : public PioPage {
    Q_OBJECT
public:
    frmDumpObject();
    ~frmDumpObject() override;

    void Command1_Click(); // Start
    void Command2_Click(); // Stop

    QLineEdit* Text1() const { return m_name; }
    controls::PioText* txtObjectValue() const { return m_value; }

private:
    QLineEdit* m_name = nullptr;
    controls::PioText* m_value = nullptr;
    pioitems::PioAppItem* m_userLevel = nullptr;
    pioitems::PioAppItem* m_countryCode = nullptr;
};
