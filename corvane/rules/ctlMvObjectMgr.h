#pragma once
// The rules of the device's multivariable (flow computation) block: an
// invisible control on the hidden host form that poses as an item control, so
// the form's control item handler registers it with the item manager.
//
// It pins the enable masks of the density and volume-flow units and sets the
// flow-output unit mask by bus and medium, forces a unit where a value has no
// valid one or the medium changes, converts every value that depends on a
// unit when that unit changes, restricts the two materials to the codes the
// software revision accepts, passes block-mode and multivariable-function
// changes on to the pressure-rule control, keeps the input ranges inside the
// sensor limits with a minimum span, and keeps the shown copies ("...GUI") of
// the values that older revisions hold in fixed units. The range, reference
// value and shown-copy rules live in ctlMvObjectMgrRanges.cpp.
//
// Every rule runs inside item notifications. The registered flag and the
// user-edit check come from one rule guard; the bulk flag (set while the
// control writes several values in one go) and each rule's busy flag are
// guards of their own, so an error never leaves one of them set.
#include "corvane/rules/RememberedUnit.h"
#include "corvane/rules/clsRuleGuard.h"
#include "pioitems/PioItemProtocol.h"
#include <QWidget>
#include <array>
#include <functional>
#include <memory>
#include <vector>

class clsAppItem;
class clsDeviceInfo;
class clsMessageSender;
class IChangeUnitValue;

class ctlMvObjectMgr : public QWidget, public pioitems::PioItemProtocol {
    Q_OBJECT
public:
    // The bound item controls; a control array is one entry with several
    // elements (see the binding table in the source).
    enum Ctl {
        appCurrentSequence, appMediumType, appMvOutMassFlowUnit, appLimitMvOutMassFlowUnit,
        appMvOutMassFlowMaxValue, appMvQmr, appMvOutVolFlowUnit, appmvOutVolFlowMaxValue, appLimitmvOutVolFlowUnit,
        appMvDensityUnit, appLimitMVDensityUnit, appMvRhoR, appmvRhorGUI, appMvRhoNorm, appMvRhoNormGUI, appMvRho,
        appMvT, appMvInDPUnit, appMvInDpLoLim, appMvInDpHiLim, appMvDpr, appMvInPUnit, appMvInPLimit,
        appMvInPDefault, appMvPr, appMvPrGUI, appMvPkb, appMvPkbGUI, appMvInTUnit, appMvInTLimit, appMvInTDefault,
        appMvTr, appmvTrGUI, appMvTkb, appMvTkbGUI, appTubeDiameter, appTubeDiameterUnit,
        appPrimaryElementMaterial, appTubematerial, appPtrbScaleInUnit, appPtrbLowerSensorLimit,
        appPtrbUpperSensorLimit, appPtrbSensorLimitUnit, appPtrbMinSpan, appPtrbStaticPressureMinSpan,
        appPtrbCalUnit, appStaticPressureHiLim, appStaticPressureLoLim, appttrbLowerSensorLimit,
        appttrbUpperSensorLimit, appttrbSensorLimitUnit, appTtrbCalMinSpan, appTtrbCalUnit, appDummy,
        appLoadFromDatabase, kCtlCount
    };

    explicit ctlMvObjectMgr(QWidget* parent = nullptr);
    ~ctlMvObjectMgr() override;

    // PioItemProtocol
    QString Typ() const override { return pioitems::kPioItemTyp; }
    // Creates the unit converter, the device information and the message
    // sender (an error there ends Register unregistered), binds every item
    // control (a control that fails is traced and skipped), takes the
    // remembered units and the medium type from their items, and sets
    // registered. Nothing while registered.
    void Register(const std::shared_ptr<applet::clsAppletItemManager>& AppletItemManagerRef) override;
    // Unbinds every item control (failures traced) and clears registered.
    void UnRegister() override;
    bool Registered() const { return m_guard.IsRegistered(); }

    // Re-runs the rules over the values an upload brought, in a fixed order.
    // Nothing while unregistered.
    Q_INVOKABLE void HandleUploadCompleted();
    // Values entered the dataset in the units they were stored in: the
    // shown table points follow the device values, and with the function on
    // the tube-diameter unit and the material codes the revision allows are
    // set. Nothing while unregistered.
    Q_INVOKABLE void HandleValuesEntered();

    // The events of the device information: tell the pressure-rule control
    // "ctlPtrbObjectMgr1" on the same form.
    void m_DeviceInfoEvent_MvActualBlockModeChanged(int32_t MvActualBlockMode);
    void m_DeviceInfoEvent_MvFunctionChanged(bool mvFunction);

    // The item control of element index, for the rules (and tests) to read.
    clsAppItem& Item(Ctl control, int index = 0) const;
    // The number of elements of a control (1 for a control that is no array).
    static int ElementCount(Ctl control);

private:
    using Handler = void (ctlMvObjectMgr::*)(Ctl control, int16_t Index, const QString& Value, bool suppressRule);
    struct ControlRow;
    static const ControlRow kControls[];
    struct RememberedRow;
    static const RememberedRow kRemembered[];
    struct ShownCopyRow;
    static const ShownCopyRow kShownCopies[];
    struct TablePointRow;
    static const TablePointRow kTablePoints[];
    // The row of a device value or its shown copy (device point or shown point).
    static const ShownCopyRow& ShownCopyOf(Ctl control);
    static const TablePointRow& TablePointOf(Ctl control);

    // The busy flags of the rules that have one.
    enum Busy {
        busyDensityMask, busyVolumeFlowMask, busyDensityUnit, busyPressurePoints, busyTemperaturePoints,
        busyShownPressurePoints, busyShownTemperaturePoints, busyTemperatureRange, busyDpHiLim, busyDpLoLim,
        busyStaticPressureRange, busySubstituteTemperature, kBusyCount
    };

    // --- Masks, units and materials -------------------------------------
    void PinDensityUnitMask(Ctl control, int16_t Index, const QString& Value, bool suppressRule);
    void PinVolumeFlowUnitMask(Ctl control, int16_t Index, const QString& Value, bool suppressRule);
    void MediumRule(Ctl control, int16_t Index, const QString& Value, bool suppressRule);
    void FlowOutputUnitRule(Ctl control, int16_t Index, const QString& Value, bool suppressRule);
    void VolumeFlowUnitRule(Ctl control, int16_t Index, const QString& Value, bool suppressRule);
    void DensityUnitRule(Ctl control, int16_t Index, const QString& Value, bool suppressRule);
    void DifferentialPressureUnitRule(Ctl control, int16_t Index, const QString& Value, bool suppressRule);
    void StaticPressureUnitRule(Ctl control, int16_t Index, const QString& Value, bool suppressRule);
    void TemperatureUnitRule(Ctl control, int16_t Index, const QString& Value, bool suppressRule);
    void TubeDiameterUnitRule(Ctl control, int16_t Index, const QString& Value, bool suppressRule);
    void PrimaryElementMaterialRule(Ctl control, int16_t Index, const QString& Value, bool suppressRule);
    void TubeMaterialRule(Ctl control, int16_t Index, const QString& Value, bool suppressRule);
    void MaterialRule(Ctl material, int32_t messageId, bool suppressRule);
    void TellPtrbObjectMgr();

    // --- Ranges, reference values and shown copies (ctlMvObjectMgrRanges.cpp)
    void DeviceValueToShownCopy(Ctl control, int16_t Index, const QString& Value, bool suppressRule);
    void ShownCopyToDeviceValue(Ctl control, int16_t Index, const QString& Value, bool suppressRule);
    void UploadRefresh();
    // Shows the device value of a shown copy again in the user's unit.
    void ShowDeviceValue(const ShownCopyRow& row);
    // Device table point (control appMvPkb or appMvTkb) and shown table
    // point (appMvPkbGUI or appMvTkbGUI) of element Index.
    void TablePointOfDevice(Ctl control, int16_t Index, const QString& Value, bool suppressRule);
    // Shows the device point of element index again in the user's unit.
    void ShowTablePoint(const TablePointRow& row, int index);
    // Every shown copy and shown table point shows its device value again
    // (a project keeps no shown copy).
    void ShowEveryDeviceValue();
    void ShownTablePointToDevice(Ctl control, int16_t Index, const QString& Value, bool suppressRule);
    void TemperatureRangeRule(Ctl control, int16_t Index, const QString& Value, bool suppressRule);
    void DifferentialPressureUpperLimitRule(Ctl control, int16_t Index, const QString& Value, bool suppressRule);
    void DifferentialPressureLowerLimitRule(Ctl control, int16_t Index, const QString& Value, bool suppressRule);
    void StaticPressureRangeRule(Ctl control, int16_t Index, const QString& Value, bool suppressRule);
    void SubstituteTemperatureRule(Ctl control, int16_t Index, const QString& Value, bool suppressRule);
    void ReferenceFlowRule(Ctl control, int16_t Index, const QString& Value, bool suppressRule);

    // --- Reading and writing ------------------------------------------------
    // The full guard: registered, "currentSequence" empty, suppressRule False.
    clsRuleGuard::Scope UserEdit(bool suppressRule);
    // The guard of a pressure or temperature unit's conversion: a user's
    // change, and also the copy of its block's unit that the pressure and
    // temperature rules write while no sequence runs (a rule's write, no
    // refresh, the block's unit), so that the dependent values stay the same
    // quantities. Uploads and loads bring the unit and its values together
    // and convert nothing; other rules' writes convert nothing either.
    clsRuleGuard::Scope UnitChange(Ctl unit, bool suppressRule);
    // The bus kind of the connected transmitter (0 HART, 1 PROFIBUS, 2 FF).
    int32_t CommType() const;
    // The number in the software revision, read afresh; raises when it holds none.
    double Revision() const;
    // The code of a unit text on the connected bus.
    int32_t FixedUnit(const char* unitText) const;
    // The unit code in a unit item's text; raises when it holds none.
    int32_t UnitIn(const clsAppItem& unitItem) const;
    // The number in an item's text; raises when it holds none.
    static double NumberIn(const clsAppItem& item);
    // item := its value converted from the remembered unit into newUnit,
    // written as the text of the result; nothing while the unit is unknown.
    void ConvertItem(clsAppItem& item, const RememberedUnit& last, int32_t newUnit);
    // target := value converted from unit "from" into unit "to", as text.
    void WriteConverted(clsAppItem& target, double value, int32_t from, int32_t to);
    // Takes every remembered unit from its unit item (when bound, after an upload).
    void TakeRememberedUnits();
    // The unit of "ptrbStaticPressureMinSpan" as the device reports it.
    QVariant StaticMinSpanUnit();
    // The shown table points from the device values, then with the function
    // on the tube-diameter unit and the materials forced where the revision
    // asks it; told: the forced changes reach the user's messages.
    void ShowAndForce(const char* context, bool told);
    RememberedUnit& LastFlowOutputUnit();
    // Runs step; an error it raises is traced and the rule goes on.
    static void SkipErrors(const char* rule, const std::function<void()>& step);

    std::vector<std::unique_ptr<clsAppItem>> m_items; // every element of every control, in table order
    std::array<int, kCtlCount> m_first{};              // position of each control's element 0 in m_items

    clsRuleGuard m_guard; // registered flag, user-edit check
    clsRuleGuard m_bulk;  // the bulk flag
    std::array<clsRuleGuard, kBusyCount> m_busy;

    RememberedUnit m_lastDpUnit{QStringLiteral("last differential-pressure unit")};
    RememberedUnit m_lastPUnit{QStringLiteral("last static-pressure unit")};
    RememberedUnit m_lastTUnit{QStringLiteral("last temperature unit")};
    RememberedUnit m_lastDensityUnit{QStringLiteral("last density unit")};
    RememberedUnit m_lastVolFlowUnit{QStringLiteral("last volume-flow unit")};
    RememberedUnit m_lastFlowUnitMedium4{QStringLiteral("last flow-output unit of medium 4")};
    RememberedUnit m_lastFlowUnitOther{QStringLiteral("last flow-output unit of the other media")};
    RememberedUnit m_lastTubeDiameterUnit{QStringLiteral("last tube-diameter unit")};
    int16_t m_lastMediumType = 0;
    // The state word of the last notification of a pressure or temperature unit.
    int32_t m_unitNotificationState = 0;
    // The state bits of the last notification of a shown copy.
    int32_t m_shownNotificationState = 0;

    std::shared_ptr<IChangeUnitValue> m_converter;
    std::shared_ptr<clsDeviceInfo> m_deviceInfo;
    std::unique_ptr<clsMessageSender> m_sender;
};
