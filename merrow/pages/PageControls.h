#pragma once
// Building blocks of the device pages: labels that carry the text id of
// their caption, the display controls bound by item name, and invisible item
// controls, each named as the page's code and tests find it.
#include <QString>
#include <cstdint>

class QComboBox;
class QGridLayout;
class QObject;
class ctlDisplaySetting;
class QLabel;
class QWidget;
namespace controls {
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
controls::PioText* Text(QWidget* parent, const QString& name, const QString& item);
controls::PioLabel* Label(QWidget* parent, const QString& name, const QString& item);
pioitems::PioAppItem* AppItem(QWidget* parent, const QString& name, const QString& item);
pioitems::PioSequenceItem* SequenceItem(QWidget* parent, const QString& name, const QString& sequence);
// The display windows read the range values once per connection: the first
// window that finds them unread and not asked for starts the sequence; the
// main window notes how it ended.
void RequestRangeValuesOnce(pioitems::PioSequenceItem& seqGetRangeValues);
// Fills the selector and binds the display (ctlDisplaySetting::Init); a
// failure is traced and leaves the lines filled so far.
void InitDisplaySetting(ctlDisplaySetting& setting, QObject* displayCtrl, QComboBox* cmbMeasValue);

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
