#pragma once
// The identification page of a PROFIBUS device.
#include "merrow/pages/frmIdentificationFieldbus.h"

class frmIdentificationPROFI : public frmIdentificationFieldbus {
    Q_OBJECT
public:
    frmIdentificationPROFI();
};
