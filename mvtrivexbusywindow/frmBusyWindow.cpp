#include "mvtrivexbusywindow/frmBusyWindow.h"
#include "mvtrivexbusywindow/CountryTexts.h"
#include "mvtrivexbusywindow/ctlBusyWindow.h"
#include "mvtrivexhelper/clsDeviceInfo.h"
#include "pioextensions/IViewEx.h"
#include "pioitems/Ambient.h"
#include "pioitems/PioAppItem.h"
#include "pioitems/PioControlItemHandler.h"
#include "pioitems/PioSequenceItem.h"
#include "platform/applet/AppletTrace.h"
#include "platform/applet/SubItemName.h"
#include "platform/loop/TimerService.h"
#include <QCloseEvent>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QVBoxLayout>
#include <algorithm>
#include <cmath>
#include <functional>
#include <utility>
#include <vector>

namespace {

const QString kSource = QStringLiteral("MVTrivexBusyWindow.frmBusyWindow");

// ---- Text numbers of the string table ----
constexpr int kTextCancel = 101;
constexpr int kTextDeviceBusy = 102;
constexpr int kTextDataSaveUnconfirmed = 130;
constexpr int kTextDataSave = 105;

// ---- What a running sequence shows, first matching row wins ----
enum class Match { Exact, Prefix };
enum class Effect { None, Hold, HoldAndResetPending, ReleaseHold };
struct SequenceRow {
    Match match;
    std::vector<const char*> names;
    int text; // 0: the label stays as it is
    bool cancelEnabled;
    Effect effect;
};
const std::vector<SequenceRow>& SequenceTable()
{
    static const std::vector<SequenceRow> table = {
        {Match::Exact, {"GetDeviceInfo"}, 106, false, Effect::None},
        {Match::Exact, {"InitiateFactoryReset"}, 107, false, Effect::HoldAndResetPending},
        {Match::Exact, {"SetDisableBurnDelay"}, 105, true, Effect::Hold},
        {Match::Exact, {"SetUserCurvePoint"}, 108, true, Effect::Hold},
        {Match::Exact, {"CloseUserCurve"}, 0, true, Effect::ReleaseHold},
        {Match::Exact, {"GetUserCurve"}, 109, true, Effect::None},
        {Match::Exact, {"SetUserCurve"}, 108, true, Effect::None},
        {Match::Exact, {"GetRangeValues"}, 110, false, Effect::None},
        {Match::Exact, {"GetTemperatureCalPoints", "GetStaticPressureCalPoints", "GetPtrbCalPoints"}, 111, false,
         Effect::None},
        {Match::Exact,
         {"SetPtrbCalPointLo", "SetPtrbCalPointHi", "SetPtrbTemperatureTrimValue", "SetPtrbStaticPressureCalPointHi",
          "SetPtrbStaticPressureCalPointLo"},
         112, false, Effect::None},
        {Match::Exact, {"SetAiSimulation", "SetMvSimulation"}, 113, false, Effect::None},
        {Match::Exact, {"GetMvSimulation", "GetAiSimulation"}, 119, false, Effect::None},
        {Match::Exact, {"GetDiagnosis"}, 114, false, Effect::None},
        {Match::Exact, {"SetSecondaryVariable1Zero"}, 115, false, Effect::None},
        {Match::Exact, {"SetPtrbUpperRangeValue", "SetPtrbLowerRangeValue"}, 116, false, Effect::None},
        {Match::Exact,
         {"ResetEventCounter0", "ResetEventCounter1", "ResetEventCounter2", "ResetEventCounter3", "ResetMaxValues0",
          "ResetMaxValues1", "ResetMaxValues2", "ResetMaxValues3"},
         117, false, Effect::None},
        {Match::Exact, {"SetParallelShiftData"}, 118, false, Effect::None},
        {Match::Exact, {"GetParallelShiftData"}, 103, false, Effect::None},
        {Match::Prefix, {"upload"}, 103, true, Effect::None},
        {Match::Prefix, {"download"}, 104, true, Effect::None},
    };
    return table;
}
// Any other name.
const SequenceRow kOtherSequence{Match::Exact, {}, 0, true, Effect::None};

const SequenceRow& RowOf(const QString& name)
{
    for (const SequenceRow& row : SequenceTable())
        for (const char* candidate : row.names)
            if (row.match == Match::Exact ? name == QLatin1String(candidate)
                                          : name.startsWith(QLatin1String(candidate)))
                return row;
    return kOtherSequence;
}

// The chains whose sequences follow one another under one bar: the first
// characters of their sequences' names.
const char* const kChains[] = {"upload", "download"};

QString ChainOf(const QString& name)
{
    for (const char* chain : kChains)
        if (name.startsWith(QLatin1String(chain), Qt::CaseInsensitive))
            return QLatin1String(chain);
    return QString();
}

// Names that hold the window without showing anything, and names that change nothing.
const char* const kHoldingChecks[] = {"CheckDataBurn", "CheckBusy"};
const char* const kIgnoredSequences[] = {"SetEnableBurnDelayCyclic"};
// File transfers, and the new dataset written from the default datasets,
// disable the main window without the busy window: they are no device
// sequences, so there is no progress or state of theirs to follow.
const char* const kFileTransfers[] = {"ReadFile", "WriteFile", "ReadDefaultdataset"};

template <size_t N>
bool OneOf(const QString& name, const char* const (&names)[N])
{
    for (const char* candidate : names)
        if (name == QLatin1String(candidate))
            return true;
    return false;
}

// ---- The answers that report a busy device, by bus kind ----
constexpr int kHartResponseOctet = 1;
constexpr int kHartBusy = 32;
constexpr int kFieldbusStatusOctet = 2;
constexpr int kFieldbusBusyClass = 12;
constexpr int kFieldbusBusyDetail = 2;

// The diagnosis extension's octet and bit that report a running data save.
constexpr int kDataSaveOctet = 1;
constexpr uint8_t kDataSaveBit = 0x02;

constexpr int kSequenceAdjustActive = 128;
constexpr int kProgressMaximum = 100;

// Runs one step; a failure is traced and the window carries on.
void Step(const char* what, const std::function<void()>& step)
{
    try {
        step();
    } catch (const std::exception& error) {
        applet::AppletTrace::Error(
            QStringLiteral("%1.%2: %3").arg(kSource, QLatin1String(what), QString::fromLocal8Bit(error.what())));
    }
}

} // namespace

frmBusyWindow::frmBusyWindow() : QWidget(nullptr, Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint)
{
    setObjectName(QStringLiteral("frmBusyWindow"));
    m_lblDeviceStatus = new QLabel(this);
    m_lblDeviceStatus->setObjectName(QStringLiteral("lblDeviceStatus"));
    m_lblDeviceStatus->setAlignment(Qt::AlignCenter);
    m_progressBar = new QProgressBar(this);
    m_progressBar->setObjectName(QStringLiteral("progressBar"));
    m_progressBar->setRange(0, kProgressMaximum);
    m_progressBar->setValue(0);
    m_progressBar->setTextVisible(true);
    m_progressBar->setAlignment(Qt::AlignCenter);
    m_progressBar->setFormat(QString());
    m_cmdCancel = new QPushButton(this);
    m_cmdCancel->setObjectName(QStringLiteral("cmdCancel"));
    m_cmdCancel->setProperty("Tag", QString::number(kTextCancel));
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(m_lblDeviceStatus);
    layout->addWidget(m_progressBar);
    layout->addWidget(m_cmdCancel, 0, Qt::AlignHCenter);
    resize(340, 130);

    // The item controls' design-time settings.
    pioitems::Ambient::SetUserMode(this, false);
    m_handler = new pioitems::PioControlItemHandler(this);
    m_handler->setObjectName(QStringLiteral("PioControlItemHandler1"));
    m_handler->SetStandAlone(true);
    m_appCountryCode = AppItem("appCountryCode", "&&private&&countrycode");
    m_appDiagnosisExtension = AppItem("appDiagnosisExtension", "diagnosisExtension");
    m_appDiagnosisExtension->SetRegisterOnShadow(true);
    m_appCurrentSequence = AppItem("appCurrentSequence", "currentSequence");
    m_appCurrentResponseCode = AppItem("appCurrentResponseCode", "currentResponseCode");
    m_appConnectionStatus = AppItem("appConnectionStatus", "&&private&&Connect");
    m_appAbortSequences = AppItem("appAbortSequences", "abortSequences");
    m_appCurrentRecord = AppItem("appCurrentRecord", "currentRecord");
    m_appSequenceProgress = AppItem("appSequenceProgress", "");
    m_sequenceItem = new pioitems::PioSequenceItem(this);
    m_sequenceItem->setObjectName(QStringLiteral("sequenceItem"));
    m_sequenceItem->SetRegisterControlItem(false);
    pioitems::Ambient::SetUserMode(this, true);

    using pioitems::PioAppItem;
    connect(m_appCurrentSequence, &PioAppItem::ValueChanged, this, [this] { appCurrentSequence_ValueChanged(); });
    connect(m_appCurrentResponseCode, &PioAppItem::ValueChanged, this, [this] { appCurrentResponseCode_ValueChanged(); });
    connect(m_appSequenceProgress, &PioAppItem::ValueChanged, this, &frmBusyWindow::appSequenceProgress_ValueChanged);
    connect(m_appDiagnosisExtension, &PioAppItem::ValueChanged, this, [this] { appDiagnosisExtension_ValueChanged(); });
    connect(m_appAbortSequences, &PioAppItem::ValueChanged, this, [this] { appAbortSequences_ValueChanged(); });
    connect(m_appConnectionStatus, &PioAppItem::ValueChanged, this, [this] { appConnectionStatus_ValueChanged(); });
    connect(m_cmdCancel, &QPushButton::clicked, this, [this] { cmdCancel_Click(); });

    m_timer1 = loop::TimerService::instance().CreateTimer([this] { Timer1_Timer(); });
    m_timer1->SetInterval(kTimerIntervalMs);
}

frmBusyWindow::~frmBusyWindow() = default;

pioitems::PioAppItem* frmBusyWindow::AppItem(const char* name, const char* item)
{
    auto* control = new pioitems::PioAppItem(this);
    control->setObjectName(QLatin1String(name));
    control->SetAppItemName(QLatin1String(item));
    return control;
}

void frmBusyWindow::SetAppletItemManagerRef(const std::shared_ptr<applet::clsAppletItemManager>& manager)
{
    m_manager = manager;
}

int frmBusyWindow::CountryCode() const
{
    return static_cast<int>(std::lround(m_appCountryCode->UIntValue()));
}

QString frmBusyWindow::Text(int n) const
{
    return mvtrivexbusywindow::LoadCountryText(CountryCode(), n);
}

// ---- Lifecycle ----

void frmBusyWindow::Form_Load()
{
    if (m_loaded)
        return;
    // The values the items push while they register are not reacted to: not loaded yet.
    m_handler->Register1(this, m_manager);
    Step("Form_Load", [&] { mvtrivexbusywindow::LocalizeForm(*this, CountryCode()); });
    Step("Form_Load", [&] {
        auto deviceInfo = std::make_shared<clsDeviceInfo>();
        m_deviceInfo = deviceInfo;
        deviceInfo->Register(m_manager);
    });
    m_loaded = true;
    m_timer1->Start();
    // A sequence that already runs is shown at once.
    appCurrentSequence_ValueChanged();
    appCurrentResponseCode_ValueChanged();
}

void frmBusyWindow::Form_Unload()
{
    if (!m_loaded)
        return;
    if (m_owner)
        m_owner->RaiseEnableWindow();
    m_timer1->Stop();
    hide();
    m_handler->UnRegister();
    m_loaded = false;
    // A later load starts as a new window would.
    m_deviceInfo.reset();
    m_shown = m_hold = m_letGo = m_resetPending = m_dataSaveSeen = false;
    m_dataSaveStartMs = -1;
    m_chain.clear();
    m_chainSteps = 0;
    m_lastHartResponse = m_lastFieldbusClass = 0;
    m_lastSequence.clear();
    m_appSequenceProgress->SetAppItemName(QString());
    m_sequenceItem->SetAppItemName(QString());
    m_lblDeviceStatus->clear();
    m_progressBar->setFormat(QString());
    m_progressBar->setValue(0);
}

bool frmBusyWindow::event(QEvent* event)
{
    if (event->type() == QEvent::WindowActivate && m_loaded)
        Form_Activate();
    return QWidget::event(event);
}

void frmBusyWindow::closeEvent(QCloseEvent* event)
{
    event->ignore();
}

void frmBusyWindow::Form_Activate()
{
    if (m_deviceInfo)
        Step("Form_Activate", [&] { setWindowTitle(m_deviceInfo->DeviceIdentName()); });
}

// ---- Item reactions ----

void frmBusyWindow::appCurrentSequence_ValueChanged()
{
    if (!m_loaded)
        return;
    const QString value = m_appCurrentSequence->StringValue();
    const QString trimmed = value.trimmed();
    const QString previous = std::exchange(m_lastSequence, trimmed);
    if (trimmed.isEmpty()) {
        // A check has read the diagnosis extension: that is the device's
        // report even when it read what it read before, which notifies no change.
        if (OneOf(previous, kHoldingChecks))
            appDiagnosisExtension_ValueChanged();
        HideBusyWindow();
        return;
    }
    if (OneOf(trimmed, kHoldingChecks)) {
        m_hold = !m_letGo;
        return;
    }
    if (OneOf(trimmed, kIgnoredSequences))
        return;
    if (OneOf(trimmed, kFileTransfers)) {
        if (m_owner)
            m_owner->RaiseDisableWindow();
        return;
    }
    BindSequence(value);
    // The bar shows how far the work is, the label what it is: the sequence's
    // name is the description's, not the user's. The sequences of one chain
    // share the bar, which goes on where the one before left it.
    const QString chain = ChainOf(trimmed);
    if (!chain.isEmpty() && chain == m_chain) {
        ++m_chainSteps;
    } else {
        m_chain = chain;
        m_chainSteps = 0;
        m_progressBar->setValue(0);
    }
    m_progressBar->setFormat(QStringLiteral("%p%"));
    m_cmdCancel->setEnabled(true);
    if (std::lround(m_sequenceItem->SequenceState()) == kSequenceAdjustActive)
        return;
    const SequenceRow& row = RowOf(value);
    if (row.text != 0)
        m_lblDeviceStatus->setText(Text(row.text));
    m_cmdCancel->setEnabled(row.cancelEnabled);
    if (row.effect == Effect::Hold || row.effect == Effect::HoldAndResetPending)
        m_letGo = false;
    switch (row.effect) {
    case Effect::Hold:
        m_hold = true;
        if (row.text == kTextDataSave && m_dataSaveStartMs < 0)
            m_dataSaveStartMs = loop::TimerService::instance().NowMs();
        break;
    case Effect::HoldAndResetPending:
        m_hold = true;
        m_resetPending = true;
        break;
    case Effect::ReleaseHold:
        m_hold = false;
        break;
    case Effect::None:
        break;
    }
    ShowBusyWindow();
}

// The progress and state of the sequence that runs; a repeated name keeps its registration.
void frmBusyWindow::BindSequence(const QString& name)
{
    const QString progress = applet::SubItemName::Compose(applet::SubItemKind::SequenceProgress, name);
    if (m_appSequenceProgress->IsRegistered() && m_appSequenceProgress->AppItemName() == progress)
        return;
    const auto manager = ParentManager();
    Step("BindSequence", [&] {
        m_appSequenceProgress->SetAppItemName(progress);
        m_appSequenceProgress->Register(manager);
        m_sequenceItem->SetAppItemName(name);
        m_sequenceItem->Register(manager);
    });
}

// The manager of the view that shows the form carrying the control; the
// window's own when that form has none.
std::shared_ptr<applet::clsAppletItemManager> frmBusyWindow::ParentManager() const
{
    if (m_owner)
        if (const auto* form = dynamic_cast<const IPioForm*>(m_owner->GetParentForm()))
            if (const auto view = form->viewRef())
                if (auto manager = view->appletItemManagerRef())
                    return manager;
    return m_manager;
}

void frmBusyWindow::appCurrentResponseCode_ValueChanged()
{
    if (!m_loaded || !m_deviceInfo)
        return;
    enmCommType bus = enmCommType::HART;
    bool known = false;
    Step("appCurrentResponseCode", [&] {
        bus = m_deviceInfo->CommType();
        known = true;
    });
    if (!known)
        return;
    // The code holds as many octets as the record's answer had; what it lacks is not read.
    const QByteArray octets = m_appCurrentResponseCode->OctetValue().toByteArray();
    const bool sequenceEmpty = m_appCurrentSequence->StringValue().trimmed().isEmpty();
    switch (bus) {
    case enmCommType::HART: {
        if (octets.size() <= kHartResponseOctet)
            return;
        const int octet = static_cast<uint8_t>(octets[kHartResponseOctet]);
        if (octet == 0) {
            if (sequenceEmpty && m_lastHartResponse != 0)
                HideBusyWindow();
        } else if (octet == kHartBusy) {
            m_lblDeviceStatus->setText(Text(kTextDeviceBusy));
            m_cmdCancel->setEnabled(false);
            ShowBusyWindow();
        }
        m_lastHartResponse = octet;
        break;
    }
    case enmCommType::PROFIBUS:
    case enmCommType::ff: {
        if (octets.size() <= kFieldbusStatusOctet)
            return;
        const int status = static_cast<uint8_t>(octets[kFieldbusStatusOctet]);
        const int statusClass = (status & 0xF0) / 16;
        const int detail = status & 0x0F;
        if (statusClass == 0) {
            m_cmdCancel->setEnabled(true);
            if (sequenceEmpty && m_lastFieldbusClass != 0)
                HideBusyWindow();
        } else if (statusClass == kFieldbusBusyClass && detail == kFieldbusBusyDetail) {
            m_cmdCancel->setEnabled(false);
            m_lblDeviceStatus->setText(Text(kTextDeviceBusy));
            ShowBusyWindow();
        }
        m_lastFieldbusClass = statusClass;
        break;
    }
    }
}

void frmBusyWindow::appSequenceProgress_ValueChanged(const QString& value)
{
    if (!m_loaded)
        return;
    bool ok = false;
    const double progress = value.trimmed().toDouble(&ok);
    if (ok && std::isfinite(progress))
        m_progressBar->setValue(
            ChainProgress(static_cast<int>(std::lround(std::clamp(progress, 0.0, double(kProgressMaximum))))));
    else
        applet::AppletTrace::Error(QStringLiteral("%1: the progress \"%2\" is no number").arg(kSource, value));
}

// The length of a chain is not known while it runs: each further sequence
// takes half of what is left of the bar, so the bar only moves forward.
int frmBusyWindow::ChainProgress(int sequenceProgress) const
{
    if (m_chain.isEmpty())
        return sequenceProgress;
    const double share = std::ldexp(1.0, -(m_chainSteps + 1)); // 1/2, 1/4, ...
    const double done = kProgressMaximum * (1.0 - 2 * share);
    const double value = m_chainSteps == 0 ? sequenceProgress * 0.5 : done + sequenceProgress * share;
    return std::max(m_progressBar->value(), static_cast<int>(std::lround(value)));
}

void frmBusyWindow::appDiagnosisExtension_ValueChanged()
{
    if (!m_loaded)
        return;
    const QByteArray octets = m_appDiagnosisExtension->OctetValue().toByteArray();
    if (octets.size() <= kDataSaveOctet) {
        applet::AppletTrace::Error(
            QStringLiteral("%1: a diagnosis extension of %2 octets tells nothing of the data save").arg(kSource).arg(octets.size()));
        return;
    }
    if (static_cast<uint8_t>(octets[kDataSaveOctet]) & kDataSaveBit) {
        m_dataSaveSeen = true;
    } else if (m_dataSaveSeen || m_resetPending) {
        m_dataSaveSeen = false;
        m_hold = false;
        m_resetPending = false;
        m_dataSaveStartMs = -1;
        HideBusyWindow();
    }
}

void frmBusyWindow::LetGo()
{
    m_letGo = true;
    m_hold = false;
    m_resetPending = false;
    m_dataSaveSeen = false;
    m_dataSaveStartMs = -1;
    if (m_loaded && m_appCurrentSequence->StringValue().trimmed().isEmpty())
        HideBusyWindow();
}

void frmBusyWindow::appAbortSequences_ValueChanged()
{
    if (!m_loaded)
        return;
    if (m_appAbortSequences->StringValue().trimmed().toDouble() == 1) {
        m_hold = false;
        m_dataSaveStartMs = -1;
    }
}

void frmBusyWindow::appConnectionStatus_ValueChanged()
{
    if (std::lround(m_appConnectionStatus->UIntValue()) != 0)
        return;
    m_chain.clear(); // a transfer does not go on over a new connection
    if (m_shown)
        HideBusyWindow();
}

void frmBusyWindow::cmdCancel_Click()
{
    // A "1" left by an earlier request would be no change, and the abort
    // would be lost: every request writes "0" first.
    m_appAbortSequences->SetStringValue(QStringLiteral("0"));
    m_appAbortSequences->SetStringValue(QStringLiteral("1"));
    if (m_appCurrentSequence->StringValue().trimmed().isEmpty())
        HideBusyWindow();
}

void frmBusyWindow::Timer1_Timer()
{
    // A device that does not end its data save would hold the window, and the
    // main window with it, for good: after the limit the window says so and lets go.
    if (m_hold && m_dataSaveStartMs >= 0 &&
        loop::TimerService::instance().NowMs() - m_dataSaveStartMs >= kDataSaveLimitMs) {
        const int seconds = kDataSaveLimitMs / 1000;
        applet::AppletTrace::Error(
            QStringLiteral("%1: the device did not end its data save within %2 s").arg(kSource).arg(seconds));
        m_lblDeviceStatus->setText(Text(kTextDataSaveUnconfirmed).replace(QStringLiteral("%1"), QString::number(seconds)));
        m_hold = false;
        m_dataSaveSeen = false;
        m_dataSaveStartMs = -1;
        if (m_owner)
            m_owner->RaiseDataSaveUnconfirmed(seconds);
        HideBusyWindow();
        return;
    }
    if (m_appCurrentSequence->StringValue().trimmed().isEmpty() && isVisible())
        HideBusyWindow();
}

// ---- Showing and hiding ----

void frmBusyWindow::ShowBusyWindow()
{
    if (m_shown)
        return;
    m_shown = true;
    Step("ShowBusyWindow", [&] {
        if (m_owner)
            m_owner->RaiseDisableWindow();
    });
    Step("ShowBusyWindow", [&] {
        CenterOnParent();
        show();
    });
}

void frmBusyWindow::HideBusyWindow()
{
    if (m_hold)
        return;
    m_shown = false;
    Step("HideBusyWindow", [&] {
        if (m_owner)
            m_owner->RaiseEnableWindow();
    });
    Step("HideBusyWindow", [&] { hide(); });
}

void frmBusyWindow::CenterOnParent()
{
    if (!m_owner)
        return;
    const QWidget* parent = m_owner->GetParentForm();
    if (!parent || parent == m_owner)
        return;
    const QRect outer = parent->frameGeometry();
    const QRect own = frameGeometry();
    move(outer.left() + outer.width() / 2 - own.width() / 2, outer.top() + outer.height() / 2 - own.height() / 2);
}
