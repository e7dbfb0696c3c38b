#pragma once
// The flow totaliser of the flow computer: the user chooses the flow that is
// integrated (none, volume, mass), starts and stops the integration, deletes
// stored totals, and watches the running total, its unit and the integration
// time. The actions are written to the device by "SetPidModeBlk"; one the
// device refuses is told, and the dataset keeps the action before. A cover
// hides the controls until the page has registered them, and again while it
// unloads.
#include "merrow/pages/PageControls.h"
#include "merrow/shell/PioPage.h"
#include <array>
#include <optional>

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

class frmFlowBuffer : public PioPage {
    Q_OBJECT
public:
    // The buffer actions: the index of a button is the value it writes to "pidModeBlkNormal".
    enum Action { Stop = 0, Start = 1, DeleteLastHour = 2, DeleteAllHours = 3, DeleteAllDays = 4, DeleteAll = 5 };
    static constexpr int kActions = 6;

    frmFlowBuffer();

    void cmdAction_Click(int index);

    bool Covered() const { return m_cover.Covered(); }
    QPushButton* cmdAction(int index) const { return m_actions[static_cast<size_t>(index)]; }
    QLabel* lblStatus() const { return m_lblStatus; }
    QLabel* lblFlowBufferTime() const { return m_lblTime; }
    QLabel* lblFlowUnit() const { return m_lblUnit; }
    controls::PioLabelTextUnit* lblFlowBufferTotal() const { return m_total; }
    controls::PioLabelComboUnit* cmbFlowBufferSelection() const { return m_selection; }
    pioitems::PioAppItem* appFlowUnit() const { return m_appFlowUnit; }

protected:
    void OnFirstActivation() override;
    void OnUnload() override;

private:
    void appConnectionStatus_ValueChanged();
    void appFlowUnit_ValueChanged();
    void appMesswertauswahl_ValueChanged();
    void appMesswertauswahlShadow_ValueChanged();
    void appBufferAction_ValueChanged();
    void appPidInValue_ValueChanged();
    void seqSetPidModeBlk_StatusChanged(int32_t sequenceStatus);
    // The user chose another flow in the combo.
    void cmbFlowBufferSelection_Activated();
    int ConnectionState() const;
    // Connected, with a flow chosen in both the device value and the edited value.
    bool ActionsUsable() const;
    void EnableActions(int from, int to, bool enabled);

    pagecontrols::Cover m_cover{*this};
    std::array<QPushButton*, kActions> m_actions{};
    QLabel* m_lblStatus = nullptr;
    QLabel* m_lblTime = nullptr;
    QLabel* m_lblUnit = nullptr;
    controls::PioLabelTextUnit* m_total = nullptr;
    controls::PioLabelComboUnit* m_selection = nullptr;
    pioitems::PioAppItem* m_appMesswertauswahl = nullptr;
    pioitems::PioAppItem* m_appMesswertauswahlShadow = nullptr;
    pioitems::PioAppItem* m_appBufferAction = nullptr;
    pioitems::PioAppItem* m_appPidInValue = nullptr;
    pioitems::PioAppItem* m_appFlowUnit = nullptr;
    pioitems::PioAppItem* m_appConnectionStatus = nullptr;
    pioitems::PioSequenceItem* m_seqSetPidModeBlk = nullptr;
    // The action the dataset held before the one the device is carrying out now.
    std::optional<double> m_actionBefore;
};
