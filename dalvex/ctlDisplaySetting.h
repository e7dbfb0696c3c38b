#pragma once
// The measured-value selector's companion on a display window: Init fills
// the window's selector (a combo box) with the measured values that the
// connected device variant offers and keeps, per line, the item names, scale
// ends, divisions and number format a display needs; ChangeDisplayedValue
// re-binds the window's display control to the selected line through the
// display protocol (controls::DisplayProtocol), in its plain form or, for a
// selector that is an element of a control array, in its indexed form for
// that channel. A selector is an element of a control array when it carries
// the whole-number property "Index" (kControlArrayIndex), its channel.
//
// The control poses as an item control (Typ "PioItem"), so the window's
// control item handler registers it; it then binds its own item controls.
// A change of a scale-end item (to a text other than the last one seen) or of
// "mvDefaultInpSel" fills the selector anew.
#include "pioitems/PioItemProtocol.h"
#include "platform/automation/ClassRegistry.h"
#include <QPointer>
#include <QString>
#include <QWidget>
#include <array>
#include <cstdint>
#include <memory>
#include <vector>

class IDeviceInfo;
class IGetDecimalPlaces;
class QComboBox;
class QLabel;

namespace pioitems {
class PioAppItem;
}

class ctlDisplaySetting : public QWidget, public automation::ComObject, public pioitems::PioItemProtocol {
    Q_OBJECT
public:
    static inline const QString kProgId = QStringLiteral("Dalvex.ctlDisplaySetting");
    // The selector offers at most this many lines.
    static constexpr int kEntryCount = 10;
    // Decimal places of a line before any could be derived from its limits.
    static constexpr int16_t kFirstDecimalPlaces = 2;
    // The selector's property that holds its index in a control array.
    static constexpr const char* kControlArrayIndex = "Index";

    // The item controls; appValueLimits, appPtrbSensorLimit and
    // appPtrbStaticPressureLimit are control arrays (see the binding table in
    // the source).
    enum Ctl {
        appValueLimits, appMvDefaultInpSel, appCountryCode, appUserlevel, appPtrbScaleInUnit,
        appPtrbStaticPressureScaleInUnit, appPtrbSensorLimit, appPtrbSensorLimitUnit, appPtrbStaticPressureLimit,
        appMvModeBlkActual, kCtlCount
    };

    // One selector line.
    struct Entry {
        int16_t DecimalPlaces = 0;
        int16_t MaxDigits = 8;
        QString HiLim, HiHiLim, LoLim, LoLoLim;
        QString Max, Min; // numbers in text, in the user's locale
        QString Unit;     // item names
        QString Value;
        float LargeStep = 0;
        float SmallStep = 0;
    };

    explicit ctlDisplaySetting(QWidget* parent = nullptr);
    ~ctlDisplaySetting() override;

    // Rebuilds the lines for the device variant and the selector's texts,
    // then selects the line that was selected before (the first line when
    // none was), which makes the window's selection handler re-bind the
    // display. When that line no longer exists the window that carries the
    // control is closed (posted on the loop). A failing item read raises and
    // leaves the lines built so far; raises when the control is not registered.
    void Init(QObject* displayCtrl, QComboBox* cmbMeasValue);
    // Re-binds the display of the last Init to the selected line. Never
    // raises: a step that fails (a property the display refuses, a display
    // that takes no display protocol) is traced and skipped.
    void ChangeDisplayedValue();

    // PioItemProtocol
    QString Typ() const override { return pioitems::kPioItemTyp; }
    // Creates and registers the device information (an error there ends
    // Register unregistered), names the range-unit items of the device's
    // revision and registers every item control (a failing one is traced and
    // skipped). Nothing while registered.
    void Register(const std::shared_ptr<applet::clsAppletItemManager>& AppletItemManagerRef) override;
    // Unregisters every item control (failures traced). Nothing while unregistered.
    void UnRegister() override;
    bool Registered() const { return m_registered; }

    // The lines of the last Init.
    int EntryCount() const { return m_entryCount; }
    const Entry& GetEntry(int index) const { return m_entries.at(static_cast<size_t>(index)); }
    // The item control of element index, for the window (and tests) to read.
    pioitems::PioAppItem* ItemControl(Ctl control, int index = 0) const;
    QLabel* Label1() const { return m_label1; }

protected:
    // The device information the control asks about the device variant.
    virtual std::shared_ptr<IDeviceInfo> CreateDeviceInfo();

private:
    struct EntryRow;
    struct Variant;
    static const EntryRow kEntryRows[];
    void CreateItemControls();
    void AddEntry(const EntryRow& row, size_t rowIndex, const Variant& variant);
    int16_t DecimalPlacesOf(const EntryRow& row, size_t rowIndex);
    void RestoreSelection(int remembered);
    void CloseCarryingWindow();
    void OnValueLimitChanged(int index, const QString& value);
    void ReInit(const QString& reason);
    bool HasRevision21Names();
    QString Context(const char* member) const;

    QLabel* m_label1 = nullptr;
    std::array<std::vector<pioitems::PioAppItem*>, kCtlCount> m_controls;
    QPointer<QObject> m_displayCtrl;
    QPointer<QComboBox> m_cmbMeasValue;
    std::shared_ptr<applet::clsAppletItemManager> m_manager;
    std::shared_ptr<IDeviceInfo> m_deviceInfo;
    std::unique_ptr<IGetDecimalPlaces> m_decimalPlaces;
    bool m_registered = false;
    std::vector<QString> m_lastValueLimits;
    std::array<Entry, kEntryCount> m_entries;
    int m_entryCount = 0;
    // The decimal places each kind of line had last, kept while its limits
    // span nothing.
    std::vector<int16_t> m_lastDecimalPlaces;
};
