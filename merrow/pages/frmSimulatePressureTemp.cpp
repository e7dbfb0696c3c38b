#include "merrow/pages/frmSimulatePressureTemp.h"
#include "merrow/pages/PageControls.h"
#include "merrow/shell/PageTabs.h"
#include "merrow/shell/frmMain.h"
#include "merrow/shell/global.h"
#include "mvtrivexhelper/IDeviceInfo.h"
#include "pioitems/Ambient.h"
#include "pioitems/PioAppItem.h"
#include "pioitems/PioSequenceItem.h"
#include "platform/applet/AppletStates.h"
#include "platform/applet/AppletTrace.h"
#include "platform/automation/ComError.h"
#include "platform/controls/PioLabelComboUnit.h"
#include "platform/controls/PioLabelTextUnit.h"
#include "platform/dialogs/DialogService.h"
#include <QCheckBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>
#include <cmath>
#include <optional>

using namespace pagecontrols;

namespace {

constexpr int16_t kCaption = 2251;             // "Simulate Pressure/Temperature Measurement"
constexpr int16_t kCaptionPressureOnly = 2558; // "Simulate Pressure Measurement"
constexpr int16_t kTerminate = 2124;           // "Terminate Simulation?"
constexpr int16_t kNotDeactivated = 2535;      // "Simulation could not be deactivated."
constexpr int16_t kSet = 3901;                 // "Simulation set in the device."
constexpr int16_t kNotTaken = 3902;            // "The device did not take the simulation; it simulates as before."
constexpr int kTemperature = 0;
constexpr int kPressure = 1;
constexpr int kStaticPressure = 2;

// The channels: frame, its caption, and the items of enable, value, state and unit.
struct ChannelRow {
    const char* frame;
    int16_t caption;
    const char* enabled;
    const char* value;
    const char* status;
    const char* unit;
};
constexpr ChannelRow kRows[frmSimulatePressureTemp::kChannels] = {
    {"fraTemperature", 2229, "aiTSimulateEnabled", "aiTSimulateValue", "aiTSimulateStatus", "aiTXdScaleUnitFF"},
    {"fraDifferentialPressure", 2230, "aiDPSimulateEnabled", "aiDPSimulateValue", "aiDPSimulateStatus",
     "aiDPXdScaleUnitFF"},
    {"fraStaticPressure", 2231, "aiPSimulateEnabled", "aiPSimulateValue", "aiPSimulateStatus", "aiPXdScaleUnitFF"},
};

// The layout by module type (sizes in twips): the pressure frame's caption,
// whether the static pressure is offered, the page's height and where the
// temperature frame goes.
struct ModuleLayout {
    bool differential;
    int16_t pressureCaption;
    bool staticPressure;
    int heightTwips;
    int temperatureTopTwips;
};
constexpr ModuleLayout kModuleLayouts[] = {
    {true, 2167, true, 3400, 2900},   // "Differential pressure"
    {false, 2533, false, 2100, 1650}, // "Pressure"
};
constexpr int kTemperatureTwips = 1275; // the temperature frame, with the flow function
constexpr int kButtonRowTwips = 1000;

// The text of an item as a whole number; none when it holds no number.
std::optional<int> Whole(const QString& text)
{
    bool ok = false;
    const double value = text.trimmed().toDouble(&ok);
    if (!ok)
        return std::nullopt;
    return static_cast<int>(std::lround(value));
}

} // namespace

frmSimulatePressureTemp::frmSimulatePressureTemp() : PioPage(QStringLiteral("frmSimulatePressureTemp"), false, false)
{
    setProperty("Tag", QString::number(kCaption));
    setWindowTitle(QStringLiteral("Simulate Pressure/Temperature Measurement"));
    auto* column = new QVBoxLayout(this);
    // One tab behind the frames, as the flow simulation shows its output values.
    PageTabs* tabs = CreateTabs();
    tabs->setObjectName(QStringLiteral("TabStrip1"));
    column->addWidget(tabs);
    auto* tabFrame = new QWidget;
    auto* tabColumn = new QVBoxLayout(tabFrame);
    pioitems::Ambient::SetUserMode(this, false);
    // The pressures first, the temperature below them.
    for (int i : {kPressure, kStaticPressure, kTemperature}) {
        const ChannelRow& row = kRows[i];
        Channel& channel = m_channels[static_cast<size_t>(i)];
        channel.frame = TaggedFrame(tabFrame, QLatin1String(row.frame), row.caption);
        auto* grid = new QGridLayout(channel.frame);
        channel.chkSimulate = new QCheckBox(QStringLiteral("Simulate"), channel.frame);
        channel.chkSimulate->setObjectName(QStringLiteral("chkSimulate(%1)").arg(i));
        channel.chkSimulate->setProperty("Tag", QStringLiteral("2232"));
        channel.chkSimulate->setEnabled(false);
        channel.txtSimValue = new controls::PioLabelTextUnit(channel.frame);
        channel.txtSimValue->setObjectName(QStringLiteral("txtSimValue(%1)").arg(i));
        channel.txtSimValue->setProperty("Tag", QStringLiteral("2248"));
        channel.txtSimValue->SetObjectNameText(QLatin1String(row.value));
        channel.txtSimValue->SetObjectNameUnit(QLatin1String(row.unit));
        channel.txtSimValue->SetUnitVisible(false);
        channel.txtSimValue->setEnabled(false);
        channel.cmbSimStatus = new controls::PioLabelComboUnit(channel.frame);
        channel.cmbSimStatus->setObjectName(QStringLiteral("cmbSimStatus(%1)").arg(i));
        channel.cmbSimStatus->setProperty("Tag", QStringLiteral("2243"));
        channel.cmbSimStatus->SetObjectNameCombo(QLatin1String(row.status));
        channel.cmbSimStatus->SetUnitVisible(false);
        channel.cmbSimStatus->setEnabled(false);
        channel.lblUnit = new QLabel(channel.frame);
        channel.lblUnit->setObjectName(QStringLiteral("lblUnit(%1)").arg(i));
        // The frames' fields line up whatever unit each shows.
        channel.lblUnit->setMinimumWidth(channel.lblUnit->fontMetrics().horizontalAdvance(QStringLiteral("kg/cm2")));
        grid->addWidget(channel.chkSimulate, 0, 0);
        grid->addWidget(channel.txtSimValue, 0, 1);
        grid->addWidget(channel.lblUnit, 0, 2);
        grid->addWidget(channel.cmbSimStatus, 1, 1);
        tabColumn->addWidget(channel.frame);

        const QString enabled = QLatin1String(row.enabled);
        channel.appSimulate = AppItem(this, QStringLiteral("appSimulate(%1)").arg(i), enabled);
        channel.appPollSimulate = AppItem(this, QStringLiteral("appPollSimulate(%1)").arg(i), enabled);
        channel.appPollSimulate->SetRegisterOnShadow(true);
        channel.appSimulateValue = AppItem(this, QStringLiteral("appSimulateValue(%1)").arg(i), QLatin1String(row.value));
        channel.appSimulateValue->SetRegisterOnShadow(true);
        channel.appSimulateStatus =
            AppItem(this, QStringLiteral("appSimulateStatus(%1)").arg(i), QLatin1String(row.status));
        channel.appSimulateStatus->SetRegisterOnShadow(true);
        channel.appUnit = AppItem(this, QStringLiteral("appUnit(%1)").arg(i), QLatin1String(row.unit));
        channel.appUnit->SetUpdateInterval(1);
        connect(channel.appPollSimulate, &pioitems::PioAppItem::ValueChanged, this,
                [this, i](const QString& value) { appPollSimulate_ValueChanged(i, value); });
        connect(channel.appUnit, &pioitems::PioAppItem::ValueChanged, this, [this, i] { appUnit_ValueChanged(i); });
        connect(channel.appSimulateValue, &pioitems::PioAppItem::ValueChanged, this,
                [this, i] { appSimulateValue_ValueChanged(i); });
    }
    tabColumn->addStretch(1);
    tabs->AddTab(QStringLiteral("0t"), 2245, tabFrame);
    m_appConnectionStatus = AppItem(this, QStringLiteral("appConnectionStatus"), QStringLiteral("&&private&&Connect"));
    m_seqGetAiSimulation = SequenceItem(this, QStringLiteral("seqGetAiSimulation"), QStringLiteral("GetAiSimulation"));
    m_seqSetAiSimulation = SequenceItem(this, QStringLiteral("seqSetAiSimulation"), QStringLiteral("SetAiSimulation"));
    pioitems::Ambient::SetUserMode(this, true);

    m_cmdSetSimulation = new QPushButton(QStringLiteral("Set"), this);
    m_cmdSetSimulation->setObjectName(QStringLiteral("cmdSetSimulation"));
    m_cmdSetSimulation->setProperty("Tag", QStringLiteral("3016"));
    m_cmdSetSimulation->setEnabled(false);
    column->addWidget(m_cmdSetSimulation, 0, Qt::AlignRight);
    connect(m_cmdSetSimulation, &QPushButton::clicked, this, [this] { cmdSetSimulation_Click(); });
    connect(m_appConnectionStatus, &pioitems::PioAppItem::ValueChanged, this,
            [this] { appConnectionStatus_ValueChanged(); });
    connect(m_seqGetAiSimulation, &pioitems::PioSequenceItem::StatusChanged, this,
            [this](int32_t status) { seqGetAiSimulation_StatusChanged(status); });
    connect(m_seqSetAiSimulation, &pioitems::PioSequenceItem::StatusChanged, this,
            [this](int32_t status) { seqSetAiSimulation_StatusChanged(status); });
    // A write that never started switches nothing in the device: the page shows so.
    connect(m_seqSetAiSimulation, &pioitems::PioSequenceItem::ActionDropped, this, [this] {
        m_closing = false; // the user may try again
        RestorePrevious();
        ReportNotTaken();
    });
}

void frmSimulatePressureTemp::OnFirstActivation()
{
    Layout();
    Tabs()->tbsOptions_Click();
    m_seqGetAiSimulation->Start();
}

void frmSimulatePressureTemp::Layout()
{
    bool differential = false;
    bool flowFunction = false;
    if (global::gDeviceInfo) {
        differential = global::gDeviceInfo->ModuleType() == enmModuleType::DIFFERENTIAL_PRESSURE;
        flowFunction = global::gDeviceInfo->MvFunctionEnabled();
    } else {
        applet::AppletTrace::Error(QStringLiteral("frmSimulatePressureTemp: no device information; plain pressure"));
    }
    const ModuleLayout& layout = differential ? kModuleLayouts[0] : kModuleLayouts[1];
    Channel& pressure = m_channels[kPressure];
    Channel& staticPressure = m_channels[kStaticPressure];
    Channel& temperature = m_channels[kTemperature];
    // The captions chosen here are the ones a later localisation takes, too.
    pressure.frame->setProperty("Tag", QString::number(layout.pressureCaption));
    pressure.frame->setTitle(GetTextFromResource(layout.pressureCaption));
    m_heightTwips = layout.heightTwips;
    if (!layout.staticPressure) {
        staticPressure.frame->setEnabled(false);
        staticPressure.frame->hide();
        staticPressure.appPollSimulate->UnRegister();
        staticPressure.appUnit->UnRegister();
    }
    if (flowFunction) {
        m_heightTwips += kTemperatureTwips;
    } else {
        setProperty("Tag", QString::number(kCaptionPressureOnly));
        setWindowTitle(GetTextFromResource(kCaptionPressureOnly));
        temperature.frame->setEnabled(false);
        temperature.frame->hide();
        temperature.appPollSimulate->UnRegister();
        temperature.appUnit->UnRegister();
    }
    m_heightTwips += kButtonRowTwips;
    adjustSize();
    if (QWidget* frame = parentWidget())
        frame->adjustSize();
}

void frmSimulatePressureTemp::appConnectionStatus_ValueChanged()
{
    const bool connected = Connected(*m_appConnectionStatus);
    for (Channel& channel : m_channels) {
        channel.chkSimulate->setEnabled(connected);
        channel.cmbSimStatus->setEnabled(connected);
        channel.txtSimValue->setEnabled(connected);
    }
    m_cmdSetSimulation->setEnabled(connected);
}

void frmSimulatePressureTemp::appUnit_ValueChanged(int index)
{
    Channel& channel = m_channels[static_cast<size_t>(index)];
    channel.lblUnit->setText(channel.appUnit->EnumValue());
}

void frmSimulatePressureTemp::appSimulateValue_ValueChanged(int index)
{
    Channel& channel = m_channels[static_cast<size_t>(index)];
    if (channel.appPollSimulate->UIntValue() != 0)
        channel.txtSimValue->ValueField()->setText(channel.appSimulateValue->StringValue());
}

void frmSimulatePressureTemp::appPollSimulate_ValueChanged(int index, const QString& value)
{
    Channel& channel = m_channels[static_cast<size_t>(index)];
    const std::optional<int> reported = Whole(value);
    if (!reported) {
        applet::AppletTrace::Error(QStringLiteral("frmSimulatePressureTemp: %1 reported \"%2\", no state")
                                       .arg(channel.appPollSimulate->AppItemName(), value));
        return;
    }
    const int polled = static_cast<int>(channel.appPollSimulate->UIntValue());
    if (m_awaitingDevice) {
        // Until the device reports what the user set, older reports leave the check box alone.
        if ((channel.chkSimulate->isChecked() ? 1 : 0) != polled)
            return;
        m_awaitingDevice = false;
    }
    if (polled == channel.lastPolled)
        return;
    channel.lastPolled = static_cast<int16_t>(*reported);
    m_updating = true;
    if (polled > 1) {
        // A state the page does not know counts as off, in the dataset too.
        channel.chkSimulate->setChecked(false);
        try {
            channel.appPollSimulate->SetUIntValue(0);
        } catch (const automation::ComError& error) {
            applet::AppletTrace::Error(QStringLiteral("frmSimulatePressureTemp: %1 not reset: %2")
                                           .arg(channel.appPollSimulate->AppItemName(), error.description()));
        }
    } else {
        channel.chkSimulate->setChecked(polled == 1);
    }
    m_updating = false;
}

void frmSimulatePressureTemp::cmdSetSimulation_Click()
{
    std::array<bool, kChannels> on{};
    for (int i = 0; i < kChannels; ++i)
        on[static_cast<size_t>(i)] = m_channels[static_cast<size_t>(i)].chkSimulate->isChecked();
    if (WriteSimulation(on, !m_updating))
        m_awaitingDevice = true;
}

bool frmSimulatePressureTemp::WriteSimulation(const std::array<bool, kChannels>& on, bool force)
{
    for (int i = 0; i < kChannels; ++i) {
        Channel& channel = m_channels[static_cast<size_t>(i)];
        channel.previous = channel.appSimulate->StringValue();
        try {
            channel.appSimulate->SetStringValue(on[static_cast<size_t>(i)] ? QStringLiteral("1") : QStringLiteral("0"));
        } catch (const automation::ComError& error) {
            applet::AppletTrace::Error(QStringLiteral("frmSimulatePressureTemp: %1 refused: %2")
                                           .arg(channel.appSimulate->AppItemName(), error.description()));
        }
    }
    // A request that fails at once restores through ActionDropped.
    return force && ForceSequence(*m_seqSetAiSimulation);
}

void frmSimulatePressureTemp::RestorePrevious()
{
    m_awaitingDevice = false;
    m_updating = true;
    for (Channel& channel : m_channels) {
        channel.chkSimulate->setChecked(Whole(channel.previous).value_or(0) == 1);
        // The items too: a later download would otherwise switch the simulation on.
        try {
            if (!channel.previous.isEmpty())
                channel.appSimulate->SetStringValue(channel.previous);
        } catch (const automation::ComError& error) {
            applet::AppletTrace::Error(QStringLiteral("frmSimulatePressureTemp: %1 not restored: %2")
                                           .arg(channel.appSimulate->AppItemName(), error.description()));
        }
    }
    m_updating = false;
    global::SetMainWindowEnabled(true);
}

void frmSimulatePressureTemp::seqGetAiSimulation_StatusChanged(int32_t sequenceStatus)
{
    if (!Registered())
        return;
    if (sequenceStatus == applet::SequenceState::ReadRequest) {
        m_seqGetAiSimulation->DoAction(applet::SequenceAction::Run);
    } else if (sequenceStatus == applet::SequenceState::ReadActive) {
        m_readSeen = true;
    } else if (sequenceStatus == applet::SequenceState::Ready && m_readSeen) {
        m_readSeen = false;
        m_seqGetAiSimulation->Adjust(); // the dataset takes what the device simulates
    }
}

void frmSimulatePressureTemp::seqSetAiSimulation_StatusChanged(int32_t sequenceStatus)
{
    if (!Registered())
        return;
    FollowForcedSequence(*m_seqSetAiSimulation, sequenceStatus);
    if (sequenceStatus != applet::SequenceState::Ready)
        return;
    const bool failed = SequenceFailed(*m_seqSetAiSimulation);
    if (failed) {
        // The device did not take the write: it simulates what it did before.
        applet::AppletTrace::Error(QStringLiteral("frmSimulatePressureTemp: SetAiSimulation failed"));
        RestorePrevious();
    }
    if (m_closing) {
        CloseLater(); // a channel still simulated is reported on closing
    } else if (failed) {
        ReportNotTaken();
    } else if (auto* window = global::MainWindow()) {
        window->ShowStatus(GetTextFromResource(kSet));
    }
}

void frmSimulatePressureTemp::ReportNotTaken()
{
    dialogs::DialogService::instance().Warning(windowTitle(), GetTextFromResource(kNotTaken));
}

bool frmSimulatePressureTemp::Form_QueryUnload()
{
    if (!Connected(*m_appConnectionStatus))
        return true;
    bool simulating = false;
    for (const Channel& channel : m_channels)
        simulating = simulating || static_cast<int>(channel.appPollSimulate->UIntValue()) == 1;
    if (!simulating)
        return true;
    const QString title = CloseTitle(*this);
    auto& dialogs = dialogs::DialogService::instance();
    if (m_closing) {
        dialogs.Information(title, GetTextFromResource(kNotDeactivated));
        return true;
    }
    switch (dialogs.AskYesNoCancel(title, GetTextFromResource(kTerminate))) {
    case dialogs::DialogResult::Cancel:
        return false;
    case dialogs::DialogResult::No:
        return true;
    default:
        break;
    }
    m_closing = true;
    WriteSimulation({}, true);
    return false;
}
