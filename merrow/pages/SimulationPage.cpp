#include "merrow/pages/SimulationPage.h"
#include "merrow/pages/PageControls.h"
#include "merrow/shell/global.h"
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
#include <QPushButton>
#include <QVBoxLayout>
#include <algorithm>
#include <cmath>
#include <optional>

using namespace pagecontrols;

namespace {

constexpr int16_t kTerminate = 2124;      // "Terminate Simulation?"
constexpr int16_t kNotDeactivated = 2535; // "Simulation could not be deactivated."
constexpr int16_t kSet = 3901;            // "Simulation set in the device."
constexpr int16_t kEnded = 3967;          // "Simulation ended in the device."
constexpr int16_t kNotTaken = 3902;       // "The device did not take the simulation; it simulates as before."

// The text of an item as a whole number; none when it holds no number.
std::optional<int> Whole(const QString& text)
{
    bool ok = false;
    const double value = text.trimmed().toDouble(&ok);
    if (!ok)
        return std::nullopt;
    return static_cast<int>(std::lround(value));
}

// Every widget as wide as the widest of them wants to be.
void SameWidth(const QList<QWidget*>& widgets)
{
    int width = 0;
    for (QWidget* each : widgets) {
        each->setMinimumWidth(0);
        width = std::max(width, each->sizeHint().width());
    }
    for (QWidget* each : widgets)
        each->setMinimumWidth(width);
}

} // namespace

SimulationPage::SimulationPage(const QString& name, int channels)
    : PioPage(name, false, false), m_channels(static_cast<size_t>(channels))
{
}

void SimulationPage::AlignChannels()
{
    // Each channel's frame lays out its own row: the captions and the unit
    // column take one width across the frames.
    QList<QWidget*> captions;
    QList<QWidget*> units;
    for (const Channel& channel : m_channels) {
        for (controls::PioFieldControl* field : {static_cast<controls::PioFieldControl*>(channel.txtSimValue),
                                                  static_cast<controls::PioFieldControl*>(channel.cmbSimStatus)})
            if (field && !field->isHidden() && field->CaptionLabel())
                captions.append(field->CaptionLabel());
        if (channel.lblUnit)
            units.append(channel.lblUnit);
    }
    SameWidth(captions);
    SameWidth(units);
}

SimulationPage::Channel& SimulationPage::AddChannel(int index, QWidget* parent, const ChannelRow& row)
{
    Channel& channel = ChannelAt(index);
    channel.frame = TaggedFrame(parent, QLatin1String(row.frame), row.caption);
    auto* grid = new QGridLayout(channel.frame);
    channel.chkSimulate = new QCheckBox(QStringLiteral("Simulate"), channel.frame);
    channel.chkSimulate->setObjectName(QStringLiteral("chkSimulate(%1)").arg(index));
    channel.chkSimulate->setProperty("Tag", QStringLiteral("2232"));
    channel.chkSimulate->setEnabled(false);
    channel.txtSimValue = new controls::PioLabelTextUnit(channel.frame);
    channel.txtSimValue->setObjectName(QStringLiteral("txtSimValue(%1)").arg(index));
    channel.txtSimValue->setProperty("Tag", QStringLiteral("2248"));
    channel.txtSimValue->SetObjectNameText(QLatin1String(row.value));
    channel.txtSimValue->SetObjectNameUnit(QLatin1String(row.valueUnit));
    channel.txtSimValue->SetUnitVisible(false);
    channel.txtSimValue->setEnabled(false);
    channel.cmbSimStatus = new controls::PioLabelComboUnit(channel.frame);
    channel.cmbSimStatus->setObjectName(QStringLiteral("cmbSimStatus(%1)").arg(index));
    channel.cmbSimStatus->setProperty("Tag", QStringLiteral("2243"));
    channel.cmbSimStatus->SetObjectNameCombo(QLatin1String(row.status));
    channel.cmbSimStatus->SetUnitVisible(false);
    channel.cmbSimStatus->setEnabled(false);
    channel.lblUnit = new QLabel(channel.frame);
    channel.lblUnit->setObjectName(QStringLiteral("lblUnit(%1)").arg(index));
    grid->addWidget(channel.chkSimulate, 0, 0);
    grid->addWidget(channel.txtSimValue, 0, 1);
    grid->addWidget(channel.lblUnit, 0, 2);
    grid->addWidget(channel.cmbSimStatus, 1, 1);

    const QString enabled = QLatin1String(row.enabled);
    channel.appSimulate = AppItem(this, QStringLiteral("appSimulate(%1)").arg(index), enabled);
    channel.appPollSimulate = AppItem(this, QStringLiteral("appPollSimulate(%1)").arg(index), enabled);
    channel.appPollSimulate->SetRegisterOnShadow(true);
    channel.appUnit = AppItem(this, QStringLiteral("appUnit(%1)").arg(index), QLatin1String(row.unit));
    channel.appUnit->SetUpdateInterval(1);
    // A grey box the user clicks becomes an on-off choice again.
    connect(channel.chkSimulate, &QCheckBox::clicked, channel.chkSimulate,
            [box = channel.chkSimulate] { box->setTristate(false); });
    connect(channel.appPollSimulate, &pioitems::PioAppItem::ValueChanged, this,
            [this, index](const QString& value) { appPollSimulate_ValueChanged(index, value); });
    return channel;
}

void SimulationPage::AddSequences(const QString& readSequence, const QString& writeSequence)
{
    m_appConnectionStatus = AppItem(this, QStringLiteral("appConnectionStatus"), QStringLiteral("&&private&&Connect"));
    m_seqGet = SequenceItem(this, QStringLiteral("seq") + readSequence, readSequence);
    m_seqSet = SequenceItem(this, QStringLiteral("seq") + writeSequence, writeSequence);
    connect(m_appConnectionStatus, &pioitems::PioAppItem::ValueChanged, this,
            [this] { appConnectionStatus_ValueChanged(); });
    connect(m_seqGet, &pioitems::PioSequenceItem::StatusChanged, this,
            [this](int32_t status) { ReadSequence_StatusChanged(status); });
    connect(m_seqSet, &pioitems::PioSequenceItem::StatusChanged, this,
            [this](int32_t status) { WriteSequence_StatusChanged(status); });
    // A write that never started switches nothing in the device: the page shows so.
    connect(m_seqSet, &pioitems::PioSequenceItem::ActionDropped, this, [this] {
        m_closing = false; // the user may try again
        RestorePrevious();
        ReportNotTaken();
    });
}

void SimulationPage::AddSetButton(QVBoxLayout& column)
{
    m_cmdSetSimulation = new QPushButton(QStringLiteral("Set"), this);
    m_cmdSetSimulation->setObjectName(QStringLiteral("cmdSetSimulation"));
    m_cmdSetSimulation->setProperty("Tag", QStringLiteral("3016"));
    m_cmdSetSimulation->setEnabled(false);
    column.addWidget(m_cmdSetSimulation, 0, Qt::AlignRight);
    connect(m_cmdSetSimulation, &QPushButton::clicked, this, [this] { cmdSetSimulation_Click(); });
}

void SimulationPage::appConnectionStatus_ValueChanged()
{
    const bool connected = Connected(*m_appConnectionStatus);
    for (Channel& channel : m_channels) {
        channel.chkSimulate->setEnabled(connected);
        channel.cmbSimStatus->setEnabled(connected);
        channel.txtSimValue->setEnabled(connected);
    }
    if (m_cmdSetSimulation)
        m_cmdSetSimulation->setEnabled(connected);
}

void SimulationPage::appPollSimulate_ValueChanged(int index, const QString& value)
{
    Channel& channel = ChannelAt(index);
    const std::optional<int> reported = Whole(value);
    if (!reported) {
        applet::AppletTrace::Error(QStringLiteral("%1: %2 reported \"%3\", no state")
                                       .arg(objectName(), channel.appPollSimulate->AppItemName(), value));
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
    ShowReportedState(index, polled);
    m_updating = false;
}

bool SimulationPage::UserChecked(int i) const
{
    return At(i).chkSimulate->checkState() == Qt::Checked;
}

void SimulationPage::cmdSetSimulation_Click()
{
    BeforeSet();
    std::vector<std::optional<bool>> on;
    for (int i = 0; i < Channels(); ++i) {
        // A grey box shows a state the device reports; the user did not choose it.
        if (At(i).chkSimulate->checkState() == Qt::PartiallyChecked)
            on.emplace_back(std::nullopt);
        else
            on.emplace_back(UserChecked(i));
    }
    if (WriteSimulation(on, !m_updating))
        m_awaitingDevice = true;
}

bool SimulationPage::WriteSimulation(const std::vector<std::optional<bool>>& on, bool force)
{
    m_simulationWritten = std::find(on.begin(), on.end(), true) != on.end();
    for (size_t i = 0; i < m_channels.size(); ++i) {
        Channel& channel = m_channels[i];
        channel.written = i >= on.size() || on[i].has_value();
        if (!channel.written)
            continue;
        channel.previous = channel.appSimulate->StringValue();
        try {
            channel.appSimulate->SetStringValue(i < on.size() && *on[i] ? QStringLiteral("1") : QStringLiteral("0"));
        } catch (const automation::ComError& error) {
            applet::AppletTrace::Error(QStringLiteral("%1: %2 refused: %3")
                                           .arg(objectName(), channel.appSimulate->AppItemName(), error.description()));
        }
    }
    // A request that fails at once restores through ActionDropped.
    return force && ForceSequence(*m_seqSet);
}

void SimulationPage::RestorePrevious()
{
    m_awaitingDevice = false;
    m_updating = true;
    for (Channel& channel : m_channels) {
        if (!channel.written)
            continue; // left as the device reported it
        channel.chkSimulate->setChecked(Whole(channel.previous).value_or(0) == 1);
        // The items too: a later download would otherwise switch the simulation on.
        try {
            if (!channel.previous.isEmpty())
                channel.appSimulate->SetStringValue(channel.previous);
        } catch (const automation::ComError& error) {
            applet::AppletTrace::Error(QStringLiteral("%1: %2 not restored: %3")
                                           .arg(objectName(), channel.appSimulate->AppItemName(), error.description()));
        }
    }
    m_updating = false;
    global::SetMainWindowEnabled(true);
}

void SimulationPage::ReadSequence_StatusChanged(int32_t sequenceStatus)
{
    if (!Registered())
        return;
    if (sequenceStatus == applet::SequenceState::ReadRequest) {
        m_seqGet->DoAction(applet::SequenceAction::Run);
    } else if (sequenceStatus == applet::SequenceState::ReadActive) {
        m_readSeen = true;
    } else if (sequenceStatus == applet::SequenceState::Ready && m_readSeen) {
        m_readSeen = false;
        m_seqGet->Adjust(); // the dataset takes what the device simulates
    }
}

void SimulationPage::WriteSequence_StatusChanged(int32_t sequenceStatus)
{
    if (!Registered())
        return;
    FollowForcedSequence(*m_seqSet, sequenceStatus);
    if (sequenceStatus != applet::SequenceState::Ready)
        return;
    const bool failed = SequenceFailed(*m_seqSet);
    if (failed) {
        // The device did not take the write: it simulates what it did before.
        applet::AppletTrace::Error(QStringLiteral("%1: %2 failed").arg(objectName(), m_seqSet->AppItemName()));
        RestorePrevious();
    }
    // The status line tells what the device does now: a simulation ended on
    // closing or by the last unticked box must not stay "set".
    if (!failed)
        ShowStatus(m_simulationWritten ? kSet : kEnded);
    if (m_closing)
        CloseLater(); // a channel still simulated is reported on closing
    else if (failed)
        dialogs::DialogService::instance().Warning(windowTitle(), FailureText(kNotTaken, *m_seqSet));
}

void SimulationPage::ReportNotTaken()
{
    dialogs::DialogService::instance().Warning(windowTitle(), GetTextFromResource(kNotTaken));
}

bool SimulationPage::Form_QueryUnload()
{
    if (!Connected(*m_appConnectionStatus))
        return true;
    bool simulating = false;
    for (const Channel& channel : m_channels)
        simulating = simulating || static_cast<int>(channel.appPollSimulate->UIntValue()) == 1;
    if (!simulating)
        return true;
    const dialogs::OwnTitle title = CloseTitle(*this);
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
