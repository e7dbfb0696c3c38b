#pragma once
// Keeps the three analog-input blocks consistent (differential pressure,
// static pressure, temperature; items "aidp...", "aip...", "aiT..."): the
// warning limits stay between the alarm limits, the alarm limits inside the
// block's output range (a tenth wider on each side from revision 21 on), the
// linearisation type stays 0, the temperature output value stays inside its
// output range, older devices keep the "%" output unit, and the
// differential-pressure block's output range and unit are copied into the
// pressure block's output scale and its own transducer scale.
//
// Blocks are addressed by the 1-based Index of their member in each role's
// collection: 1 differential pressure, 2 static pressure, 3 temperature.
#include "corvane/frame/IStartAlwaysComp.h"
#include "corvane/rules/clsRuleGuard.h"
#include "pioextensions/clsAppItemCollection.h"
#include <QObject>
#include <array>
#include <memory>

class IChangeUnitValue;
class IDeviceInfo;
class clsMessageSender;

class clsAiObjectMgr : public QObject, public IStartAlwaysComp {
    Q_OBJECT
public:
    // The item collections, one per role, in the order they are filled and registered.
    enum Role {
        General,
        LowerOutputRange,
        UpperOutputRange,
        LowerRangeCopies,
        UpperRangeCopies,
        UnitCopies,
        LowerWarningLimit,
        UpperWarningLimit,
        LowerAlarmLimit,
        UpperAlarmLimit,
        LType,
        Damping,
        kRoleCount
    };
    static constexpr short kTemperatureBlock = 3;

    clsAiObjectMgr();
    ~clsAiObjectMgr() override;

    void Register(const std::shared_ptr<IViewEx>& myView) override;
    void UnRegister() override;
    // Abort and HandleUploadCompleted: nothing to do; the rules follow the
    // change notifications of an upload as far as their checks let them.
    // Values entered the dataset: the differential-pressure block's output
    // range and unit are copied into their copies.
    void HandleValuesEntered() override;

    bool Registered() const { return m_guards[UnitFlag].IsRegistered(); }
    const clsAppItemCollection& Items(Role role) const { return m_items[role]; }

    // Called by name by the collection members with (Index, value, suppressRule);
    // none of them looks at value. Each ends at its first error.
    Q_INVOKABLE void appOutscale0_ValueChanged2(short Index, const QString& value, bool suppressRule);
    Q_INVOKABLE void appOutscale100_ValueChanged2(short Index, const QString& value, bool suppressRule);
    Q_INVOKABLE void appLoLim_ValueChanged2(short Index, const QString& value, bool suppressRule);
    Q_INVOKABLE void appHiLim_ValueChanged2(short Index, const QString& value, bool suppressRule);
    Q_INVOKABLE void appLoLoLim_ValueChanged2(short Index, const QString& value, bool suppressRule);
    Q_INVOKABLE void appHiHiLim_ValueChanged2(short Index, const QString& value, bool suppressRule);
    Q_INVOKABLE void appAiLType_ValueChanged2(short Index, const QString& value, bool suppressRule);
    // The pressure's damping is one device value that two records carry
    // (the analog input block's filter time and the HART damping): an edit
    // of either is copied into the other, so a download writes one value.
    Q_INVOKABLE void appDamping_ValueChanged2(short Index, const QString& value, bool suppressRule);

public slots:
    // The unit rule: skips each failing step and goes on.
    void appAidpOutscaleUnit_ValueChanged2(const QString& Value, bool suppressRule);
    void appOutValue_ValueChanged(const QString& Value);

private:
    // One in-handler flag per rule; each guard carries the registered flag too.
    enum Flag {
        UnitFlag,
        LowerOutputRangeFlag,
        UpperOutputRangeFlag,
        LowerWarningFlag,
        UpperWarningFlag,
        LowerAlarmFlag,
        UpperAlarmFlag,
        DampingFlag,
        kFlagCount
    };
    // Which end of a pair a rule adjusts.
    enum End { Lower, Upper };

    void OutputRangeRule(End end, short Index, bool suppressRule);
    void WarningLimitRule(End end, short Index, bool suppressRule);
    void AlarmLimitRule(End end, short Index, bool suppressRule);
    void OutputValueRule();
    // The differential-pressure block's end copied into the pressure
    // block's output scale and the transducer scale.
    void CopyOutputRangeEnd(End end);
    // The output unit copied into its copies, each failing step traced.
    void CopyOutputUnit(const QString& source);

    clsAppItem& Member(Role role, short Index) const;
    clsAppItem& GeneralItem(const char* name) const;
    // Clamps end [Index] of the pair (adjusted, reference) between
    // "dummyFloat" and "dummyFloat1", all in "aidpOutscaleUnit", span 0.
    void ClampBetweenBounds(clsAppItem& adjusted, clsAppItem& reference);
    // Puts the smaller of a and b into "dummyFloat", the larger into "dummyFloat1".
    void SetBounds(float a, float b);
    double SoftwareRevision() const;
    clsRuleGuard::Scope Enter(Flag flag, uint32_t checks, bool suppressRule = false);
    // Whether the checks hold, without taking the flag.
    bool Holds(Flag flag, uint32_t checks, bool suppressRule = false);

    std::array<clsRuleGuard, kFlagCount> m_guards;
    std::array<clsAppItemCollection, kRoleCount> m_items;
    std::shared_ptr<clsAppItem> m_currentSequence;
    std::shared_ptr<clsAppItem> m_aidpOutscaleUnit;
    std::shared_ptr<clsAppItem> m_aiTOutValue;
    // Never registered: reads 0, the minimum span of every clamp here.
    std::unique_ptr<clsAppItem> m_zeroSpan;
    std::shared_ptr<IChangeUnitValue> m_converter;
    std::shared_ptr<IDeviceInfo> m_deviceInfo;
    std::unique_ptr<clsMessageSender> m_messageSender;
};
