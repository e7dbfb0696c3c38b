#include "pioextensions/clsRecordItem.h"
#include "pioextensions/ItemAccessReport.h"
#include "pioextensions/enmExeption.h"
#include "pioextensions/enmRegMask.h"
#include "platform/applet/StateInfo.h"
#include "platform/applet/SubItemName.h"
#include "platform/applet/clsAppletItemManager.h"

namespace {

const QString kRegisterSource = QStringLiteral("clsRecordItem.IAppItem_Register");
const QString kNotifySource = QStringLiteral("clsRecordItem.OnNotifyChanged");

} // namespace

clsRecordItem::clsRecordItem() = default;

clsRecordItem::~clsRecordItem()
{
    UnRegister();
}

void clsRecordItem::Init(const QString& name, bool RegisterOnShadow, int16_t UpdateInterval, int16_t regMask,
                         QObject* eventHandler, const QString& methodName)
{
    m_name = name;
    m_registerOnShadow = RegisterOnShadow;
    m_updateInterval = UpdateInterval;
    m_regMask = regMask;
    m_eventHandler = eventHandler;
    m_methodName = methodName;
}

void clsRecordItem::Register(const std::shared_ptr<applet::clsAppletItemManager>& appletItemManagerRef,
                             const QString& name, bool RegisterOnShadow, int16_t UpdateInterval, int16_t regMask,
                             QObject* eventHandler, const QString& methodName)
{
    Init(name, RegisterOnShadow, UpdateInterval, regMask, eventHandler, methodName);
    Register1(appletItemManagerRef);
}

void clsRecordItem::Register1(const std::shared_ptr<applet::clsAppletItemManager>& appletItemManagerRef)
{
    UnRegister();
    m_binding.AttachWithSubItems(appletItemManagerRef, this, m_name, m_regMask, m_registerOnShadow,
                                 {
                                    {REGISTER_STATE, applet::SubItemKind::RecordState, &m_stateHandle},
                                    {REGISTER_RESPONSE, applet::SubItemKind::RecordResponse, &m_responseHandle},
                                    {REGISTER_CONTROL, applet::SubItemKind::RecordResponseControl, &m_responseControlHandle},
                                 },
                                 kRegisterSource);
    m_registered = true;
}

void clsRecordItem::UnRegister()
{
    if (!m_registered)
        return;
    m_binding.ReleaseWithSubItems({m_stateHandle, m_responseHandle, m_responseControlHandle}, m_registerOnShadow);
    m_registered = false;
}

void clsRecordItem::OnNotifyChanged(int32_t& itemHandle, bool /*bShadow*/, int32_t lState, int32_t /*lUserLong*/)
{
    m_notifiedState = lState;
    if ((lState & applet::StateInfo::kShadowOnly) != 0 || itemHandle == 0)
        return;
    if (itemHandle == m_stateHandle) {
        int32_t status = 0;
        ItemViewBinding::RunStep(kNotifySource, [&] { status = m_binding.ReadStatus(m_stateHandle, kNotifySource); });
        ItemViewBinding::RunStep(kNotifySource, [&] { emit StatusChanged(status); });
        ItemViewBinding::CallHandler(m_eventHandler, m_methodName, {m_name, status}, kNotifySource);
    } else if (itemHandle == m_responseHandle) {
        QByteArray bytes;
        ItemViewBinding::RunStep(kNotifySource, [&] {
            int32_t failed = 0;
            Manager()->fncGetOctetsValue(m_responseHandle, bytes, failed);
            ItemAccessReport::ReportAs(failed, kNotifySource, QStringLiteral("fncGetOctetsValue fehlgeschlagen"));
        });
        ItemViewBinding::RunStep(kNotifySource, [&] { emit ResponseCatched(bytes); });
    }
}

void clsRecordItem::DoAction(int32_t action)
{
    const QString source = QStringLiteral("clsRecordItem.DoAction");
    if (!Manager())
        throw ItemAccessReport::Failure(source, QStringLiteral("%1 was never registered").arg(m_name));
    int32_t failed = 0;
    Manager()->fncPutUintValue(m_responseControlHandle, action, failed);
    ItemAccessReport::ReportAs(failed, source, QStringLiteral("fncPutUintValue fehlgeschlagen"));
}

QByteArray clsRecordItem::ResponseCode() const
{
    const QString source = QStringLiteral("clsRecordItem.ResponseCode");
    if (!Manager())
        throw ItemAccessReport::Failure(source, QStringLiteral("%1 was never registered").arg(m_name));
    QByteArray bytes;
    int32_t failed = 0;
    Manager()->fncGetOctetsValue(m_responseHandle, bytes, failed);
    ItemAccessReport::ReportAs(failed, source, QStringLiteral("Falsche Zugriffsfunktion"));
    return bytes;
}
