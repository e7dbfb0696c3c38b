#pragma once
// The measured-values window: flow, volume flow, temperature, differential
// and static pressure side by side, each with its unit and with as many
// decimals as its range calls for. While the device simulates an input of
// the flow calculation, that row shows the simulated value and says so in
// its label. The window closes itself when the multivariable block leaves
// the automatic mode.
#include "merrow/shell/PioPage.h"
#include <array>
#include <cstdint>

class QLabel;
namespace pioitems {
class PioAppItem;
}

class frmMesswerte : public PioPage {
    Q_OBJECT
public:
    static constexpr int kRows = 5;
    static constexpr int kSimulated = 5; // the simulated values the window marks
    static constexpr int16_t kMaxDigits = 7;

    frmMesswerte();

    // The decimals of a value whose range spans span: as many as the whole
    // part of 1000 / span has characters (a minus sign counted), 1 for an
    // empty range, never more than the display's digits.
    static int16_t DecimalsForSpan(float span);

    QLabel* lblMeasValue(int i) const { return m_lblMeasValue.at(static_cast<size_t>(i)); }
    QLabel* lblUnit(int i) const { return m_lblUnit.at(static_cast<size_t>(i)); }
    QLabel* RowLabel(int i) const { return m_rowLabel.at(static_cast<size_t>(i)); }
    pioitems::PioAppItem* appMeasValue(int i) const { return m_appMeasValue.at(static_cast<size_t>(i)); }

protected:
    void OnBeforeRegister() override;
    void OnFirstActivation() override;
    void OnUnload() override;

private:
    // One of the three simulated inputs: its row, its enable item and the
    // last simulate state it applied.
    struct SimulatedInput {
        int row;
        pioitems::PioAppItem* enabled;
        QString simulatedItem;
        QString simulatedUnit;
        int16_t lastState;
    };

    void appConnectionStatus_ValueChanged();
    void appMeasValue_ValueChanged(int index);
    void appMeasValueUnit_ValueChanged(int index);
    void appMvDefaultInpSel_ValueChanged();
    void appMvModeBlkActual_ValueChanged();
    void SimulateEnabled_ValueChanged(SimulatedInput& input);
    // Binds the control to the item and shows its value anew.
    void Rebind(pioitems::PioAppItem& control, const QString& item);

    std::array<QLabel*, kRows> m_rowLabel{};
    std::array<QLabel*, kRows> m_lblMeasValue{};
    std::array<QLabel*, kRows> m_lblUnit{};
    std::array<pioitems::PioAppItem*, kRows> m_appMeasValue{};
    std::array<pioitems::PioAppItem*, kRows> m_appMeasValueUnit{};
    std::array<pioitems::PioAppItem*, kRows> m_appMvInLoLim{};
    std::array<pioitems::PioAppItem*, kRows> m_appMvInHiLim{};
    pioitems::PioAppItem* m_appConnectionStatus = nullptr;
    pioitems::PioAppItem* m_appMvModeBlkActual = nullptr;
    pioitems::PioAppItem* m_appMvDefaultInpSel = nullptr;
    std::array<SimulatedInput, kSimulated> m_inputs{};
    // The names the rows show while nothing is simulated.
    std::array<QString, kRows> m_baseName;
    QString m_temperatureBaseName;
    // The unit items of the rows while nothing is simulated.
    std::array<QString, kRows> m_baseUnit;
};
