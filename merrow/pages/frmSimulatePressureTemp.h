#pragma once
// The simulation of the analog-input blocks of a fieldbus device:
// temperature, differential (or plain) pressure and static pressure, each
// switched on with its value and state and written with "SetAiSimulation".
// The page shows what the device reports; closing it while the device
// simulates asks whether to end the simulation first. A write that fails
// gives the check boxes and the enable items back what they held, so that a
// later download cannot switch a simulation on, and tells the user.
#include "merrow/pages/SimulationPage.h"
#include <array>

namespace pioitems {
class PioAppItem;
}

class frmSimulatePressureTemp : public SimulationPage {
    Q_OBJECT
public:
    static constexpr int kChannels = 3; // temperature, differential (or plain) pressure, static pressure

    frmSimulatePressureTemp();

    // The page's height as its layout rules give it, in twips.
    int HeightTwips() const { return m_heightTwips; }

protected:
    void OnFirstActivation() override;
    // A state the page does not know counts as off, in the dataset too.
    void ShowReportedState(int index, int polled) override;

private:
    // The item controls of a channel's simulated value and state.
    struct ValueItems {
        pioitems::PioAppItem* appSimulateValue = nullptr;
        pioitems::PioAppItem* appSimulateStatus = nullptr;
    };

    void Layout();
    void appUnit_ValueChanged(int index);
    void appSimulateValue_ValueChanged(int index);

    std::array<ValueItems, kChannels> m_valueItems{};
    int m_heightTwips = 0;
};
