#pragma once
// What the static-pressure page of the fieldbus devices and the temperature
// page share: the tab "Process Variable" with the range of the channel, and
// the tab "Output" with the analog-input block's output scale and output
// parameters. The flow function owns the output scale while the flow block
// computes (mode 8); the low cut-off is offered only for the square-root
// transfer function; the unit labels follow the chosen output unit.
#include "merrow/pages/PageControls.h"
#include "merrow/shell/PioPage.h"
#include <array>
#include <vector>

class QGroupBox;
class QLabel;
namespace controls {
class PioFieldControl;
} // namespace controls
namespace pioitems {
class PioAppItem;
} // namespace pioitems

class frmConfigChannel : public PioPage {
    Q_OBJECT
public:
    // The output controls, in this order: unit, lower and upper limit, low
    // cut-off, warning limits, alarm limits, damping, alarm hysteresis,
    // transfer function.
    static constexpr int kOutputs = 11;
    struct Variant {
        const char* formName;
        int16_t captionId;
        const char* caption;
        const char* limitControl; // "txtAipLimit" or "txtAiTLimit"
        // The item each output control is bound to at design.
        std::array<const char*, kOutputs> outputItems;
        // The controls of the tab "Process Variable" (frame "Scaling").
        std::vector<pagecontrols::FieldRow> range;
    };

    controls::PioFieldControl* Field(const QString& name) const;
    QLabel* lblOutScaleUnit(int n) const { return m_unitLabels[static_cast<size_t>(n)]; }

protected:
    explicit frmConfigChannel(const Variant& variant);
    void OnFirstActivation() override;
    // The rules that follow the flow block; the page adds its own after the common ones.
    virtual void EnablingRules();
    // The process-variable tab, to which a page adds its own frames.
    QWidget* ProcessVariableTab() const { return m_pvTab; }
    // The output controls that carry the block's bare parameter names.
    const std::vector<controls::PioFieldControl*>& OutputControls() const { return m_outputs; }

private:
    void cmbAiLinType_Click();
    void cmbOutScaleUnit_Click();

    QWidget* m_pvTab = nullptr;
    std::vector<controls::PioFieldControl*> m_outputs;
    std::array<QLabel*, 3> m_unitLabels{};
    pioitems::PioAppItem* m_appMvModeBlkActual = nullptr;
    Variant m_variant;
};
