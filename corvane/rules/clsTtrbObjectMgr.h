#pragma once
// Keeps the temperature transducer block consistent while the user edits it:
// the range is carried along when the primary value unit changes and held
// inside the sensor limits with the calibration minimum span, the minimum span
// follows the calibration unit, the two copies of the primary value unit stay
// equal, and while the multivariable function works in automatic mode (8) the
// temperature unit is forced to degrees C on older devices and the
// temperature analog-input scales, their decimals and the MV temperature
// input unit follow the block.
#include "corvane/frame/IStartAlwaysComp.h"
#include "corvane/rules/RememberedUnit.h"
#include "corvane/rules/clsRuleGuard.h"
#include "pioextensions/clsAppItemCollection.h"
#include "pioextensions/clsSeqItemCollection.h"
#include <QObject>
#include <memory>

class IChangeUnitValue;
class clsDeviceInfo;
class clsMessageSender;

class clsTtrbObjectMgr : public QObject, public IStartAlwaysComp {
    Q_OBJECT
public:
    // 1-based positions of the members of the item collection.
    enum Position : short {
        CurrentSequence = 1,
        PrimaryValueUnit,
        PrimaryValueRange0,
        PrimaryValueRange100,
        CalMinSpan,
        CalUnit,
        LowerSensorLimit,
        UpperSensorLimit,
        SensorLimitUnit,
        PrimaryValueUnit21,
        MvModeBlkActual,
        MvInTUnit,
        AitXdScaleUnitFF,
        AitOutscaleUnit,
        AitXdScale0,
        AitOutscale0,
        AitXdScale100,
        AitOutScale100,
        PrimaryValueRangeDecimal,
        AitXdScaleDecimalFF,
        AitOutscaleDecimal,
    };
    // Which end of the range a change concerns.
    enum End { Range0, Range100 };

    clsTtrbObjectMgr();
    ~clsTtrbObjectMgr() override;

    void Register(const std::shared_ptr<IViewEx>& myView) override;
    void UnRegister() override;
    // Abort and HandleUploadCompleted: nothing to do.
    // Values entered the dataset in the units they were stored in: in the
    // coupled mode the scale and unit copies follow the range and unit; the
    // revision-21 twin follows the unit; a unit forced now converts the range.
    void HandleValuesEntered() override;

    bool Registered() const { return m_guard.IsRegistered(); }
    bool InRule() const { return m_guard.InRule(); }
    const clsAppItemCollection& Items() const { return m_items; }
    const RememberedUnit& LastCalibrationUnit() const { return m_lastCalibrationUnit; }
    const RememberedUnit& LastPrimaryValueUnit() const { return m_lastPrimaryValueUnit; }

    // The decimal rule, called by name by the three decimal-place items.
    Q_INVOKABLE void DecimalAbgleich_ValueChanged(short Index, const QString& value, bool suppressRule);

    // The rules; value is never looked at (each rule reads its items afresh).
    void CalibrationUnitRule(const QString& value, bool suppressRule);
    void UnitRule(const QString& value, bool suppressRule);
    void RangeRule(End end, const QString& value, bool suppressRule);
    void CopyRule(const QString& value);
    void BlockModeRule(const QString& value);
    void SoftwareRevisionRule(const QString& softwareRevision);

private:
    clsAppItem& Item(Position position) const;
    bool UserEdit(bool suppressRule);
    bool InMode8() const;
    // The remembered units follow the unit items whenever no sequence runs
    // any more: the values and their units then come from one source.
    void TakeRememberedUnits();
    void OnCurrentSequenceChanged(const QString& value);

    clsRuleGuard m_guard;
    std::weak_ptr<IViewEx> m_view;
    std::shared_ptr<IChangeUnitValue> m_converter;
    std::shared_ptr<clsDeviceInfo> m_deviceInfo;
    std::unique_ptr<clsMessageSender> m_messageSender;
    clsAppItemCollection m_items;
    clsSeqItemCollection m_sequences;
    RememberedUnit m_lastCalibrationUnit{QStringLiteral("last calibration unit")};
    RememberedUnit m_lastPrimaryValueUnit{QStringLiteral("last primary value unit")};
};
