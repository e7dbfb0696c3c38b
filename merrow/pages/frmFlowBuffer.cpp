#include "merrow/pages/frmFlowBuffer.h"
#include "merrow/pages/PageControls.h"
#include "pioextensions/IViewEx.h"
#include "pioitems/Ambient.h"
#include "pioitems/PioAppItem.h"
#include "pioitems/PioSequenceItem.h"
#include "platform/applet/AppletStates.h"
#include "platform/applet/AppletTrace.h"
#include "platform/controls/PioLabelComboUnit.h"
#include "platform/controls/PioLabelTextUnit.h"
#include "platform/dialogs/DialogService.h"
#include <QComboBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>
#include <cmath>
#include <utility>

using namespace pagecontrols;

namespace {

constexpr int kConnected = 2;
constexpr int16_t kCaption = 2613;       // "Flow Buffer"
constexpr int16_t kRunning = 2614;       // "Integration running"
constexpr int16_t kStopped = 2615;       // "Integration stopped"
constexpr int16_t kAskDelete = 2622;     // "Flow buffer is to be deleted! Proceed?"
constexpr int16_t kActionNotDone = 3997; // "The device did not carry out the totaliser action; ..."
constexpr int16_t kActionDone = 3998;    // "Totaliser action carried out in the device."
const QString kTimeGrey = QStringLiteral("color: #E0E0E0;");
const QString kTimeBlack = QStringLiteral("color: #000000;");

// The buttons: index (the value written), text id, whether the user confirms first.
struct ActionButton {
    int index;
    int16_t textId;
    const char* design;
    bool confirm;
};
constexpr ActionButton kButtons[frmFlowBuffer::kActions] = {
    {frmFlowBuffer::Stop, 2620, "Stop", false},
    {frmFlowBuffer::Start, 2619, "Start", false},
    {frmFlowBuffer::DeleteLastHour, 2627, "Delete last hour", true},
    {frmFlowBuffer::DeleteAllHours, 2628, "Delete all hours", true},
    {frmFlowBuffer::DeleteAllDays, 2630, "Delete all days", true},
    {frmFlowBuffer::DeleteAll, 2632, "Delete all", true},
};

// The unit item of the total, by the flow integrated.
struct UnitItem {
    int selection;
    const char* item;
};
constexpr UnitItem kUnitItems[] = {{1, "mvOutVolFlowUnit"}, {2, "mvOutMassFlowUnit"}};

} // namespace

frmFlowBuffer::frmFlowBuffer() : PioPage(QStringLiteral("frmFlowBuffer"), false, false)
{
    setProperty("Tag", QString::number(kCaption));
    setWindowTitle(QStringLiteral("Flow Buffer"));
    QWidget* controlsParent = m_cover.Controls();
    auto* column = new QVBoxLayout(controlsParent);

    for (const ActionButton& b : kButtons) {
        auto* button = new QPushButton(QLatin1String(b.design), controlsParent);
        button->setObjectName(QStringLiteral("cmdAction(%1)").arg(b.index));
        button->setProperty("Tag", QString::number(b.textId));
        button->setEnabled(false);
        connect(button, &QPushButton::clicked, this, [this, index = b.index] { cmdAction_Click(index); });
        m_actions[static_cast<size_t>(b.index)] = button;
    }

    QGroupBox* frame1 = TaggedFrame(controlsParent, QStringLiteral("Frame1"), 2626, QStringLiteral("Flow Buffer"));
    auto* grid = new QGridLayout(frame1);
    m_total = new controls::PioLabelTextUnit(frame1);
    m_total->setObjectName(QStringLiteral("lblFlowBufferTotal"));
    m_total->setProperty("Tag", QStringLiteral("2621"));
    m_total->SetObjectNameLabel(QStringLiteral("pidLoLim")); // the device's running total: shown, never edited
    m_total->SetUnitVisible(false);
    m_total->SetUpdateInterval(1);
    m_lblUnit = new QLabel(frame1);
    m_lblUnit->setObjectName(QStringLiteral("lblFlowUnit"));
    m_lblUnit->hide(); // shown with the unit of the flow chosen
    grid->addWidget(m_total, 0, 0, 1, 2);
    grid->addWidget(m_lblUnit, 0, 2);
    m_lblTime = new QLabel(QStringLiteral("..."), frame1);
    m_lblTime->setObjectName(QStringLiteral("lblFlowBufferTime"));
    grid->addWidget(TaggedLabel(frame1, QStringLiteral("Label2"), 2623, QStringLiteral("Flow Buffer Time")), 1, 0);
    grid->addWidget(m_lblTime, 1, 1);
    auto* format = new QLabel(QStringLiteral("d : h : min : s"), frame1);
    format->setObjectName(QStringLiteral("Label1"));
    grid->addWidget(format, 1, 2);
    for (int i = DeleteLastHour; i <= DeleteAll; ++i)
        grid->addWidget(m_actions[static_cast<size_t>(i)], 2 + (i - DeleteLastHour) / 2, (i - DeleteLastHour) % 2);
    column->addWidget(frame1);

    m_selection = new controls::PioLabelComboUnit(controlsParent);
    m_selection->setObjectName(QStringLiteral("cmbFlowBufferSelection"));
    m_selection->setProperty("Tag", QStringLiteral("2624"));
    m_selection->SetObjectNameCombo(QStringLiteral("pidModeBlkPermitted"));
    m_selection->SetUnitVisible(false);
    column->addWidget(m_selection);
    if (QComboBox* list = m_selection->EntryList())
        connect(list, &QComboBox::activated, this, [this] { cmbFlowBufferSelection_Activated(); });

    QGroupBox* frame2 = TaggedFrame(controlsParent, QStringLiteral("Frame2"), 2625, QStringLiteral("Status"));
    auto* row = new QHBoxLayout(frame2);
    row->addWidget(m_actions[Stop]);
    row->addWidget(m_actions[Start]);
    m_lblStatus = new QLabel(QStringLiteral("..."), frame2);
    m_lblStatus->setObjectName(QStringLiteral("lblStatus"));
    row->addWidget(m_lblStatus, 1);
    column->addWidget(frame2);
    column->addStretch(1);

    // Which value the item controls follow is set while the page is designed.
    pioitems::Ambient::SetUserMode(this, false);
    m_appMesswertauswahl = AppItem(this, QStringLiteral("appMesswertauswahl"), QStringLiteral("pidModeBlkPermitted"));
    m_appMesswertauswahlShadow =
        AppItem(this, QStringLiteral("appMesswertauswahlShadow"), QStringLiteral("pidModeBlkPermitted"));
    m_appMesswertauswahlShadow->SetRegisterOnShadow(true);
    m_appBufferAction = AppItem(this, QStringLiteral("appBufferAction"), QStringLiteral("pidModeBlkNormal"));
    m_appBufferAction->SetUpdateInterval(1);
    m_appPidInValue = AppItem(this, QStringLiteral("appPidInValue"), QStringLiteral("pidInValue"));
    m_appPidInValue->SetUpdateInterval(1);
    m_appFlowUnit = AppItem(this, QStringLiteral("appFlowUnit"), QString());
    m_appFlowUnit->SetUpdateInterval(1);
    m_appConnectionStatus = AppItem(this, QStringLiteral("appConnectionStatus"), QStringLiteral("&&private&&Connect"));
    AppItem(this, QStringLiteral("appUserLevel"), QStringLiteral("&&private&&UserLevel"));
    AppItem(this, QStringLiteral("appCountryCode"), QStringLiteral("&&private&&countrycode"));
    m_seqSetPidModeBlk = SequenceItem(this, QStringLiteral("seqSetPidModeBlk"), QStringLiteral("SetPidModeBlk"));
    pioitems::Ambient::SetUserMode(this, true);

    using pioitems::PioAppItem;
    connect(m_appConnectionStatus, &PioAppItem::ValueChanged, this, [this] { appConnectionStatus_ValueChanged(); });
    connect(m_appFlowUnit, &PioAppItem::ValueChanged, this, [this] { appFlowUnit_ValueChanged(); });
    connect(m_appMesswertauswahl, &PioAppItem::ValueChanged, this, [this] { appMesswertauswahl_ValueChanged(); });
    connect(m_appMesswertauswahlShadow, &PioAppItem::ValueChanged, this,
            [this] { appMesswertauswahlShadow_ValueChanged(); });
    connect(m_appBufferAction, &PioAppItem::ValueChanged, this, [this] { appBufferAction_ValueChanged(); });
    connect(m_appPidInValue, &PioAppItem::ValueChanged, this, [this] { appPidInValue_ValueChanged(); });
    connect(m_seqSetPidModeBlk, &pioitems::PioSequenceItem::StatusChanged, this,
            [this](int32_t status) { seqSetPidModeBlk_StatusChanged(status); });
}

int frmFlowBuffer::ConnectionState() const
{
    return static_cast<int>(std::lround(m_appConnectionStatus->StringValue().trimmed().toDouble()));
}

void frmFlowBuffer::EnableActions(int from, int to, bool enabled)
{
    for (int i = from; i <= to; ++i)
        m_actions[static_cast<size_t>(i)]->setEnabled(enabled);
}

bool frmFlowBuffer::ActionsUsable() const
{
    return m_appMesswertauswahl->UIntValue() > 0 && ConnectionState() == kConnected &&
           m_appMesswertauswahlShadow->UIntValue() > 0;
}

// The buttons are usable only while connected, with a flow chosen in both the
// device value and the edited value.
void frmFlowBuffer::appMesswertauswahlShadow_ValueChanged()
{
    if (!ActionsUsable())
        return;
    const int shadow = static_cast<int>(m_appMesswertauswahlShadow->UIntValue());
    EnableActions(DeleteLastHour, DeleteAll, true);
    const bool running = static_cast<int>(m_appBufferAction->UIntValue()) == Start;
    m_actions[Stop]->setEnabled(running);
    m_actions[Start]->setEnabled(!running);
    m_total->setVisible(true);
    m_lblUnit->setVisible(!m_lblUnit->text().isEmpty());
    const UnitItem* unit = nullptr;
    for (const UnitItem& u : kUnitItems)
        if (u.selection == shadow)
            unit = &u;
    if (!unit) {
        m_total->setVisible(false);
        m_lblUnit->setVisible(false);
        return;
    }
    const QString name = QLatin1String(unit->item);
    if (m_appFlowUnit->AppItemName() == name)
        return;
    m_appFlowUnit->SetAppItemName(name);
    const std::shared_ptr<IViewEx> view = viewRef();
    m_appFlowUnit->Register(view ? view->appletItemManagerRef() : nullptr);
    appFlowUnit_ValueChanged(); // the unit's present text, not only its next change
}

void frmFlowBuffer::appConnectionStatus_ValueChanged()
{
    if (ConnectionState() != kConnected) {
        m_lblTime->setStyleSheet(kTimeGrey);
        EnableActions(Stop, DeleteAll, false);
        return;
    }
    m_lblTime->setStyleSheet(kTimeBlack);
    appMesswertauswahlShadow_ValueChanged();
}

void frmFlowBuffer::appMesswertauswahl_ValueChanged()
{
    if (static_cast<int>(m_appMesswertauswahl->UIntValue()) == 0)
        EnableActions(Stop, DeleteAll, false);
    else
        appMesswertauswahlShadow_ValueChanged(); // the device value may arrive after the edited one
}

// Only a choice of the user resets the action: the notifications of the
// registration and of an upload carry the device's own state, which a
// running totaliser must keep showing.
void frmFlowBuffer::cmbFlowBufferSelection_Activated()
{
    if (!Registered())
        return;
    WrittenOrTold(*this, [&] { m_appBufferAction->SetUIntValue(Stop); });
}

void frmFlowBuffer::appBufferAction_ValueChanged()
{
    if (!Registered())
        return;
    const bool running = static_cast<int>(m_appBufferAction->UIntValue()) == Start;
    const int16_t text = running ? kRunning : kStopped;
    m_lblStatus->setText(GetTextFromResource(text));
    m_lblStatus->setProperty("TextId", text);
    m_actions[running ? Start : Stop]->setEnabled(false);
    // A started integration must be stoppable, and a stopped one startable again.
    if (ActionsUsable())
        m_actions[running ? Stop : Start]->setEnabled(true);
}

void frmFlowBuffer::appFlowUnit_ValueChanged()
{
    if (m_appFlowUnit->AppItemName().isEmpty())
        return;
    // "kg/s" gives "kg", "m³/h" "m³": the total counts the flow's quantity, not its rate.
    m_lblUnit->setText(m_appFlowUnit->UnitSymbol().section(QLatin1Char('/'), 0, 0));
    m_lblUnit->setVisible(m_total->isVisibleTo(this) && !m_lblUnit->text().isEmpty());
}

void frmFlowBuffer::appPidInValue_ValueChanged()
{
    if (!Registered())
        return;
    const QByteArray octets = m_appPidInValue->OctetValue().toByteArray();
    if (octets.size() < 4) {
        applet::AppletTrace::Error(QStringLiteral("frmFlowBuffer: integration time of %1 octets, 4 expected")
                                       .arg(octets.size()));
        return; // the label keeps its text
    }
    QStringList parts;
    for (int i = 0; i < 4; ++i)
        parts.append(QString::number(static_cast<uint8_t>(octets[i])));
    m_lblTime->setText(parts.join(QStringLiteral(" : ")));
}

void frmFlowBuffer::cmdAction_Click(int index)
{
    if (index < Stop || index > DeleteAll)
        return;
    // With no flow chosen there is no total to act on: a stop written instead
    // of the chosen action would report done for what was never done.
    if (static_cast<int>(m_appMesswertauswahl->UIntValue()) == 0) {
        applet::AppletTrace::Error(QStringLiteral("frmFlowBuffer: action %1 without a flow chosen").arg(index));
        return;
    }
    if (kButtons[index].confirm &&
        !dialogs::DialogService::instance().AskOkCancel(dialogs::OwnTitle{GetTextFromResource(kCaption)},
                                                        GetTextFromResource(kAskDelete),
                                                        dialogs::MessageIcon::Warning))
        return;
    const double before = m_appBufferAction->UIntValue();
    // A refused action is never sent: the device would do the action written before.
    if (!WrittenOrTold(*this, [&] { m_appBufferAction->SetUIntValue(index); }))
        return;
    if (ForceSequence(*m_seqSetPidModeBlk))
        m_actionBefore = before;
}

void frmFlowBuffer::seqSetPidModeBlk_StatusChanged(int32_t sequenceStatus)
{
    FollowForcedSequence(*m_seqSetPidModeBlk, sequenceStatus);
    if (sequenceStatus != applet::SequenceState::Ready || !m_actionBefore)
        return;
    const double before = *std::exchange(m_actionBefore, std::nullopt);
    if (!SequenceFailed(*m_seqSetPidModeBlk)) {
        ShowStatus(kActionDone);
        return;
    }
    // The device goes on as before: so does the dataset, or a later download
    // would carry out the action the device refused.
    const QString text = FailureText(kActionNotDone, *m_seqSetPidModeBlk);
    applet::AppletTrace::Error(QStringLiteral("frmFlowBuffer: %1").arg(text));
    WrittenOrTold(*this, [&] { m_appBufferAction->SetUIntValue(before); });
    dialogs::DialogService::instance().Warning(windowTitle(), text);
}

void frmFlowBuffer::OnFirstActivation()
{
    m_cover.SetCovered(false);
    // The registration's own notifications came before the page counted as
    // registered: show what the items hold now.
    appConnectionStatus_ValueChanged();
    appMesswertauswahl_ValueChanged();
    appBufferAction_ValueChanged();
    if (!m_appPidInValue->OctetValue().toByteArray().isEmpty())
        appPidInValue_ValueChanged();
}

void frmFlowBuffer::OnUnload()
{
    m_cover.SetCovered(true);
}
