#pragma once
// The bus parameters of the Modbus variant: baud rate, response delay and
// bus address, each a field control on its item. A cover hides the three
// controls until the page has registered them, and again while it unloads.
#include "merrow/shell/PioPage.h"

class QStackedLayout;
class QWidget;

class frmBusparameter : public PioPage {
    Q_OBJECT
public:
    frmBusparameter();
    // True while the cover hides the controls.
    bool Covered() const;

protected:
    void OnFirstActivation() override;
    void OnUnload() override;

private:
    QStackedLayout* m_stack = nullptr;
    QWidget* m_fraHide = nullptr;
    QWidget* m_controls = nullptr;
};
