#pragma once
// The simulation of the analog-input blocks of a fieldbus device:
// temperature, differential (or plain) pressure and static pressure, each
// switched on with its value and state and written with "SetAiSimulation".
// The page shows what the device reports; closing it while the device
// simulates asks whether to end the simulation first. A write that fails
// gives the check boxes and the enable items back what they held, so that a
// later download cannot switch a simulation on, and tells the user.
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

class frmSimulatePressureTemp : public PioPage {
    Q_OBJECT
public:
    static constexpr int kChannels = 3; // temperature, differential (or plain) pressure, static pressure

    frmSimulatePressureTemp();

    QCheckBox* chkSimulate(int i) const { return At(i).chkSimulate; }
    controls::PioLabelTextUnit* txtSimValue(int i) const { return At(i).txtSimValue; }
    controls::PioLabelComboUnit* cmbSimStatus(int i) const { return At(i).cmbSimStatus; }
    QLabel* lblUnit(int i) const { return At(i).lblUnit; }
    QGroupBox* Frame(int i) const { return At(i).frame; }
    QPushButton* cmdSetSimulation() const { return m_cmdSetSimulation; }
    // The page's height as its layout rules give it, in twips.
    int HeightTwips() const { return m_heightTwips; }

    void cmdSetSimulation_Click();
    bool Form_QueryUnload() override;

protected:
    void OnFirstActivation() override;

private:
    struct Channel {
        QGroupBox* frame = nullptr;
        QCheckBox* chkSimulate = nullptr;
        controls::PioLabelTextUnit* txtSimValue = nullptr;
        controls::PioLabelComboUnit* cmbSimStatus = nullptr;
        QLabel* lblUnit = nullptr;
        pioitems::PioAppItem* appSimulate = nullptr;
        pioitems::PioAppItem* appPollSimulate = nullptr;
        pioitems::PioAppItem* appSimulateValue = nullptr;
        pioitems::PioAppItem* appSimulateStatus = nullptr;
        pioitems::PioAppItem* appUnit = nullptr;
        int16_t lastPolled = 9999;
        QString previous; // the enable item's text before the last write
    };

    const Channel& At(int i) const { return m_channels.at(static_cast<size_t>(i)); }
    void Layout();
    void appConnectionStatus_ValueChanged();
    void appPollSimulate_ValueChanged(int index, const QString& value);
    void appUnit_ValueChanged(int index);
    void appSimulateValue_ValueChanged(int index);
    void seqGetAiSimulation_StatusChanged(int32_t sequenceStatus);
    void seqSetAiSimulation_StatusChanged(int32_t sequenceStatus);
    // Writes every enable item, remembering what it held, and forces the
    // write when asked to; true when the write was requested.
    bool WriteSimulation(const std::array<bool, kChannels>& on, bool force);
    // The write failed: the check boxes and the enable items get back what they held.
    void RestorePrevious();
    // Tells the user that the device simulates as before.
    void ReportNotTaken();

    std::array<Channel, kChannels> m_channels{};
    QPushButton* m_cmdSetSimulation = nullptr;
    pioitems::PioAppItem* m_appConnectionStatus = nullptr;
    pioitems::PioSequenceItem* m_seqGetAiSimulation = nullptr;
    pioitems::PioSequenceItem* m_seqSetAiSimulation = nullptr;
    int m_heightTwips = 0;
    bool m_updating = false;
    bool m_awaitingDevice = false;
    bool m_closing = false;
    bool m_readSeen = false;
};
