#pragma once
// The field controls of a page, built from up to four parts in a row: a
// caption, a value field (edited, or shown only), a list of an enumerated
// item's entries, and a unit. Each part shows the item its item-name property
// names:
//   ObjectNameText   the value field's item (edited on Enter or on leaving
//                    the field; a value the item refuses is shown to the
//                    user and the item's value comes back). A value typed
//                    and not yet confirmed is never overwritten: a change
//                    that would show the item again writes it first, and
//                    CommitPendingEdits writes it before a function runs.
//   ObjectNameLabel  the value field's item where it is shown only
//   ObjectNameCombo  the list's item: its enumeration's entries in their
//                    order, the entry of the item's value selected; choosing
//                    an entry writes its value. The entries the item's
//                    enable mask ("&&ObjectLimit&&" + item) holds at 0 are
//                    disabled, or left out with HideMaskedEntries.
//   ObjectNameUnit   the unit: the entry's text of the unit item's value;
//                    without a unit item the fixed UnitText
// Unit texts of the description, in the unit part and among the list's
// entries, show as their symbols from the description's unit table.
// The caption comes from its text id (CaptionTextId) through the program's
// text source, else it keeps its design text. While a shown item's device
// value differs from its dataset value the caption (or the field, for a
// control without caption) is underlined and blue.
#include "platform/controls/PioDisplayControl.h"

class QComboBox;
class QLabel;
class QLineEdit;

namespace controls {

class PioFieldControl : public PioDisplayControl {
    Q_OBJECT
    Q_PROPERTY(QString ObjectNameText READ ObjectNameText WRITE SetObjectNameText)
    Q_PROPERTY(QString ObjectNameLabel READ ObjectNameLabel WRITE SetObjectNameLabel)
    Q_PROPERTY(QString ObjectNameCombo READ ObjectNameCombo WRITE SetObjectNameCombo)
    Q_PROPERTY(QString ObjectNameUnit READ ObjectNameUnit WRITE SetObjectNameUnit)
    Q_PROPERTY(QString Caption READ Caption WRITE SetCaption)
    Q_PROPERTY(int CaptionTextId READ CaptionTextId WRITE SetCaptionTextId)
    Q_PROPERTY(QString UnitText READ UnitText WRITE SetUnitText)
    Q_PROPERTY(bool UnitVisible READ UnitVisible WRITE SetUnitVisible)
    Q_PROPERTY(bool HideMaskedEntries READ HideMaskedEntries WRITE SetHideMaskedEntries)
    Q_PROPERTY(int MaxDigits READ MaxDigitsProperty WRITE SetMaxDigitsProperty)
    Q_PROPERTY(int DecimalPlaces READ DecimalPlacesProperty WRITE SetDecimalPlacesProperty)
    Q_PROPERTY(bool DeviceDate READ DeviceDate WRITE SetDeviceDate)
public:
    enum Part { CaptionPart = 1, ValuePart = 2, ListPart = 4, UnitPart = 8 };

    PioFieldControl(int parts, QWidget* parent);

    QString ObjectNameText() const { return BindingName(m_text); }
    void SetObjectNameText(const QString& name) { SetBindingName(m_text, name); }
    QString ObjectNameLabel() const { return BindingName(m_label); }
    void SetObjectNameLabel(const QString& name) { SetBindingName(m_label, name); }
    QString ObjectNameCombo() const { return BindingName(m_combo); }
    // Also names the enable mask of the item.
    void SetObjectNameCombo(const QString& name);
    QString ObjectNameUnit() const { return BindingName(m_unit); }
    void SetObjectNameUnit(const QString& name) { SetBindingName(m_unit, name); }

    QString Caption() const;
    void SetCaption(const QString& caption);
    int CaptionTextId() const { return m_captionTextId; }
    void SetCaptionTextId(int id);
    QString UnitText() const { return m_unitText; }
    void SetUnitText(const QString& text);
    bool UnitVisible() const { return m_unitVisible; }
    void SetUnitVisible(bool visible);
    bool HideMaskedEntries() const { return m_hideMasked; }
    void SetHideMaskedEntries(bool hide);
    int MaxDigitsProperty() const { return MaxDigits(); }
    void SetMaxDigitsProperty(int digits) { SetMaxDigits(static_cast<int16_t>(digits)); }
    // The value field's item is a date the device keeps in its own form: the
    // field shows it in the user's (UserDate).
    bool DeviceDate() const { return m_deviceDate; }
    void SetDeviceDate(bool date);
    int DecimalPlacesProperty() const { return DecimalPlaces(); }
    void SetDecimalPlacesProperty(int places) { SetDecimalPlaces(static_cast<int16_t>(places)); }

    // The parts, for pages that place them and for tests; null when absent.
    QLabel* CaptionLabel() const { return m_captionLabel; }
    QLineEdit* ValueField() const { return m_field; }
    QComboBox* EntryList() const { return m_list; }
    QLabel* UnitLabel() const { return m_unitLabel; }
    // The shown text of the value field, or the list's selected text.
    QString ShownText() const;
    // True while a shown item's device value differs from its dataset value.
    bool DeviceValueMarked() const { return m_marked; }

    // True while the value field holds a value the user typed and has not
    // confirmed yet.
    bool HasPendingEdit() const;
    // Writes such a value now (as Enter would); without one nothing happens.
    void CommitPendingEdit();
    // CommitPendingEdit on every field control of the program: called before
    // a function reads or refreshes the items.
    static void CommitPendingEdits();

signals:
    // The control has shown its items anew (after a change of one of them, a
    // registration or a refresh): whatever stands beside it and repeats what
    // it shows, such as the unit of a list, follows from here. Filling the
    // list raises no selection change. Not raised once the control is released.
    void ItemsShown();

protected:
    void ShowItems() override;
    void UpdateEntries() override;
    // The control's own caption where it has one, and the unit it shows.
    QString PageCaption() const override;
    QString ShownUnit(int binding) const override;

private:
    void Commit();
    // The pending edit is written on the next turn of the event loop, outside
    // the change that is being delivered (a write from inside a notification
    // would count as a rule's and run no rules).
    void QueuePendingCommit();
    void ChooseEntry(int index);
    void FillList();
    void ShowMark(bool marked);
    // The value field's binding: ObjectNameText, else ObjectNameLabel.
    int ValueBinding() const;
    // The value field's item as the field shows it.
    QString FieldText(int binding) const;

    int m_text;
    int m_label;
    int m_combo;
    int m_mask;
    int m_unit;
    QLabel* m_captionLabel = nullptr;
    QLineEdit* m_field = nullptr;
    QComboBox* m_list = nullptr;
    QLabel* m_unitLabel = nullptr;
    int m_captionTextId = 0;
    QString m_unitText;
    bool m_unitVisible = true;
    bool m_hideMasked = false;
    bool m_deviceDate = false;
    bool m_marked = false;
    bool m_busy = false; // showing values or committing: no writes of our own
    bool m_commitQueued = false;
};

} // namespace controls
