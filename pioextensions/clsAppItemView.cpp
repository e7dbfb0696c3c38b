#include "pioextensions/clsAppItemView.h"
#include "pioextensions/IAppItem.h"

void clsAppItemView::SetAppletItemManagRef(int32_t lViewHandle,
                                           const std::shared_ptr<applet::clsAppletItemManager>& manager,
                                           int32_t& result)
{
    m_viewHandle = lViewHandle;
    m_manager = manager;
    result = 0;
    if (m_handover)
        m_handover(lViewHandle, manager, result);
}

void clsAppItemView::Show(int32_t& result)
{
    result = 0;
}

void clsAppItemView::Hide(int32_t& result)
{
    result = 0;
}

void clsAppItemView::Destroy(int32_t& result)
{
    result = 0;
}

void clsAppItemView::NotifyChanged(int32_t lAppletItemHandle, bool bShadowValue, int32_t lStateInfo,
                                   int32_t lUserLong, int32_t& result)
{
    if (m_owner)
        m_owner->OnNotifyChanged(lAppletItemHandle, bShadowValue, lStateInfo, lUserLong);
    result = 0;
}
