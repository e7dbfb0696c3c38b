#pragma once
// The simulation of the multivariable block: the three inputs of the flow
// calculation (temperature, differential and static pressure) and the two
// flow outputs, each switched on with its value and state, written with
// "SetMvSimulation". The page shows what the device reports; closing it
// while the device simulates asks whether to end the simulation first.
#include "merrow/pages/PageControls.h"
#include "merrow/pages/SimulationPage.h"

namespace pioitems {
class PioAppItem;
}

class frmSimulateFlow : public SimulationPage {
    Q_OBJECT
public:
    static constexpr int kChannels = 5;
    static constexpr int kInputs = 3; // channels 0 to 2; 3 and 4 are the outputs

    frmSimulateFlow();

protected:
    void OnFirstActivation() override;
    void OnUnload() override;
    // Inputs and outputs are not simulated together; the user is told, the request goes on.
    void BeforeSet() override;
    // A state above 1 shows as the check box's third state.
    void ShowReportedState(int index, int polled) override;

private:
    void appUnit_ValueChanged(int index);
    void appMvModeBlkActual_ValueChanged();
    void appmvMediumType_ValueChanged();
    // The differential pressure the device takes: its sensor limits in the unit of the channel.
    void LimitDifferentialPressure();

    pioitems::PioAppItem* m_appMvModeBlkActual = nullptr;
    pioitems::PioAppItem* m_appmvMediumType = nullptr;
    pagecontrols::RangeLimitItems m_sensorLimits;
};
