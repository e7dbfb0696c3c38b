#include "merrow/shell/clsMainView.h"
#include "merrow/shell/frmMain.h"
#include "merrow/shell/frmSplash.h"
#include "merrow/shell/global.h"
#include "platform/applet/AppletTrace.h"
#include "platform/applet/clsAppletItemManager.h"

clsMainView::clsMainView() = default;

std::shared_ptr<clsMainView> clsMainView::Create()
{
    std::shared_ptr<clsMainView> view(new clsMainView());
    view->m_splash = new frmSplash();
    view->m_splash->show();
    view->m_splash->repaint();
    view->m_main = new ::frmMain();
    view->m_main->setViewRef(view);
    global::SetMainWindow(view->m_main);
    return view;
}

clsMainView::~clsMainView()
{
    delete m_splash;
    delete m_main;
}

void clsMainView::SetAppletItemManagRef(int32_t lViewHandle,
                                        const std::shared_ptr<applet::clsAppletItemManager>& manager, int32_t& result)
{
    m_viewHandle = lViewHandle;
    m_manager = manager;
    result = 0;
}

void clsMainView::Show(int32_t& result)
{
    result = 0;
    if (!m_main)
        return;
    m_main->MDIForm_Load();
    global::SetTopMost(*m_main, true);
    m_main->show();
    delete m_splash;
    global::SetTopMost(*m_main, false);
    m_main->activateWindow();
}

void clsMainView::Hide(int32_t& result)
{
    result = 0;
    if (m_main)
        m_main->hide();
}

void clsMainView::Destroy(int32_t& result)
{
    result = 0;
    if (!m_main)
        return;
    // The unload unregisters the view, which lets go of the window.
    QPointer<::frmMain> window = m_main;
    // The host ends the view: the window unloads even when a page would rather stay.
    window->LeaveChangesToTheFrame();
    window->MDIForm_Unload();
    if (window)
        window->close();
    if (window)
        window->deleteLater();
    m_main = nullptr;
    global::SetMainWindow(nullptr);
    global::gDeviceInfo.reset();
}

void clsMainView::UnRegisterView()
{
    // Each step goes on past a failure of the one before.
    const auto self = shared_from_this();
    if (m_main)
        m_main->deleteLater();
    m_main = nullptr;
    try {
        if (m_manager) {
            int32_t result = 0;
            m_manager->UnregisterView(this, result);
        }
    } catch (const std::exception& error) {
        applet::AppletTrace::Error(QStringLiteral("clsMainView.UnRegisterView: %1").arg(QString::fromLocal8Bit(error.what())));
    }
    m_manager.reset();
}
