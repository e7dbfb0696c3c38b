#pragma once
// What the three sensor calibration pages share: rows of balance points, each
// a typed reference value, its unit and an "Adjust" button that writes the
// row's calibration item and forces the row's write sequence, so the device
// takes the value applied now as that point; displays of the live process
// value; the reading of the device's calibration points when the page opens.
// Each page is a table (CalibrationDesign) of items, sequences and texts.
#include "merrow/shell/PioPage.h"
#include <optional>
#include <utility>
#include <vector>

class QLabel;
class QLineEdit;
class QPushButton;
class QStackedLayout;
namespace controls {
class PioLabelTextUnit;
}
namespace pioitems {
class PioAppItem;
class PioRecordItem;
class PioSequenceItem;
} // namespace pioitems

// One balance point: row label, calibration item, write sequence, the
// record that carries the point (its response tells a refusal), and which
// unit item of the page gives the row's unit.
struct CalibrationRow {
    int16_t labelText;
    const char* pointItem;
    const char* sequence;
    const char* record;
    int unit;
};

// A unit item of the page; newer HART devices name it with "_21".
struct CalibrationUnit {
    const char* control;
    const char* item;
    bool onShadow;
    int16_t updateInterval;
};

// A live display: value and unit item ("_21" on newer HART devices), label text.
struct CalibrationDisplay {
    const char* control;
    const char* valueItem;
    const char* unitItem;
    int16_t labelText;
};

// How the page answers the reading of its calibration points: confirm the
// read and take what was read into the dataset, or only confirm it.
enum class CalibrationRead { ConfirmAndAdjust, ConfirmOnly };

struct CalibrationDesign {
    const char* form;
    int16_t captionText;       // 0: set at the first activation (CaptionText)
    const char* pointsControl; // prefix of the point item controls
    const char* sequenceControl;
    std::vector<CalibrationRow> rows;
    std::vector<CalibrationUnit> units;
    std::vector<CalibrationDisplay> displays;
    const char* readControl;
    const char* readSequence;
    CalibrationRead read;
    // The calibration unit written at "Adjust" from unit 0; none: not written.
    const char* calUnitControl;
    const char* calUnitItem;
    // The point's record does not carry the calibration unit, so the device
    // keeps its own: the unit written at "Adjust" is given back once the
    // point's sequence has ended, and the dataset keeps what the device holds.
    bool calUnitGivenBack;
    int16_t pointsFrameText;
    int16_t valuesFrameText;
    // Tab text of the page's one tab; 0: no tab strip, a cover frame hides the controls.
    int16_t tabText;
};

class CalibrationPage : public PioPage {
    Q_OBJECT
public:
    explicit CalibrationPage(const CalibrationDesign& design);

    QLineEdit* txtAbgleichpunkt(int index) const { return m_rows.at(static_cast<size_t>(index)).text; }
    QPushButton* cmdAbgleichpunkt(int index) const { return m_rows.at(static_cast<size_t>(index)).button; }
    QLabel* lblUnit(int index) const { return m_rows.at(static_cast<size_t>(index)).unit; }
    controls::PioLabelTextUnit* Display(int index) const { return m_displays.at(static_cast<size_t>(index)); }
    int RowCount() const { return static_cast<int>(m_rows.size()); }
    // True while the controls are hidden (before the registration and while unloading).
    bool Covered() const;

    // Writes the point of the row and has the device take it.
    void cmdAbgleichpunkt_Click(int index);

protected:
    void OnBeforeRegister() override;
    void OnFirstActivation() override;
    void OnUnload() override;
    pioitems::PioAppItem* UnitItem(int unit) const { return m_units.at(static_cast<size_t>(unit)); }
    // The range a row's point may lie in, in the unit shown beside it; none:
    // the device alone decides.
    virtual std::optional<std::pair<double, double>> PointLimits(int) const { return std::nullopt; }
    // The window caption set at the first activation, for a design without one.
    virtual int16_t CaptionText() const { return 0; }

private:
    struct Row {
        QLineEdit* text = nullptr;
        QLabel* unit = nullptr;
        QPushButton* button = nullptr;
        pioitems::PioAppItem* point = nullptr;
        pioitems::PioSequenceItem* sequence = nullptr;
        pioitems::PioRecordItem* record = nullptr;
    };

    void txtAbgleichpunkt_Change(int index);
    void appConnectionStatus_ValueChanged();
    void appUnit_ValueChanged(int unit);
    void seqWrite_StatusChanged(int index, int32_t sequenceStatus);
    void seqRead_StatusChanged(int32_t sequenceStatus);
    void EndRead();
    // The calibration unit as it was before "Adjust", where the design gives it back.
    void GiveBackCalUnit();
    void EndCalibration(int index);
    void Fail(const QString& text);

    const CalibrationDesign& m_design;
    std::vector<Row> m_rows;
    std::vector<pioitems::PioAppItem*> m_units;
    std::vector<controls::PioLabelTextUnit*> m_displays;
    pioitems::PioAppItem* m_appCalUnit = nullptr;
    QString m_calUnitBefore; // the calibration unit before "Adjust" wrote the page's
    pioitems::PioAppItem* m_appConnectionStatus = nullptr;
    pioitems::PioSequenceItem* m_seqRead = nullptr;
    QStackedLayout* m_cover = nullptr;
    QWidget* m_fraBlend = nullptr;
    QWidget* m_controls = nullptr;
    bool m_readConfirmed = false;
    // The device's points are being read: a point taken meanwhile would be
    // refused as busy, so the rows wait for the read.
    bool m_reading = false;
    bool m_readBegun = false;
    int m_calibrating = -1; // the row whose point the device is taking
};
