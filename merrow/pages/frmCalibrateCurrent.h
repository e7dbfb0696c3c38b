#pragma once
// The output current calibration page of a HART transmitter at polling
// address 0: it fixes the analogue output at 4 mA or 20 mA ("SetLevelCurr"
// with "levelCurr"), takes the current the user measured in the loop and
// trims the output at that point ("SetMeasPvCurrLevelZero",
// "SetMeasPvCurrLevelGain"). Before it closes it takes the device out of
// fixed-current mode again.
#include "merrow/pages/PageControls.h"
#include "merrow/shell/PioPage.h"
#include <map>

class QPushButton;
class QRadioButton;
namespace controls {
class PioLabelTextUnit;
} // namespace controls
namespace pioitems {
class PioAppItem;
class PioRecordItem;
class PioSequenceItem;
} // namespace pioitems

class frmCalibrateCurrent : public PioPage {
    Q_OBJECT
public:
    frmCalibrateCurrent();

    // The option of the fixed level in mA: 0 (standard mode), 4 or 20.
    QRadioButton* optAbgleich(int index) const;
    // The measured-current entry at 4 or 20 mA.
    controls::PioLabelTextUnit* txtMeasPvCurrLevel(int index) const;
    controls::PioLabelTextUnit* txtCurr() const { return m_txtCurr; }
    QPushButton* cmdAbgleichen() const { return m_cmdAbgleichen; }
    // The selected option's level; -1 when none is selected.
    int SelectedLevel() const;
    bool Waiting() const { return m_waiting; }
    bool Closing() const { return m_closing; }

    void optAbgleich_Click(int index);
    void cmdAbgleichen_Click();
    bool Form_QueryUnload() override;
    bool ClosingItself() const override { return m_closing; }

protected:
    void OnLoad() override;
    void OnFirstActivation() override;

private:
    void EnablingRule();
    void ApplyDeviceState();
    // Selects the option as the page's own change: its click writes nothing.
    void SelectOption(int index);
    bool Connected() const;
    bool FixedCurrentActive() const;
    bool AddressZero() const;
    void appConnectionStatus_ValueChanged();
    void seqSetLevelCurr_StatusChanged(int32_t sequenceStatus);
    void seqSetMeasPvCurrLevel_StatusChanged(int index, int32_t sequenceStatus);
    void recLevelCurr_StatusChanged(int32_t recordStatus);

    std::map<int, QRadioButton*> m_options;
    std::map<int, controls::PioLabelTextUnit*> m_entries;
    controls::PioLabelTextUnit* m_txtCurr = nullptr;
    QPushButton* m_cmdAbgleichen = nullptr;
    pioitems::PioSequenceItem* m_seqSetMeasPvCurrLevel[2] = {};
    pagecontrols::FixedCurrentItems m_fixed;
    pioitems::PioAppItem* m_appAddress = nullptr;

    bool m_ignoreClick = false;
    int m_requestedLevel = 0;
    bool m_waiting = false;
    bool m_levelAsked = false; // the running level request is the user's choice on this page
    bool m_closing = false;
};
