#pragma once
// The static-pressure channel of a HART device: its range and unit, and
// below it the parallel shift of the flow computation's static pressure,
// which the window shows only where the device has it and the flow block
// computes.
#include "merrow/pages/PageControls.h"
#include "merrow/shell/PioPage.h"

class QGroupBox;
namespace controls {
class PioFieldControl;
} // namespace controls
namespace pioitems {
class PioAppItem;
} // namespace pioitems

class frmConfigStaticPressureHart : public PioPage {
    Q_OBJECT
public:
    frmConfigStaticPressureHart();
    controls::PioFieldControl* Field(const QString& name) const;
    QGroupBox* fraParallelverschiebung() const { return m_parallelShift; }
    // The window's height in twips: with the parallel shift 2310, without 1200.
    int HeightTwips() const { return m_heightTwips; }

protected:
    void OnFirstActivation() override;

private:
    void HeightRule();
    // The offset the flow computation can use: within the limits of its
    // static-pressure input.
    void LimitOffset();

    QGroupBox* m_frame1 = nullptr;
    QGroupBox* m_parallelShift = nullptr;
    pioitems::PioAppItem* m_appMvModeBlkActual = nullptr;
    pagecontrols::RangeLimitItems m_inputLimits;
    int m_heightTwips = 0;
};
