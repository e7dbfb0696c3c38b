#include "corvane/frame/AbortRequest.h"
#include "platform/applet/AppletTrace.h"
#include "platform/applet/clsAppletItemManager.h"
#include "platform/automation/ComError.h"

namespace corvane {

namespace {

const QString kSource = QStringLiteral("Corvane.RequestAbort");

[[noreturn]] void Fail(int32_t number, const QString& description)
{
    applet::AppletTrace::Error(QStringLiteral("%1: %2").arg(kSource, description));
    throw automation::ComError(number, description, kSource);
}

} // namespace

void RequestAbort(const std::shared_ptr<applet::clsAppletItemManager>& manager)
{
    if (!manager)
        Fail(automation::E_INVALIDARG_, QStringLiteral("no item manager to request the abort at"));
    const int32_t handle = manager->HandleOf(kAbortSequencesItem);
    if (handle == 0)
        Fail(automation::E_INVALIDARG_, QStringLiteral("the item %1 is unknown").arg(kAbortSequencesItem));
    for (const QString& value : {QStringLiteral("0"), QStringLiteral("1")}) {
        int32_t failed = 0;
        manager->fncPutString(handle, value, failed);
        if (failed != 0)
            Fail(failed, QStringLiteral("writing %1 to %2 failed").arg(value, kAbortSequencesItem));
    }
}

} // namespace corvane
