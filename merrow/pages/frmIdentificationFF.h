#pragma once
// The identification page of a FOUNDATION Fieldbus device.
#include "merrow/pages/frmIdentificationFieldbus.h"

class frmIdentificationFF : public frmIdentificationFieldbus {
    Q_OBJECT
public:
    frmIdentificationFF();
};
