#include "corvane/frame/ctlBurnDelayHandler.h"
#include "corvane/frame/ConnectionState.h"
#include "corvane/frame/ComponentSupport.h"
#include "mvtrivexhelper/IDeviceInfo.h"
#include "pioitems/PioAppItem.h"
#include "pioitems/PioSequenceItem.h"
#include "platform/applet/AppletStates.h"
#include "platform/applet/AppletTrace.h"
#include "platform/automation/ComError.h"
#include "platform/loop/TimerService.h"
#include <exception>

namespace {

const QString kSource = QStringLiteral("ctlBurnDelayHandler");
constexpr int kRecordWriteActive = applet::RecordState::WriteActive; // switches the timer on

// Runs step; its error is traced and dropped.
template <class Fn>
void IgnoringErrors(const QString& what, Fn&& step)
{
    try {
        step();
    } catch (const std::exception& error) {
        applet::AppletTrace::Error(QStringLiteral("%1: %2: %3").arg(kSource, what, corvane::Describe(error)));
    }
}

template <class Control>
Control* Child(QWidget* parent, const char* objectName, const QString& item)
{
    auto* control = new Control(parent);
    control->setObjectName(QLatin1String(objectName));
    control->SetAppItemName(item);
    return control;
}

} // namespace

ctlBurnDelayHandler::ctlBurnDelayHandler(QWidget* parent)
    : QWidget(parent),
      m_seqSetEnableBurnDelayCyclic(Child<pioitems::PioSequenceItem>(this, "seqSetEnableBurnDelayCyclic",
                                                                      QStringLiteral("SetEnableBurnDelayCyclic"))),
      m_seqDisableBurnDelay(
          Child<pioitems::PioSequenceItem>(this, "seqDisableBurnDelay", QStringLiteral("SetDisableBurnDelay"))),
      m_appCurrentRecordState(
          Child<pioitems::PioAppItem>(this, "appCurrentRecordState", QStringLiteral("currentRecordState"))),
      m_appCurrentSequence(Child<pioitems::PioAppItem>(this, "appCurrentSequence", QStringLiteral("currentSequence"))),
      m_appConnectionStatus(Child<pioitems::PioAppItem>(this, "appConnectionStatus", corvane::kConnectItem)),
      m_Timer1(loop::TimerService::instance().CreateTimer())
{
    setObjectName(kObjectName);
    m_Timer1->SetInterval(kTimerIntervalMs);
    m_Timer1->SetCallback([this] { Timer1_Timer(); });
    connect(m_appCurrentRecordState, &pioitems::PioAppItem::ValueChanged2, this,
            &ctlBurnDelayHandler::appCurrentRecordState_ValueChanged2);
    connect(m_seqDisableBurnDelay, &pioitems::PioSequenceItem::StatusChanged, this,
            &ctlBurnDelayHandler::seqDisableBurnDelay_StatusChanged);
    connect(m_seqSetEnableBurnDelayCyclic, &pioitems::PioSequenceItem::StatusChanged, this,
            &ctlBurnDelayHandler::seqSetEnableBurnDelayCyclic_StatusChanged);
}

ctlBurnDelayHandler::~ctlBurnDelayHandler() = default;

bool ctlBurnDelayHandler::TimerEnabled() const
{
    return m_Timer1->IsActive();
}

QList<pioitems::PioItemProtocol*> ctlBurnDelayHandler::ChildControls() const
{
    QList<pioitems::PioItemProtocol*> controls;
    for (QObject* child : children())
        if (auto* protocol = dynamic_cast<pioitems::PioItemProtocol*>(child))
            controls.append(protocol);
    return controls;
}

void ctlBurnDelayHandler::Register(const std::shared_ptr<applet::clsAppletItemManager>& appletItemManagerRef)
{
    if (m_registered)
        return;
    m_deviceInfo = corvane::RegisteredDeviceInfo(appletItemManagerRef);
    for (pioitems::PioItemProtocol* control : ChildControls())
        if (control->Typ() == pioitems::kPioItemTyp)
            IgnoringErrors(QStringLiteral("Register"), [&] { control->Register(appletItemManagerRef); });
    m_registered = true;
}

void ctlBurnDelayHandler::UnRegister()
{
    if (!m_registered)
        return;
    for (pioitems::PioItemProtocol* control : ChildControls())
        if (control->Typ() == pioitems::kPioItemTyp)
            IgnoringErrors(QStringLiteral("UnRegister"), [&] { control->UnRegister(); });
    m_Timer1->Stop(); // nothing left to keep alive
    m_registered = false;
}

void ctlBurnDelayHandler::appCurrentRecordState_ValueChanged2(const QString& /*value*/, bool /*suppressRule*/)
{
    if (!m_registered || m_Timer1->IsActive())
        return;
    if (m_appCurrentRecordState->UIntValue() == kRecordWriteActive && m_deviceInfo->DeviceCanBeBusy())
        m_Timer1->Start();
}

void ctlBurnDelayHandler::Timer1_Timer()
{
    if (!m_registered)
        return;
    if (m_appConnectionStatus->UIntValue() != corvane::kConnected || !m_appCurrentSequence->StringValue().isEmpty())
        return; // the next tick tries again
    IgnoringErrors(QStringLiteral("SetEnableBurnDelayCyclic"), [&] { m_seqSetEnableBurnDelayCyclic->Force(true); });
}

void ctlBurnDelayHandler::seqSetEnableBurnDelayCyclic_StatusChanged(int32_t status)
{
    if (m_registered && status == applet::SequenceState::WriteRequest)
        m_seqSetEnableBurnDelayCyclic->DoAction(applet::SequenceAction::Run, true);
}

void ctlBurnDelayHandler::seqDisableBurnDelay_StatusChanged(int32_t status)
{
    if (m_registered && status == applet::SequenceState::Ready)
        m_Timer1->Stop();
}
