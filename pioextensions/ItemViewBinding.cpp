#include "pioextensions/ItemViewBinding.h"
#include "pioextensions/Module1.h"
#include "pioextensions/clsAppItemView.h"
#include "pioextensions/enmExeption.h"
#include "platform/applet/AppletTrace.h"
#include "platform/applet/clsAppletItemManager.h"
#include "platform/automation/CallByName.h"
#include "pioextensions/ItemAccessReport.h"
#include <cmath>
#include <exception>

ItemViewBinding::~ItemViewBinding()
{
    ReleaseView();
}

void ItemViewBinding::Attach(const std::shared_ptr<applet::clsAppletItemManager>& manager, IAppItem* owner,
                             const QString& itemName, clsAppItemView::Handover handover)
{
    ReleaseView();
    m_manager = manager;
    m_view = std::make_shared<clsAppItemView>();
    m_view->SetOwner(owner);
    m_view->SetHandover(std::move(handover));
    int32_t result = 0;
    m_manager->RegisterView(m_view, result);
    if (result != 0)
        applet::AppletTrace::Error(QStringLiteral("The item manager refused the view of %1 (0x%2)")
                                       .arg(itemName)
                                       .arg(static_cast<uint32_t>(result), 8, 16, QLatin1Char('0')));
}

void ItemViewBinding::ReleaseView()
{
    if (!m_view)
        return;
    m_view->SetOwner(nullptr);
    m_view->SetHandover({});
    if (m_manager) {
        int32_t result = 0;
        m_manager->UnregisterView(m_view.get(), result);
    }
    m_view.reset();
}

int32_t ItemViewBinding::RegisterSubItem(const QString& subItemName, bool shadow, const QString& source)
{
    int32_t handle = 0;
    int32_t failed = 0;
    m_manager->RegisterItem(subItemName, shadow, ViewHandle(), handle, 0, 0, failed);
    if (failed == 0)
        return handle;
    Module1::ReportItemError(REGISTRATION_FAILED, source,
                             QStringLiteral("Registrierung von %1 fehlgeschlagen").arg(subItemName));
    return 0;
}

void ItemViewBinding::UnregisterSubItem(int32_t handle, bool shadow)
{
    if (!m_manager)
        return;
    int32_t failed = 0;
    m_manager->UnregisterItem(ViewHandle(), handle, shadow, failed);
}

void ItemViewBinding::AttachWithSubItems(const std::shared_ptr<applet::clsAppletItemManager>& manager,
                                         IAppItem* owner, const QString& itemName, int16_t regMask, bool shadow,
                                         std::initializer_list<SubItemSlot> subItems, const QString& source)
{
    if (!manager)
        throw ItemAccessReport::Failure(source, QStringLiteral("Registrierung von %1 fehlgeschlagen").arg(itemName));
    Attach(manager, owner, itemName);
    for (const SubItemSlot& entry : subItems)
        if ((regMask & entry.bit) != 0)
            *entry.handle = RegisterSubItem(itemName + applet::SubItemName::Marker(entry.kind), shadow, source);
}

void ItemViewBinding::ReleaseWithSubItems(std::initializer_list<int32_t> handles, bool shadow)
{
    for (const int32_t handle : handles)
        UnregisterSubItem(handle, shadow);
    ReleaseView();
}

int32_t ItemViewBinding::ViewHandle() const
{
    return m_view ? m_view->ViewHandle() : 0;
}

bool ItemViewBinding::CallHandler(QObject* handler, const QString& methodName, const QVariantList& args,
                                  const QString& source)
{
    if (!handler || methodName.isEmpty())
        return false;
    try {
        const automation::CallResult result = automation::CallByName(handler, methodName, args);
        if (result == automation::CallResult::Called)
            return true;
        applet::AppletTrace::Error(QStringLiteral("%1: handler %2 not called: %3")
                                       .arg(source, methodName, automation::CallResultText(result)));
    } catch (const automation::ComError& error) {
        applet::AppletTrace::Error(QStringLiteral("%1: handler %2 failed: %3 (0x%4, %5)")
                                       .arg(source, methodName, error.description())
                                       .arg(static_cast<uint32_t>(error.number()), 8, 16, QLatin1Char('0'))
                                       .arg(error.source()));
    } catch (const std::exception& error) {
        applet::AppletTrace::Error(QStringLiteral("%1: handler %2 failed: %3")
                                       .arg(source, methodName, QString::fromLocal8Bit(error.what())));
    }
    return false;
}

int32_t ItemViewBinding::ReadStatus(int32_t stateHandle, const QString& source) const
{
    double value = 0;
    int32_t failed = 0;
    if (m_manager)
        m_manager->fncGetUIntValue(stateHandle, value, failed);
    ItemAccessReport::ReportAs(failed, source, QStringLiteral("fncGetUIntValue fehlgeschlagen"));
    return std::isfinite(value) ? static_cast<int32_t>(std::lround(value)) : 0;
}

void ItemViewBinding::TraceStepError(const QString& source)
{
    try {
        throw;
    } catch (const automation::ComError& error) {
        applet::AppletTrace::Error(QStringLiteral("%1: %2 (0x%3, %4)")
                                       .arg(source, error.description())
                                       .arg(static_cast<uint32_t>(error.number()), 8, 16, QLatin1Char('0'))
                                       .arg(error.source()));
    } catch (const std::exception& error) {
        applet::AppletTrace::Error(QStringLiteral("%1: %2").arg(source, QString::fromLocal8Bit(error.what())));
    } catch (...) {
        applet::AppletTrace::Error(QStringLiteral("%1: unknown error").arg(source));
    }
}
