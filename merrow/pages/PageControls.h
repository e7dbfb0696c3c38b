#pragma once
// Building blocks of the device pages: labels that carry the text id of
// their caption, the display controls bound by item name, and invisible item
// controls, each named as the page's code and tests find it.
#include "platform/dialogs/DialogTypes.h"
#include <QString>
#include <cstdint>
#include <functional>

class PioPage;
class QComboBox;
class QGridLayout;
class QGroupBox;
class QObject;
class ctlDisplaySetting;
class QLabel;
class QStackedLayout;
class QWidget;
namespace controls {
class PioCombo;
class PioDisplayControl;
class PioFieldControl;
class PioLabel;
class PioText;
} // namespace controls
namespace pioitems {
class PioAppItem;
class PioRecordItem;
class PioSequenceItem;
} // namespace pioitems

namespace pagecontrols {

// A label whose caption is the text of textId (localised at load); design caption until then.
QLabel* TaggedLabel(QWidget* parent, const QString& name, int16_t textId, const QString& design = QString());
// A titled frame whose title is the text of textId (localised at load); design title until then.
QGroupBox* TaggedFrame(QWidget* parent, const QString& name, int16_t textId, const QString& design = QString());
controls::PioText* Text(QWidget* parent, const QString& name, const QString& item);
// A value field wide enough to show as many characters as its item holds
// (a text of the device such as its 32-character message).
controls::PioText* Text(QWidget* parent, const QString& name, const QString& item, int characters);
inline constexpr int kDeviceMessageCharacters = 32; // the device keeps its message in 32 characters
controls::PioLabel* Label(QWidget* parent, const QString& name, const QString& item);
controls::PioCombo* Combo(QWidget* parent, const QString& name, const QString& item);
pioitems::PioAppItem* AppItem(QWidget* parent, const QString& name, const QString& item);
// Runs the item writes of a page's handler: a value the item manager refuses
// is traced and told in a box of the page; false then, and the handler goes
// no further than the writes it made.
bool WrittenOrTold(const QWidget& page, const std::function<void()>& writes);
pioitems::PioSequenceItem* SequenceItem(QWidget* parent, const QString& name, const QString& sequence);
// A record control that follows the record's state only: it does not register
// the record's control item, which would make the page the one to decide on
// every refused answer, and the record would wait for it.
pioitems::PioRecordItem* RecordStateItem(QWidget* parent, const QString& name, const QString& record);
// The item controls of the fixed output current, shared by the current
// calibration and current simulation pages: "SetLevelCurr" with its record
// "Write_040", the level "levelCurr", the reported current "Curr" and the
// diagnosis extension (both updated every cycle), and the connection.
struct FixedCurrentItems {
    pioitems::PioSequenceItem* seqSetLevelCurr = nullptr;
    pioitems::PioRecordItem* recLevelCurr = nullptr;
    pioitems::PioAppItem* appLevelCurr = nullptr;
    pioitems::PioAppItem* appCurr = nullptr;
    pioitems::PioAppItem* appDiagnosisExtension = nullptr;
    pioitems::PioAppItem* appConnectionStatus = nullptr;
};
// Creates them on the page, which is being designed.
FixedCurrentItems FixedCurrentItemControls(QWidget* page);
// The request handshake of a sequence the page forced: a write or read
// request (status 1 or 2) is answered with action 1 (deferred); at ready
// (status 0) the main window is the user's again and onReady learns whether
// the sequence succeeded.
void FollowSequenceStatus(const PioPage& page, pioitems::PioSequenceItem& sequence, int32_t status,
                          const std::function<void(bool succeeded)>& onReady = {});
// Two limits of a value with the item of their unit, as item controls of a
// page (created while it is designed): the differential-pressure sensor's
// limits, and those of the flow computation's static-pressure input.
struct RangeLimitItems {
    pioitems::PioAppItem* unit = nullptr;
    pioitems::PioAppItem* lower = nullptr;
    pioitems::PioAppItem* upper = nullptr;
};
enum class RangeLimits { Sensor, StaticPressureInput };
RangeLimitItems RangeLimitItemControls(QWidget* page, RangeLimits limits);
// Lets field take only values within the limits, converted into the unit
// code unit; limits in a unit of another quantity, or none known, leave the
// value to the device.
void LimitToRange(controls::PioDisplayControl& field, const RangeLimitItems& limits, int16_t unit);
// The title of the questions a page asks on closing: "%1 Close" with its caption.
dialogs::OwnTitle CloseTitle(const QWidget& page);
// Tells the user that the device's output stays fixed although the page closes.
void ReportFixedCurrentStays(const QWidget& page);
// Tells the user that the device did not carry out the page's request of
// the sequence, and why when the device refused it.
void ReportRefusal(const PioPage& page, const pioitems::PioSequenceItem& sequence);
// Whether the connection item ("&&private&&Connect") reports a connected device.
bool Connected(const pioitems::PioAppItem& connection);
// Whether the diagnosis extension item reports the output fixed by the fixed-current mode.
bool FixedCurrentActive(const pioitems::PioAppItem& diagnosisExtension);
// Whether a current the device reports is the level asked for: the device
// reports a float, so a level is met within a small tolerance.
bool CurrentAtLevel(double current, double level);
// Whether the device is a HART device of a software revision above 20, whose
// pages show the items named with the suffix "_21". A revision that is no
// number, or facts that cannot be read, count as an older device (traced).
bool HasRevision21Items();
inline const QString kRevision21Suffix = QStringLiteral("_21");
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
