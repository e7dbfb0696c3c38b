#pragma once
// The current simulation page of a HART transmitter: the user types a
// current (or moves the slider) and ticks "Simulate"; the page fixes the
// analogue output at that level ("levelCurr", "SetLevelCurr") and follows the
// current the device reports. Unticking ends the fixed-current mode; closing
// the page while it is active asks whether to end it first.
#include "merrow/pages/PageControls.h"
#include "merrow/shell/PioPage.h"
#include <optional>

class QCheckBox;
class QLabel;
class QLineEdit;
class QSlider;
namespace pioitems {
class PioAppItem;
class PioRecordItem;
class PioSequenceItem;
} // namespace pioitems

class frmSimulateCurrent : public PioPage {
    Q_OBJECT
public:
    static constexpr float kUpperLimit = 22.5f; // mA

    frmSimulateCurrent();

    QCheckBox* chkSimulate() const { return m_chkSimulate; }
    QLineEdit* txtStromwert() const { return m_txtStromwert; }
    QSlider* sldStromwert() const { return m_sldStromwert; }
    QLabel* lblLowerLimit() const { return m_lblLowerLimit; }
    QLabel* lblUpperLimit() const { return m_lblUpperLimit; }
    float LowerLimit() const { return m_lowerLimit; }
    bool SequenceRunning() const { return m_sequenceRunning; }

    // The user's click of the check box, after the box changed.
    void chkSimulate_Click();
    // The range check of the entry when it is left: false (with a beep) for
    // a text that is no number or lies outside the limits.
    bool txtStromwert_Validate();
    bool Form_QueryUnload() override;
    bool ClosingItself() const override { return m_closing; }

protected:
    void OnFirstActivation() override;

private:
    // The entry read as a number, with either decimal separator; none for an unreadable text.
    std::optional<float> EnteredCurrent() const;
    bool InRange(float current) const;
    // Ticks or unticks the box as the page's own change: its click writes
    // "levelCurr" and starts nothing.
    void SetBox(bool ticked);
    void appConnectionStatus_ValueChanged();
    void appCurr_ValueChanged();
    void appDiagnosisExtension_ValueChanged();
    void seqSetLevelCurr_StatusChanged(int32_t sequenceStatus);
    void sldStromwert_Change(int value);

    QCheckBox* m_chkSimulate = nullptr;
    QLineEdit* m_txtStromwert = nullptr;
    QSlider* m_sldStromwert = nullptr;
    QLabel* m_lblLowerLimit = nullptr;
    QLabel* m_lblUpperLimit = nullptr;
    pagecontrols::FixedCurrentItems m_fixed;

    float m_lowerLimit = 3.5f;
    int m_lastModeState = 99; // -1 active, 0 not active, 99 nothing applied yet
    bool m_ignoreClick = false;
    bool m_closing = false;
    bool m_sequenceRunning = false;
};
