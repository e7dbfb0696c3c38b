#include "platform/controls/PioCtrlItemHandler.h"
#include "platform/applet/StateInfo.h"
#include "platform/applet/clsAppletItemManager.h"
#include "platform/controls/ItemBoundControl.h"
#include "platform/controls/PioDisplayControl.h"
#include <cmath>

namespace controls {

namespace {

const QString kUserLevelItem = QStringLiteral("&&private&&UserLevel");
const QString kCountryCodeItem = QStringLiteral("&&private&&countrycode");

} // namespace

PioCtrlItemHandler::PioCtrlItemHandler() = default;

PioCtrlItemHandler::~PioCtrlItemHandler()
{
    DetachAll();
}

int32_t PioCtrlItemHandler::Register(QWidget* form, const std::shared_ptr<applet::clsAppletItemManager>& manager)
{
    if (IsRegistered())
        Unregister();
    m_controls.clear();
    m_displays.clear();
    if (!form || !manager)
        return -1;
    QList<QWidget*> widgets = form->findChildren<QWidget*>();
    widgets.prepend(form);
    for (QWidget* widget : widgets) {
        if (auto* control = dynamic_cast<ItemBoundControl*>(widget))
            m_controls.append({widget, control});
        if (auto* display = qobject_cast<PioDisplayControl*>(widget))
            m_displays.append(display);
    }
    int32_t result = 0;
    manager->RegisterView(shared_from_this(), result);
    return result;
}

void PioCtrlItemHandler::Unregister()
{
    if (const auto manager = m_manager) {
        int32_t result = 0;
        manager->UnregisterView(this, result);
    }
    m_manager.reset();
    m_userLevelHandle = -1;
    m_countryCodeHandle = -1;
    DetachAll();
}

void PioCtrlItemHandler::UpdateControls()
{
    for (const QPointer<PioDisplayControl>& display : QList<QPointer<PioDisplayControl>>(m_displays))
        if (display)
            display->Refresh();
    const QList<Bound> controls = m_controls; // a control's refresh may re-register
    for (const Bound& bound : controls)
        if (bound.widget && bound.control->IsValid())
            bound.control->RefreshFromItem();
}

void PioCtrlItemHandler::DetachAll()
{
    for (const QPointer<PioDisplayControl>& display : QList<QPointer<PioDisplayControl>>(m_displays))
        if (display)
            display->UnRegister();
    for (const Bound& bound : m_controls)
        if (bound.widget)
            bound.control->Detach();
}

void PioCtrlItemHandler::SetAppletItemManagRef(int32_t lViewHandle,
                                               const std::shared_ptr<applet::clsAppletItemManager>& manager,
                                               int32_t& result)
{
    m_manager = manager;
    m_viewHandle = lViewHandle;
    result = 0;
    if (!m_manager)
        return;
    for (const Bound& bound : m_controls) {
        if (!bound.widget || bound.control->ItemName().isEmpty())
            continue;
        int32_t handle = -1;
        int32_t failed = 0;
        m_manager->RegisterItem(bound.control->ItemName(), false, lViewHandle, handle, 0, 0, failed);
        bound.control->Attach(m_manager, failed == 0 ? handle : -1);
    }
    const auto registerOwn = [&](const QString& name, int32_t& handle) {
        int32_t failed = 0;
        m_manager->RegisterItem(name, false, lViewHandle, handle, 0, 0, failed);
        if (failed != 0)
            handle = -1;
    };
    registerOwn(kUserLevelItem, m_userLevelHandle);
    registerOwn(kCountryCodeItem, m_countryCodeHandle);
    const int32_t userLevel = ReadNumber(m_userLevelHandle, 0);
    const int32_t countryCode = ReadNumber(m_countryCodeHandle, 1);
    for (const QPointer<PioDisplayControl>& display : QList<QPointer<PioDisplayControl>>(m_displays))
        if (display)
            display->Register(manager, userLevel, countryCode); // the parameter: m_manager may go meanwhile
}

int32_t PioCtrlItemHandler::ReadNumber(int32_t handle, int32_t fallback) const
{
    double value = 0;
    int32_t failed = 0;
    if (!m_manager || handle <= 0)
        return fallback;
    m_manager->fncGetUIntValue(handle, value, failed);
    return failed == 0 && std::isfinite(value) ? static_cast<int32_t>(std::lround(value)) : fallback;
}

void PioCtrlItemHandler::Destroy(int32_t& result)
{
    m_manager.reset();
    DetachAll();
    result = 0;
}

void PioCtrlItemHandler::NotifyChanged(int32_t lAppletItemHandle, bool, int32_t lStateInfo, int32_t,
                                       int32_t& result)
{
    if (!m_manager) {
        result = 1;
        return;
    }
    result = 0;
    if (lAppletItemHandle == m_userLevelHandle) {
        const int32_t level = ReadNumber(m_userLevelHandle, 0);
        for (const QPointer<PioDisplayControl>& display : QList<QPointer<PioDisplayControl>>(m_displays))
            if (display)
                display->SetUserLevel(level);
    }
    // Controls show dataset values; a change of the device's value alone is not theirs.
    if ((lStateInfo & applet::StateInfo::kShadowOnly) != 0)
        return;
    const QList<Bound> controls = m_controls; // a control's refresh may re-register
    for (const Bound& bound : controls)
        if (bound.widget && bound.control->ItemHandle() == lAppletItemHandle)
            bound.control->RefreshFromItem();
}

} // namespace controls
