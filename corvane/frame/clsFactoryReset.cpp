#include "corvane/frame/clsFactoryReset.h"
#include "corvane/frame/AbortRequest.h"
#include "mvtrivexhelper/clsDeviceInfo.h"
#include "pioextensions/IViewEx.h"
#include "pioextensions/enmRegMask.h"
#include "platform/applet/AppletStates.h"
#include "platform/applet/AppletTrace.h"
#include "platform/automation/ComError.h"
#include "platform/loop/TimerService.h"

namespace {

const QString kSource = QStringLiteral("clsFactoryReset");

// The busy response of each bus kind: the response byte to look at and how
// it reads busy. A bus without a row is never busy.
struct BusyRow {
    enmCommType bus;
    int index;
    bool (*busy)(uint8_t byte);
};
bool HartBusy(uint8_t responseCode)
{
    return responseCode == 32;
}
bool FieldbusBusy(uint8_t errorByte)
{
    return (errorByte >> 4) == 12 && (errorByte & 0x0F) == 2; // error class 12, error code 2
}
const BusyRow kBusyRows[] = {
    {enmCommType::HART, 1, &HartBusy},
    {enmCommType::PROFIBUS, 2, &FieldbusBusy},
    {enmCommType::ff, 2, &FieldbusBusy},
};
// A HART response is taken only with its command, response code and status.
constexpr int kHartMinimumBytes = 3;

} // namespace

clsFactoryReset::clsFactoryReset() = default;

clsFactoryReset::~clsFactoryReset()
{
    m_nextCheck.Cancel();
    for (QObject* sender : {static_cast<QObject*>(appCurrentResponseCode.get()),
                            static_cast<QObject*>(seqInitiateFactoryReset.get()),
                            static_cast<QObject*>(seqCheckBusy.get())})
        if (sender)
            disconnect(sender, nullptr, this, nullptr);
}

void clsFactoryReset::Register(const std::shared_ptr<IViewEx>& myView)
{
    if (m_registered)
        return;
    m_manager = myView ? myView->appletItemManagerRef() : nullptr;
    if (!m_manager) {
        const QString description = QStringLiteral("The view has no applet item manager");
        applet::AppletTrace::Error(QStringLiteral("%1.Register: %2").arg(kSource, description));
        throw automation::ComError(automation::E_FAIL_, description, kSource + QStringLiteral(".Register"));
    }
    m_view = myView;
    auto info = std::make_shared<clsDeviceInfo>();
    info->Register(m_manager);
    deviceInfo = info;
    appCurrentResponseCode = items.Add(kCurrentResponseCode, false, 0);
    connect(appCurrentResponseCode.get(), &clsAppItem::ValueChanged2, this,
            &clsFactoryReset::appCurrentResponseCode_ValueChanged2, Qt::UniqueConnection);
    const int16_t stateAndControl = REGISTER_STATE | REGISTER_CONTROL;
    seqInitiateFactoryReset = sequences.Add(kInitiateFactoryReset, false, 0, stateAndControl);
    seqCheckBusy = sequences.Add(kCheckBusy, false, 0, stateAndControl);
    connect(seqInitiateFactoryReset.get(), &clsSequenceItem::StatusChanged, this,
            &clsFactoryReset::seqInitiateFactoryReset_StatusChanged, Qt::UniqueConnection);
    connect(seqCheckBusy.get(), &clsSequenceItem::StatusChanged, this, &clsFactoryReset::seqCheckBusy_StatusChanged,
            Qt::UniqueConnection);
    items.Register(m_manager);
    sequences.Register(m_manager);
    m_registered = true;
}

void clsFactoryReset::UnRegister()
{
    if (!m_registered)
        return;
    m_nextCheck.Cancel();
    items.UnRegister();
    sequences.UnRegister();
    m_registered = false;
}

void clsFactoryReset::Abort()
{
    if (!m_resetRunning)
        return;
    applet::AppletTrace::Info(QStringLiteral("%1: the factory reset poll ends on an abort").arg(kSource));
    m_resetRunning = false;
    waitingForBusy = false;
    m_nextCheck.Cancel();
    // A check this poll asked for is not running yet, so the abort does not
    // stop it: it is refused when it asks to run.
}

void clsFactoryReset::seqInitiateFactoryReset_StatusChanged(int32_t sequenceStatus)
{
    if (!m_registered)
        return;
    if (sequenceStatus == applet::SequenceState::WriteRequest) {
        waitingForBusy = true;
        m_resetRunning = true;
        m_resetStartMs = loop::TimerService::instance().NowMs();
        seqInitiateFactoryReset->DoAction(applet::SequenceAction::Run);
    } else if (sequenceStatus == applet::SequenceState::Ready && m_resetRunning) {
        StartCheckBusy();
    }
}

void clsFactoryReset::seqCheckBusy_StatusChanged(int32_t sequenceStatus)
{
    if (!m_registered)
        return;
    if (sequenceStatus == applet::SequenceState::ReadRequest) {
        const bool startedByAbortedPoll = m_checkStarted && !m_resetRunning;
        m_checkStarted = false;
        seqCheckBusy->DoAction(startedByAbortedPoll ? applet::SequenceAction::Stop : applet::SequenceAction::Run);
    } else if (sequenceStatus == applet::SequenceState::Ready && m_resetRunning) {
        if (!waitingForBusy) {
            m_resetRunning = false; // the check after the busy response was the last
            return;
        }
        if (loop::TimerService::instance().NowMs() - m_resetStartMs >= kPollLimitMs) {
            Fail(QStringLiteral("the device has not shown itself busy within %1 s of the reset")
                     .arg(kPollLimitMs / 1000));
            return;
        }
        ScheduleCheckBusy();
    }
}

void clsFactoryReset::appCurrentResponseCode_ValueChanged2(const QString& /*Value*/, bool /*suppressRule*/)
{
    if (m_registered && IsDeviceBusy())
        waitingForBusy = false;
}

bool clsFactoryReset::IsDeviceBusy()
{
    const QByteArray response = appCurrentResponseCode->OctetValue().toByteArray();
    if (response.isEmpty())
        return false; // a record that has not answered yet
    const enmCommType bus = deviceInfo->CommType();
    for (const BusyRow& row : kBusyRows) {
        if (row.bus != bus)
            continue;
        const int needed = bus == enmCommType::HART ? kHartMinimumBytes : row.index + 1;
        if (response.size() < needed) {
            const QString description =
                QStringLiteral("a response of %1 bytes has no busy indication").arg(response.size());
            applet::AppletTrace::Error(QStringLiteral("%1.IsDeviceBusy: %2").arg(kSource, description));
            throw automation::ComError(automation::E_INVALIDARG_, description, kSource + QStringLiteral(".IsDeviceBusy"));
        }
        return row.busy(static_cast<uint8_t>(response[row.index]));
    }
    return false;
}

void clsFactoryReset::StartCheckBusy()
{
    try {
        m_checkStarted = true;
        seqCheckBusy->Start();
    } catch (const automation::ComError& error) {
        m_checkStarted = false;
        Fail(QStringLiteral("\"%1\" did not start: %2").arg(kCheckBusy, error.description()));
    }
}

void clsFactoryReset::ScheduleCheckBusy()
{
    m_nextCheck = loop::TimerService::instance().SingleShot(
        kPollIntervalMs,
        [this] {
            if (m_registered && m_resetRunning)
                StartCheckBusy();
        },
        this);
}

void clsFactoryReset::Fail(const QString& why)
{
    m_nextCheck.Cancel();
    m_resetRunning = false;
    waitingForBusy = false;
    applet::AppletTrace::Error(QStringLiteral("%1: the factory reset failed: %2").arg(kSource, why));
    corvane::RequestAbort(m_manager);
}
