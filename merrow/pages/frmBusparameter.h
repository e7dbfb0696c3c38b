#pragma once
// The bus parameters of the Modbus variant: baud rate, response delay and
// bus address, each a field control on its item. A cover hides the three
// controls until the page has registered them, and again while it unloads.
#include "merrow/pages/PageControls.h"
#include "merrow/shell/PioPage.h"

class frmBusparameter : public PioPage {
    Q_OBJECT
public:
    frmBusparameter();
    // True while the cover hides the controls.
    bool Covered() const { return m_cover.Covered(); }

protected:
    void OnFirstActivation() override;
    void OnUnload() override;

private:
    pagecontrols::Cover m_cover{*this};
};
