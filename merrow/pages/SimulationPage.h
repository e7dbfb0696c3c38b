#pragma once
// What the simulation pages share: one frame per channel with the check box
// "Simulate", the simulated value and state and the unit, and the channel's
// simulate-enable item, written by the page and read back as the device
// reports it. At the first activation the page reads the device's
// simulation; "Set" writes every enable item, remembering what it held, and
// forces the write sequence. A write that fails, at once or in the device,
// gives the check boxes and the enable items back what they held (so that a
// later download cannot switch a simulation on) and tells the user; one that
// succeeds is confirmed in the status bar. Closing the page while the device
// simulates asks whether to end the simulation first.
#include "merrow/shell/PioPage.h"
#include <cstdint>
#include <optional>
#include <vector>

class QCheckBox;
class QGroupBox;
class QLabel;
class QPushButton;
class QVBoxLayout;
namespace controls {
class PioLabelComboUnit;
class PioLabelTextUnit;
} // namespace controls
namespace pioitems {
class PioAppItem;
class PioSequenceItem;
} // namespace pioitems

class SimulationPage : public PioPage {
    Q_OBJECT
public:
    QCheckBox* chkSimulate(int i) const { return At(i).chkSimulate; }
    controls::PioLabelTextUnit* txtSimValue(int i) const { return At(i).txtSimValue; }
    controls::PioLabelComboUnit* cmbSimStatus(int i) const { return At(i).cmbSimStatus; }
    QLabel* lblUnit(int i) const { return At(i).lblUnit; }
    QGroupBox* Frame(int i) const { return At(i).frame; }
    QPushButton* cmdSetSimulation() const { return m_cmdSetSimulation; }
    // Whether the channel's box is checked; a grey box (a state the device
    // reports above 1) is not, and Set leaves such a channel as it is.
    bool UserChecked(int i) const;

    void cmdSetSimulation_Click();
    bool Form_QueryUnload() override;
    bool ClosingItself() const override { return m_closing; }

    // A channel's frame, its caption, and the items of enable, value, value
    // unit, state and shown unit.
    struct ChannelRow {
        const char* frame;
        int16_t caption;
        const char* enabled;
        const char* value;
        const char* valueUnit;
        const char* status;
        const char* unit;
    };

protected:
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
        QString previous; // the enable item's text before the last write
        bool written = false; // the last write set the enable item
    };

    SimulationPage(const QString& name, int channels);

    // Designs channel index in a frame on parent: its controls and its enable
    // and unit item controls (the page decides what the unit label shows).
    // The channels' value and state fields start at one x: their captions
    // take the width of the longest (after the texts of the language are set).
    void AlignChannels();
    Channel& AddChannel(int index, QWidget* parent, const ChannelRow& row);
    // Designs the connection item and the read and write sequences (control
    // names "seq" + sequence), then puts the "Set" button below the column.
    void AddSequences(const QString& readSequence, const QString& writeSequence);
    void AddSetButton(QVBoxLayout& column);

    Channel& ChannelAt(int i) { return m_channels.at(static_cast<size_t>(i)); }
    const Channel& At(int i) const { return m_channels.at(static_cast<size_t>(i)); }
    int Channels() const { return static_cast<int>(m_channels.size()); }
    pioitems::PioAppItem* appConnectionStatus() const { return m_appConnectionStatus; }
    pioitems::PioSequenceItem* ReadSequence() const { return m_seqGet; }

    // Before "Set" writes: the page may tell the user about its choice.
    virtual void BeforeSet() {}
    // The device reports a new state of a channel: the page shows it on the
    // check box (the page's own updates of check boxes are flagged meanwhile).
    virtual void ShowReportedState(int index, int polled) = 0;

private:
    void appConnectionStatus_ValueChanged();
    void appPollSimulate_ValueChanged(int index, const QString& value);
    void ReadSequence_StatusChanged(int32_t sequenceStatus);
    void WriteSequence_StatusChanged(int32_t sequenceStatus);
    // Writes every enable item ("1" where on is set, "0" where it is clear or
    // missing; none where it is empty), remembering what it held, and forces
    // the write when asked to; true when the write was requested.
    bool WriteSimulation(const std::vector<std::optional<bool>>& on, bool force);
    // The write failed: the check boxes and the enable items get back what they held.
    void RestorePrevious();
    // Tells the user that the device simulates as before.
    void ReportNotTaken();

    std::vector<Channel> m_channels;
    QPushButton* m_cmdSetSimulation = nullptr;
    pioitems::PioAppItem* m_appConnectionStatus = nullptr;
    pioitems::PioSequenceItem* m_seqGet = nullptr;
    pioitems::PioSequenceItem* m_seqSet = nullptr;
    bool m_updating = false;
    bool m_awaitingDevice = false;
    bool m_closing = false;
    bool m_readSeen = false;
    bool m_simulationWritten = false; // the last write switched a channel on
};
