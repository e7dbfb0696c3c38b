#include "pioextensions/clsSequenceItem.h"
#include "pioextensions/ItemAccessReport.h"
#include "pioextensions/enmExeption.h"
#include "pioextensions/enmRegMask.h"
#include "platform/applet/AppletHost.h"
#include "platform/applet/AppletResults.h"
#include "platform/applet/AppletTrace.h"
#include "platform/applet/StateInfo.h"
#include "platform/applet/SubItemName.h"
#include "platform/applet/clsAppletItemManager.h"

namespace {

const QString kRegisterSource = QStringLiteral("clsSequenceItem.IAppItem_Register");
const QString kNotifySource = QStringLiteral("clsSequenceItem.IAppItem_OnNotifyChanged");

// How a refused start is raised, by operation.
struct RefusalRow {
    const char* operation;   // as the source names it
    bool busyIsOwnCode;      // busy raises SEQUENCE_BUSY, else every refusal is UNKNOWN_SEQUENCE
    const char* description;
};

constexpr RefusalRow kRefusals[] = {
    {"StartSequence", true, "Sequenz konnte nicht gestartet werden"},
    {"fncStartAdjust", false, "Sequenz unbekannt"},
};

} // namespace

clsSequenceItem::clsSequenceItem() = default;

clsSequenceItem::~clsSequenceItem()
{
    UnRegister();
}

void clsSequenceItem::Init(const QString& name, bool RegisterOnShadow, int16_t UpdateInterval, int16_t regMask,
                           QObject* eventHandler, const QString& methodName)
{
    m_name = name;
    m_registerOnShadow = RegisterOnShadow;
    m_updateInterval = UpdateInterval;
    m_regMask = regMask;
    m_eventHandler = eventHandler;
    m_methodName = methodName;
}

void clsSequenceItem::Register(const std::shared_ptr<applet::clsAppletItemManager>& appletItemManagerRef,
                               const QString& name, bool RegisterOnShadow, int16_t UpdateInterval, int16_t regMask,
                               QObject* eventHandler, const QString& methodName)
{
    Init(name, RegisterOnShadow, UpdateInterval, regMask, eventHandler, methodName);
    Register1(appletItemManagerRef);
}

void clsSequenceItem::Register1(const std::shared_ptr<applet::clsAppletItemManager>& appletItemManagerRef)
{
    UnRegister();
    m_binding.AttachWithSubItems(appletItemManagerRef, this, m_name, m_regMask, m_registerOnShadow,
                                 {
                                    {REGISTER_STATE, applet::SubItemKind::SequenceState, &m_stateHandle},
                                    {REGISTER_CONTROL, applet::SubItemKind::SequenceControl, &m_controlHandle},
                                 },
                                 kRegisterSource);
    m_registered = true;
}

void clsSequenceItem::UnRegister()
{
    if (!m_registered)
        return;
    m_binding.ReleaseWithSubItems({m_stateHandle, m_controlHandle}, m_registerOnShadow);
    m_registered = false;
}

void clsSequenceItem::OnNotifyChanged(int32_t& itemHandle, bool /*bShadow*/, int32_t lState, int32_t /*lUserLong*/)
{
    m_notifiedState = lState;
    if ((lState & applet::StateInfo::kShadowOnly) != 0 || itemHandle == 0 || itemHandle != m_stateHandle)
        return;
    int32_t status = 0;
    ItemViewBinding::RunStep(kNotifySource, [&] { status = m_binding.ReadStatus(m_stateHandle, kNotifySource); });
    ItemViewBinding::RunStep(kNotifySource, [&] { emit StatusChanged(status); });
    ItemViewBinding::CallHandler(m_eventHandler, m_methodName, {m_name, status}, kNotifySource);
}

void clsSequenceItem::DoAction(int32_t action)
{
    const QString source = QStringLiteral("clsSequenceItem.DoAction");
    if (!Manager())
        throw ItemAccessReport::Failure(source, QStringLiteral("%1 was never registered").arg(m_name));
    int32_t failed = 0;
    Manager()->fncPutUintValue(m_controlHandle, action, failed);
    ItemAccessReport::ReportAs(failed, source, QStringLiteral("fncPutUintValue fehlgeschlagen"));
}

double clsSequenceItem::SequenceState() const
{
    double value = 0;
    if (!Manager())
        return value;
    int32_t failed = 0;
    Manager()->fncReadUIntValue(m_stateHandle, value, m_registerOnShadow, failed);
    ItemAccessReport::ReportAs(failed, QStringLiteral("clsAppItem.SequenceState"),
                               QStringLiteral("Falsche Zugriffsfunktion"));
    return value;
}

void clsSequenceItem::Start()
{
    std::shared_ptr<applet::AppletHost> host = Host("StartSequence");
    int32_t result = 0;
    host->StartSequence(m_name, result);
    Refused("StartSequence", result);
}

void clsSequenceItem::Force()
{
    std::shared_ptr<applet::AppletHost> host = Host("StartSequence");
    int32_t result = 0;
    host->ForceSequence(m_name, result);
    Refused("StartSequence", result);
}

void clsSequenceItem::Adjust()
{
    std::shared_ptr<applet::AppletHost> host = Host("fncStartAdjust");
    int32_t result = 0;
    host->StartAdjust(m_name, result);
    Refused("fncStartAdjust", result);
}

QString clsSequenceItem::OperationSource(const char* operation) const
{
    return QStringLiteral("clsSequenceItem.%1(\"%2\")").arg(QLatin1String(operation), m_name);
}

std::shared_ptr<applet::AppletHost> clsSequenceItem::Host(const char* operation) const
{
    std::shared_ptr<applet::AppletHost> host;
    if (Manager())
        Manager()->GetApplet(host);
    if (!host)
        throw ItemAccessReport::Failure(OperationSource(operation),
                                        QStringLiteral("no applet host for %1 (never registered)").arg(m_name));
    return host;
}

void clsSequenceItem::Refused(const char* operation, int32_t result) const
{
    if (result == applet::kResultOk)
        return;
    const QString source = OperationSource(operation);
    for (const RefusalRow& row : kRefusals) {
        if (qstrcmp(row.operation, operation) != 0)
            continue;
        const int32_t code = row.busyIsOwnCode && result == applet::kResultBusy ? SEQUENCE_BUSY : UNKNOWN_SEQUENCE;
        const QString description = QString::fromUtf8(row.description);
        applet::AppletTrace::Error(QStringLiteral("%1: %2 (%3)").arg(source, description, applet::ResultText(result)));
        throw automation::ComError(code, description, source);
    }
}
