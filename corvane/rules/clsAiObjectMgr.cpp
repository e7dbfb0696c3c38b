#include "corvane/rules/clsAiObjectMgr.h"
#include "corvane/rules/Module1.h"
#include "corvane/rules/RuleNumbers.h"
#include "corvane/rules/clsMessageSender.h"
#include "mvtrivexhelper/NumberText.h"
#include "mvtrivexhelper/clsChangeUnitValue.h"
#include "mvtrivexhelper/clsDeviceInfo.h"
#include "pioextensions/IViewEx.h"
#include "pioextensions/ItemViewBinding.h"
#include "platform/applet/StateInfo.h"

namespace {

const QString kSource = QStringLiteral("clsAiObjectMgr");

// The members of each collection, by Index, and the method each member calls
// by name on a change (none: the collection is only read or written).
struct CollectionRow {
    const char* members[5];
    const char* callback;
};
constexpr CollectionRow kCollections[clsAiObjectMgr::kRoleCount] = {
    {{"currentSequence", "aidpOutscaleUnit", "aiTOutValue", "dummyFloat", "dummyFloat1"}, nullptr},
    {{"aidpOutscale0", "aipOutscale0", "aiTOutscale0"}, "appOutscale0_ValueChanged2"},
    {{"aidpOutscale100", "aipOutscale100", "aiTOutscale100"}, "appOutscale100_ValueChanged2"},
    {{"ptrbScaleOut0", "aidpXdScale0"}, nullptr},
    {{"ptrbScaleOut100", "aidpXdScale100"}, nullptr},
    {{"ptrbScaleOutUnit", "aiDpXdScaleUnitFF"}, nullptr},
    {{"aidpLoLim", "aipLoLim", "aiTLoLim"}, "appLoLim_ValueChanged2"},
    {{"aidpHiLim", "aipHiLim", "aiTHiLim"}, "appHiLim_ValueChanged2"},
    {{"aidpLoLoLim", "aipLoLoLim", "aiTLoLoLim"}, "appLoLoLim_ValueChanged2"},
    {{"aidpHiHiLim", "aipHiHiLim", "aiTHiHiLim"}, "appHiHiLim_ValueChanged2"},
    {{"aidpLType", "aipLType", "aiTLType"}, "appAiLType_ValueChanged2"},
    {{"aiDPPvFtime", "ptrbDamping"}, "appDamping_ValueChanged2"},
};

// Alarm limits may lie a tenth of the output range outside it from this revision on.
constexpr double kWideAlarmLimitsAbove = 20;
constexpr double kAlarmMarginDivisor = 10;
// Older devices only know "%" as the differential-pressure output unit.
constexpr double kFreeOutputUnitFrom = 15;
constexpr int32_t kOutputUnitForcedText = 2006;

const char* const kLowerBound = "dummyFloat";
const char* const kUpperBound = "dummyFloat1";

constexpr uint32_t kFullGuard = clsRuleGuard::Registered | clsRuleGuard::UserEdit | clsRuleGuard::NotInRule;

} // namespace

clsAiObjectMgr::clsAiObjectMgr() = default;

clsAiObjectMgr::~clsAiObjectMgr()
{
    for (const auto& item : {m_aidpOutscaleUnit, m_aiTOutValue})
        if (item)
            disconnect(item.get(), nullptr, this, nullptr);
}

// --- Register and UnRegister --------------------------------------------------

void clsAiObjectMgr::Register(const std::shared_ptr<IViewEx>& myView)
{
    if (Registered())
        return;
    const auto manager = myView ? myView->appletItemManagerRef() : nullptr;

    auto converter = std::make_shared<clsChangeUnitValue>();
    converter->Register(manager);
    m_converter = converter;
    auto deviceInfo = std::make_shared<clsDeviceInfo>();
    deviceInfo->Register(manager);
    m_deviceInfo = deviceInfo;
    m_messageSender = std::make_unique<clsMessageSender>();
    m_messageSender->Register(manager);

    const bool firstBinding = !m_currentSequence;
    for (int role = 0; role < kRoleCount; ++role) {
        const CollectionRow& row = kCollections[role];
        for (const char* name : row.members) {
            if (!name)
                break;
            if (row.callback)
                m_items[role].Add(QLatin1String(name), false, 0, this, QLatin1String(row.callback));
            else
                m_items[role].Add(QLatin1String(name), false, 0);
        }
    }
    m_currentSequence = m_items[General].Item(QStringLiteral("currentSequence"));
    m_aidpOutscaleUnit = m_items[General].Item(QStringLiteral("aidpOutscaleUnit"));
    m_aiTOutValue = m_items[General].Item(QStringLiteral("aiTOutValue"));
    if (firstBinding) {
        // A refresh is no change of the unit: acting on the one after binding
        // would force "%" into every project opened before the device's
        // revision is known (it reads 0 then).
        connect(m_aidpOutscaleUnit.get(), &clsAppItem::ValueChanged3, this,
                [this](const QString& value, int32_t itemState) {
                    if ((itemState & applet::StateInfo::kRefresh) == 0)
                        appAidpOutscaleUnit_ValueChanged2(value, clsRuleGuard::IsRuleSuppressed(itemState));
                });
        connect(m_aiTOutValue.get(), &clsAppItem::ValueChanged, this, &clsAiObjectMgr::appOutValue_ValueChanged);
    }
    // An item that is never registered reads 0; writing it would only be refused.
    if (!m_zeroSpan)
        m_zeroSpan = std::make_unique<clsAppItem>();

    for (auto& collection : m_items)
        collection.Register(manager);
    for (auto& guard : m_guards)
        guard.SetRegistered(true);
}

void clsAiObjectMgr::UnRegister()
{
    if (!Registered())
        return;
    m_items[General].UnRegister();
    m_aiTOutValue->UnRegister();
    for (int role = General + 1; role < kRoleCount; ++role)
        m_items[role].UnRegister();
    for (auto& guard : m_guards)
        guard.SetRegistered(false);
}

// --- Helpers ------------------------------------------------------------------

clsRuleGuard::Scope clsAiObjectMgr::Enter(Flag flag, uint32_t checks, bool suppressRule)
{
    return m_guards[flag].Enter(checks, suppressRule, m_currentSequence.get());
}

bool clsAiObjectMgr::Holds(Flag flag, uint32_t checks, bool suppressRule)
{
    // The scope ends with this statement and gives back a flag it took.
    return static_cast<bool>(Enter(flag, checks, suppressRule));
}

clsAppItem& clsAiObjectMgr::Member(Role role, short Index) const
{
    return *m_items[role].Item(static_cast<int>(Index));
}

clsAppItem& clsAiObjectMgr::GeneralItem(const char* name) const
{
    return *m_items[General].Item(QLatin1String(name));
}

double clsAiObjectMgr::SoftwareRevision() const
{
    return RuleNumbers::SoftwareRevision(*m_deviceInfo, kSource);
}

void clsAiObjectMgr::SetBounds(float a, float b)
{
    GeneralItem(kLowerBound).SetFloatValue(std::min(a, b));
    GeneralItem(kUpperBound).SetFloatValue(std::max(a, b));
}

void clsAiObjectMgr::ClampBetweenBounds(clsAppItem& adjusted, clsAppItem& reference)
{
    const QVariant unit = QVariant::fromValue(m_aidpOutscaleUnit.get());
    Module1::AdjustRangeWithMinSpan(*m_converter, adjusted, reference, unit, *m_zeroSpan, unit,
                                    GeneralItem(kLowerBound), GeneralItem(kUpperBound), unit);
}

// --- Output range ---------------------------------------------------------------

void clsAiObjectMgr::appOutscale0_ValueChanged2(short Index, const QString&, bool suppressRule)
{
    if (Registered())
        OutputRangeRule(Lower, Index, suppressRule);
}

void clsAiObjectMgr::appOutscale100_ValueChanged2(short Index, const QString&, bool suppressRule)
{
    if (Registered())
        OutputRangeRule(Upper, Index, suppressRule);
}

void clsAiObjectMgr::OutputRangeRule(End end, short Index, bool suppressRule)
{
    bool guardHeld = false;
    if (auto rule = Enter(end == Lower ? LowerOutputRangeFlag : UpperOutputRangeFlag, kFullGuard, suppressRule)) {
        guardHeld = true;
        // Clamped between the end itself: neither end changes, both are
        // written back in the block's unit.
        clsAppItem& adjusted = Member(end == Lower ? LowerOutputRange : UpperOutputRange, Index);
        clsAppItem& reference = Member(end == Lower ? UpperOutputRange : LowerOutputRange, Index);
        const QVariant unit = QVariant::fromValue(m_aidpOutscaleUnit.get());
        Module1::AdjustRangeWithMinSpan(*m_converter, adjusted, reference, unit, *m_zeroSpan, unit, adjusted, adjusted,
                                        unit);
    }
    if (guardHeld) {
        AlarmLimitRule(end, Index, false);
        CopyOutputRangeEnd(end);
    }
    if (Index == kTemperatureBlock)
        OutputValueRule();
}

void clsAiObjectMgr::HandleValuesEntered()
{
    if (!Registered())
        return;
    // The unit is not forced here: the revision the rule judges by is not
    // the device's before it is connected.
    const QString source = kSource + QStringLiteral(".HandleValuesEntered");
    CopyOutputUnit(source);
    for (const End end : {Lower, Upper})
        ItemViewBinding::RunStep(source, [&] { CopyOutputRangeEnd(end); });
}

void clsAiObjectMgr::CopyOutputRangeEnd(End end)
{
    // The differential-pressure block's end, whatever block changed.
    const QString text = Member(end == Lower ? LowerOutputRange : UpperOutputRange, 1).StringValue();
    for (const auto& copy : m_items[end == Lower ? LowerRangeCopies : UpperRangeCopies])
        copy->SetStringValue(text);
}

// --- Warning and alarm limits ---------------------------------------------------

void clsAiObjectMgr::appLoLim_ValueChanged2(short Index, const QString&, bool suppressRule)
{
    WarningLimitRule(Lower, Index, suppressRule);
}

void clsAiObjectMgr::appHiLim_ValueChanged2(short Index, const QString&, bool suppressRule)
{
    WarningLimitRule(Upper, Index, suppressRule);
}

void clsAiObjectMgr::WarningLimitRule(End end, short Index, bool suppressRule)
{
    auto rule = Enter(end == Lower ? LowerWarningFlag : UpperWarningFlag, kFullGuard, suppressRule);
    if (!rule)
        return;
    SetBounds(Member(LowerAlarmLimit, Index).FloatValue(), Member(UpperAlarmLimit, Index).FloatValue());
    ClampBetweenBounds(Member(end == Lower ? LowerWarningLimit : UpperWarningLimit, Index),
                       Member(end == Lower ? UpperWarningLimit : LowerWarningLimit, Index));
}

void clsAiObjectMgr::appLoLoLim_ValueChanged2(short Index, const QString&, bool suppressRule)
{
    AlarmLimitRule(Lower, Index, suppressRule);
}

void clsAiObjectMgr::appHiHiLim_ValueChanged2(short Index, const QString&, bool suppressRule)
{
    AlarmLimitRule(Upper, Index, suppressRule);
}

void clsAiObjectMgr::AlarmLimitRule(End end, short Index, bool suppressRule)
{
    const Flag flag = end == Lower ? LowerAlarmFlag : UpperAlarmFlag;
    if (!Holds(flag, clsRuleGuard::Registered | clsRuleGuard::UserEdit, suppressRule))
        return;
    if (auto clamp = Enter(flag, clsRuleGuard::NotInRule)) {
        SetBounds(Member(LowerOutputRange, Index).FloatValue(), Member(UpperOutputRange, Index).FloatValue());
        if (SoftwareRevision() > kWideAlarmLimitsAbove) {
            const double lo = GeneralItem(kLowerBound).FloatValue();
            const double hi = GeneralItem(kUpperBound).FloatValue();
            const double margin = (hi - lo) / kAlarmMarginDivisor;
            GeneralItem(kLowerBound).SetStringValue(NumberText::Plain(lo - margin));
            GeneralItem(kUpperBound).SetStringValue(NumberText::Plain(hi + margin));
        }
        ClampBetweenBounds(Member(end == Lower ? LowerAlarmLimit : UpperAlarmLimit, Index),
                           Member(end == Lower ? UpperAlarmLimit : LowerAlarmLimit, Index));
    }
    WarningLimitRule(end, Index, false);
}

// --- L-type, output value, unit -------------------------------------------------

// Writing the value the item already holds raises no further notification.
void clsAiObjectMgr::appAiLType_ValueChanged2(short Index, const QString&, bool)
{
    if (Registered())
        Member(LType, Index).SetStringValue(QStringLiteral("0"));
}

void clsAiObjectMgr::appDamping_ValueChanged2(short Index, const QString&, bool suppressRule)
{
    auto rule = Enter(DampingFlag, kFullGuard, suppressRule);
    if (!rule)
        return;
    const short other = Index == 1 ? 2 : 1;
    const QString value = Member(Damping, Index).StringValue();
    if (Member(Damping, other).StringValue() != value)
        Member(Damping, other).SetStringValue(value);
}

void clsAiObjectMgr::appOutValue_ValueChanged(const QString&)
{
    if (Registered())
        OutputValueRule();
}

// Reversed or equal ends hold the value between them the other way round.
void clsAiObjectMgr::OutputValueRule()
{
    if (!Registered())
        return;
    auto lo = [this] { return Member(LowerOutputRange, kTemperatureBlock).FloatValue(); };
    auto hi = [this] { return Member(UpperOutputRange, kTemperatureBlock).FloatValue(); };
    auto value = [this] { return m_aiTOutValue->FloatValue(); };
    if (hi() > lo()) {
        if (value() < lo())
            m_aiTOutValue->SetFloatValue(lo());
        else if (value() > hi())
            m_aiTOutValue->SetFloatValue(hi());
    } else {
        if (value() > lo())
            m_aiTOutValue->SetFloatValue(lo());
        else if (value() < hi())
            m_aiTOutValue->SetFloatValue(hi());
    }
}

// Runs whether or not registered or a sequence runs; each step that fails is
// traced and the next one runs. The forced "%" is reported through the sender,
// which this manager never switches on, so a user edit is corrected silently.
void clsAiObjectMgr::appAidpOutscaleUnit_ValueChanged2(const QString&, bool)
{
    const QString source = kSource + QStringLiteral(".appAidpOutscaleUnit_ValueChanged2");
    {
        auto rule = Enter(UnitFlag, clsRuleGuard::NotInRule);
        if (!rule)
            return;
        bool forced = false;
        ItemViewBinding::RunStep(source, [&] { forced = SoftwareRevision() < kFreeOutputUnitFrom; });
        if (forced) {
            ItemViewBinding::RunStep(source, [&] {
                const int32_t bus = static_cast<int32_t>(m_deviceInfo->CommType());
                m_aidpOutscaleUnit->SetStringValue(QString::number(Module1::GetUnitCode(bus, QStringLiteral("%"))));
            });
            ItemViewBinding::RunStep(source, [&] {
                m_messageSender->send(Module1::LoadLocalizedText(m_deviceInfo->CountryCode(), kOutputUnitForcedText));
            });
        }
    }
    CopyOutputUnit(source);
}

void clsAiObjectMgr::CopyOutputUnit(const QString& source)
{
    for (const auto& copy : m_items[UnitCopies])
        ItemViewBinding::RunStep(source, [&] { copy->SetStringValue(m_aidpOutscaleUnit->StringValue()); });
}
