#pragma once
// The static-pressure channel of the fieldbus devices: its range, the
// parallel shift of the flow computation's static pressure, and the output
// of the analog-input block that carries the static pressure, whose items
// are chosen by the bus at the first activation.
#include "merrow/pages/PageControls.h"
#include "merrow/pages/frmConfigChannel.h"

class QGroupBox;

class frmConfigStaticPressureProfi : public frmConfigChannel {
    Q_OBJECT
public:
    frmConfigStaticPressureProfi();
    QGroupBox* fraParallelverschiebung() const { return m_parallelShift; }

protected:
    void OnBeforeRegister() override;
    void EnablingRules() override;

private:
    // The offset the flow computation can use: within the limits of its
    // static-pressure input, in the unit the offset is shown in.
    void LimitOffset();

    QGroupBox* m_parallelShift = nullptr;
    controls::PioFieldControl* m_offset = nullptr;
    pioitems::PioAppItem* m_appScaleInUnit = nullptr;
    pagecontrols::RangeLimitItems m_inputLimits;
};
