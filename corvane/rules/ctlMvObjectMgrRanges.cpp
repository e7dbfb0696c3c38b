// The multivariable block's input ranges, reference values and the shown
// copies of the values that older software revisions keep in fixed units.
#include "corvane/rules/Module1.h"
#include "corvane/rules/ctlMvObjectMgr.h"
#include "mvtrivexhelper/IChangeUnitValue.h"
#include "mvtrivexhelper/clsDeviceInfo.h"
#include "pioextensions/clsAppItem.h"
#include "platform/applet/StateInfo.h"
#include "platform/automation/ComError.h"
#include <utility>

namespace {

// The index of each point in the compressibility tables: low, high, middle.
constexpr int kLowPoint = 0;
constexpr int kHighPoint = 1;
constexpr int kMiddlePoint = 2;

} // namespace

// A device value and its shown copy. Below plainFrom the device keeps the
// value in the fixed unit and the shown copy is in the user's unit; from
// plainFrom on both are in the user's unit and the copy is plain. A change
// of the device value reaches its shown copy only above copyAbove.
struct ctlMvObjectMgr::ShownCopyRow {
    Ctl device;
    Ctl shown;
    const char* fixedUnit; // text for GetUnitCode
    Ctl userUnit;
    double copyAbove;
    double plainFrom;
};

const ctlMvObjectMgr::ShownCopyRow ctlMvObjectMgr::kShownCopies[] = {
    {appMvPr, appMvPrGUI, "bar", appMvInPUnit, 20, 21},
    {appMvTr, appmvTrGUI, "C", appMvInTUnit, 20, 21},
    {appMvRhoR, appmvRhorGUI, "kg/m3", appMvDensityUnit, 21, 22},
    {appMvRhoNorm, appMvRhoNormGUI, "kg/m3", appMvDensityUnit, 21, 22},
};

// The points of the compressibility tables and their shown copies; each
// table has a busy flag for its device points and one for its shown points.
struct ctlMvObjectMgr::TablePointRow {
    Ctl point;
    Ctl shown;
    const char* fixedUnit;
    Ctl userUnit;
    Busy busyPoint;
    Busy busyShown;
    double plainFrom;
};

const ctlMvObjectMgr::TablePointRow ctlMvObjectMgr::kTablePoints[] = {
    {appMvPkb, appMvPkbGUI, "bar", appMvInPUnit, busyPressurePoints, busyShownPressurePoints, 21},
    {appMvTkb, appMvTkbGUI, "C", appMvInTUnit, busyTemperaturePoints, busyShownTemperaturePoints, 21},
};

const ctlMvObjectMgr::ShownCopyRow& ctlMvObjectMgr::ShownCopyOf(Ctl control)
{
    for (const ShownCopyRow& row : kShownCopies)
        if (row.device == control || row.shown == control)
            return row;
    throw automation::ComError(automation::E_INVALIDARG_, QStringLiteral("control %1 has no shown copy").arg(control),
                               QStringLiteral("ctlMvObjectMgr.ShownCopyOf"));
}

const ctlMvObjectMgr::TablePointRow& ctlMvObjectMgr::TablePointOf(Ctl control)
{
    for (const TablePointRow& row : kTablePoints)
        if (row.point == control || row.shown == control)
            return row;
    throw automation::ComError(automation::E_INVALIDARG_, QStringLiteral("control %1 is no table point").arg(control),
                               QStringLiteral("ctlMvObjectMgr.TablePointOf"));
}

namespace {

QVariant UnitItem(clsAppItem& item)
{
    return QVariant::fromValue(&item);
}

} // namespace

// --- Shown copies -------------------------------------------------------------------

// The copies follow every change, uploads included; an older device's copy
// is refreshed by the upload and the unit rules instead.
void ctlMvObjectMgr::DeviceValueToShownCopy(Ctl control, int16_t, const QString&, bool)
{
    if (!m_guard.Enter(clsRuleGuard::Registered))
        return;
    const ShownCopyRow& row = ShownCopyOf(control);
    auto bulk = m_bulk.Enter(0);
    if (Revision() > row.copyAbove)
        Item(row.shown).SetStringValue(Item(row.device).StringValue());
}

// The device value's own change copies back, with the bulk flag set.
void ctlMvObjectMgr::ShownCopyToDeviceValue(Ctl control, int16_t, const QString&, bool)
{
    if (!m_guard.Enter(clsRuleGuard::Registered) || m_bulk.InRule())
        return;
    const ShownCopyRow& row = ShownCopyOf(control);
    // A refresh hands on what the shown copy holds, and a project does not
    // store it: the device value stays, and is shown again instead.
    if ((std::exchange(m_shownNotificationState, 0) & applet::StateInfo::kRefresh) != 0) {
        auto bulk = m_bulk.Enter(0);
        SkipErrors("ShownCopyToDeviceValue", [&] { ShowDeviceValue(row); });
        return;
    }
    SkipErrors("ShownCopyToDeviceValue", [&] {
        clsAppItem& shown = Item(row.shown);
        if (Revision() >= row.plainFrom)
            Item(row.device).SetStringValue(shown.StringValue());
        else
            WriteConverted(Item(row.device), NumberIn(shown), UnitIn(Item(row.userUnit)), FixedUnit(row.fixedUnit));
    });
}

void ctlMvObjectMgr::UploadRefresh()
{
    for (const ShownCopyRow& row : kShownCopies)
        SkipErrors("UploadRefresh", [&] { ShowDeviceValue(row); });
}

void ctlMvObjectMgr::ShowDeviceValue(const ShownCopyRow& row)
{
    clsAppItem& device = Item(row.device);
    if (Revision() < row.plainFrom)
        WriteConverted(Item(row.shown), NumberIn(device), FixedUnit(row.fixedUnit), UnitIn(Item(row.userUnit)));
    else
        Item(row.shown).SetStringValue(device.StringValue());
}

// --- Compressibility table points ------------------------------------------------------

void ctlMvObjectMgr::TablePointOfDevice(Ctl control, int16_t Index, const QString&, bool suppressRule)
{
    if (!m_guard.Enter(clsRuleGuard::Registered))
        return;
    const TablePointRow& row = TablePointOf(control);
    auto busy = m_busy[row.busyPoint].Enter(clsRuleGuard::NotInRule);
    if (!busy)
        return;
    auto showPoint = [&](int index) { ShowTablePoint(row, index); };
    // The middle point stays between the low and the high point.
    bool middleMoved = false;
    if (auto user = UserEdit(suppressRule); user && !m_bulk.InRule()) {
        const float low = Item(row.point, kLowPoint).FloatValue();
        const float middle = Item(row.point, kMiddlePoint).FloatValue();
        const float high = Item(row.point, kHighPoint).FloatValue();
        if (low > middle) {
            Item(row.point, kMiddlePoint).SetFloatValue(low);
            middleMoved = true;
        } else if (!(high >= middle)) {
            Item(row.point, kMiddlePoint).SetFloatValue(high);
            middleMoved = true;
        }
    }
    showPoint(Index);
    // The moved middle point's own change met the busy flag: its shown copy
    // would keep a value the device no longer holds.
    if (middleMoved && Index != kMiddlePoint)
        showPoint(kMiddlePoint);
}

void ctlMvObjectMgr::ShowTablePoint(const TablePointRow& row, int index)
{
    clsAppItem& point = Item(row.point, index);
    if (Revision() >= row.plainFrom)
        Item(row.shown, index).SetStringValue(point.StringValue());
    else
        WriteConverted(Item(row.shown, index), NumberIn(point), FixedUnit(row.fixedUnit), UnitIn(Item(row.userUnit)));
}

void ctlMvObjectMgr::ShowEveryDeviceValue()
{
    auto bulk = m_bulk.Enter(0);
    UploadRefresh();
    for (const TablePointRow& row : kTablePoints) {
        // The shown point is what its device point holds: nothing to hand back.
        auto busy = m_busy[row.busyShown].Enter(clsRuleGuard::NotInRule);
        for (int index = 0; index < ElementCount(row.point); ++index)
            SkipErrors("ShowEveryDeviceValue", [&] { ShowTablePoint(row, index); });
    }
}

// The device point's own change shows the point again in turn.
void ctlMvObjectMgr::ShownTablePointToDevice(Ctl control, int16_t Index, const QString&, bool suppressRule)
{
    auto user = UserEdit(suppressRule);
    if (!user)
        return;
    const TablePointRow& row = TablePointOf(control);
    auto busy = m_busy[row.busyShown].Enter(clsRuleGuard::NotInRule);
    if (!busy)
        return;
    SkipErrors("ShownTablePointToDevice", [&] {
        clsAppItem& shown = Item(row.shown, Index);
        if (Revision() >= row.plainFrom)
            Item(row.point, Index).SetStringValue(shown.StringValue());
        else
            WriteConverted(Item(row.point, Index), NumberIn(shown), UnitIn(Item(row.userUnit)),
                           FixedUnit(row.fixedUnit));
    });
}

// --- Input ranges ------------------------------------------------------------------------

// The lower limit stays between the lower sensor limit and the upper limit,
// the upper limit between the lower limit and the upper sensor limit, a
// minimum span apart; the substitute temperature is pulled inside the range.
// The density table's temperature and the shown table point follow the
// limit also while the range itself is not clamped.
void ctlMvObjectMgr::TemperatureRangeRule(Ctl, int16_t Index, const QString&, bool suppressRule)
{
    if (!m_guard.Enter(clsRuleGuard::Registered))
        return;
    auto busy = m_busy[busyTemperatureRange].Enter(clsRuleGuard::NotInRule);
    if (!busy)
        return;
    clsAppItem& low = Item(appMvInTLimit, 0);
    clsAppItem& high = Item(appMvInTLimit, 1);
    clsAppItem& substitute = Item(appMvInTDefault);
    clsAppItem& dummy = Item(appDummy);
    if (auto user = UserEdit(suppressRule); user && !m_bulk.InRule()) {
        auto bulk = m_bulk.Enter(0);
        clsAppItem& other = Index == 0 ? high : low;
        SkipErrors("TemperatureRangeRule", [&] {
            dummy.SetFloatValue(static_cast<float>(m_converter->ChangeUnitValue(
                other.FloatValue(), UnitIn(Item(appMvInTUnit)), UnitIn(Item(appttrbSensorLimitUnit)))));
        });
        SkipErrors("TemperatureRangeRule", [&] {
            if (Index == 0)
                Module1::AdjustRangeWithMinSpan(*m_converter, low, high, UnitItem(Item(appMvInTUnit)),
                                                Item(appTtrbCalMinSpan), UnitItem(Item(appTtrbCalUnit)),
                                                Item(appttrbLowerSensorLimit), dummy,
                                                UnitItem(Item(appttrbSensorLimitUnit)));
            else
                Module1::AdjustRangeWithMinSpan(*m_converter, high, low, UnitItem(Item(appMvInTUnit)),
                                                Item(appTtrbCalMinSpan), UnitItem(Item(appTtrbCalUnit)), dummy,
                                                Item(appttrbUpperSensorLimit), UnitItem(Item(appttrbSensorLimitUnit)));
        });
        SkipErrors("TemperatureRangeRule", [&] {
            if (Index == 0 && low.FloatValue() > substitute.FloatValue())
                substitute.SetFloatValue(low.FloatValue());
            else if (Index == 1 && !(high.FloatValue() >= substitute.FloatValue()))
                substitute.SetFloatValue(high.FloatValue());
        });
    }
    clsAppItem& limit = Index == 0 ? low : high;
    SkipErrors("TemperatureRangeRule", [&] { Item(appMvT, Index).SetFloatValue(limit.FloatValue()); });
    SkipErrors("TemperatureRangeRule", [&] { Item(appMvTkbGUI, Index).SetFloatValue(limit.FloatValue()); });
}

// The limits are held in the flow block's differential-pressure unit, which
// the user may set apart from the pressure block's range unit (below
// revision 21 the range stays in mbar): the clamp reads and writes them in
// their own unit, else a limit of another unit is taken as the range's
// number and rewritten, at an upload's end too.
void ctlMvObjectMgr::DifferentialPressureUpperLimitRule(Ctl, int16_t, const QString&, bool suppressRule)
{
    auto user = UserEdit(suppressRule);
    if (!user || m_bulk.InRule())
        return;
    auto busy = m_busy[busyDpHiLim].Enter(clsRuleGuard::NotInRule);
    if (!busy)
        return;
    auto bulk = m_bulk.Enter(0);
    clsAppItem& low = Item(appMvInDpLoLim);
    clsAppItem& high = Item(appMvInDpHiLim);
    SkipErrors("DifferentialPressureUpperLimitRule", [&] {
        if (NumberIn(low) > high.FloatValue())
            high.SetFloatValue(low.FloatValue());
    });
    SkipErrors("DifferentialPressureUpperLimitRule", [&] {
        Module1::AdjustRangeWithMinSpan(*m_converter, high, low, UnitItem(Item(appMvInDPUnit)),
                                        Item(appPtrbMinSpan), UnitItem(Item(appPtrbSensorLimitUnit)),
                                        Item(appPtrbLowerSensorLimit), Item(appPtrbUpperSensorLimit),
                                        UnitItem(Item(appPtrbSensorLimitUnit)));
    });
}

// Keeps the lower limit between 0 and the upper limit.
void ctlMvObjectMgr::DifferentialPressureLowerLimitRule(Ctl, int16_t, const QString&, bool suppressRule)
{
    auto user = UserEdit(suppressRule);
    if (!user || m_bulk.InRule())
        return;
    auto busy = m_busy[busyDpLoLim].Enter(clsRuleGuard::NotInRule);
    if (!busy)
        return;
    auto bulk = m_bulk.Enter(0);
    clsAppItem& dummy = Item(appDummy);
    SkipErrors("DifferentialPressureLowerLimitRule", [&] { dummy.SetStringValue(QStringLiteral("0")); });
    SkipErrors("DifferentialPressureLowerLimitRule", [&] {
        Module1::AdjustRangeWithMinSpan(*m_converter, Item(appMvInDpLoLim), Item(appMvInDpHiLim),
                                        UnitItem(Item(appMvInDPUnit)), Item(appPtrbMinSpan),
                                        UnitItem(Item(appPtrbSensorLimitUnit)), dummy, Item(appMvInDpHiLim),
                                        UnitItem(Item(appMvInDPUnit)));
    });
}

// A HART device reports the static pressure's minimum span in the unit of
// its sensor limits, a fieldbus device in the calibration unit.
QVariant ctlMvObjectMgr::StaticMinSpanUnit()
{
    return UnitItem(Item(CommType() == static_cast<int32_t>(enmCommType::HART) ? appPtrbSensorLimitUnit : appPtrbCalUnit));
}

// The substitute static pressure is not pulled into the range.
void ctlMvObjectMgr::StaticPressureRangeRule(Ctl, int16_t Index, const QString&, bool suppressRule)
{
    if (!m_guard.Enter(clsRuleGuard::Registered))
        return;
    auto busy = m_busy[busyStaticPressureRange].Enter(clsRuleGuard::NotInRule);
    if (!busy)
        return;
    clsAppItem& low = Item(appMvInPLimit, 0);
    clsAppItem& high = Item(appMvInPLimit, 1);
    if (auto user = UserEdit(suppressRule); user && !m_bulk.InRule()) {
        auto bulk = m_bulk.Enter(0);
        if (Index == 1) {
            SkipErrors("StaticPressureRangeRule", [&] {
                if (NumberIn(low) > high.FloatValue())
                    high.SetFloatValue(low.FloatValue());
            });
            SkipErrors("StaticPressureRangeRule", [&] {
                Module1::AdjustRangeWithMinSpan(*m_converter, high, low, UnitItem(Item(appMvInPUnit)),
                                                Item(appPtrbStaticPressureMinSpan), StaticMinSpanUnit(),
                                                Item(appStaticPressureLoLim), Item(appStaticPressureHiLim),
                                                UnitItem(Item(appPtrbSensorLimitUnit)));
            });
        } else {
            SkipErrors("StaticPressureRangeRule", [&] {
                Module1::AdjustRangeWithMinSpan(*m_converter, low, high, UnitItem(Item(appMvInPUnit)),
                                                Item(appPtrbStaticPressureMinSpan), StaticMinSpanUnit(),
                                                Item(appStaticPressureLoLim), high, UnitItem(Item(appMvInPUnit)));
            });
        }
    }
    clsAppItem& limit = Index == 0 ? low : high;
    SkipErrors("StaticPressureRangeRule", [&] { Item(appMvPkbGUI, Index).SetFloatValue(limit.FloatValue()); });
}

void ctlMvObjectMgr::SubstituteTemperatureRule(Ctl, int16_t, const QString&, bool suppressRule)
{
    auto user = UserEdit(suppressRule);
    if (!user)
        return;
    auto busy = m_busy[busySubstituteTemperature].Enter(clsRuleGuard::NotInRule);
    if (!busy)
        return;
    clsAppItem& substitute = Item(appMvInTDefault);
    const float low = Item(appMvInTLimit, 0).FloatValue();
    const float high = Item(appMvInTLimit, 1).FloatValue();
    if (low > substitute.FloatValue())
        substitute.SetFloatValue(low);
    else if (!(high >= substitute.FloatValue()))
        substitute.SetFloatValue(high);
}

// The reference flow follows the flow output's upper range value.
void ctlMvObjectMgr::ReferenceFlowRule(Ctl, int16_t, const QString&, bool suppressRule)
{
    if (auto user = UserEdit(suppressRule))
        Item(appMvQmr).SetFloatValue(Item(appMvOutMassFlowMaxValue).FloatValue());
}
