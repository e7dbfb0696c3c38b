#pragma once
// Up to four measured values the user picks, as trend curves over the last
// minute. One window; curve i first shows the i-th value the device offers.
#include "merrow/shell/PioPage.h"
#include <array>

class QComboBox;
class ctlDisplaySetting;
namespace controls {
class PioPlotter;
}
namespace pioitems {
class PioSequenceItem;
}

class frmDisplayTrend : public PioPage {
    Q_OBJECT
public:
    static constexpr int kCurves = 4;

    frmDisplayTrend();

    controls::PioPlotter* PioPlotter() const { return m_plotter; }
    // Curves are numbered 1 to 4.
    QComboBox* cmbMeasValue(int index) const { return m_cmbMeasValue.at(static_cast<size_t>(index - 1)); }
    ::ctlDisplaySetting* DisplaySetting(int index) const { return m_setting.at(static_cast<size_t>(index - 1)); }

protected:
    void OnFirstActivation() override;
    void OnUnload() override;

private:
    void cmbMeasValue_Click(int index);

    controls::PioPlotter* m_plotter = nullptr;
    std::array<QComboBox*, kCurves> m_cmbMeasValue{};
    std::array<::ctlDisplaySetting*, kCurves> m_setting{};
    pioitems::PioSequenceItem* m_seqGetRangeValues = nullptr;
    bool m_selecting = false;
};
