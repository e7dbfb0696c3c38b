#pragma once
// Building blocks of the device pages: labels that carry the text id of
// their caption, the display controls bound by item name, and invisible item
// controls, each named as the page's code and tests find it.
#include <QString>
#include <cstdint>

class QGridLayout;
class QGroupBox;
class QLabel;
class QStackedLayout;
class QWidget;
namespace controls {
class PioFieldControl;
class PioLabel;
class PioText;
} // namespace controls
namespace pioitems {
class PioAppItem;
class PioSequenceItem;
} // namespace pioitems

namespace pagecontrols {

// A label whose caption is the text of textId (localised at load); design caption until then.
QLabel* TaggedLabel(QWidget* parent, const QString& name, int16_t textId, const QString& design = QString());
// A titled frame whose title is the text of textId (localised at load); design title until then.
QGroupBox* TaggedFrame(QWidget* parent, const QString& name, int16_t textId, const QString& design = QString());
controls::PioText* Text(QWidget* parent, const QString& name, const QString& item);
controls::PioLabel* Label(QWidget* parent, const QString& name, const QString& item);
pioitems::PioAppItem* AppItem(QWidget* parent, const QString& name, const QString& item);
pioitems::PioSequenceItem* SequenceItem(QWidget* parent, const QString& name, const QString& sequence);
// A field control of a page: label, value (text field or combo) and unit.
enum class FieldKind { Text, Combo };
struct FieldRow {
    const char* control;   // object name
    FieldKind kind;
    const char* item;
    int16_t textId;        // of the label
    const char* unitText;  // fixed unit; none: the unit item's, or hidden without one
    const char* unitItem;
    bool readOnly;
};
controls::PioFieldControl* Field(QWidget* parent, const FieldRow& row);

// The cover (fraHide) that hides a page's controls while the page loads,
// until it registered them, and again while it unloads.
class Cover {
public:
    // Lays out the page as its controls under the cover; covered at first.
    explicit Cover(QWidget& page);
    // The parent of the page's controls.
    QWidget* Controls() const { return m_controls; }
    void SetCovered(bool covered);
    bool Covered() const;

private:
    QStackedLayout* m_stack;
    QWidget* m_controls;
    QWidget* m_fraHide;
};

// A row of a form grid: the caption label in the first column, the field in the second.
void AddRow(QGridLayout& grid, QLabel* caption, QWidget* field);

// The tab "Additional Information" of the identification pages: the frame
// "Revisions" with the software revision (PioText4 on softwareItem) and the
// hardware revision label (design text "1.0"), and below it the serial
// number field and the communication type label.
struct AdditionalInformation {
    QWidget* tab = nullptr;
    QLabel* lblHardwareRev = nullptr;
    QLabel* lblCommType = nullptr;
};
AdditionalInformation AdditionalInformationTab(const QString& softwareItem, QWidget* serialNumber,
                                               const QString& commTypeDesign = QString());

} // namespace pagecontrols
