#pragma once
// The pressure transducer block rules: an invisible control on the hidden
// host form that poses as an item control ("PioItem"), so the form's control
// item handler registers it with the item manager. It binds the block's
// items through item controls of its own and keeps them consistent while the
// user edits them:
// - the enable mask of the linearisation type for the flow block's mode and
//   the software revision, and the type itself moved to an allowed one;
// - the differential and static pressure ranges inside their limits and
//   apart by the minimum span, converted when their unit changes;
// - the pressure units forced to "mbar" for older revisions while the flow
//   block is in automatic mode, their ranges converted with them (an upload's
//   units once the upload has ended);
// - the ranges, units and decimal places copied into the output scale and the
//   analog-input and flow blocks ("...Abgleich" copies), and three units
//   mirrored into their "_21" twins and back.
// One guard (clsRuleGuard) holds the registered state and the busy flag that
// keeps a rule's own writes from running rules again; a second one holds the
// flag of the upper static-range handler. Both are released on every way out
// of a rule, also when it fails.
#include "corvane/rules/clsRuleGuard.h"
#include "pioitems/PioItemProtocol.h"
#include <QString>
#include <QWidget>
#include <array>
#include <cstdint>
#include <memory>
#include <vector>

namespace pioitems {
class PioAppItem;
}
class IChangeUnitValue;
class IDeviceInfo;
class clsDeviceInfo;
class clsMessageSender;
class QLabel;

class ctlPtrbObjectMgr : public QWidget, public pioitems::PioItemProtocol {
    Q_OBJECT
public:
    // The item controls, in the order they are registered (a control array
    // is one entry with several elements).
    enum Control {
        appCurrentSequence,
        appLimitPtrbLinType,
        appPtrbLinType,
        appPtrbScaleIn0,
        appPtrbScaleIn100,
        appPtrbScaleInUnit,
        appPtrbScaleInUnit_21,
        appPtrbScaleInDecimal,
        appPtrbStaticPressureScaleIn0,
        appPtrbStaticPressureScaleIn100,
        appPtrbStaticPressureScaleInUnit,
        appPtrbStaticPressureScaleInUnit_21,
        appPtrbTemperatureValueUnit,
        appPtrbTemperatureValueUnit_21,
        appPtrbLowerSensorLimit,
        appPtrbUpperSensorLimit,
        appPtrbSensorLimitUnit,
        appPtrbMinSpan,
        appPtrbStaticPressureMinSpan,
        appPtrbCalUnit,
        appPtrbStaticPressureHiLim,
        appStaticPressureLoLim,
        appPtrbScaleIn0Abgleich,
        appPtrbScaleIn100Abgleich,
        appPtrbScaleInUnitAbgleich,
        appPtrbStaticPressureScaleIn0Abgleich,
        appPtrbStaticPressureScaleIn100Abgleich,
        appPtrbStaticPressureScaleInUnitAbgleich,
        appPtrbScaleInDecimalAbgleich,
        kControlCount
    };

    // The three masks of "&&ObjectLimit&&ptrbLinType", one flag per
    // linearisation type in the order LINEAR, SQUARE_ROOT,
    // PRIMARY_ELEMENT_LINEARIZATION, SQUARE_ROOT_3, SQUARE_ROOT_5, USER_CURVE,
    // CYLINDRIC, SPHERICAL.
    static inline const QString kMaskAutomaticFrom22 = QStringLiteral("0, 1, 1, 0, 0, 0, 0, 0");
    static inline const QString kMaskAutomaticBefore22 = QStringLiteral("0, 1, 0, 0, 0, 0, 0, 0");
    static inline const QString kMaskOtherModes = QStringLiteral("1, 1, 0, 1, 1, 1, 1, 1");

    explicit ctlPtrbObjectMgr(QWidget* parent = nullptr);
    ~ctlPtrbObjectMgr() override;

    // PioItemProtocol
    QString Typ() const override { return pioitems::kPioItemTyp; }
    // Creates the unit converter, the device information and the message
    // sender (their errors end Register, unregistered), then registers the
    // item controls, skipping every error. The controls' first values run
    // the handlers once every control is bound, so no rule reads a sibling
    // that is not bound yet.
    void Register(const std::shared_ptr<applet::clsAppletItemManager>& AppletItemManagerRef) override;
    // Unregisters the item controls, skipping every error.
    void UnRegister() override;

    bool Registered() const { return m_guard.IsRegistered(); }
    bool Busy() const { return m_guard.InRule(); }
    // The item control of a control (element index of a control array).
    pioitems::PioAppItem* Item(Control control, int index = 0) const;
    int Count(Control control) const { return static_cast<int>(m_controls[control].size()); }
    clsMessageSender* MessageSender() const { return m_messageSender.get(); }

public slots:
    // Re-applies the rules that depend on the flow block's mode; the first
    // failing step ends the call with its error.
    void OnMvModeBlkActualChanged();
    // The software revision changed: the re-run above, with its forced
    // changes reported to "ChangesByRevision".
    void m_DeviceInfoEvent_SoftwareRevisionChanged();
    // The end of an upload: the linearisation rule and the forced units,
    // quiet while the chain ran, judge what the device holds once, now that
    // the flow block's mode, the revision and the ranges are the device's too.
    void HandleUploadCompleted();
    // Values entered the dataset in the units they were stored in: the
    // range and unit copies, the unit twins, the decimals and the
    // linearisation follow their sources; a unit forced now converts its range.
    void HandleValuesEntered();

    // The handlers of the item controls' ValueChanged2. Value is not used.
    void appPtrbLinType_ValueChanged2(const QString& Value, bool suppressRule);
    void appPtrbScaleIn0_ValueChanged2(const QString& Value, bool suppressRule);
    void appPtrbScaleIn100_ValueChanged2(const QString& Value, bool suppressRule);
    void appPtrbStaticPressureScaleIn0_ValueChanged2(const QString& Value, bool suppressRule);
    void appPtrbStaticPressureScaleIn100_ValueChanged2(const QString& Value, bool suppressRule);
    void appPtrbScaleInUnit_ValueChanged2(const QString& Value, bool suppressRule);
    void appPtrbStaticPressureScaleInUnit_ValueChanged2(const QString& Value, bool suppressRule);
    void appPtrbCalUnit_ValueChanged2(const QString& Value, bool suppressRule);
    void appPtrbScaleInUnit_21_ValueChanged2(const QString& Value, bool suppressRule);
    void appPtrbStaticPressureScaleInUnit_21_ValueChanged2(const QString& Value, bool suppressRule);
    void appPtrbTemperatureValueUnit_21_ValueChanged2(const QString& Value, bool suppressRule);
    void appPtrbTemperatureValueUnit_ValueChanged2(const QString& Value, bool suppressRule);
    // Raises the error of its write to the event's raiser.
    void appPtrbScaleInDecimalAbgleich_ValueChanged2(int16_t Index, const QString& Value, bool suppressRule);

private:
    struct RangeRule;
    struct UnitRule;
    struct ControlRow;
    static const std::array<ControlRow, kControlCount> kControls;
    static const RangeRule kDifferentialRange;
    static const RangeRule kStaticRange;
    static const UnitRule kDifferentialUnit;
    static const UnitRule kStaticUnit;

    void CreateControls();
    // A change event of a control element: run now, or once every control is
    // bound while Register binds them.
    void Dispatch(Control control, int16_t index, const QString& value, bool suppressRule);
    void RunHandler(Control control, int16_t index, const QString& value, bool suppressRule);

    void LinearisationRule();
    void RangeClamp(const RangeRule& rule, bool upperEnd, bool suppressRule);
    void RangeCopies(const RangeRule& rule, bool upperEnd);
    void UnitRuleRun(const UnitRule& rule, bool suppressRule);
    // The unit code the rule forces now (mbar in automatic mode below its
    // revision); 0 when it forces none.
    int16_t ForcedUnit(const UnitRule& rule);
    void CopyTwin(Control from, Control to);
    void TwinEdited(const UnitRule& rule, bool suppressRule);
    void RememberUnits();

    // Facts of the device information; a failed read is the caller's error.
    bool Automatic();
    double SoftwareRevision();
    int32_t CommType();
    QVariant WorkUnit();
    void Send(int32_t textId);
    // The unit code a unit control holds; 0 when it holds none.
    int16_t UnitCode(Control control) const;
    // The copy of a value into every element of a control array (or one element).
    void CopyTo(Control array, const QString& text, int onlyIndex = -1);
    // The rule guard's user-edit check on the bound "currentSequence".
    clsRuleGuard::Scope UserEdit(bool suppressRule, uint32_t more = 0);

    std::array<std::vector<pioitems::PioAppItem*>, kControlCount> m_controls;
    QLabel* m_label = nullptr;
    clsRuleGuard m_guard;        // registered state and busy flag
    clsRuleGuard m_upperStatic;  // the upper static-range handler's own flag
    bool m_binding = false;      // Register is binding the item controls
    struct Pending {
        Control control;
        int16_t index;
        QString value;
        bool suppressRule;
    };
    std::vector<Pending> m_pending;
    // The unit each range (and the static minimum span) is expressed in; 0
    // while unknown, and nothing is converted from an unknown unit.
    int16_t m_lastDpUnit = 0;
    int16_t m_lastStaticUnit = 0;
    int16_t m_lastCalUnit = 0;
    // The unit whose twin the user edited while the copy into it runs.
    const UnitRule* m_twinEdit = nullptr;
    std::shared_ptr<IChangeUnitValue> m_converter;
    std::shared_ptr<clsDeviceInfo> m_deviceInfo;
    std::unique_ptr<clsMessageSender> m_messageSender;
};
