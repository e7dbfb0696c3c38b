#pragma once
// The simulation of the multivariable block: the three inputs of the flow
// calculation (temperature, differential and static pressure) and the two
// flow outputs, each switched on with its value and state, written with
// "SetMvSimulation". The page shows what the device reports; closing it
// while the device simulates asks whether to end the simulation first.
#include "merrow/shell/PioPage.h"
#include <array>
#include <cstdint>

class QCheckBox;
class QGroupBox;
class QLabel;
class QPushButton;
namespace controls {
class PioLabelComboUnit;
class PioLabelTextUnit;
} // namespace controls
namespace pioitems {
class PioAppItem;
class PioSequenceItem;
} // namespace pioitems

class frmSimulateFlow : public PioPage {
    Q_OBJECT
public:
    static constexpr int kChannels = 5;
    static constexpr int kInputs = 3; // channels 0 to 2; 3 and 4 are the outputs

    frmSimulateFlow();

    QCheckBox* chkSimulate(int i) const { return m_channels.at(static_cast<size_t>(i)).chkSimulate; }
    controls::PioLabelTextUnit* txtSimValue(int i) const { return m_channels.at(static_cast<size_t>(i)).txtSimValue; }
    controls::PioLabelComboUnit* cmbSimStatus(int i) const { return m_channels.at(static_cast<size_t>(i)).cmbSimStatus; }
    QLabel* lblUnit(int i) const { return m_channels.at(static_cast<size_t>(i)).lblUnit; }
    QGroupBox* Frame(int i) const { return m_channels.at(static_cast<size_t>(i)).frame; }
    QPushButton* cmdSetSimulation() const { return m_cmdSetSimulation; }

    void cmdSetSimulation_Click();
    bool Form_QueryUnload() override;

protected:
    void OnFirstActivation() override;
    void OnUnload() override;

private:
    struct Channel {
        QGroupBox* frame = nullptr;
        QCheckBox* chkSimulate = nullptr;
        controls::PioLabelTextUnit* txtSimValue = nullptr;
        controls::PioLabelComboUnit* cmbSimStatus = nullptr;
        QLabel* lblUnit = nullptr;
        pioitems::PioAppItem* appSimulate = nullptr;
        pioitems::PioAppItem* appPollSimulate = nullptr;
        pioitems::PioAppItem* appUnit = nullptr;
        int16_t lastPolled = 9999;
        QString previous; // the enable item's text before the last Set
    };

    void appConnectionStatus_ValueChanged();
    void appPollSimulate_ValueChanged(int index, const QString& value);
    void appUnit_ValueChanged(int index);
    void appMvModeBlkActual_ValueChanged();
    void appmvMediumType_ValueChanged();
    void seqGetMvSimulation_StatusChanged(int32_t sequenceStatus);
    void seqSetMvSimulation_StatusChanged(int32_t sequenceStatus);
    // The write did not start: the check boxes and the enable items get back what they held.
    void RestorePrevious();
    void SetChecked(int index, bool checked);

    std::array<Channel, kChannels> m_channels{};
    QPushButton* m_cmdSetSimulation = nullptr;
    pioitems::PioAppItem* m_appConnectionStatus = nullptr;
    pioitems::PioAppItem* m_appMvModeBlkActual = nullptr;
    pioitems::PioAppItem* m_appmvMediumType = nullptr;
    pioitems::PioSequenceItem* m_seqGetMvSimulation = nullptr;
    pioitems::PioSequenceItem* m_seqSetMvSimulation = nullptr;
    bool m_updating = false;
    bool m_awaitingDevice = false;
    bool m_closing = false;
    bool m_readSeen = false;
};
