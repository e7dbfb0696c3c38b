#include "corvane/rules/ctlMvObjectMgr.h"
#include "corvane/rules/Module1.h"
#include "corvane/rules/clsMessageSender.h"
#include "mvtrivexhelper/NumberText.h"
#include "mvtrivexhelper/clsChangeUnitValue.h"
#include "mvtrivexhelper/clsDeviceInfo.h"
#include "pioextensions/clsAppItem.h"
#include "platform/applet/AppletTrace.h"
#include "platform/applet/StateInfo.h"
#include "platform/applet/clsAppletItemManager.h"
#include "platform/automation/ComError.h"
#include <QMetaObject>
#include <QPointer>
#include <algorithm>

namespace {

const QString kSource = QStringLiteral("ctlMvObjectMgr");
constexpr int kMaxElements = 6;
constexpr double kMediumVolumeFlow = 4; // the medium whose flow output is a volume flow
constexpr int32_t kErrTypeMismatch = 13;

// The 45 flow-output units: on HART the 26 volume-flow units come first and
// the 19 mass-flow units after them, on PROFIBUS and FOUNDATION Fieldbus the
// mass-flow units first. Each bus and medium class enables one run of them.
constexpr int kFlowOutputUnits = 45;
struct FlowOutputMaskRow {
    int32_t bus;
    bool medium4;
    int firstEnabled;
    int enabledCount;
};
constexpr FlowOutputMaskRow kFlowOutputMasks[] = {
    {0, true, 0, 26},  {0, false, 26, 19}, // HART
    {1, true, 19, 26}, {1, false, 0, 19},  // PROFIBUS
    {2, true, 19, 26}, {2, false, 0, 19},  // FOUNDATION Fieldbus
};
// The pinned masks: every density unit and every volume-flow unit enabled.
constexpr int kDensityUnits = 20;
constexpr int kVolumeFlowUnits = 26;

// Material codes a device of revision 22 or higher accepts; older ones only "Not used".
const char* const kMaterialCodesFrom22[] = {"0", "3", "26", "145", "146", "147", "148", "239", "250"};
const QString kMaterialNotUsed = QStringLiteral("250");
constexpr double kMaterialCodesFromRevision = 22;
constexpr int32_t kMsgPrimaryElementMaterial = 2003;
constexpr int32_t kMsgTubeMaterial = 2004;

// A mask of count entries, the run [first, first + enabled) "1", the rest "0".
QString Mask(int count, int first, int enabled)
{
    QStringList entries;
    for (int i = 0; i < count; ++i)
        entries.append(i >= first && i < first + enabled ? QStringLiteral("1") : QStringLiteral("0"));
    return entries.join(QStringLiteral(", "));
}

[[noreturn]] void Raise(int32_t number, const QString& description, const char* member)
{
    const QString source = kSource + QLatin1Char('.') + QLatin1String(member);
    applet::AppletTrace::Error(source + QStringLiteral(": ") + description);
    throw automation::ComError(number, description, source);
}

} // namespace

namespace {

// The units the pressure and temperature rules copy in, each from the unit
// item of its block.
struct CopiedUnitRow {
    int unit;
    const char* source;
};
constexpr CopiedUnitRow kCopiedUnits[] = {
    {ctlMvObjectMgr::appMvInDPUnit, "ptrbScaleInUnit"},
    {ctlMvObjectMgr::appMvInPUnit, "ptrbStaticPressureScaleInUnit"},
    {ctlMvObjectMgr::appMvInTUnit, "ttrbPrimaryValueUnit"},
};

const CopiedUnitRow* CopiedUnit(int control)
{
    for (const CopiedUnitRow& row : kCopiedUnits)
        if (row.unit == control)
            return &row;
    return nullptr;
}

} // namespace

// The bound items: one row per control, one item per element in index order.
struct ctlMvObjectMgr::ControlRow {
    Ctl control;
    std::array<const char*, kMaxElements> items;
    Handler handler;    // none: bound, no rule of its own
    bool onValueChanged; // the handler follows ValueChanged (the pinned masks), not ValueChanged2
};

const ctlMvObjectMgr::ControlRow ctlMvObjectMgr::kControls[] = {
    {appCurrentSequence, {"currentSequence"}, nullptr, false},
    {appMediumType, {"mvMediumType"}, &ctlMvObjectMgr::MediumRule, false},
    {appMvOutMassFlowUnit, {"mvOutMassFlowUnit"}, &ctlMvObjectMgr::FlowOutputUnitRule, false},
    {appLimitMvOutMassFlowUnit, {"&&ObjectLimit&&mvOutMassFlowUnit"}, nullptr, false},
    {appMvOutMassFlowMaxValue, {"mvOutMassFlowMaxValue"}, &ctlMvObjectMgr::ReferenceFlowRule, false},
    {appMvQmr, {"mvQmr"}, nullptr, false},
    {appMvOutVolFlowUnit, {"mvOutVolFlowUnit"}, &ctlMvObjectMgr::VolumeFlowUnitRule, false},
    {appmvOutVolFlowMaxValue, {"mvOutVolFlowMaxValue"}, nullptr, false},
    {appLimitmvOutVolFlowUnit, {"&&ObjectLimit&&mvOutVolFlowUnit"}, &ctlMvObjectMgr::PinVolumeFlowUnitMask, true},
    {appMvDensityUnit, {"mvDensityUnit"}, &ctlMvObjectMgr::DensityUnitRule, false},
    {appLimitMVDensityUnit, {"&&ObjectLimit&&mvDensityUnit"}, &ctlMvObjectMgr::PinDensityUnitMask, true},
    {appMvRhoR, {"mvRhoR"}, &ctlMvObjectMgr::DeviceValueToShownCopy, false},
    {appmvRhorGUI, {"mvRhorGUI"}, &ctlMvObjectMgr::ShownCopyToDeviceValue, false},
    {appMvRhoNorm, {"mvRhoNorm"}, &ctlMvObjectMgr::DeviceValueToShownCopy, false},
    {appMvRhoNormGUI, {"mvRhoNormGUI"}, &ctlMvObjectMgr::ShownCopyToDeviceValue, false},
    {appMvRho, {"mvRho1", "mvRho2", "mvRho3", "mvRho4", "mvRho5", "mvRho6"}, nullptr, false},
    {appMvT, {"mvT1", "mvT2", "mvT3", "mvT4", "mvT5", "mvT6"}, nullptr, false},
    {appMvInDPUnit, {"mvInDPUnit"}, &ctlMvObjectMgr::DifferentialPressureUnitRule, false},
    {appMvInDpLoLim, {"mvInDpLoLim"}, &ctlMvObjectMgr::DifferentialPressureLowerLimitRule, false},
    {appMvInDpHiLim, {"mvInDpHiLim"}, &ctlMvObjectMgr::DifferentialPressureUpperLimitRule, false},
    {appMvDpr, {"mvDpr"}, nullptr, false},
    {appMvInPUnit, {"mvInPUnit"}, &ctlMvObjectMgr::StaticPressureUnitRule, false},
    {appMvInPLimit, {"mvInPLoLim", "mvInPHiLim"}, &ctlMvObjectMgr::StaticPressureRangeRule, false},
    {appMvInPDefault, {"mvInPDefault"}, nullptr, false},
    {appMvPr, {"mvPr"}, &ctlMvObjectMgr::DeviceValueToShownCopy, false},
    {appMvPrGUI, {"mvPrGUI"}, &ctlMvObjectMgr::ShownCopyToDeviceValue, false},
    {appMvPkb, {"mvPkb1", "mvPkb3", "mvPkb2"}, &ctlMvObjectMgr::TablePointOfDevice, false},
    {appMvPkbGUI, {"mvPkb1GUI", "mvPkb3GUI", "mvPkb2GUI"}, &ctlMvObjectMgr::ShownTablePointToDevice, false},
    {appMvInTUnit, {"mvInTUnit"}, &ctlMvObjectMgr::TemperatureUnitRule, false},
    {appMvInTLimit, {"mvInTLoLim", "mvInTHiLim"}, &ctlMvObjectMgr::TemperatureRangeRule, false},
    {appMvInTDefault, {"mvInTDefault"}, &ctlMvObjectMgr::SubstituteTemperatureRule, false},
    {appMvTr, {"mvTr"}, &ctlMvObjectMgr::DeviceValueToShownCopy, false},
    {appmvTrGUI, {"mvTrGUI"}, &ctlMvObjectMgr::ShownCopyToDeviceValue, false},
    {appMvTkb, {"mvTkb1", "mvTkb3", "mvTkb2"}, &ctlMvObjectMgr::TablePointOfDevice, false},
    {appMvTkbGUI, {"mvTkb1GUI", "mvTkb3GUI", "mvTkb2GUI"}, &ctlMvObjectMgr::ShownTablePointToDevice, false},
    {appTubeDiameter, {"mvReserved5"}, nullptr, false},
    {appTubeDiameterUnit, {"mvReserved6"}, &ctlMvObjectMgr::TubeDiameterUnitRule, false},
    {appPrimaryElementMaterial, {"mvh0"}, &ctlMvObjectMgr::PrimaryElementMaterialRule, false},
    {appTubematerial, {"mvMolCO2"}, &ctlMvObjectMgr::TubeMaterialRule, false},
    {appPtrbScaleInUnit, {"ptrbScaleInUnit"}, nullptr, false},
    {appPtrbLowerSensorLimit, {"ptrbLowerSensorLimit"}, nullptr, false},
    {appPtrbUpperSensorLimit, {"ptrbUpperSensorLimit"}, nullptr, false},
    {appPtrbSensorLimitUnit, {"ptrbSensorLimitUnit"}, nullptr, false},
    {appPtrbMinSpan, {"ptrbMinSpan"}, nullptr, false},
    {appPtrbStaticPressureMinSpan, {"ptrbStaticPressureMinSpan"}, nullptr, false},
    {appPtrbCalUnit, {"ptrbCalUnit"}, nullptr, false},
    {appStaticPressureHiLim, {"ptrbStaticPressureHiLim"}, nullptr, false},
    {appStaticPressureLoLim, {"dummyStaticPressureLoLim"}, nullptr, false},
    {appttrbLowerSensorLimit, {"ttrbLowerSensorLimit"}, nullptr, false},
    {appttrbUpperSensorLimit, {"ttrbUpperSensorLimit"}, nullptr, false},
    {appttrbSensorLimitUnit, {"ttrbSensorLimitUnit"}, nullptr, false},
    {appTtrbCalMinSpan, {"ttrbCalMinSpan"}, nullptr, false},
    {appTtrbCalUnit, {"ttrbCalUnit"}, nullptr, false},
    {appDummy, {"dummyFloat"}, nullptr, false},
    {appLoadFromDatabase, {"ReadFile"}, nullptr, false},
};

// The remembered units and the unit item each follows. The flow-output unit
// is remembered per medium class; only the current class's memory is taken.
struct ctlMvObjectMgr::RememberedRow {
    RememberedUnit ctlMvObjectMgr::*unit;
    Ctl unitItem;
};

const ctlMvObjectMgr::RememberedRow ctlMvObjectMgr::kRemembered[] = {
    {&ctlMvObjectMgr::m_lastDpUnit, appMvInDPUnit},
    {&ctlMvObjectMgr::m_lastPUnit, appMvInPUnit},
    {&ctlMvObjectMgr::m_lastTUnit, appMvInTUnit},
    {&ctlMvObjectMgr::m_lastDensityUnit, appMvDensityUnit},
    {&ctlMvObjectMgr::m_lastVolFlowUnit, appMvOutVolFlowUnit},
    {&ctlMvObjectMgr::m_lastTubeDiameterUnit, appTubeDiameterUnit},
};

ctlMvObjectMgr::ctlMvObjectMgr(QWidget* parent) : QWidget(parent)
{
    setObjectName(QStringLiteral("ctlMvObjectMgr1"));
    hide();
    for (const ControlRow& row : kControls) {
        m_first[row.control] = static_cast<int>(m_items.size());
        for (int16_t index = 0; index < kMaxElements && row.items[index]; ++index) {
            auto item = std::make_unique<clsAppItem>();
            item->Init(QLatin1String(row.items[index]), false, 0, nullptr, QString(), index);
            if (row.handler) {
                const Handler handler = row.handler;
                if (row.onValueChanged)
                    connect(item.get(), &clsAppItem::ValueChanged, this,
                            [this, handler, control = row.control, index](const QString& value) {
                                (this->*handler)(control, index, value, false);
                            });
                else
                    connect(item.get(), &clsAppItem::ValueChanged2, this,
                            [this, handler, control = row.control, index](const QString& value, bool suppressRule) {
                                (this->*handler)(control, index, value, suppressRule);
                            });
            }
            if (row.handler && CopiedUnit(row.control))
                connect(item.get(), &clsAppItem::ValueChanged3, this,
                        [this](const QString&, int32_t itemState) { m_unitNotificationState = itemState; });
            if (row.handler == &ctlMvObjectMgr::ShownCopyToDeviceValue)
                connect(item.get(), &clsAppItem::ValueChanged3, this,
                        [this](const QString&, int32_t itemState) { m_shownNotificationState = itemState; });
            m_items.push_back(std::move(item));
        }
    }
}

ctlMvObjectMgr::~ctlMvObjectMgr()
{
    UnRegister();
}

clsAppItem& ctlMvObjectMgr::Item(Ctl control, int index) const
{
    return *m_items.at(static_cast<size_t>(m_first[control] + index));
}

int ctlMvObjectMgr::ElementCount(Ctl control)
{
    for (const ControlRow& row : kControls)
        if (row.control == control)
            return static_cast<int>(std::count_if(row.items.begin(), row.items.end(),
                                                  [](const char* item) { return item != nullptr; }));
    return 0;
}

// --- Registration -------------------------------------------------------------

void ctlMvObjectMgr::Register(const std::shared_ptr<applet::clsAppletItemManager>& AppletItemManagerRef)
{
    if (m_guard.IsRegistered())
        return;
    auto converter = std::make_shared<clsChangeUnitValue>();
    converter->Register(AppletItemManagerRef);
    m_converter = std::move(converter);

    auto deviceInfo = std::make_shared<clsDeviceInfo>();
    deviceInfo->Register(AppletItemManagerRef);
    connect(deviceInfo.get(), &clsDeviceInfo::MvActualBlockModeChanged, this,
            &ctlMvObjectMgr::m_DeviceInfoEvent_MvActualBlockModeChanged);
    connect(deviceInfo.get(), &clsDeviceInfo::MvFunctionChanged, this,
            &ctlMvObjectMgr::m_DeviceInfoEvent_MvFunctionChanged);
    m_deviceInfo = std::move(deviceInfo);

    m_sender = std::make_unique<clsMessageSender>();
    m_sender->Register(AppletItemManagerRef);

    // Each item control binds its item and hands its value on once, as a
    // change; only the pinned masks act on it while registered is still
    // clear, so both are written here.
    const QPointer<ctlMvObjectMgr> self(this);
    for (const auto& item : m_items) {
        SkipErrors("Register", [&] {
            item->Register1(AppletItemManagerRef);
            const QString value = item->StringValue();
            emit item->ValueChanged(value);
            emit item->ValueChanged2(value, false);
        });
        if (!self)
            return;
    }
    // The dependent values are in the units their unit items hold now, and
    // the medium the rules compare with is the bound one: starting from 0
    // would convert the first unit change from a unit the values were never
    // in and force the flow-output unit on the first notification.
    TakeRememberedUnits();
    SkipErrors("Register", [&] {
        int16_t medium = 0;
        if (NumberText::RoundToInt16(Item(appMediumType).UIntValue(), medium))
            m_lastMediumType = medium;
    });
    m_guard.SetRegistered(true);
    // A project keeps the device values, not their shown copies: a loaded
    // project would show the description's defaults instead, and the next
    // unit change would convert those.
    SkipErrors("Register", [&] { ShowEveryDeviceValue(); });
}

void ctlMvObjectMgr::UnRegister()
{
    if (!m_guard.IsRegistered())
        return;
    for (const auto& item : m_items)
        SkipErrors("UnRegister", [&] { item->UnRegister(); });
    m_guard.SetRegistered(false);
}

void ctlMvObjectMgr::TakeRememberedUnits()
{
    for (const RememberedRow& row : kRemembered)
        (this->*row.unit).TakeFrom(Item(row.unitItem).StringValue());
    SkipErrors("TakeRememberedUnits", [&] { LastFlowOutputUnit().Set(Item(appMvOutMassFlowUnit).UIntValue()); });
}

RememberedUnit& ctlMvObjectMgr::LastFlowOutputUnit()
{
    return Item(appMediumType).UIntValue() == kMediumVolumeFlow ? m_lastFlowUnitMedium4 : m_lastFlowUnitOther;
}

// --- Reading and writing ----------------------------------------------------------

clsRuleGuard::Scope ctlMvObjectMgr::UserEdit(bool suppressRule)
{
    return m_guard.Enter(clsRuleGuard::Registered | clsRuleGuard::UserEdit, suppressRule,
                         &Item(appCurrentSequence));
}

clsRuleGuard::Scope ctlMvObjectMgr::UnitChange(Ctl unit, bool suppressRule)
{
    bool copiedByRule = false;
    if (suppressRule && (m_unitNotificationState & applet::StateInfo::kRefresh) == 0) {
        // The copy holds what its block's unit item holds.
        const CopiedUnitRow* row = CopiedUnit(unit);
        const std::shared_ptr<applet::clsAppletItemManager> manager = Item(unit).Manager();
        if (row && manager) {
            QString source;
            int32_t failed = 0;
            manager->fncReadString(manager->HandleOf(QLatin1String(row->source)), source, false, failed);
            copiedByRule = failed == 0 && source.trimmed() == Item(unit).StringValue().trimmed();
        }
    }
    return UserEdit(suppressRule && !copiedByRule);
}

int32_t ctlMvObjectMgr::CommType() const
{
    return static_cast<int32_t>(m_deviceInfo->CommType());
}

double ctlMvObjectMgr::Revision() const
{
    const QString revision = m_deviceInfo->softwareRevision();
    double number = 0;
    if (!NumberText::ToNumber(revision, number))
        Raise(kErrTypeMismatch, QStringLiteral("software revision \"%1\" is no number").arg(revision), "Revision");
    return number;
}

int32_t ctlMvObjectMgr::FixedUnit(const char* unitText) const
{
    return Module1::GetUnitCode(CommType(), QLatin1String(unitText));
}

int32_t ctlMvObjectMgr::UnitIn(const clsAppItem& unitItem) const
{
    const std::optional<int16_t> code = RememberedUnit::CodeOf(unitItem.StringValue());
    if (!code)
        Raise(kErrTypeMismatch,
              QStringLiteral("%1 holds no unit code: \"%2\"").arg(unitItem.Name(), unitItem.StringValue()), "UnitIn");
    return *code;
}

double ctlMvObjectMgr::NumberIn(const clsAppItem& item)
{
    double number = 0;
    if (!NumberText::ToNumber(item.StringValue(), number))
        Raise(kErrTypeMismatch, QStringLiteral("%1 holds no number: \"%2\"").arg(item.Name(), item.StringValue()),
              "NumberIn");
    return number;
}

void ctlMvObjectMgr::ConvertItem(clsAppItem& item, const RememberedUnit& last, int32_t newUnit)
{
    const std::optional<double> converted = last.Convert(*m_converter, NumberIn(item), newUnit, item.Name());
    if (converted)
        item.SetStringValue(NumberText::Plain(*converted));
}

void ctlMvObjectMgr::WriteConverted(clsAppItem& target, double value, int32_t from, int32_t to)
{
    target.SetStringValue(NumberText::Plain(m_converter->ChangeUnitValue(value, from, to)));
}

void ctlMvObjectMgr::SkipErrors(const char* rule, const std::function<void()>& step)
{
    const QString where = kSource + QLatin1Char('.') + QLatin1String(rule);
    try {
        step();
    } catch (const automation::ComError& error) {
        applet::AppletTrace::Error(QStringLiteral("%1: step skipped: %2 (%3)").arg(where, error.description(),
                                                                                   error.source()));
    } catch (const std::exception& error) {
        applet::AppletTrace::Error(
            QStringLiteral("%1: step skipped: %2").arg(where, QString::fromLocal8Bit(error.what())));
    }
}

// --- Masks ----------------------------------------------------------------------

// Whoever writes these masks, every unit stays enabled.
void ctlMvObjectMgr::PinDensityUnitMask(Ctl, int16_t, const QString&, bool)
{
    auto busy = m_busy[busyDensityMask].Enter(clsRuleGuard::NotInRule);
    if (busy)
        Item(appLimitMVDensityUnit).SetStringValue(Mask(kDensityUnits, 0, kDensityUnits));
}

void ctlMvObjectMgr::PinVolumeFlowUnitMask(Ctl, int16_t, const QString&, bool)
{
    auto busy = m_busy[busyVolumeFlowMask].Enter(clsRuleGuard::NotInRule);
    if (busy)
        Item(appLimitmvOutVolFlowUnit).SetStringValue(Mask(kVolumeFlowUnits, 0, kVolumeFlowUnits));
}

// --- Medium and units -----------------------------------------------------------

void ctlMvObjectMgr::MediumRule(Ctl, int16_t, const QString&, bool suppressRule)
{
    if (!m_guard.Enter(clsRuleGuard::Registered))
        return;
    const double medium = Item(appMediumType).UIntValue();
    const bool medium4 = medium == kMediumVolumeFlow;
    const int32_t bus = CommType();
    for (const FlowOutputMaskRow& row : kFlowOutputMasks)
        if (row.bus == bus && row.medium4 == medium4)
            Item(appLimitMvOutMassFlowUnit)
                .SetStringValue(Mask(kFlowOutputUnits, row.firstEnabled, row.enabledCount));
    // Either condition suffices: the medium forces its flow unit also while
    // a sequence runs, when the change is the user's.
    if (Item(appCurrentSequence).StringValue().isEmpty() || !suppressRule) {
        if (medium != m_lastMediumType)
            Item(appMvOutMassFlowUnit)
                .SetUIntValue(Module1::GetUnitCode(bus, medium4 ? QStringLiteral("m3/s") : QStringLiteral("kg/s")));
    }
    int16_t whole = 0;
    m_lastMediumType = NumberText::RoundToInt16(medium, whole) ? whole : int16_t(0);
}

void ctlMvObjectMgr::FlowOutputUnitRule(Ctl, int16_t, const QString&, bool suppressRule)
{
    if (!m_guard.Enter(clsRuleGuard::Registered))
        return;
    RememberedUnit& last = LastFlowOutputUnit();
    const double unit = Item(appMvOutMassFlowUnit).UIntValue();
    if (auto user = UserEdit(suppressRule))
        ConvertItem(Item(appMvOutMassFlowMaxValue), last, static_cast<int32_t>(unit));
    last.Set(unit);
}

void ctlMvObjectMgr::VolumeFlowUnitRule(Ctl, int16_t, const QString&, bool suppressRule)
{
    if (!m_guard.Enter(clsRuleGuard::Registered))
        return;
    const int32_t unit = UnitIn(Item(appMvOutVolFlowUnit));
    if (auto user = UserEdit(suppressRule))
        ConvertItem(Item(appmvOutVolFlowMaxValue), m_lastVolFlowUnit, unit);
    m_lastVolFlowUnit.Set(unit);
}

void ctlMvObjectMgr::DensityUnitRule(Ctl, int16_t, const QString&, bool suppressRule)
{
    if (!m_guard.Enter(clsRuleGuard::Registered) || m_busy[busyDensityUnit].InRule())
        return;
    if (Item(appMvDensityUnit).UIntValue() == 0) {
        auto busy = m_busy[busyDensityUnit].Enter(0);
        Item(appMvDensityUnit).SetStringValue(QString::number(FixedUnit("kg/m3")));
    }
    const int32_t unit = UnitIn(Item(appMvDensityUnit));
    if (auto user = UserEdit(suppressRule)) {
        // The shown copies pass each converted value on to their device values.
        ConvertItem(Item(appMvRhoNormGUI), m_lastDensityUnit, unit);
        ConvertItem(Item(appmvRhorGUI), m_lastDensityUnit, unit);
        for (int i = 0; i < 6; ++i)
            ConvertItem(Item(appMvRho, i), m_lastDensityUnit, unit);
    }
    SkipErrors("DensityUnitRule", [&] { m_lastDensityUnit.Set(UnitIn(Item(appMvDensityUnit))); });
}

void ctlMvObjectMgr::DifferentialPressureUnitRule(Ctl, int16_t, const QString&, bool suppressRule)
{
    if (!m_guard.Enter(clsRuleGuard::Registered))
        return;
    const int32_t unit = UnitIn(Item(appMvInDPUnit));
    if (auto user = UnitChange(appMvInDPUnit, suppressRule)) {
        {
            auto bulk = m_bulk.Enter(0);
            ConvertItem(Item(appMvInDpLoLim), m_lastDpUnit, unit);
            ConvertItem(Item(appMvInDpHiLim), m_lastDpUnit, unit);
        }
        ConvertItem(Item(appMvDpr), m_lastDpUnit, unit);
    }
    m_lastDpUnit.Set(unit);
}

void ctlMvObjectMgr::StaticPressureUnitRule(Ctl, int16_t, const QString&, bool suppressRule)
{
    if (!m_guard.Enter(clsRuleGuard::Registered))
        return;
    const int32_t unit = UnitIn(Item(appMvInPUnit));
    if (auto user = UnitChange(appMvInPUnit, suppressRule)) {
        {
            auto bulk = m_bulk.Enter(0);
            for (int i = 0; i < 3; ++i)
                ConvertItem(Item(appMvPkbGUI, i), m_lastPUnit, unit);
            ConvertItem(Item(appMvInPDefault), m_lastPUnit, unit);
            ConvertItem(Item(appMvInPLimit, 0), m_lastPUnit, unit);
            ConvertItem(Item(appMvInPLimit, 1), m_lastPUnit, unit);
        }
        // Its shown-copy rule passes the converted value on to "mvPr".
        ConvertItem(Item(appMvPrGUI), m_lastPUnit, unit);
    }
    m_lastPUnit.Set(unit);
}

// Unlike the static pressure, the substitute temperature is not converted.
void ctlMvObjectMgr::TemperatureUnitRule(Ctl, int16_t, const QString&, bool suppressRule)
{
    if (!m_guard.Enter(clsRuleGuard::Registered))
        return;
    const int32_t unit = UnitIn(Item(appMvInTUnit));
    if (auto user = UnitChange(appMvInTUnit, suppressRule)) {
        {
            auto bulk = m_bulk.Enter(0);
            for (int i = 0; i < 3; ++i)
                ConvertItem(Item(appMvTkbGUI, i), m_lastTUnit, unit);
            for (int i = 0; i < 6; ++i)
                ConvertItem(Item(appMvT, i), m_lastTUnit, unit);
            // The substitute temperature is given in this unit as well: left
            // as it was it would stand for another temperature, below the
            // converted lower limit, and the next upload would pull it there.
            ConvertItem(Item(appMvInTDefault), m_lastTUnit, unit);
            ConvertItem(Item(appMvInTLimit, 0), m_lastTUnit, unit);
            ConvertItem(Item(appMvInTLimit, 1), m_lastTUnit, unit);
        }
        ConvertItem(Item(appmvTrGUI), m_lastTUnit, unit);
    }
    m_lastTUnit.Set(unit);
}

void ctlMvObjectMgr::TubeDiameterUnitRule(Ctl, int16_t, const QString&, bool suppressRule)
{
    auto user = UserEdit(suppressRule);
    if (!user)
        return;
    const int32_t mm = FixedUnit("mm");
    const int32_t in = FixedUnit("in");
    const int32_t unit = UnitIn(Item(appTubeDiameterUnit));
    if (unit != mm && unit != in) {
        Item(appTubeDiameterUnit).SetStringValue(QString::number(mm));
    } else {
        // A diameter whose unit was never seen is taken to be in the current one.
        if (!m_lastTubeDiameterUnit.Known())
            m_lastTubeDiameterUnit.Set(unit);
        ConvertItem(Item(appTubeDiameter), m_lastTubeDiameterUnit, unit);
    }
    SkipErrors("TubeDiameterUnitRule", [&] { m_lastTubeDiameterUnit.Set(UnitIn(Item(appTubeDiameterUnit))); });
}

// --- Materials ------------------------------------------------------------------

void ctlMvObjectMgr::PrimaryElementMaterialRule(Ctl, int16_t, const QString&, bool suppressRule)
{
    MaterialRule(appPrimaryElementMaterial, kMsgPrimaryElementMaterial, suppressRule);
}

void ctlMvObjectMgr::TubeMaterialRule(Ctl, int16_t, const QString&, bool suppressRule)
{
    MaterialRule(appTubematerial, kMsgTubeMaterial, suppressRule);
}

void ctlMvObjectMgr::MaterialRule(Ctl material, int32_t messageId, bool suppressRule)
{
    auto user = UserEdit(suppressRule);
    if (!user)
        return;
    clsAppItem& item = Item(material);
    const QString message = Module1::LoadLocalizedText(m_deviceInfo->CountryCode(), messageId);
    const QString value = item.StringValue();
    if (Revision() >= kMaterialCodesFromRevision) {
        for (const char* code : kMaterialCodesFrom22)
            if (value == QLatin1String(code))
                return;
        m_sender->send(message);
        item.SetStringValue(kMaterialNotUsed);
    } else {
        double number = 0;
        if (NumberText::ToNumber(value, number) && number == 250)
            return;
        item.SetStringValue(kMaterialNotUsed);
        m_sender->send(message);
    }
}

// --- Events of the device information --------------------------------------------

void ctlMvObjectMgr::m_DeviceInfoEvent_MvActualBlockModeChanged(int32_t)
{
    if (m_guard.IsRegistered())
        TellPtrbObjectMgr();
}

void ctlMvObjectMgr::m_DeviceInfoEvent_MvFunctionChanged(bool)
{
    if (m_guard.IsRegistered())
        TellPtrbObjectMgr();
}

void ctlMvObjectMgr::TellPtrbObjectMgr()
{
    QObject* form = parent();
    QObject* control = form ? form->findChild<QObject*>(QStringLiteral("ctlPtrbObjectMgr1")) : nullptr;
    if (!control)
        Raise(automation::E_FAIL_, QStringLiteral("the host form carries no \"ctlPtrbObjectMgr1\""),
              "TellPtrbObjectMgr");
    if (!QMetaObject::invokeMethod(control, "OnMvModeBlkActualChanged", Qt::DirectConnection))
        Raise(automation::E_FAIL_, QStringLiteral("\"ctlPtrbObjectMgr1\" has no method OnMvModeBlkActualChanged"),
              "TellPtrbObjectMgr");
}

// --- End of an upload -------------------------------------------------------------

void ctlMvObjectMgr::HandleUploadCompleted()
{
    if (!m_guard.IsRegistered())
        return;
    // The upload may have changed a unit while no conversion ran (the
    // tube-diameter unit follows only user edits): the values are in the
    // uploaded units now.
    TakeRememberedUnits();
    MediumRule(appMediumType, 0, QString(), true);
    FlowOutputUnitRule(appMvOutMassFlowUnit, 0, QString(), false);
    ReferenceFlowRule(appMvOutMassFlowMaxValue, 0, QString(), false);
    TemperatureRangeRule(appMvInTLimit, 0, QString(), false);
    TemperatureRangeRule(appMvInTLimit, 1, QString(), false);
    DifferentialPressureUpperLimitRule(appMvInDpHiLim, 0, QString(), false);
    DifferentialPressureLowerLimitRule(appMvInDpLoLim, 0, QString(), false);
    StaticPressureRangeRule(appMvInPLimit, 0, QString(), false);
    StaticPressureRangeRule(appMvInPLimit, 1, QString(), false);

    ShowAndForce("HandleUploadCompleted", true);
}

void ctlMvObjectMgr::HandleValuesEntered()
{
    if (!m_guard.IsRegistered())
        return;
    TakeRememberedUnits();
    ShowAndForce("HandleValuesEntered", false);
}

void ctlMvObjectMgr::ShowAndForce(const char* context, bool told)
{
    auto bulk = m_bulk.Enter(0);
    // The shown table points as well: a point the upload left as it was
    // raised no change, and its shown copy would stay in the unit before.
    SkipErrors(context, [&] { ShowEveryDeviceValue(); });
    SkipErrors(context, [&] {
        if (!m_deviceInfo->MvFunctionEnabled())
            return;
        // Only the forced changes of this re-run are told to the user.
        struct SwitchedOn {
            clsMessageSender& sender;
            bool on;
            SwitchedOn(clsMessageSender& s, bool o) : sender(s), on(o)
            {
                if (on)
                    sender.SwitchOn();
            }
            ~SwitchedOn()
            {
                if (on)
                    sender.SwitchOff();
            }
        } switchedOn(*m_sender, told);
        SkipErrors(context, [&] { TubeDiameterUnitRule(appTubeDiameterUnit, 0, QString(), false); });
        SkipErrors(context, [&] { PrimaryElementMaterialRule(appPrimaryElementMaterial, 0, QString(), false); });
        SkipErrors(context, [&] { TubeMaterialRule(appTubematerial, 0, QString(), false); });
    });
}
