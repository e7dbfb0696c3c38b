#pragma once
// The temperature channel: its range and the output of the temperature's
// analog-input block.
#include "merrow/pages/frmConfigChannel.h"

class frmConfigTemperature : public frmConfigChannel {
    Q_OBJECT
public:
    frmConfigTemperature();
};
