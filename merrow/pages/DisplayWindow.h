#pragma once
// What the bar graph and digital display windows share: a display control,
// the measured-value selector and the display setting control that fills
// the selector and re-binds the display at every selection, and the range
// values read once per connection at the first activation.
#include "merrow/shell/PioPage.h"

class QComboBox;
class ctlDisplaySetting;
namespace pioitems {
class PioSequenceItem;
}

class DisplayWindow : public PioPage {
    Q_OBJECT
public:
    QComboBox* cmbMeasValue() const { return m_cmbMeasValue; }
    ctlDisplaySetting* ctlDisplaySetting1() const { return m_setting; }

protected:
    // The selector lies at the top; the window places its display below it.
    DisplayWindow(const QString& name, bool restoreWidth, bool restoreHeight, QWidget* displayCtrl);
    void OnFirstActivation() override;

private:
    void cmbMeasValue_Click();

    QWidget* m_displayCtrl;
    QComboBox* m_cmbMeasValue = nullptr;
    ctlDisplaySetting* m_setting = nullptr;
    pioitems::PioSequenceItem* m_seqGetRangeValues = nullptr;
    bool m_selecting = false;
};
