#include "corvane/frame/clsHTMLPrintOut.h"
#include "pioextensions/clsAppItem.h"
#include "platform/applet/clsAppletItemManager.h"

void clsHTMLPrintOut::SetAppletItemManagRef(int32_t lViewHandle,
                                            const std::shared_ptr<applet::clsAppletItemManager>& manager,
                                            int32_t& result)
{
    m_manager = manager;
    m_viewHandle = lViewHandle;
    {
        clsAppItem generate;
        generate.Register(m_manager, kGenerateHTMLPrintOut, false, 0);
        generate.SetStringValue(QStringLiteral("1"));
    }
    int32_t unregistered = 0;
    m_manager->UnregisterView(this, unregistered);
    result = 0;
}

void clsHTMLPrintOut::Destroy(int32_t& result)
{
    if (m_manager) {
        int32_t unregistered = 0;
        m_manager->UnregisterView(this, unregistered);
    }
    result = 0;
}
