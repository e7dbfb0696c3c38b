#include "corvane/frame/clsHandleDataBurn.h"
#include "mvtrivexhelper/Enumerations.h"
#include "corvane/frame/ComponentSupport.h"
#include "mvtrivexhelper/IDeviceInfo.h"
#include "pioextensions/IViewEx.h"
#include "pioextensions/enmRegMask.h"
#include "platform/applet/AppletStates.h"
#include "platform/applet/AppletTrace.h"
#include "platform/applet/clsAppletItemManager.h"
#include "platform/automation/ComError.h"
#include "platform/loop/TimerService.h"
#include <exception>

namespace {

const QString kSource = QStringLiteral("clsHandleDataBurn");
const QString kDiagnosisExtension = QStringLiteral("DiagnosisExtension");

// DATA_SAVE: a bit of the diagnosis extension's second byte.
constexpr int kDataSaveByte = 1;
constexpr int kDataSaveBit = static_cast<int>(enmDiagnosisExtension::DATA_SAVE);

} // namespace

clsHandleDataBurn::clsHandleDataBurn() = default;

clsHandleDataBurn::~clsHandleDataBurn()
{
    m_nextCheck.Cancel();
    for (const auto& sequence : {m_seqSetEnableBurnDelay1, m_seqDisableBurnDelay, m_seqCheckDataBurn})
        if (sequence)
            disconnect(sequence.get(), nullptr, this, nullptr);
}

void clsHandleDataBurn::Register(const std::shared_ptr<IViewEx>& myView)
{
    if (m_registered)
        return;
    const auto manager = corvane::RequireManager(myView, kSource);
    m_deviceInfo = corvane::RegisteredDeviceInfo(manager);
    m_items.Add(kDiagnosisExtension, true, 0);
    constexpr int16_t kStateAndControl = REGISTER_STATE | REGISTER_CONTROL;
    m_seqSetEnableBurnDelay1 = m_sequences.Add(QStringLiteral("SetEnableBurnDelay1"), false, 0, kStateAndControl);
    m_seqDisableBurnDelay = m_sequences.Add(QStringLiteral("SetDisableBurnDelay"), false, 0, kStateAndControl);
    m_seqCheckDataBurn = m_sequences.Add(QStringLiteral("CheckDataBurn"), false, 0, kStateAndControl);
    connect(m_seqSetEnableBurnDelay1.get(), &clsSequenceItem::StatusChanged, this,
            &clsHandleDataBurn::m_seqSetEnableBurnDelay1_StatusChanged, Qt::UniqueConnection);
    connect(m_seqDisableBurnDelay.get(), &clsSequenceItem::StatusChanged, this,
            &clsHandleDataBurn::m_seqDisableBurnDelay_StatusChanged, Qt::UniqueConnection);
    connect(m_seqCheckDataBurn.get(), &clsSequenceItem::StatusChanged, this,
            &clsHandleDataBurn::m_seqCheckDataBurn_StatusChanged, Qt::UniqueConnection);
    m_items.Register(manager);
    m_sequences.Register(manager);
    m_registered = true;
}

void clsHandleDataBurn::UnRegister()
{
    if (!m_registered)
        return;
    m_nextCheck.Cancel();
    m_items.UnRegister();
    m_sequences.UnRegister();
    m_registered = false;
}

void clsHandleDataBurn::Abort()
{
    m_abortPending = true;
}

void clsHandleDataBurn::m_seqDisableBurnDelay_StatusChanged(int32_t sequenceStatus)
{
    if (!m_registered)
        return;
    if (sequenceStatus == applet::SequenceState::WriteRequest) {
        m_disableRunning = true;
        m_seqDisableBurnDelay->DoAction(applet::SequenceAction::Run);
    } else if (sequenceStatus == applet::SequenceState::WriteActive) {
        m_disableRunning = true;
    } else if (sequenceStatus == applet::SequenceState::Ready && m_disableRunning) {
        // Only a run that ended starts the watch, not the ready state the
        // sequence shows when it is registered.
        m_disableRunning = false;
        // A new watch: an abort that came before it is not its abort.
        m_abortPending = false;
        m_dataSaveSeen = false;
        m_failureReason.clear();
        m_watching = true;
        m_watchStartMs = loop::TimerService::instance().NowMs();
        StartCheck();
    }
}

void clsHandleDataBurn::m_seqCheckDataBurn_StatusChanged(int32_t sequenceStatus)
{
    if (!m_registered)
        return;
    if (sequenceStatus == applet::SequenceState::ReadRequest) {
        // Within a watch an abort stays pending until the check ends: the
        // request of the next check must not swallow it.
        if (!m_watching)
            m_abortPending = false;
        m_seqCheckDataBurn->DoAction(applet::SequenceAction::Run);
        return;
    }
    // Only a watch polls: the ready state the sequence shows when it is
    // registered, or a check someone else ran, starts nothing.
    if (sequenceStatus != applet::SequenceState::Ready || !m_watching)
        return;
    if (m_abortPending) {
        EndOnAbort();
        return;
    }
    if (DataSaveSet()) {
        m_dataSaveSeen = true;
    } else if (m_dataSaveSeen) {
        m_dataSaveSeen = false;
        EndWatch(); // the save has begun and ended
        return;
    }
    if (loop::TimerService::instance().NowMs() - m_watchStartMs >= kWatchLimitMs) {
        Fail(QStringLiteral("the device did not %1 its data save within %2 s")
                 .arg(m_dataSaveSeen ? QStringLiteral("end") : QStringLiteral("begin"))
                 .arg(kWatchLimitMs / 1000));
        ReEnableBurnDelay();
        return;
    }
    ScheduleCheck();
}

void clsHandleDataBurn::m_seqSetEnableBurnDelay1_StatusChanged(int32_t sequenceStatus)
{
    if (m_registered && sequenceStatus == applet::SequenceState::WriteRequest)
        m_seqSetEnableBurnDelay1->DoAction(applet::SequenceAction::Run);
}

bool clsHandleDataBurn::DataSaveSet()
{
    const QByteArray bytes = m_items.Item(kDiagnosisExtension)->OctetValue().toByteArray();
    return bytes.size() > kDataSaveByte && (static_cast<uint8_t>(bytes[kDataSaveByte]) & kDataSaveBit) != 0;
}

void clsHandleDataBurn::StartCheck()
{
    try {
        m_seqCheckDataBurn->Start();
    } catch (const std::exception& error) {
        Fail(QStringLiteral("CheckDataBurn did not start: %1").arg(corvane::Describe(error)));
    }
}

void clsHandleDataBurn::ScheduleCheck()
{
    m_nextCheck = loop::TimerService::instance().SingleShot(
        kPollIntervalMs,
        [this] {
            if (!m_registered || !m_watching)
                return;
            // An abort that came during the pause ends the watch here.
            if (m_abortPending)
                EndOnAbort();
            else
                StartCheck();
        },
        this);
}

void clsHandleDataBurn::EndOnAbort()
{
    m_abortPending = false;
    applet::AppletTrace::Info(QStringLiteral("%1: the data-burn watch was aborted").arg(kSource));
    EndWatch();
    ReEnableBurnDelay();
}

void clsHandleDataBurn::EndWatch()
{
    m_nextCheck.Cancel();
    m_watching = false;
    m_dataSaveSeen = false;
}

void clsHandleDataBurn::ReEnableBurnDelay()
{
    if (!m_deviceInfo->DeviceCanBeBusy())
        return;
    try {
        m_seqSetEnableBurnDelay1->Force();
    } catch (const std::exception& error) {
        applet::AppletTrace::Error(
            QStringLiteral("%1: the burn delay was not switched on again: %2").arg(kSource, corvane::Describe(error)));
    }
}

void clsHandleDataBurn::Fail(const QString& why)
{
    EndWatch();
    m_failureReason = why;
    applet::AppletTrace::Error(QStringLiteral("%1: the data-burn watch failed: %2").arg(kSource, why));
}
