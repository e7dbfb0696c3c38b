#include "merrow/pages/frmSimulateFlow.h"
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

using namespace pagecontrols;

namespace {

constexpr int kConnected = 2;
constexpr int kAutomatic = 8;
constexpr int16_t kCaption = 2228;        // "Simulate Flow Measurement"
constexpr int16_t kConcurrent = 2536;     // "Concurrent simulation of input and out values!"
constexpr int16_t kCloseTitle = 2123;     // "%1 Close"
constexpr int16_t kTerminate = 2124;      // "Terminate Simulation?"
constexpr int16_t kNotDeactivated = 2535; // "Simulation could not be deactivated."
constexpr int16_t kMassFlow = 2594;
constexpr int16_t kStandardVolumeFlow = 2595;

// The channels: frame, its caption, tab, and the items of enable, value, value unit, state and shown unit.
struct ChannelRow {
    const char* frame;
    int16_t caption;
    int tab;
    const char* enabled;
    const char* value;
    const char* valueUnit;
    const char* status;
    const char* unit;
};
constexpr ChannelRow kRows[frmSimulateFlow::kChannels] = {
    {"fraTemperature", 2229, 0, "MvInTSimulateEnabled", "mvInTSimulateValue", "mvInTUnit", "mvInTSimulateStatus",
     "mvInTUnit"},
    {"fraDifferentialPressure", 2230, 0, "MvInDPSimulateEnabled", "mvInDPSimulateValue", "mvInDPUnit",
     "mvInDPSimulateStatus", "mvInDpUnit"},
    {"fraStaticPressure", 2231, 0, "MvInPSimulateEnabled", "mvInPSimulateValue", "mvInPUnit", "mvInPSimulateStatus",
     "mvInPUnit"},
    {"fraMassFlow", 2246, 1, "mvOutMassFlowSimulateEnabled", "mvOutMassFlowSimulateValue", "mvInTUnit",
     "mvOutMassFlowSimulateStatus", "mvOutMassFlowUnit"},
    {"fraVolFlow", 2247, 1, "mvOutVolFlowSimulateEnabled", "mvOutVolFlowSimulateValue", "mvInTUnit",
     "mvOutVolFlowSimulateStatus", "mvOutVolFlowUnit"},
};

int ToWhole(const QString& text)
{
    return static_cast<int>(std::lround(text.trimmed().toDouble()));
}

} // namespace

frmSimulateFlow::frmSimulateFlow() : PioPage(QStringLiteral("frmSimulateFlow"), false, false)
{
    setProperty("Tag", QString::number(kCaption));
    setWindowTitle(QStringLiteral("Simulate Flow Measurement"));
    auto* column = new QVBoxLayout(this);
    PageTabs* tabs = CreateTabs();
    column->addWidget(tabs);
    std::array<QWidget*, 2> tabFrames = {new QWidget, new QWidget};
    std::array<QVBoxLayout*, 2> tabColumns = {new QVBoxLayout(tabFrames[0]), new QVBoxLayout(tabFrames[1])};
    pioitems::Ambient::SetUserMode(this, false);
    for (int i = 0; i < kChannels; ++i) {
        const ChannelRow& row = kRows[i];
        Channel& channel = m_channels[static_cast<size_t>(i)];
        QWidget* tab = tabFrames[static_cast<size_t>(row.tab)];
        channel.frame = new QGroupBox(tab);
        channel.frame->setObjectName(QLatin1String(row.frame));
        channel.frame->setProperty("Tag", QString::number(row.caption));
        auto* grid = new QGridLayout(channel.frame);
        channel.chkSimulate = new QCheckBox(QStringLiteral("Simulate"), channel.frame);
        channel.chkSimulate->setObjectName(QStringLiteral("chkSimulate(%1)").arg(i));
        channel.chkSimulate->setProperty("Tag", QStringLiteral("2232"));
        channel.chkSimulate->setEnabled(false);
        channel.txtSimValue = new controls::PioLabelTextUnit(channel.frame);
        channel.txtSimValue->setObjectName(QStringLiteral("txtSimValue(%1)").arg(i));
        channel.txtSimValue->setProperty("Tag", QStringLiteral("2248"));
        channel.txtSimValue->SetObjectNameText(QLatin1String(row.value));
        channel.txtSimValue->SetObjectNameUnit(QLatin1String(row.valueUnit));
        channel.txtSimValue->SetUnitVisible(false);
        channel.txtSimValue->setEnabled(false);
        // The field keeps its natural width: a value must never be cut off.
        channel.txtSimValue->ValueField()->setSizePolicy(QSizePolicy::Minimum, QSizePolicy::Fixed);
        channel.cmbSimStatus = new controls::PioLabelComboUnit(channel.frame);
        channel.cmbSimStatus->setObjectName(QStringLiteral("cmbSimStatus(%1)").arg(i));
        channel.cmbSimStatus->setProperty("Tag", QStringLiteral("2243"));
        channel.cmbSimStatus->SetObjectNameCombo(QLatin1String(row.status));
        channel.cmbSimStatus->SetUnitVisible(false);
        channel.cmbSimStatus->setEnabled(false);
        channel.cmbSimStatus->setVisible(false); // shown for PROFIBUS at the first activation
        channel.lblUnit = new QLabel(channel.frame);
        channel.lblUnit->setObjectName(QStringLiteral("lblUnit(%1)").arg(i));
        grid->addWidget(channel.chkSimulate, 0, 0);
        grid->addWidget(channel.txtSimValue, 0, 1);
        grid->addWidget(channel.lblUnit, 0, 2);
        grid->addWidget(channel.cmbSimStatus, 1, 1);
        tabColumns[static_cast<size_t>(row.tab)]->addWidget(channel.frame);

        channel.appSimulate = AppItem(this, QStringLiteral("appSimulate(%1)").arg(i), QLatin1String(row.enabled));
        channel.appPollSimulate = AppItem(this, QStringLiteral("appPollSimulate(%1)").arg(i), QLatin1String(row.enabled));
        channel.appPollSimulate->SetRegisterOnShadow(true);
        channel.appUnit = AppItem(this, QStringLiteral("appUnit(%1)").arg(i), QLatin1String(row.unit));
        channel.appUnit->SetUpdateInterval(1);
        connect(channel.appPollSimulate, &pioitems::PioAppItem::ValueChanged, this,
                [this, i](const QString& value) { appPollSimulate_ValueChanged(i, value); });
        connect(channel.appUnit, &pioitems::PioAppItem::ValueChanged, this, [this, i] { appUnit_ValueChanged(i); });
    }
    for (QVBoxLayout* tabColumn : tabColumns)
        tabColumn->addStretch(1);
    tabs->AddTab(QStringLiteral("0t"), 2244, tabFrames[0]);
    tabs->AddTab(QStringLiteral("1t"), 2245, tabFrames[1]);
    m_appConnectionStatus = AppItem(this, QStringLiteral("appConnectionStatus"), QStringLiteral("&&private&&Connect"));
    m_appMvModeBlkActual = AppItem(this, QStringLiteral("appMvModeBlkActual"), QStringLiteral("mvModeBlkActual"));
    m_appmvMediumType = AppItem(this, QStringLiteral("appmvMediumType"), QStringLiteral("mvMediumType"));
    m_seqGetMvSimulation = SequenceItem(this, QStringLiteral("seqGetMvSimulation"), QStringLiteral("GetMvSimulation"));
    m_seqSetMvSimulation = SequenceItem(this, QStringLiteral("seqSetMvSimulation"), QStringLiteral("SetMvSimulation"));
    pioitems::Ambient::SetUserMode(this, true);

    m_cmdSetSimulation = new QPushButton(QStringLiteral("Set"), this);
    m_cmdSetSimulation->setObjectName(QStringLiteral("cmdSetSimulation"));
    m_cmdSetSimulation->setProperty("Tag", QStringLiteral("3016"));
    m_cmdSetSimulation->setEnabled(false);
    column->addWidget(m_cmdSetSimulation, 0, Qt::AlignRight);
    connect(m_cmdSetSimulation, &QPushButton::clicked, this, [this] { cmdSetSimulation_Click(); });
    connect(m_appConnectionStatus, &pioitems::PioAppItem::ValueChanged, this,
            [this] { appConnectionStatus_ValueChanged(); });
    connect(m_appMvModeBlkActual, &pioitems::PioAppItem::ValueChanged, this,
            [this] { appMvModeBlkActual_ValueChanged(); });
    connect(m_appmvMediumType, &pioitems::PioAppItem::ValueChanged, this, [this] { appmvMediumType_ValueChanged(); });
    connect(m_seqGetMvSimulation, &pioitems::PioSequenceItem::StatusChanged, this,
            [this](int32_t status) { seqGetMvSimulation_StatusChanged(status); });
    connect(m_seqSetMvSimulation, &pioitems::PioSequenceItem::StatusChanged, this,
            [this](int32_t status) { seqSetMvSimulation_StatusChanged(status); });
    // A write that never started switches nothing in the device: the page shows so.
    connect(m_seqSetMvSimulation, &pioitems::PioSequenceItem::ActionDropped, this, [this] { RestorePrevious(); });
}

void frmSimulateFlow::OnFirstActivation()
{
    const bool profibus = global::gDeviceInfo && global::gDeviceInfo->CommType() == enmCommType::PROFIBUS;
    for (Channel& channel : m_channels)
        channel.cmbSimStatus->setVisible(profibus);
    appmvMediumType_ValueChanged();
    Tabs()->tbsOptions_Click();
    GrowToContent();
    m_seqGetMvSimulation->Start();
}

void frmSimulateFlow::appConnectionStatus_ValueChanged()
{
    const bool connected = ToWhole(m_appConnectionStatus->StringValue()) == kConnected;
    for (Channel& channel : m_channels) {
        channel.chkSimulate->setEnabled(connected);
        channel.cmbSimStatus->setEnabled(connected);
        channel.txtSimValue->setEnabled(connected);
    }
    m_cmdSetSimulation->setEnabled(connected);
}

void frmSimulateFlow::appUnit_ValueChanged(int index)
{
    Channel& channel = m_channels[static_cast<size_t>(index)];
    channel.lblUnit->setText(channel.appUnit->UnitSymbol());
    GrowToContent(); // a longer unit text must not squeeze the value
}

void frmSimulateFlow::SetChecked(int index, bool checked)
{
    m_updating = true;
    m_channels[static_cast<size_t>(index)].chkSimulate->setChecked(checked);
    m_updating = false;
}

void frmSimulateFlow::appPollSimulate_ValueChanged(int index, const QString& value)
{
    Channel& channel = m_channels[static_cast<size_t>(index)];
    const int polled = static_cast<int>(channel.appPollSimulate->UIntValue());
    if (m_awaitingDevice) {
        // Until the device reports what the user set, older reports leave the check box alone.
        if ((channel.chkSimulate->isChecked() ? 1 : 0) != polled)
            return;
        m_awaitingDevice = false;
    }
    if (polled == channel.lastPolled)
        return;
    channel.lastPolled = static_cast<int16_t>(ToWhole(value));
    m_updating = true;
    channel.chkSimulate->setCheckState(polled == 0 ? Qt::Unchecked : polled == 1 ? Qt::Checked : Qt::PartiallyChecked);
    m_updating = false;
}

void frmSimulateFlow::cmdSetSimulation_Click()
{
    bool warned = false;
    for (int i = 0; i < kChannels; ++i) {
        Channel& channel = m_channels[static_cast<size_t>(i)];
        const bool checked = channel.chkSimulate->isChecked();
        if (!warned && checked) {
            // Inputs and outputs are not simulated together; the user is told, the request goes on.
            bool conflict = false;
            for (int j = i < kInputs ? kInputs : 0; j < (i < kInputs ? kChannels : kInputs); ++j)
                conflict = conflict || m_channels[static_cast<size_t>(j)].chkSimulate->isChecked();
            if (conflict) {
                dialogs::DialogService::instance().Information(GetTextFromResource(kCaption),
                                                               GetTextFromResource(kConcurrent));
                warned = true;
            }
        }
        channel.previous = channel.appSimulate->StringValue();
        try {
            channel.appSimulate->SetStringValue(checked ? QStringLiteral("1") : QStringLiteral("0"));
        } catch (const automation::ComError& error) {
            applet::AppletTrace::Error(QStringLiteral("frmSimulateFlow: %1 refused: %2")
                                           .arg(channel.appSimulate->AppItemName(), error.description()));
        }
    }
    if (m_updating)
        return;
    m_awaitingDevice = true;
    ForceSequence(*m_seqSetMvSimulation); // a request that fails at once restores through ActionDropped
}

void frmSimulateFlow::RestorePrevious()
{
    m_awaitingDevice = false;
    m_updating = true;
    for (Channel& channel : m_channels) {
        channel.chkSimulate->setChecked(ToWhole(channel.previous) == 1);
        // The items too: a later download would otherwise switch the simulation on.
        try {
            if (!channel.previous.isEmpty())
                channel.appSimulate->SetStringValue(channel.previous);
        } catch (const automation::ComError& error) {
            applet::AppletTrace::Error(QStringLiteral("frmSimulateFlow: %1 not restored: %2")
                                           .arg(channel.appSimulate->AppItemName(), error.description()));
        }
    }
    m_updating = false;
    m_closing = false;
    global::SetMainWindowEnabled(true);
}

void frmSimulateFlow::seqGetMvSimulation_StatusChanged(int32_t sequenceStatus)
{
    if (!Registered())
        return;
    if (sequenceStatus == applet::SequenceState::ReadRequest) {
        m_seqGetMvSimulation->DoAction(applet::SequenceAction::Run);
    } else if (sequenceStatus == applet::SequenceState::ReadActive) {
        m_readSeen = true;
    } else if (sequenceStatus == applet::SequenceState::Ready && m_readSeen) {
        m_readSeen = false;
        m_seqGetMvSimulation->Adjust(); // the dataset takes what the device simulates
    }
}

void frmSimulateFlow::seqSetMvSimulation_StatusChanged(int32_t sequenceStatus)
{
    if (!Registered())
        return;
    if (sequenceStatus == applet::SequenceState::WriteRequest || sequenceStatus == applet::SequenceState::ReadRequest) {
        m_seqSetMvSimulation->DoAction(applet::SequenceAction::Run);
        global::SetMainWindowEnabled(false);
    } else if (sequenceStatus == applet::SequenceState::Ready) {
        global::SetMainWindowEnabled(true);
        if (m_closing)
            CloseLater();
    }
}

bool frmSimulateFlow::Form_QueryUnload()
{
    if (ToWhole(m_appConnectionStatus->StringValue()) != kConnected)
        return true;
    bool simulating = false;
    for (const Channel& channel : m_channels)
        simulating = simulating || static_cast<int>(channel.appPollSimulate->UIntValue()) == 1;
    if (!simulating)
        return true;
    const QString title = global::FillPlaceholders(GetTextFromResource(kCloseTitle), {windowTitle()});
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
    for (Channel& channel : m_channels) {
        channel.previous = channel.appSimulate->StringValue();
        channel.appSimulate->SetStringValue(QStringLiteral("0"));
    }
    m_closing = true;
    ForceSequence(*m_seqSetMvSimulation);
    return false;
}

void frmSimulateFlow::appMvModeBlkActual_ValueChanged()
{
    if (!Registered() || !global::gDeviceInfo)
        return;
    if (global::gDeviceInfo->MvActualBlockMode() != kAutomatic)
        CloseLater();
}

void frmSimulateFlow::appmvMediumType_ValueChanged()
{
    if (!Registered())
        return;
    Channel& temperature = m_channels[0];
    m_channels[3].frame->setTitle(GetTextFromResource(kMassFlow));
    temperature.frame->setEnabled(true);
    if (!temperature.chkSimulate->isChecked()) {
        temperature.txtSimValue->setEnabled(true);
        temperature.cmbSimStatus->setEnabled(true);
    }
    temperature.chkSimulate->setEnabled(true);
    const QString medium = m_appmvMediumType->StringValue().trimmed();
    if (medium == QLatin1String("4")) {
        m_channels[3].frame->setTitle(GetTextFromResource(kStandardVolumeFlow));
    } else if (medium == QLatin1String("3") || medium == QLatin1String("7")) {
        temperature.frame->setEnabled(false);
        temperature.txtSimValue->setEnabled(false);
        temperature.cmbSimStatus->setEnabled(false);
        temperature.chkSimulate->setEnabled(false);
    }
}

void frmSimulateFlow::OnUnload()
{
    if (Registered())
        for (int n = 0; n < 2; ++n)
            if (QWidget* frame = Tabs()->picOptions(n))
                frame->hide();
    if (auto* main = global::MainWindow())
        main->UnloadFrmMesswerte();
}
