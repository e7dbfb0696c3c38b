#include "dalvex/ctlDisplaySetting.h"
#include "dalvex/DesignedItemControl.h"
#include "dalvex/LoadCountryText.h"
#include "mvtrivexhelper/HelperErrors.h"
#include "mvtrivexhelper/NumberText.h"
#include "mvtrivexhelper/clsDeviceInfo.h"
#include "mvtrivexhelper/clsGetDecimalPlaces.h"
#include "pioextensions/IPioForm.h"
#include "pioitems/ControlErrors.h"
#include "pioitems/PioAppItem.h"
#include "platform/applet/AppletTrace.h"
#include "platform/automation/ComError.h"
#include "platform/controls/DisplayProtocol.h"
#include "platform/loop/EventLoop.h"
#include <QComboBox>
#include <QLabel>
#include <QLocale>
#include <QMdiSubWindow>
#include <QSignalBlocker>
#include <cmath>
#include <functional>
#include <vector>

namespace {

const QString kSource = QStringLiteral("ctlDisplaySetting");

using Ctl = ctlDisplaySetting::Ctl;

// The item controls and the items they bind.
constexpr int16_t kDefaultDecimalPlaces = -1; // the control's own default
struct Binding {
    Ctl control;
    std::vector<const char*> items; // one per element of the control array
    bool registerOnShadow;
    int16_t decimalPlaces;
};
const Binding kBindings[] = {
    {Ctl::appValueLimits,
     {"ptrbScaleIn0", "ptrbScaleIn100", "ptrbStaticPressureScaleIn0", "ptrbStaticPressureScaleIn100",
      "aiDPOutScale0", "aiDPOutScale100", "aiPOutScale0", "aiPOutScale100", "pidOutScale0", "pidOutScale100",
      "mvOutVolFlowMaxValue", "mvOutMassFlowMaxValue", "ptrbTemperatureLoLim", "ptrbTemperatureHiLim",
      "ttrbPrimaryValueRange0", "ttrbPrimaryValueRange100", "aiTOutScale0", "aiTOutScale100"},
     true, kDefaultDecimalPlaces},
    {Ctl::appMvDefaultInpSel, {"mvDefaultInpSel"}, false, kDefaultDecimalPlaces},
    {Ctl::appCountryCode, {"&&private&&CountryCode"}, false, 0},
    {Ctl::appUserlevel, {"&&private&&UserLevel"}, false, 0},
    {Ctl::appPtrbScaleInUnit, {"ptrbScaleInUnit"}, true, kDefaultDecimalPlaces},
    {Ctl::appPtrbStaticPressureScaleInUnit, {"ptrbStaticPressureScaleInUnit"}, true, kDefaultDecimalPlaces},
    {Ctl::appPtrbSensorLimit, {"ptrbLowerSensorLimit", "ptrbUpperSensorLimit"}, true, kDefaultDecimalPlaces},
    {Ctl::appPtrbSensorLimitUnit, {"ptrbSensorLimitUnit"}, true, kDefaultDecimalPlaces},
    {Ctl::appPtrbStaticPressureLimit, {"ptrbStaticPressureLoLim", "ptrbStaticPressureHiLim"}, true,
     kDefaultDecimalPlaces},
    {Ctl::appMvModeBlkActual, {"mvModeBlkActual"}, false, kDefaultDecimalPlaces},
};

const char* const kSuffix21 = "_21";
// Revisions above this one name their items with kSuffix21 (HART only).
constexpr double kLastRevisionWithoutSuffix = 20;
// The bit of "mvDefaultInpSel" that selects the temperature default as input.
constexpr uint32_t kDefaultTemperatureInputBit = 4;
constexpr int16_t kMaxDigits = 8;
constexpr float kLargeStepsPerScale = 10;
constexpr float kSmallStepsPerLargeStep = 5;
constexpr int32_t kBlockModeAutomatic = static_cast<int32_t>(enmBlockMode::AUTOMATIK);

// When a line is offered.
enum class Offer { Always, DifferentialModule, MvFunction, FieldbusDifferential, Flow, Pid };
// Whether unit and value item names take the revision suffix.
enum class Suffix { Yes, No, WithPlainValue };
// How the decimal places are derived: from the span of the limits, fixed 1,
// or from the upper limit alone.
enum class Decimals { Span, One, Max };
// A lower limit that is not an item: the scale starts at "0".
constexpr int kMinIsZero = -1;

QLocale UserLocale()
{
    QLocale locale;
    locale.setNumberOptions(QLocale::OmitGroupSeparator);
    return locale;
}

// A single as text in the user's locale, as many digits as a single holds.
QString SingleText(float value)
{
    return UserLocale().toString(static_cast<double>(value), 'g', 7);
}

// A number in the user's locale (or plain) as a single; 0 for no number.
float SingleOf(const QString& text)
{
    bool ok = false;
    const float value = UserLocale().toFloat(text.trimmed(), &ok);
    if (ok)
        return value;
    double plain = 0;
    return NumberText::ToNumber(text, plain) ? static_cast<float>(plain) : 0.0f;
}

// The number at the start of an item's text; 0 when it starts with none.
double LeadingValue(const QString& text)
{
    double value = 0;
    return NumberText::LeadingNumber(text, value) ? value : 0;
}

} // namespace

// One line of the selector: when it is offered, its text (by module type),
// the appValueLimits indices of its scale ends, its unit and value items and
// their revision rule, its decimal places, and its limit items.
struct ctlDisplaySetting::EntryRow {
    const char* kind;
    Offer when;
    int16_t textDifferential; // text id when ModuleType is 1
    int16_t textOther;        // text id otherwise
    int upper;
    int lower;
    const char* unit;
    const char* value;
    const char* valueOnDefaultInput; // value item while the default-input bit is set; none: value
    Suffix suffix;
    Decimals decimals;
    const char* hiLim;
    const char* hiHiLim;
    const char* loLim;
    const char* loLoLim;
};

const ctlDisplaySetting::EntryRow ctlDisplaySetting::kEntryRows[] = {
    {"pressure", Offer::Always, 2218, 2219, 1, 0, "ptrbScaleInUnit", "ptrbSecondaryValue1", nullptr, Suffix::Yes,
     Decimals::Span, "", "", "", ""},
    {"static pressure", Offer::DifferentialModule, 2068, 2068, 3, 2, "ptrbStaticPressureScaleInUnit",
     "ptrbStaticPressureValue", nullptr, Suffix::Yes, Decimals::Span, "", "", "", ""},
    {"sensor temperature", Offer::Always, 2069, 2069, 13, 12, "ptrbTemperatureValueUnit", "ptrbTemperatureValue",
     nullptr, Suffix::Yes, Decimals::One, "", "", "", ""},
    {"temperature", Offer::MvFunction, 2071, 2071, 15, 14, "ttrbPrimaryValueUnit", "ttrbPrimaryValue",
     "mvInTDefault", Suffix::WithPlainValue, Decimals::One, "", "", "", ""},
    {"output differential pressure", Offer::Always, 2070, 2222, 5, 4, "aiDPOutScaleUnit", "aiDPoutValue", nullptr,
     Suffix::No, Decimals::Span, "aiDPHiLim", "aiDPHiHiLim", "aiDPLoLim", "aiDPLoLoLim"},
    {"output static pressure", Offer::FieldbusDifferential, 2221, 2221, 7, 6, "aiPOutScaleUnit", "aiPoutValue",
     nullptr, Suffix::No, Decimals::Span, "aiPHiLim", "aiPHiHiLim", "aiPLoLim", "aiPLoLoLim"},
    {"output temperature", Offer::MvFunction, 2223, 2223, 17, 16, "aiTOutScaleUnit", "aiTOutValue", nullptr,
     Suffix::No, Decimals::One, "aiTHiLim", "aiTHiHiLim", "aiTLoLim", "aiTLoLoLim"},
    {"volume flow", Offer::Flow, 2165, 2165, 10, kMinIsZero, "mvOutVolFlowUnit", "mvOutVolFlowValue", nullptr,
     Suffix::No, Decimals::Max, "", "", "", ""},
    {"mass flow", Offer::Flow, 2164, 2164, 11, kMinIsZero, "mvOutMassFlowUnit", "mvOutMassFlowValue", nullptr,
     Suffix::No, Decimals::Max, "", "", "", ""},
    {"controller output", Offer::Pid, 2074, 2074, 9, 8, "pidOutScaleUnit", "pidOutValue", nullptr, Suffix::No,
     Decimals::Span, "", "", "", ""},
};

// What Init asks of the device variant, read once per Init.
struct ctlDisplaySetting::Variant {
    int32_t countryCode = 1;
    bool hart = true;
    bool differential = false;
    bool mvFunction = false;
    bool pid = false;
    bool flow = false;
    bool revision21 = false;
    bool defaultTemperatureInput = false;

    bool Offers(Offer when) const
    {
        switch (when) {
        case Offer::Always:
            return true;
        case Offer::DifferentialModule:
            return differential;
        case Offer::MvFunction:
            return mvFunction;
        case Offer::FieldbusDifferential:
            return !hart && differential;
        case Offer::Flow:
            return flow;
        case Offer::Pid:
            return pid;
        }
        return false;
    }
};

ctlDisplaySetting::ctlDisplaySetting(QWidget* parent)
    : QWidget(parent), m_label1(new QLabel(this)),
      m_lastDecimalPlaces(std::size(kEntryRows), kFirstDecimalPlaces)
{
    // Every row may be offered at once: the entry table holds them all.
    static_assert(std::size(kEntryRows) == kEntryCount);
    m_label1->setText(objectName());
    connect(this, &QObject::objectNameChanged, m_label1, &QLabel::setText);
    CreateItemControls();
}

ctlDisplaySetting::~ctlDisplaySetting()
{
    UnRegister();
}

void ctlDisplaySetting::CreateItemControls()
{
    static const char* const kNames[] = {"appValueLimits", "appMvDefaultInpSel", "appCountryCode", "appUserlevel",
                                         "appPtrbScaleInUnit", "appPtrbStaticPressureScaleInUnit",
                                         "appPtrbSensorLimit", "appPtrbSensorLimitUnit",
                                         "appPtrbStaticPressureLimit", "appMvModeBlkActual"};
    static_assert(std::size(kNames) == kCtlCount);
    for (const Binding& binding : kBindings) {
        auto& elements = m_controls[binding.control];
        for (size_t i = 0; i < binding.items.size(); ++i) {
            QString name = QLatin1String(kNames[binding.control]);
            if (binding.items.size() > 1)
                name += QStringLiteral("(%1)").arg(i);
            elements.push_back(dalvex::CreateDesignedItemControl(
                this, name, {binding.items[i], binding.registerOnShadow, binding.decimalPlaces}));
        }
    }
    m_lastValueLimits.assign(m_controls[appValueLimits].size(), QString());
    for (size_t i = 0; i < m_controls[appValueLimits].size(); ++i)
        connect(m_controls[appValueLimits][i], &pioitems::PioAppItem::ValueChanged, this,
                [this, i](const QString& value) { OnValueLimitChanged(static_cast<int>(i), value); });
    connect(m_controls[appMvDefaultInpSel][0], &pioitems::PioAppItem::ValueChanged, this, [this] {
        if (m_registered)
            ReInit(QStringLiteral("mvDefaultInpSel"));
    });
}

pioitems::PioAppItem* ctlDisplaySetting::ItemControl(Ctl control, int index) const
{
    return m_controls.at(control).at(static_cast<size_t>(index));
}

std::shared_ptr<IDeviceInfo> ctlDisplaySetting::CreateDeviceInfo()
{
    return std::make_shared<clsDeviceInfo>();
}

QString ctlDisplaySetting::Context(const char* member) const
{
    return kSource + QLatin1Char('.') + QLatin1String(member);
}

bool ctlDisplaySetting::HasRevision21Names()
{
    return m_deviceInfo->CommType() == enmCommType::HART
           && LeadingValue(m_deviceInfo->softwareRevision()) > kLastRevisionWithoutSuffix;
}

void ctlDisplaySetting::Register(const std::shared_ptr<applet::clsAppletItemManager>& AppletItemManagerRef)
{
    if (m_registered)
        return;
    m_manager = AppletItemManagerRef;
    std::shared_ptr<IDeviceInfo> deviceInfo = CreateDeviceInfo();
    deviceInfo->Register(m_manager);
    m_deviceInfo = deviceInfo;
    // The range units of later revisions are items of their own. The names
    // are built from the base names, so a second registration does not
    // suffix them twice and follows a revision that changed meanwhile.
    const bool revision21 = HasRevision21Names();
    for (const Ctl control : {appPtrbScaleInUnit, appPtrbStaticPressureScaleInUnit})
        for (const Binding& binding : kBindings)
            if (binding.control == control)
                ItemControl(control)->SetAppItemName(QLatin1String(binding.items[0])
                                                     + (revision21 ? QLatin1String(kSuffix21) : QLatin1String()));
    for (const auto& elements : m_controls)
        for (pioitems::PioAppItem* control : elements)
            pioitems::ControlErrors::Run(Context("Register") + QLatin1Char('(') + control->AppItemName()
                                             + QLatin1Char(')'),
                                         [&] { control->Register(m_manager); });
    m_registered = true;
}

void ctlDisplaySetting::UnRegister()
{
    if (!m_registered)
        return;
    for (const auto& elements : m_controls)
        for (pioitems::PioAppItem* control : elements)
            pioitems::ControlErrors::Run(Context("UnRegister"), [&] { control->UnRegister(); });
    m_registered = false;
}

void ctlDisplaySetting::Init(QObject* displayCtrl, QComboBox* cmbMeasValue)
{
    const QString source = Context("Init");
    if (!m_deviceInfo)
        HelperErrors::Raise(HelperErrors::kObjectNotSet, QStringLiteral("The control is not registered"), source);
    if (!cmbMeasValue)
        HelperErrors::Raise(HelperErrors::kObjectNotSet, QStringLiteral("No measured-value selector"), source);
    m_displayCtrl = displayCtrl;
    m_cmbMeasValue = cmbMeasValue;
    m_decimalPlaces = std::make_unique<clsGetDecimalPlaces>();

    const int remembered = cmbMeasValue->currentIndex();
    {
        // The lines are filled quietly; only restoring the selection below
        // tells the window. A combo box selects its first line by itself.
        const QSignalBlocker quiet(cmbMeasValue);
        cmbMeasValue->clear();
        m_entries = {};
        m_entryCount = 0;
        struct NoSelection {
            QComboBox* box;
            ~NoSelection() { box->setCurrentIndex(-1); }
        } noSelection{cmbMeasValue};

        Variant variant;
        variant.countryCode = m_deviceInfo->CountryCode();
        variant.hart = m_deviceInfo->CommType() == enmCommType::HART;
        variant.differential = m_deviceInfo->ModuleType() == enmModuleType::DIFFERENTIAL_PRESSURE;
        variant.mvFunction = m_deviceInfo->MvFunctionEnabled();
        variant.pid = m_deviceInfo->PidEnabled();
        variant.flow = variant.mvFunction && variant.differential
                       && m_deviceInfo->MvActualBlockMode() == kBlockModeAutomatic;
        variant.revision21 = HasRevision21Names();
        int32_t inputSelection = 0;
        NumberText::RoundToInt32(ItemControl(appMvDefaultInpSel)->UIntValue(), inputSelection);
        variant.defaultTemperatureInput = (static_cast<uint32_t>(inputSelection) & kDefaultTemperatureInputBit) != 0;

        for (size_t row = 0; row < std::size(kEntryRows); ++row)
            if (variant.Offers(kEntryRows[row].when))
                AddEntry(kEntryRows[row], row, variant);
    }
    RestoreSelection(remembered);
}

void ctlDisplaySetting::AddEntry(const EntryRow& row, size_t rowIndex, const Variant& variant)
{
    Entry& entry = m_entries[static_cast<size_t>(m_entryCount++)];
    m_cmbMeasValue->addItem(
        dalvex::LoadCountryText(variant.countryCode, variant.differential ? row.textDifferential : row.textOther));

    entry.MaxDigits = kMaxDigits;
    entry.Max = SingleText(ItemControl(appValueLimits, row.upper)->FloatValue());
    entry.Min = row.lower == kMinIsZero ? QStringLiteral("0")
                                        : SingleText(ItemControl(appValueLimits, row.lower)->FloatValue());
    entry.LargeStep = (SingleOf(entry.Max) - SingleOf(entry.Min)) / kLargeStepsPerScale;
    entry.SmallStep = entry.LargeStep / kSmallStepsPerLargeStep;
    entry.HiLim = QLatin1String(row.hiLim);
    entry.HiHiLim = QLatin1String(row.hiHiLim);
    entry.LoLim = QLatin1String(row.loLim);
    entry.LoLoLim = QLatin1String(row.loLoLim);
    entry.DecimalPlaces = DecimalPlacesOf(row, rowIndex);

    const bool defaultInput = row.valueOnDefaultInput && variant.defaultTemperatureInput;
    entry.Unit = QLatin1String(row.unit);
    entry.Value = QLatin1String(defaultInput ? row.valueOnDefaultInput : row.value);
    const bool suffixed = row.suffix == Suffix::Yes || (row.suffix == Suffix::WithPlainValue && !defaultInput);
    if (suffixed && variant.revision21) {
        entry.Unit += QLatin1String(kSuffix21);
        entry.Value += QLatin1String(kSuffix21);
    }
}

int16_t ctlDisplaySetting::DecimalPlacesOf(const EntryRow& row, size_t rowIndex)
{
    if (row.decimals == Decimals::One)
        return 1;
    double span = LeadingValue(ItemControl(appValueLimits, row.upper)->StringValue());
    if (row.decimals == Decimals::Span)
        span -= LeadingValue(ItemControl(appValueLimits, row.lower)->StringValue());
    // Limits that span nothing (both still unread, say) tell nothing about
    // the format: the line keeps the one it had.
    if (span == 0) {
        applet::AppletTrace::Info(QStringLiteral("%1: the limits of %2 span nothing; %3 decimal places kept")
                                      .arg(Context("Init"), QLatin1String(row.kind))
                                      .arg(m_lastDecimalPlaces[rowIndex]));
        return m_lastDecimalPlaces[rowIndex];
    }
    m_lastDecimalPlaces[rowIndex] = m_decimalPlaces->GetDecimalPlaces(span);
    return m_lastDecimalPlaces[rowIndex];
}

void ctlDisplaySetting::RestoreSelection(int remembered)
{
    const int count = m_cmbMeasValue->count();
    // A selector that had no selection yet shows the first value, so the
    // display is bound from the start.
    const int line = remembered < 0 ? 0 : remembered;
    if (count == 0)
        return;
    if (line >= count) {
        applet::AppletTrace::Info(QStringLiteral("%1: line %2 is no longer offered (%3 lines); the window closes")
                                      .arg(Context("Init"))
                                      .arg(line + 1)
                                      .arg(count));
        CloseCarryingWindow();
        return;
    }
    pioitems::ControlErrors::Run(Context("Init") + QStringLiteral(".ListIndex"),
                                 [&] { m_cmbMeasValue->setCurrentIndex(line); });
}

void ctlDisplaySetting::CloseCarryingWindow()
{
    // The window is the nearest form above the control (a page, when it is
    // one) with its MDI frame; it closes once the current notification is over.
    QWidget* window = nullptr;
    for (QWidget* above = parentWidget(); above; above = above->parentWidget())
        if (dynamic_cast<IPioForm*>(above) || above->isWindow()) {
            window = above;
            break;
        }
    if (!window)
        return;
    if (auto* frame = qobject_cast<QMdiSubWindow*>(window->parentWidget()))
        window = frame;
    const QPointer<QWidget> target(window);
    loop::PostToLoop([target] {
        if (target)
            target->close();
    }, loop::LoopGuard(window));
}

void ctlDisplaySetting::OnValueLimitChanged(int index, const QString& value)
{
    if (!m_registered)
        return;
    QString& last = m_lastValueLimits[static_cast<size_t>(index)];
    if (value == last)
        return;
    last = value;
    ReInit(ItemControl(appValueLimits, index)->AppItemName());
}

void ctlDisplaySetting::ReInit(const QString& reason)
{
    if (!m_cmbMeasValue)
        return; // not initialised yet: nothing to rebuild
    pioitems::ControlErrors::Run(Context("Init") + QStringLiteral(" after ") + reason,
                                 [&] { Init(m_displayCtrl, m_cmbMeasValue); });
}

void ctlDisplaySetting::ChangeDisplayedValue()
{
    using Protocol = controls::DisplayProtocol;
    const QString context = Context("ChangeDisplayedValue");
    QComboBox* selector = m_cmbMeasValue;
    auto* display = dynamic_cast<Protocol*>(m_displayCtrl.data());
    if (!display || !selector) {
        applet::AppletTrace::Error(QStringLiteral("%1: %2").arg(
            context, selector ? QStringLiteral("the display takes no display protocol")
                              : QStringLiteral("no display or selector (Init not run)")));
        return;
    }
    // Each step on its own: what the display refuses it has traced; the
    // next step goes on.
    const auto step = [&](const QString& what, const std::function<void()>& call) {
        try {
            call();
            return true;
        } catch (const automation::ComError& error) {
            applet::AppletTrace::Info(
                QStringLiteral("%1: %2 skipped: %3").arg(context, what, error.description()));
        } catch (const std::exception& error) {
            applet::AppletTrace::Error(
                QStringLiteral("%1: %2 failed: %3").arg(context, what, QString::fromLocal8Bit(error.what())));
        }
        return false;
    };
    const bool unregistered = step(QStringLiteral("UnRegister"), [&] { display->UnRegister(); });
    bool inArray = false;
    const int channel = selector->property(kControlArrayIndex).toInt(&inArray);
    const int line = selector->currentIndex();
    if (line >= 0 && line < m_entryCount) {
        const Entry& entry = m_entries[static_cast<size_t>(line)];
        using Setting = std::pair<const char*, QVariant>;
        if (!unregistered || !inArray) {
            const Setting plain[] = {
                {"ObjectNameMin", entry.Min},         {"ObjectNameMax", entry.Max},
                {"ObjectNameLoLim", entry.LoLim},     {"ObjectNameHiLim", entry.HiLim},
                {"ObjectNameLoLoLim", entry.LoLoLim}, {"ObjectNameHiHiLim", entry.HiHiLim},
                {"LargeStep", entry.LargeStep},       {"SmallStep", entry.SmallStep},
                {"ObjectNameUnit", entry.Unit},       {"ObjectNameValue", entry.Value},
                {"MaxDigits", entry.MaxDigits},       {"DecimalPlaces", entry.DecimalPlaces},
            };
            for (const auto& [name, value] : plain)
                step(QLatin1String(name), [&, name = name, &value = value] { display->SetDisplayProperty(QLatin1String(name), value); });
        } else {
            const Setting indexed[] = {
                {"ObjectNameMin", entry.Min},
                {"ObjectNameMax", entry.Max},
                {"ObjectNameUnit", entry.Unit},
                {"ObjectNameValue", entry.Value},
                {"objectcaption", selector->currentText()},
            };
            for (const auto& [name, value] : indexed)
                step(QStringLiteral("%1(%2)").arg(QLatin1String(name)).arg(channel),
                     [&, name = name, &value = value] { display->SetDisplayProperty(QLatin1String(name), channel, value); });
        }
    } else {
        applet::AppletTrace::Info(QStringLiteral("%1: no line selected; the display keeps its items").arg(context));
    }
    // The display takes the values of the user level and the country code.
    const auto valueOf = [](pioitems::PioAppItem* item) {
        return item->IsRegistered() ? QVariant(item->StringValue()) : QVariant();
    };
    step(QStringLiteral("Register"), [&] {
        display->Register(m_manager, valueOf(ItemControl(appUserlevel)), valueOf(ItemControl(appCountryCode)));
    });
}
