#include "corvane/rules/clsTtrbObjectMgr.h"
#include "corvane/rules/Module1.h"
#include "corvane/rules/RuleNumbers.h"
#include "corvane/rules/clsMessageSender.h"
#include "mvtrivexhelper/NumberText.h"
#include "mvtrivexhelper/clsChangeUnitValue.h"
#include "mvtrivexhelper/clsDeviceInfo.h"
#include "pioextensions/IViewEx.h"
#include "pioextensions/ItemViewBinding.h"

namespace {

const QString kSource = QStringLiteral("clsTtrbObjectMgr");

// The items in the order of their positions (clsTtrbObjectMgr::Position).
constexpr const char* kItems[] = {
    "currentSequence",
    "ttrbPrimaryValueUnit",
    "ttrbPrimaryValueRange0",
    "ttrbPrimaryValueRange100",
    "ttrbCalMinSpan",
    "ttrbCalUnit",
    "ttrbLowerSensorLimit",
    "ttrbUpperSensorLimit",
    "ttrbSensorLimitUnit",
    "ttrbPrimaryValueUnit_21",
    "mvModeBlkActual",
    "mvInTUnit",
    "aitXdScaleUnitFF",
    "aitOutscaleUnit",
    "aitXdScale0",
    "aitOutscale0",
    "aitXdScale100",
    "aitOutScale100",
    "ttrbPrimaryValueRangeDecimal",
    "aitXdScaleDecimalFF",
    "aitOutscaleDecimal",
};
constexpr short kFirstDecimalItem = clsTtrbObjectMgr::PrimaryValueRangeDecimal;

// The sequence bound with its state and control sub-items; its status
// changes are not handled here.
const QString kUploadSequence = QStringLiteral("upload");
constexpr int16_t kUploadMask = 3;

// The multivariable function's automatic mode, in which the temperature
// analog input is coupled to this block.
constexpr int32_t kCoupledMode = static_cast<int32_t>(enmBlockMode::AUTOMATIK);
// Devices below this revision measure the temperature in degrees C only.
constexpr double kFreeTemperatureUnitFrom = 20;
constexpr int32_t kTemperatureUnitForcedText = 2005;

// The analog-input scale ends each range end is copied into.
constexpr clsTtrbObjectMgr::Position kScaleCopies[2][2] = {
    {clsTtrbObjectMgr::AitXdScale0, clsTtrbObjectMgr::AitOutscale0},
    {clsTtrbObjectMgr::AitXdScale100, clsTtrbObjectMgr::AitOutScale100},
};
constexpr clsTtrbObjectMgr::Position kUnitCopies[] = {clsTtrbObjectMgr::MvInTUnit, clsTtrbObjectMgr::AitXdScaleUnitFF,
                                                      clsTtrbObjectMgr::AitOutscaleUnit};

// Switches the sender on for the length of a re-run, off on every way out.
class SenderSwitchedOn {
public:
    explicit SenderSwitchedOn(clsMessageSender& sender) : m_sender(sender) { m_sender.SwitchOn(); }
    ~SenderSwitchedOn() { m_sender.SwitchOff(); }
    SenderSwitchedOn(const SenderSwitchedOn&) = delete;
    SenderSwitchedOn& operator=(const SenderSwitchedOn&) = delete;

private:
    clsMessageSender& m_sender;
};

} // namespace

clsTtrbObjectMgr::clsTtrbObjectMgr() = default;

clsTtrbObjectMgr::~clsTtrbObjectMgr()
{
    for (const auto& item : m_items)
        disconnect(item.get(), nullptr, this, nullptr);
    if (m_deviceInfo)
        disconnect(m_deviceInfo.get(), nullptr, this, nullptr);
}

// --- Register and UnRegister --------------------------------------------------

void clsTtrbObjectMgr::Register(const std::shared_ptr<IViewEx>& myView)
{
    if (Registered())
        return;
    m_view = myView;
    const auto manager = myView ? myView->appletItemManagerRef() : nullptr;

    auto converter = std::make_shared<clsChangeUnitValue>();
    converter->Register(manager);
    m_converter = converter;
    if (m_deviceInfo)
        disconnect(m_deviceInfo.get(), nullptr, this, nullptr);
    m_deviceInfo = std::make_shared<clsDeviceInfo>();
    m_deviceInfo->Register(manager);
    connect(m_deviceInfo.get(), &clsDeviceInfo::SoftwareRevisionChanged, this,
            &clsTtrbObjectMgr::SoftwareRevisionRule);
    m_messageSender = std::make_unique<clsMessageSender>();
    m_messageSender->Register(manager);

    const bool firstBinding = m_items.Count() == 0;
    short position = 0;
    for (const char* name : kItems) {
        if (++position >= kFirstDecimalItem)
            m_items.Add(QLatin1String(name), false, 0, this, QStringLiteral("DecimalAbgleich_ValueChanged"));
        else
            m_items.Add(QLatin1String(name), false, 0);
    }
    if (firstBinding) {
        auto ends = [this](End end) {
            return [this, end](const QString& value, bool suppressRule) { RangeRule(end, value, suppressRule); };
        };
        connect(&Item(CalUnit), &clsAppItem::ValueChanged2, this, &clsTtrbObjectMgr::CalibrationUnitRule);
        connect(&Item(PrimaryValueUnit), &clsAppItem::ValueChanged2, this, &clsTtrbObjectMgr::UnitRule);
        connect(&Item(PrimaryValueRange0), &clsAppItem::ValueChanged2, this, ends(Range0));
        connect(&Item(PrimaryValueRange100), &clsAppItem::ValueChanged2, this, ends(Range100));
        connect(&Item(PrimaryValueUnit21), &clsAppItem::ValueChanged, this, &clsTtrbObjectMgr::CopyRule);
        connect(&Item(MvModeBlkActual), &clsAppItem::ValueChanged, this, &clsTtrbObjectMgr::BlockModeRule);
        connect(&Item(CurrentSequence), &clsAppItem::ValueChanged, this, &clsTtrbObjectMgr::OnCurrentSequenceChanged);
    }
    m_sequences.Add(kUploadSequence, false, 0, kUploadMask);

    m_items.Register(manager);
    m_sequences.Register(manager);
    m_guard.SetRegistered(true);
    TakeRememberedUnits();
}

void clsTtrbObjectMgr::UnRegister()
{
    if (!Registered())
        return;
    m_items.UnRegister();
    m_sequences.UnRegister();
    m_guard.SetRegistered(false);
}

// --- Helpers ------------------------------------------------------------------

clsAppItem& clsTtrbObjectMgr::Item(Position position) const
{
    return *m_items.Item(static_cast<int>(position));
}

bool clsTtrbObjectMgr::UserEdit(bool suppressRule)
{
    // Only the check: the scope ends with this statement and gives back any flag it took.
    return static_cast<bool>(m_guard.Enter(clsRuleGuard::UserEdit, suppressRule, &Item(CurrentSequence)));
}

bool clsTtrbObjectMgr::InMode8() const
{
    return m_deviceInfo->MvActualBlockMode() == kCoupledMode;
}

void clsTtrbObjectMgr::TakeRememberedUnits()
{
    m_lastCalibrationUnit.TakeFrom(Item(CalUnit).StringValue());
    m_lastPrimaryValueUnit.TakeFrom(Item(PrimaryValueUnit).StringValue());
}

void clsTtrbObjectMgr::OnCurrentSequenceChanged(const QString& value)
{
    if (Registered() && value.isEmpty())
        TakeRememberedUnits();
}

// --- Rules ----------------------------------------------------------------------

// 1. Runs whether or not registered; each step goes on after an error.
void clsTtrbObjectMgr::CalibrationUnitRule(const QString&, bool suppressRule)
{
    const QString source = kSource + QStringLiteral(".CalibrationUnitRule");
    ItemViewBinding::RunStep(source, [&] {
        if (!UserEdit(suppressRule))
            return;
        clsAppItem& minSpan = Item(CalMinSpan);
        const auto converted =
            m_lastCalibrationUnit.Convert(*m_converter, RuleNumbers::NumberOf(minSpan, source),
                                          RuleNumbers::UnitCodeOf(Item(CalUnit), source), minSpan.Name());
        if (converted)
            minSpan.SetStringValue(NumberText::Plain(*converted));
    });
    ItemViewBinding::RunStep(source, [&] { m_lastCalibrationUnit.Set(Item(CalUnit).UIntValue()); });
}

// 2. Each step goes on after an error; the in-rule flag is released on every way out.
void clsTtrbObjectMgr::UnitRule(const QString&, bool suppressRule)
{
    auto rule = m_guard.Enter(clsRuleGuard::Registered | clsRuleGuard::NotInRule);
    if (!rule)
        return;
    const QString source = kSource + QStringLiteral(".UnitRule");
    clsAppItem& unit = Item(PrimaryValueUnit);

    ItemViewBinding::RunStep(source, [&] {
        if (!InMode8() || RuleNumbers::SoftwareRevision(*m_deviceInfo, source) >= kFreeTemperatureUnitFrom)
            return;
        const int32_t bus = static_cast<int32_t>(m_deviceInfo->CommType());
        const int16_t degreesC = Module1::GetUnitCode(bus, QStringLiteral("C"));
        if (RuleNumbers::NumberOf(unit, source) != degreesC) {
            unit.SetStringValue(QString::number(degreesC));
            m_messageSender->send(Module1::LoadLocalizedText(m_deviceInfo->CountryCode(), kTemperatureUnitForcedText));
        }
    });
    bool coupled = false;
    ItemViewBinding::RunStep(source, [&] { coupled = InMode8(); });
    if (coupled)
        for (Position copy : kUnitCopies)
            ItemViewBinding::RunStep(source, [&] { Item(copy).SetStringValue(unit.StringValue()); });
    if (UserEdit(suppressRule)) {
        for (Position end : {PrimaryValueRange0, PrimaryValueRange100})
            ItemViewBinding::RunStep(source, [&] {
                clsAppItem& item = Item(end);
                const auto converted =
                    m_lastPrimaryValueUnit.Convert(*m_converter, RuleNumbers::NumberOf(item, source),
                                                   RuleNumbers::UnitCodeOf(unit, source), item.Name());
                if (converted)
                    item.SetStringValue(NumberText::Plain(*converted));
            });
    }
    ItemViewBinding::RunStep(source, [&] { Item(PrimaryValueUnit21).SetStringValue(unit.StringValue()); });
    ItemViewBinding::RunStep(source, [&] { m_lastPrimaryValueUnit.TakeFrom(unit.StringValue()); });
}

// 3. Runs whether or not registered; each step goes on after an error.
void clsTtrbObjectMgr::RangeRule(End end, const QString&, bool suppressRule)
{
    const QString source = kSource + QStringLiteral(".RangeRule");
    clsAppItem& changed = Item(end == Range0 ? PrimaryValueRange0 : PrimaryValueRange100);
    ItemViewBinding::RunStep(source, [&] {
        auto rule =
            m_guard.Enter(clsRuleGuard::UserEdit | clsRuleGuard::NotInRule, suppressRule, &Item(CurrentSequence));
        if (!rule)
            return;
        const QVariant rangeUnit = QVariant::fromValue(&Item(PrimaryValueUnit));
        clsAppItem& other = Item(end == Range0 ? PrimaryValueRange100 : PrimaryValueRange0);
        Module1::AdjustRangeWithMinSpan(*m_converter, changed, other, rangeUnit, Item(CalMinSpan),
                                        QVariant::fromValue(&Item(CalUnit)),
                                        Item(LowerSensorLimit), Item(UpperSensorLimit),
                                        QVariant::fromValue(&Item(SensorLimitUnit)));
    });
    bool coupled = false;
    ItemViewBinding::RunStep(source, [&] { coupled = InMode8(); });
    if (coupled)
        for (Position copy : kScaleCopies[end])
            ItemViewBinding::RunStep(source, [&] { Item(copy).SetStringValue(changed.StringValue()); });
}

void clsTtrbObjectMgr::HandleValuesEntered()
{
    if (!Registered())
        return;
    TakeRememberedUnits();
    RangeRule(Range0, QString(), true);
    RangeRule(Range100, QString(), true);
    // A user edit's road converts from the unit just taken, which is only a
    // change where the rule forces another unit.
    UnitRule(QString(), false);
}

// 4. Errors are ignored (traced).
void clsTtrbObjectMgr::CopyRule(const QString&)
{
    if (m_guard.InRule())
        return;
    ItemViewBinding::RunStep(kSource + QStringLiteral(".CopyRule"),
                             [this] { Item(PrimaryValueUnit).SetStringValue(Item(PrimaryValueUnit21).StringValue()); });
}

// 5. Ends at the first error.
void clsTtrbObjectMgr::BlockModeRule(const QString&)
{
    if (!Registered() || !InMode8())
        return;
    auto rangeAndUnit = [this] {
        RangeRule(Range0, QString(), false);
        RangeRule(Range100, QString(), false);
        UnitRule(QString(), false);
    };
    rangeAndUnit();
    for (short decimal = kFirstDecimalItem; decimal <= AitOutscaleDecimal; ++decimal)
        DecimalAbgleich_ValueChanged(decimal, QString(), false);
    rangeAndUnit();
}

// 6. In mode 8 the three decimal-place items always read 0.
void clsTtrbObjectMgr::DecimalAbgleich_ValueChanged(short Index, const QString&, bool)
{
    auto rule = m_guard.Enter(clsRuleGuard::Registered | clsRuleGuard::NotInRule);
    if (rule && InMode8())
        m_items.Item(static_cast<int>(Index))->SetUIntValue(0);
}

// 7. The only re-run whose forced unit is reported to the user.
void clsTtrbObjectMgr::SoftwareRevisionRule(const QString&)
{
    SenderSwitchedOn reporting(*m_messageSender);
    UnitRule(QString(), false);
}
