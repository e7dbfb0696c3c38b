#include "merrow/pages/frmBasicParameter.h"
#include "merrow/pages/PageControls.h"
#include "merrow/shell/PageTabs.h"
#include "merrow/shell/global.h"
#include "mvtrivexhelper/IDeviceInfo.h"
#include "mvtrivexhelper/clsDebugInfo.h"
#include "pioitems/Ambient.h"
#include "pioitems/PioAppItem.h"
#include "platform/applet/AppletTrace.h"
#include "platform/applet/UserDate.h"
#include "platform/controls/PioFieldControl.h"
#include "platform/dialogs/DialogService.h"
#include <QDate>
#include <QGroupBox>
#include <QLineEdit>
#include <QVBoxLayout>
#include <exception>

using namespace pagecontrols;

namespace {

constexpr int kModbusDeviceType = 139;
const QString kTemperatureUnit = QStringLiteral("cmbTemperatureValueUnit");
const QString kDateField = QStringLiteral("PioLabelTextUnit1(0)");
// "The date "%1" cannot be taken: enter a date as %2, for example %3."
constexpr int16_t kDateRefusedText = 3990;

// Where a control stands: the tab's frame and, within it, a titled frame (0: none).
struct Place {
    int tab;
    int16_t frameTextId;
    const char* frameName;
};
constexpr Place kGeneral = {0, 0, nullptr};
constexpr Place kAlarmCurrent = {1, 2028, "fraAlarmstrom"};
constexpr Place kCurrentLimits = {1, 2252, "fraStromgrenzen"};
constexpr Place kSensor = {2, 2029, "frame1(100)"};
constexpr Place kRemoteSeal = {3, 2030, "frame1(2)"};

// Every control of the page, where it stands.
struct PlacedField {
    const Place* place;
    FieldRow field;
};
constexpr PlacedField kFields[] = {
    {&kGeneral, {"PioLabelTextUnit1(0)", FieldKind::Text, "pbDeviceInstalDate", 2023, nullptr, nullptr, false}},
    {&kGeneral, {"cmbTemperatureValueUnit", FieldKind::Combo, "ptrbTemperatureValueUnit", 2021, nullptr, nullptr, false}},
    {&kGeneral, {"PioLabelComboUnit1(1)", FieldKind::Combo, "pbLocalOpEna", 2022, nullptr, nullptr, false}},
    {&kGeneral, {"cmbPioAnzeigewert", FieldKind::Combo, "pbMeterOption", 2024, nullptr, nullptr, false}},
    {&kGeneral, {"PioLabelComboUnit1(4)", FieldKind::Combo, "pbWriteLock", 2063, nullptr, nullptr, false}},
    // The flow block's target mode: the actual mode only reports what the block does.
    {&kGeneral, {"cmbDurchflussmessung", FieldKind::Combo, "mvModeBlkTarget", 2569, nullptr, nullptr, false}},
    {&kAlarmCurrent, {"PioLabelComboUnit1(3)", FieldKind::Combo, "alarmSelectCodeCurr", 2025, nullptr, nullptr, false}},
    {&kAlarmCurrent, {"PioLabelTextUnit1(1)", FieldKind::Text, "lowAlarmCurr", 2026, "mA", nullptr, false}},
    {&kAlarmCurrent, {"PioLabelTextUnit1(2)", FieldKind::Text, "highAlarmCurr", 2027, "mA", nullptr, false}},
    {&kCurrentLimits, {"PioLabelTextUnit1(3)", FieldKind::Text, "minOutputCurr", 2253, "mA", nullptr, false}},
    {&kCurrentLimits, {"PioLabelTextUnit1(4)", FieldKind::Text, "maxOutputCurr", 2254, "mA", nullptr, false}},
    {&kSensor, {"PioCombo1(0)", FieldKind::Combo, "ptrbProcessConnectionMaterial", 2031, nullptr, nullptr, false}},
    {&kSensor, {"PioCombo1(1)", FieldKind::Combo, "ptrbProcessConnectionType", 2032, nullptr, nullptr, false}},
    {&kSensor, {"PioCombo1(2)", FieldKind::Combo, "ptrbProcessConnectionORingMaterial", 2033, nullptr, nullptr, false}},
    {&kSensor, {"PioCombo1(3)", FieldKind::Combo, "ptrbDrainVentPlugMaterial", 2034, nullptr, nullptr, false}},
    {&kSensor, {"PioLabelTextUnit2(0)", FieldKind::Text, "ptrbLowerSensorLimit", 2235, nullptr, "ptrbSensorLimitUnit", true}},
    {&kSensor, {"PioLabelTextUnit2(1)", FieldKind::Text, "ptrbUpperSensorLimit", 2236, nullptr, "ptrbSensorLimitUnit", true}},
    {&kSensor, {"PioLabelTextUnit2(2)", FieldKind::Text, "ptrbRatedPressure", 2575, nullptr, nullptr, true}},
    {&kSensor, {"PioLabelTextUnit3(4)", FieldKind::Text, "ptrbSensorIsolatorMtl", 2037, nullptr, nullptr, true}},
    {&kSensor, {"PioLabelTextUnit3(5)", FieldKind::Text, "ptrbSensorFillFluid", 2038, nullptr, nullptr, true}},
    {&kRemoteSeal, {"PioLabelTextUnit3(0)", FieldKind::Text, "ptrbNumberRemoteSeal", 2035, nullptr, nullptr, true}},
    {&kRemoteSeal, {"PioLabelTextUnit3(1)", FieldKind::Text, "ptrbRemoteSealType", 2036, nullptr, nullptr, true}},
    {&kRemoteSeal, {"PioLabelTextUnit3(2)", FieldKind::Text, "ptrbRemoteSealIsolatorMtl", 2037, nullptr, nullptr, true}},
    {&kRemoteSeal, {"PioLabelTextUnit3(3)", FieldKind::Text, "ptrbRemoteSealFillFluid", 2038, nullptr, nullptr, true}},
};

// The tabs: key, caption text id.
struct Tab {
    const char* key;
    int16_t textId;
};
constexpr Tab kTabs[] = {{"0t", 2039}, {"1t", 2557}, {"2t", 2040}, {"3t", 2030}};

template <class Step>
void Try(const char* what, Step step)
{
    try {
        step();
    } catch (const std::exception& error) {
        applet::AppletTrace::Error(
            QStringLiteral("frmBasicParameter.%1: %2").arg(QLatin1String(what), QString::fromLocal8Bit(error.what())));
    }
}

} // namespace

frmBasicParameter::frmBasicParameter() : PioPage(QStringLiteral("frmBasicParameter"), false, false)
{
    setProperty("Tag", QStringLiteral("2041"));
    setWindowTitle(QStringLiteral("Basic Parameters"));
    auto* layout = new QVBoxLayout(this);
    PageTabs* tabs = CreateTabs();
    layout->addWidget(tabs);

    QList<QVBoxLayout*> columns;
    for (const Tab& tab : kTabs) {
        auto* frame = new QWidget;
        columns.append(new QVBoxLayout(frame));
        tabs->AddTab(QLatin1String(tab.key), tab.textId, frame);
    }
    QHash<const Place*, QVBoxLayout*> frames;
    for (const PlacedField& row : kFields) {
        const Place* place = row.place;
        QVBoxLayout* column = columns[place->tab];
        QWidget* parent = column->parentWidget();
        if (place->frameName) {
            if (!frames.contains(place)) {
                QGroupBox* box = TaggedFrame(parent, QLatin1String(place->frameName), place->frameTextId);
                column->addWidget(box);
                frames.insert(place, new QVBoxLayout(box));
            }
            column = frames.value(place);
            parent = column->parentWidget();
        }
        column->addWidget(pagecontrols::Field(parent, row.field));
    }
    for (QVBoxLayout* column : columns)
        column->addStretch(1);

    pioitems::Ambient::SetUserMode(this, false);
    m_appDeviceTypeHART = AppItem(this, QStringLiteral("appDeviceTypeHART"), QStringLiteral("_mfrDeviceTypeHART"));
    m_appMultivariableFunction =
        AppItem(this, QStringLiteral("appMultivariableFunction"), QStringLiteral("pbMultivariableFunction"));
    m_appDruckfuehler = AppItem(this, QStringLiteral("appDruckfühler"), QStringLiteral("ptrbNumberRemoteSeal"));
    m_appInstalDate = AppItem(this, QStringLiteral("appInstalDate"), QStringLiteral("pbDeviceInstalDate"));
    pioitems::Ambient::SetUserMode(this, true);
    connect(m_appInstalDate, &pioitems::PioAppItem::ValueChanged, this,
            [this](const QString& value) { appInstalDate_ValueChanged(value); });
    // The device keeps the date in its own form; the user reads it in the form asked for.
    Field(kDateField)->SetDeviceDate(true);
    if (QLineEdit* date = Field(kDateField)->ValueField())
        connect(date, &QLineEdit::textEdited, this, [this] { m_dateTyped = true; });
    connect(m_appMultivariableFunction, &pioitems::PioAppItem::ValueChanged, this, [this] {
        if (Registered())
            TabRules();
    });
}

controls::PioFieldControl* frmBasicParameter::Field(const QString& name) const
{
    return findChild<controls::PioFieldControl*>(name);
}

void frmBasicParameter::OnBeforeRegister()
{
    if (!global::gDeviceInfo)
        return;
    // From revision 21 on a HART device keeps the sensor temperature unit in its own item.
    Try("OnBeforeRegister", [this] {
        if (global::gDeviceInfo->softwareRevision().toDouble() > 20 && global::gDeviceInfo->CommType() == enmCommType::HART)
            Field(kTemperatureUnit)->SetObjectNameCombo(QStringLiteral("ptrbTemperatureValueUnit_21"));
    });
}

void frmBasicParameter::OnFirstActivation()
{
    m_takenDate = m_appInstalDate->StringValue();
    TabRules();
}

void frmBasicParameter::appInstalDate_ValueChanged(const QString& value)
{
    // Only what the user typed is checked: a date read from the device stays as it was read.
    const bool typed = std::exchange(m_dateTyped, false);
    const QString text = value.trimmed();
    if (!Registered() || !typed || text.isEmpty()) {
        m_takenDate = value;
        return;
    }
    const int country = global::UserCountryCode();
    const QDate date = applet::UserDate::Read(text, country);
    const QString taken = date.isValid() ? date.toString(applet::UserDate::kDeviceFormat) : m_takenDate;
    if (date.isValid())
        m_takenDate = taken;
    if (taken == value)
        return;
    // Written once the change that is being delivered has ended.
    QMetaObject::invokeMethod(
        this,
        [this, taken] {
            if (Registered())
                m_appInstalDate->SetStringValue(taken);
        },
        Qt::QueuedConnection);
    if (date.isValid())
        return;
    const QString refusal = global::FillPlaceholders(
        GetTextFromResource(kDateRefusedText),
        {text, applet::UserDate::AskedPattern(country),
         QDate::currentDate().toString(applet::UserDate::AskedFormat(country))});
    applet::AppletTrace::Error(QStringLiteral("frmBasicParameter: %1").arg(refusal));
    dialogs::DialogService::instance().Warning(windowTitle(), refusal);
}

void frmBasicParameter::TabRules()
{
    if (!global::gDeviceInfo) {
        applet::AppletTrace::Error(QStringLiteral("frmBasicParameter: no device information"));
        return;
    }
    IDeviceInfo& device = *global::gDeviceInfo;
    // A removed tab is not removed again: RemoveTab finds no such key then.
    Try("TabRules", [&] {
        const enmCommType bus = device.CommType();
        if (bus != enmCommType::HART || static_cast<int>(m_appDeviceTypeHART->UIntValue()) == kModbusDeviceType)
            Tabs()->RemoveTab(QStringLiteral("1t")); // no current loop
    });
    Try("TabRules", [&] { Field(QStringLiteral("cmbDurchflussmessung"))->setVisible(device.MvFunctionEnabled()); });
    Try("TabRules", [&] {
        if (static_cast<int>(m_appDruckfuehler->UIntValue()) == 0 && !clsDebugInfo().InDebugMode().toBool())
            Tabs()->RemoveTab(QStringLiteral("3t"));
    });
}
