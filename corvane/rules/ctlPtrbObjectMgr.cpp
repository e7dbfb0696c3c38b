#include "corvane/rules/ctlPtrbObjectMgr.h"
#include "corvane/rules/Module1.h"
#include "corvane/rules/clsMessageSender.h"
#include "mvtrivexhelper/NumberText.h"
#include "mvtrivexhelper/clsChangeUnitValue.h"
#include "mvtrivexhelper/clsDeviceInfo.h"
#include "pioitems/ControlErrors.h"
#include "pioitems/PioAppItem.h"
#include "platform/applet/AppletTrace.h"
#include "platform/automation/ComError.h"
#include <QLabel>
#include <utility>

namespace {

const QString kSource = QStringLiteral("ctlPtrbObjectMgr");

// The flow block's actual mode in which the rules couple this block to it.
constexpr int32_t kAutomatik = 8;
// From this software revision on, primary-element linearisation is allowed
// in automatic mode.
constexpr double kPrimaryElementFromRevision = 22;
// Messages handed to the message sender.
constexpr int32_t kMsgSquareRooting = 2000;
constexpr int32_t kMsgDpUnitMbar = 2001;
constexpr int32_t kMsgStaticUnitMbar = 2002;
const QString kMbar = QStringLiteral("mbar");

using ctl = ctlPtrbObjectMgr;

} // namespace

// One item control (or control array) and the handler of its ValueChanged2.
struct ctlPtrbObjectMgr::ControlRow {
    const char* name;
    QStringList items; // one per element
    void (ctlPtrbObjectMgr::*handler)(const QString&, bool) = nullptr;
    void (ctlPtrbObjectMgr::*indexedHandler)(int16_t, const QString&, bool) = nullptr;
};

const std::array<ctlPtrbObjectMgr::ControlRow, ctlPtrbObjectMgr::kControlCount> ctlPtrbObjectMgr::kControls{{
    {"appCurrentSequence", {"currentSequence"}},
    {"appLimitPtrbLinType", {"&&ObjectLimit&&ptrbLinType"}},
    {"appPtrbLinType", {"ptrbLinType"}, &ctl::appPtrbLinType_ValueChanged2},
    {"appPtrbScaleIn0", {"ptrbScaleIn0"}, &ctl::appPtrbScaleIn0_ValueChanged2},
    {"appPtrbScaleIn100", {"ptrbScaleIn100"}, &ctl::appPtrbScaleIn100_ValueChanged2},
    {"appPtrbScaleInUnit", {"ptrbScaleInUnit"}, &ctl::appPtrbScaleInUnit_ValueChanged2},
    {"appPtrbScaleInUnit_21", {"ptrbScaleInUnit_21"}, &ctl::appPtrbScaleInUnit_21_ValueChanged2},
    {"appPtrbScaleInDecimal", {"ptrbScaleInDecimal"}},
    {"appPtrbStaticPressureScaleIn0", {"ptrbStaticPressureScaleIn0"},
     &ctl::appPtrbStaticPressureScaleIn0_ValueChanged2},
    {"appPtrbStaticPressureScaleIn100", {"ptrbStaticPressureScaleIn100"},
     &ctl::appPtrbStaticPressureScaleIn100_ValueChanged2},
    {"appPtrbStaticPressureScaleInUnit", {"ptrbStaticPressureScaleInUnit"},
     &ctl::appPtrbStaticPressureScaleInUnit_ValueChanged2},
    {"appPtrbStaticPressureScaleInUnit_21", {"ptrbStaticPressureScaleInUnit_21"},
     &ctl::appPtrbStaticPressureScaleInUnit_21_ValueChanged2},
    {"appPtrbTemperatureValueUnit", {"ptrbTemperatureValueUnit"}, &ctl::appPtrbTemperatureValueUnit_ValueChanged2},
    {"appPtrbTemperatureValueUnit_21", {"ptrbTemperatureValueUnit_21"},
     &ctl::appPtrbTemperatureValueUnit_21_ValueChanged2},
    {"appPtrbLowerSensorLimit", {"ptrbLowerSensorLimit"}},
    {"appPtrbUpperSensorLimit", {"ptrbUpperSensorLimit"}},
    {"appPtrbSensorLimitUnit", {"ptrbSensorLimitUnit"}},
    {"appPtrbMinSpan", {"ptrbMinSpan"}},
    {"appPtrbStaticPressureMinSpan", {"ptrbStaticPressureMinSpan"}},
    {"appPtrbCalUnit", {"ptrbCalUnit"}, &ctl::appPtrbCalUnit_ValueChanged2},
    {"appPtrbStaticPressureHiLim", {"ptrbStaticPressureHiLim"}},
    {"appStaticPressureLoLim", {"dummyStaticPressureLoLim"}},
    {"appPtrbScaleIn0Abgleich", {"ptrbScaleOut0", "aidpXdScale0", "aidpOutScale0"}},
    {"appPtrbScaleIn100Abgleich", {"ptrbScaleOut100", "aidpXdScale100", "aidpOutscale100"}},
    {"appPtrbScaleInUnitAbgleich", {"mvInDpUnit", "ptrbScaleOutUnit", "aiDpXdScaleUnitFF", "aidpOutscaleUnit"}},
    {"appPtrbStaticPressureScaleIn0Abgleich", {"aipXdScale0", "aipOutscale0"}},
    {"appPtrbStaticPressureScaleIn100Abgleich", {"aipXdScale100", "aipOutscale100"}},
    {"appPtrbStaticPressureScaleInUnitAbgleich", {"mvInPUnit", "aipXdScaleUnitFF", "aipOutscaleUnit"}},
    {"appPtrbScaleInDecimalAbgleich",
     {"ptrbScaleInDecimal", "ptrbScaleOutDecimal", "aidpXdScaleDecimalFF", "aidpOutscaleDecimal",
      "ptrbStaticPressureScaleInDecimal", "aipXdScaleDecimalFF", "aipOutscaleDecimal"},
     nullptr, &ctl::appPtrbScaleInDecimalAbgleich_ValueChanged2},
}};

// A measuring range: its ends, the items of its clamp and its copies.
struct ctlPtrbObjectMgr::RangeRule {
    const char* name;
    Control low, high, unit, minSpan, lowerLimit, upperLimit;
    Control lowCopies, highCopies;
    // The leading copies written in every block mode; the others only in
    // automatic mode.
    int copiedInEveryMode;
    // The lower limit is a scratch item set to 0 before the lower end's clamp.
    bool lowerLimitIsZero;
};

const ctlPtrbObjectMgr::RangeRule ctlPtrbObjectMgr::kDifferentialRange{
    "differential range", appPtrbScaleIn0, appPtrbScaleIn100, appPtrbScaleInUnit, appPtrbMinSpan,
    appPtrbLowerSensorLimit, appPtrbUpperSensorLimit, appPtrbScaleIn0Abgleich, appPtrbScaleIn100Abgleich, 0, false};
const ctlPtrbObjectMgr::RangeRule ctlPtrbObjectMgr::kStaticRange{
    "static range", appPtrbStaticPressureScaleIn0, appPtrbStaticPressureScaleIn100, appPtrbStaticPressureScaleInUnit,
    appPtrbStaticPressureMinSpan, appStaticPressureLoLim, appPtrbStaticPressureHiLim,
    appPtrbStaticPressureScaleIn0Abgleich, appPtrbStaticPressureScaleIn100Abgleich, 1, true};

// A range unit: forced to "mbar" below a software revision in automatic
// mode, copied, converting its range, mirrored into its twin.
struct ctlPtrbObjectMgr::UnitRule {
    const char* name;
    Control unit, twin, low, high, copies;
    double freeFromRevision; // below it the unit is forced in automatic mode
    int32_t forcedMessage;
    int copiedOutsideAutomatic; // the one copy written outside automatic mode; -1 none
    int16_t ctlPtrbObjectMgr::*lastUnit;
};

const ctlPtrbObjectMgr::UnitRule ctlPtrbObjectMgr::kDifferentialUnit{
    "differential unit", appPtrbScaleInUnit, appPtrbScaleInUnit_21, appPtrbScaleIn0, appPtrbScaleIn100,
    appPtrbScaleInUnitAbgleich, 21, kMsgDpUnitMbar, -1, &ctlPtrbObjectMgr::m_lastDpUnit};
const ctlPtrbObjectMgr::UnitRule ctlPtrbObjectMgr::kStaticUnit{
    "static unit", appPtrbStaticPressureScaleInUnit, appPtrbStaticPressureScaleInUnit_21,
    appPtrbStaticPressureScaleIn0, appPtrbStaticPressureScaleIn100, appPtrbStaticPressureScaleInUnitAbgleich, 20,
    kMsgStaticUnitMbar, 1, &ctlPtrbObjectMgr::m_lastStaticUnit};

ctlPtrbObjectMgr::ctlPtrbObjectMgr(QWidget* parent) : QWidget(parent)
{
    setObjectName(QStringLiteral("ctlPtrbObjectMgr"));
    m_label = new QLabel(objectName(), this);
    connect(this, &QObject::objectNameChanged, m_label, &QLabel::setText);
    CreateControls();
    hide();
}

ctlPtrbObjectMgr::~ctlPtrbObjectMgr()
{
    UnRegister();
}

void ctlPtrbObjectMgr::CreateControls()
{
    for (int c = 0; c < kControlCount; ++c) {
        const auto control = static_cast<Control>(c);
        const ControlRow& row = kControls[control];
        for (int16_t index = 0; index < row.items.size(); ++index) {
            auto* item = new pioitems::PioAppItem(this);
            item->setObjectName(QLatin1String(row.name));
            item->SetAppItemName(row.items[index]);
            if (row.handler || row.indexedHandler)
                connect(item, &pioitems::PioAppItem::ValueChanged2, this,
                        [this, control, index](const QString& value, bool suppressRule) {
                            Dispatch(control, index, value, suppressRule);
                        });
            m_controls[control].push_back(item);
        }
    }
}

pioitems::PioAppItem* ctlPtrbObjectMgr::Item(Control control, int index) const
{
    if (control < 0 || control >= kControlCount || index < 0 || index >= Count(control))
        throw automation::ComError(automation::E_INVALIDARG_,
                                   QStringLiteral("No item control %1(%2)").arg(int(control)).arg(index), kSource);
    return m_controls[control][index];
}

// --- Registration ---------------------------------------------------------------

void ctlPtrbObjectMgr::Register(const std::shared_ptr<applet::clsAppletItemManager>& AppletItemManagerRef)
{
    if (Registered())
        return;
    auto converter = std::make_shared<clsChangeUnitValue>();
    converter->Register(AppletItemManagerRef);
    m_converter = converter;
    auto deviceInfo = std::make_shared<clsDeviceInfo>();
    deviceInfo->Register(AppletItemManagerRef);
    connect(deviceInfo.get(), &clsDeviceInfo::SoftwareRevisionChanged, this,
            &ctlPtrbObjectMgr::m_DeviceInfoEvent_SoftwareRevisionChanged);
    m_deviceInfo = deviceInfo;
    auto sender = std::make_unique<clsMessageSender>();
    sender->Register(AppletItemManagerRef);
    m_messageSender = std::move(sender);

    // Every control is bound before any handler runs: a rule run on the
    // first value of one control would otherwise read its unbound siblings
    // as 0 and clamp the range onto them.
    m_binding = true;
    m_pending.clear();
    for (const auto& elements : m_controls)
        for (pioitems::PioAppItem* item : elements)
            pioitems::ControlErrors::Run(kSource + QStringLiteral(".Register(%1)").arg(item->AppItemName()), [&] {
                if (item->Typ() == pioitems::kPioItemTyp)
                    item->Register(AppletItemManagerRef);
            });
    m_binding = false;
    RememberUnits();
    const std::vector<Pending> pending = std::move(m_pending);
    m_pending.clear();
    for (const Pending& change : pending)
        RunHandler(change.control, change.index, change.value, change.suppressRule);
    m_guard.SetRegistered(true);
}

void ctlPtrbObjectMgr::UnRegister()
{
    if (!Registered())
        return;
    for (const auto& elements : m_controls)
        for (pioitems::PioAppItem* item : elements)
            pioitems::ControlErrors::Run(kSource + QStringLiteral(".UnRegister(%1)").arg(item->AppItemName()), [&] {
                if (item->Typ() == pioitems::kPioItemTyp)
                    item->UnRegister();
            });
    m_guard.SetRegistered(false);
}

// The ranges are expressed in the units the unit items hold when they are
// bound; a change of a unit converts from there.
void ctlPtrbObjectMgr::RememberUnits()
{
    m_lastDpUnit = UnitCode(appPtrbScaleInUnit);
    m_lastStaticUnit = UnitCode(appPtrbStaticPressureScaleInUnit);
    m_lastCalUnit = UnitCode(appPtrbCalUnit);
}

void ctlPtrbObjectMgr::Dispatch(Control control, int16_t index, const QString& value, bool suppressRule)
{
    if (m_binding) {
        m_pending.push_back({control, index, value, suppressRule});
        return;
    }
    RunHandler(control, index, value, suppressRule);
}

void ctlPtrbObjectMgr::RunHandler(Control control, int16_t index, const QString& value, bool suppressRule)
{
    const ControlRow& row = kControls[control];
    if (row.handler)
        (this->*row.handler)(value, suppressRule);
    else if (row.indexedHandler)
        (this->*row.indexedHandler)(index, value, suppressRule);
}

// --- Facts of the device ----------------------------------------------------------

namespace {

IDeviceInfo& Info(const std::shared_ptr<clsDeviceInfo>& deviceInfo)
{
    if (!deviceInfo)
        throw automation::ComError(automation::E_FAIL_, QStringLiteral("The control is not registered"), kSource);
    return *deviceInfo;
}

} // namespace

bool ctlPtrbObjectMgr::Automatic()
{
    IDeviceInfo& info = Info(m_deviceInfo);
    return info.MvFunctionEnabled() && info.MvActualBlockMode() == kAutomatik;
}

double ctlPtrbObjectMgr::SoftwareRevision()
{
    double revision = 0;
    const QString text = Info(m_deviceInfo).softwareRevision();
    if (!NumberText::LeadingNumber(text, revision))
        throw automation::ComError(automation::E_INVALIDARG_,
                                   QStringLiteral("Software revision '%1' is no number").arg(text), kSource);
    return revision;
}

int32_t ctlPtrbObjectMgr::CommType()
{
    return static_cast<int32_t>(Info(m_deviceInfo).CommType());
}

// The unit the range clamps work in: that of the sensor limits on HART, the
// calibration unit on the fieldbuses.
QVariant ctlPtrbObjectMgr::WorkUnit()
{
    const Control unit = CommType() == static_cast<int32_t>(enmCommType::HART) ? appPtrbSensorLimitUnit
                                                                                : appPtrbCalUnit;
    return QVariant::fromValue(&Item(unit)->AppItem());
}

void ctlPtrbObjectMgr::Send(int32_t textId)
{
    m_messageSender->send(Module1::LoadLocalizedText(Info(m_deviceInfo).CountryCode(), textId));
}

int16_t ctlPtrbObjectMgr::UnitCode(Control control) const
{
    double number = 0;
    int16_t code = 0;
    if (NumberText::ToNumber(Item(control)->StringValue(), number) && NumberText::RoundToInt16(number, code))
        return code;
    return 0;
}

void ctlPtrbObjectMgr::CopyTo(Control array, const QString& text, int onlyIndex)
{
    for (int index = 0; index < Count(array); ++index)
        if (onlyIndex < 0 || index == onlyIndex)
            Item(array, index)->SetStringValue(text);
}

clsRuleGuard::Scope ctlPtrbObjectMgr::UserEdit(bool suppressRule, uint32_t more)
{
    return m_guard.Enter(clsRuleGuard::UserEdit | more, suppressRule, &Item(appCurrentSequence)->AppItem());
}

// --- Block mode and software revision ---------------------------------------------

void ctlPtrbObjectMgr::OnMvModeBlkActualChanged()
{
    if (Automatic()) {
        Item(appLimitPtrbLinType)
            ->SetStringValue(SoftwareRevision() >= kPrimaryElementFromRevision ? kMaskAutomaticFrom22
                                                                                : kMaskAutomaticBefore22);
        appPtrbScaleIn0_ValueChanged2(QString(), false);
        appPtrbScaleIn100_ValueChanged2(QString(), false);
        for (int16_t index = 0; index < Count(appPtrbScaleInDecimalAbgleich); ++index)
            appPtrbScaleInDecimalAbgleich_ValueChanged2(index, QString(), false);
        appPtrbStaticPressureScaleIn0_ValueChanged2(QString(), false);
        appPtrbStaticPressureScaleIn100_ValueChanged2(QString(), false);
        appPtrbScaleInUnit_ValueChanged2(QString(), false);
        appPtrbStaticPressureScaleInUnit_ValueChanged2(QString(), false);
    } else {
        Item(appLimitPtrbLinType)->SetStringValue(kMaskOtherModes);
    }
    appPtrbLinType_ValueChanged2(QString(), false);
}

void ctlPtrbObjectMgr::m_DeviceInfoEvent_SoftwareRevisionChanged()
{
    // The sender is switched off again on every way out, so a failed re-run
    // leaves no later correction reported.
    struct SwitchedOn {
        clsMessageSender* sender;
        explicit SwitchedOn(clsMessageSender* s) : sender(s) { sender->SwitchOn(); }
        ~SwitchedOn() { sender->SwitchOff(); }
        SwitchedOn(const SwitchedOn&) = delete;
        SwitchedOn& operator=(const SwitchedOn&) = delete;
    };
    if (!m_messageSender)
        return;
    try {
        SwitchedOn on(m_messageSender.get());
        OnMvModeBlkActualChanged();
    } catch (const automation::ComError& error) {
        pioitems::ControlErrors::Trace(kSource + QStringLiteral(".SoftwareRevisionChanged"), error);
    }
}

// --- Linearisation rule -----------------------------------------------------------

void ctlPtrbObjectMgr::HandleUploadCompleted()
{
    appPtrbLinType_ValueChanged2(QString(), false);
    // The unit forced in automatic mode is judged once the device's ranges
    // are in the dataset as well, so that they are converted with it.
    for (const UnitRule* rule : {&kDifferentialUnit, &kStaticUnit})
        pioitems::ControlErrors::Run(kSource + QStringLiteral(".%1 after upload").arg(QLatin1String(rule->name)), [&] {
            const int16_t forced = ForcedUnit(*rule);
            if (forced != 0 && forced != UnitCode(rule->unit))
                UnitRuleRun(*rule, false);
        });
}

void ctlPtrbObjectMgr::HandleValuesEntered()
{
    if (!Registered())
        return;
    RememberUnits();
    appPtrbLinType_ValueChanged2(QString(), false);
    for (const UnitRule* rule : {&kDifferentialUnit, &kStaticUnit}) {
        bool converts = false;
        pioitems::ControlErrors::Run(kSource + QStringLiteral(".%1 entered").arg(QLatin1String(rule->name)), [&] {
            const int16_t forced = ForcedUnit(*rule);
            converts = forced != 0 && forced != UnitCode(rule->unit);
        });
        // Not forced: the copies and the twin only, the range stays as stored.
        UnitRuleRun(*rule, !converts);
    }
    CopyTwin(appPtrbTemperatureValueUnit, appPtrbTemperatureValueUnit_21);
    for (const RangeRule* rule : {&kDifferentialRange, &kStaticRange}) {
        RangeCopies(*rule, false);
        RangeCopies(*rule, true);
    }
    for (int16_t index = 0; index < Count(appPtrbScaleInDecimalAbgleich); ++index)
        appPtrbScaleInDecimalAbgleich_ValueChanged2(index, QString(), false);
}

void ctlPtrbObjectMgr::appPtrbLinType_ValueChanged2(const QString&, bool)
{
    // A transfer takes the device's linearisation as it is: the uploaded
    // values arrive in the chain's order, so the block mode and revision the
    // rule judges by may not be the device's yet, and a type the device holds
    // legitimately would be overwritten.
    if (!Item(appCurrentSequence)->AppItem().StringValue().isEmpty())
        return;
    const auto busy = m_guard.Enter(clsRuleGuard::NotInRule);
    if (!busy)
        return;
    pioitems::ControlErrors::Run(kSource + QStringLiteral(".linearisation"), [&] {
        IDeviceInfo& info = Info(m_deviceInfo);
        pioitems::PioAppItem* linType = Item(appPtrbLinType);
        const double current = linType->UIntValue();
        const double squareRoot = info.GetPtrbLinTypeCode(enmPtrbLinType::SQUARE_ROOT);
        const double primaryElement = info.GetPtrbLinTypeCode(enmPtrbLinType::PRIMARY_ELEMENT_LINEARIZATION);
        if (Automatic()) {
            if (current == squareRoot)
                return;
            if (current == primaryElement && SoftwareRevision() >= kPrimaryElementFromRevision)
                return;
            linType->SetUIntValue(squareRoot);
            Send(kMsgSquareRooting);
        } else if (current == primaryElement) {
            linType->SetUIntValue(squareRoot);
        }
    });
}

// --- Range rules ----------------------------------------------------------------------

void ctlPtrbObjectMgr::RangeClamp(const RangeRule& rule, bool upperEnd, bool suppressRule)
{
    pioitems::ControlErrors::Run(kSource + QStringLiteral(".%1 clamp").arg(QLatin1String(rule.name)), [&] {
        const auto busy = UserEdit(suppressRule, clsRuleGuard::NotInRule);
        if (!busy)
            return;
        if (rule.lowerLimitIsZero && !upperEnd)
            Item(rule.lowerLimit)->SetFloatValue(0);
        const auto asUnit = [this](Control control) { return QVariant::fromValue(&Item(control)->AppItem()); };
        Module1::AdjustRangeWithMinSpan(*m_converter, Item(upperEnd ? rule.high : rule.low)->AppItem(),
                                        Item(upperEnd ? rule.low : rule.high)->AppItem(), asUnit(rule.unit),
                                        Item(rule.minSpan)->AppItem(), WorkUnit(), Item(rule.lowerLimit)->AppItem(),
                                        Item(rule.upperLimit)->AppItem(), asUnit(appPtrbSensorLimitUnit));
    });
}

void ctlPtrbObjectMgr::RangeCopies(const RangeRule& rule, bool upperEnd)
{
    pioitems::ControlErrors::Run(kSource + QStringLiteral(".%1 copies").arg(QLatin1String(rule.name)), [&] {
        const QString text = Item(upperEnd ? rule.high : rule.low)->StringValue();
        const Control copies = upperEnd ? rule.highCopies : rule.lowCopies;
        const bool automatic = Automatic();
        for (int index = 0; index < Count(copies); ++index)
            if (index < rule.copiedInEveryMode || automatic)
                Item(copies, index)->SetStringValue(text);
    });
}

void ctlPtrbObjectMgr::appPtrbScaleIn0_ValueChanged2(const QString&, bool suppressRule)
{
    RangeClamp(kDifferentialRange, false, suppressRule);
    RangeCopies(kDifferentialRange, false);
}

void ctlPtrbObjectMgr::appPtrbScaleIn100_ValueChanged2(const QString&, bool suppressRule)
{
    RangeClamp(kDifferentialRange, true, suppressRule);
    RangeCopies(kDifferentialRange, true);
}

void ctlPtrbObjectMgr::appPtrbStaticPressureScaleIn0_ValueChanged2(const QString&, bool suppressRule)
{
    RangeClamp(kStaticRange, false, suppressRule);
    RangeCopies(kStaticRange, false);
}

void ctlPtrbObjectMgr::appPtrbStaticPressureScaleIn100_ValueChanged2(const QString&, bool suppressRule)
{
    const auto running = m_upperStatic.Enter(clsRuleGuard::NotInRule);
    if (!running)
        return;
    RangeClamp(kStaticRange, true, suppressRule);
    // An upper static range value of 0 is never left standing.
    pioitems::ControlErrors::Run(kSource + QStringLiteral(".static range upper end"), [&] {
        pioitems::PioAppItem* upper = Item(appPtrbStaticPressureScaleIn100);
        if (upper->FloatValue() == 0.0f)
            upper->SetStringValue(NumberText::Plain(0.1));
    });
    RangeCopies(kStaticRange, true);
}

// --- Unit rules -------------------------------------------------------------------------

void ctlPtrbObjectMgr::UnitRuleRun(const UnitRule& rule, bool suppressRule)
{
    const QString context = kSource + QStringLiteral(".%1").arg(QLatin1String(rule.name));
    {
        const auto busy = m_guard.Enter(clsRuleGuard::NotInRule);
        if (!busy)
            return;
        pioitems::ControlErrors::Run(context + QStringLiteral(" force"), [&] {
            // A transfer brings a unit before the range values it governs:
            // forcing it then would relabel the device's numbers instead of
            // converting them. The end of an upload forces it instead.
            if (!Item(appCurrentSequence)->AppItem().StringValue().isEmpty())
                return;
            const int16_t forced = ForcedUnit(rule);
            if (forced == 0)
                return;
            Item(rule.unit)->SetStringValue(QString::number(forced));
            Send(rule.forcedMessage);
        });
        pioitems::ControlErrors::Run(context + QStringLiteral(" copies"), [&] {
            const QString text = Item(rule.unit)->StringValue();
            if (Automatic())
                CopyTo(rule.copies, text);
            else if (rule.copiedOutsideAutomatic >= 0)
                CopyTo(rule.copies, text, rule.copiedOutsideAutomatic);
        });
        pioitems::ControlErrors::Run(context + QStringLiteral(" conversion"), [&] {
            const auto edit = UserEdit(suppressRule && m_twinEdit != &rule);
            if (!edit)
                return;
            const int16_t from = this->*rule.lastUnit;
            const int16_t to = UnitCode(rule.unit);
            if (from == 0 || to == 0) {
                applet::AppletTrace::Info(QStringLiteral("%1: range not converted, unit %2 to %3 unknown")
                                              .arg(context)
                                              .arg(from)
                                              .arg(to));
                return;
            }
            for (const Control end : {rule.low, rule.high}) {
                double value = 0;
                pioitems::PioAppItem* item = Item(end);
                if (!NumberText::LeadingNumber(item->StringValue(), value))
                    throw automation::ComError(automation::E_INVALIDARG_,
                                               QStringLiteral("%1 is no number").arg(item->AppItemName()), context);
                item->SetStringValue(NumberText::Plain(m_converter->ChangeUnitValue(value, from, to)));
            }
        });
        pioitems::ControlErrors::Run(context + QStringLiteral(" twin"), [&] {
            Item(rule.twin)->SetStringValue(Item(rule.unit)->StringValue());
        });
    }
    pioitems::ControlErrors::Run(context + QStringLiteral(" remember"),
                                 [&] { this->*rule.lastUnit = UnitCode(rule.unit); });
}

int16_t ctlPtrbObjectMgr::ForcedUnit(const UnitRule& rule)
{
    if (!Automatic() || SoftwareRevision() >= rule.freeFromRevision)
        return 0;
    return Module1::GetUnitCode(CommType(), kMbar);
}

void ctlPtrbObjectMgr::appPtrbScaleInUnit_ValueChanged2(const QString&, bool suppressRule)
{
    UnitRuleRun(kDifferentialUnit, suppressRule);
}

void ctlPtrbObjectMgr::appPtrbStaticPressureScaleInUnit_ValueChanged2(const QString&, bool suppressRule)
{
    UnitRuleRun(kStaticUnit, suppressRule);
}

void ctlPtrbObjectMgr::appPtrbCalUnit_ValueChanged2(const QString&, bool suppressRule)
{
    const QString context = kSource + QStringLiteral(".calibration unit");
    pioitems::ControlErrors::Run(context, [&] {
        const auto edit = UserEdit(suppressRule);
        if (!edit || CommType() != static_cast<int32_t>(enmCommType::PROFIBUS))
            return;
        const int16_t to = UnitCode(appPtrbCalUnit);
        if (m_lastCalUnit == 0 || to == 0) {
            applet::AppletTrace::Info(QStringLiteral("%1: minimum span not converted, unit %2 to %3 unknown")
                                          .arg(context)
                                          .arg(m_lastCalUnit)
                                          .arg(to));
            return;
        }
        pioitems::PioAppItem* minSpan = Item(appPtrbStaticPressureMinSpan);
        double value = 0;
        if (!NumberText::LeadingNumber(minSpan->StringValue(), value))
            throw automation::ComError(automation::E_INVALIDARG_, QStringLiteral("minimum span is no number"), context);
        minSpan->SetStringValue(NumberText::Plain(m_converter->ChangeUnitValue(value, m_lastCalUnit, to)));
    });
    pioitems::ControlErrors::Run(context, [&] { m_lastCalUnit = UnitCode(appPtrbCalUnit); });
}

// --- Twins ----------------------------------------------------------------------------------

void ctlPtrbObjectMgr::CopyTwin(Control from, Control to)
{
    pioitems::ControlErrors::Run(kSource + QStringLiteral(".twin"),
                                 [&] { Item(to)->SetStringValue(Item(from)->StringValue()); });
}

// A page of a newer device offers the unit through its twin: the user's
// choice there is a choice of the unit, so the unit rule that the copy runs
// converts the range as for an edit of the unit itself. The values the twins
// hand on while they are bound are no choice.
void ctlPtrbObjectMgr::TwinEdited(const UnitRule& rule, bool suppressRule)
{
    if (m_guard.InRule())
        return;
    const bool chosen = !suppressRule && m_guard.IsRegistered();
    const UnitRule* const outer = std::exchange(m_twinEdit, chosen ? &rule : nullptr);
    CopyTwin(rule.twin, rule.unit);
    m_twinEdit = outer;
}

void ctlPtrbObjectMgr::appPtrbScaleInUnit_21_ValueChanged2(const QString&, bool suppressRule)
{
    TwinEdited(kDifferentialUnit, suppressRule);
}

void ctlPtrbObjectMgr::appPtrbStaticPressureScaleInUnit_21_ValueChanged2(const QString&, bool suppressRule)
{
    TwinEdited(kStaticUnit, suppressRule);
}

void ctlPtrbObjectMgr::appPtrbTemperatureValueUnit_21_ValueChanged2(const QString&, bool)
{
    if (!m_guard.InRule())
        CopyTwin(appPtrbTemperatureValueUnit_21, appPtrbTemperatureValueUnit);
}

void ctlPtrbObjectMgr::appPtrbTemperatureValueUnit_ValueChanged2(const QString&, bool)
{
    const auto busy = m_guard.Enter(0);
    CopyTwin(appPtrbTemperatureValueUnit, appPtrbTemperatureValueUnit_21);
}

// --- Decimal places ---------------------------------------------------------------------------

void ctlPtrbObjectMgr::appPtrbScaleInDecimalAbgleich_ValueChanged2(int16_t Index, const QString&, bool)
{
    pioitems::PioAppItem* decimals = Item(appPtrbScaleInDecimalAbgleich, Index);
    const auto busy = m_guard.Enter(clsRuleGuard::Registered | clsRuleGuard::NotInRule);
    if (!busy || !Automatic())
        return;
    decimals->SetStringValue(QStringLiteral("0"));
}
