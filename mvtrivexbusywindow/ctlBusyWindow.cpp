#include "mvtrivexbusywindow/ctlBusyWindow.h"
#include "mvtrivexbusywindow/frmBusyWindow.h"
#include <QLabel>

ctlBusyWindow::ctlBusyWindow(QWidget* parent) : PioUserControl(QStringLiteral("ctlBusyWindow"), parent)
{
    Face()->setObjectName(QStringLiteral("Label1"));
    SetFaceCaption(QStringLiteral("BusyWindow"));
}

ctlBusyWindow::~ctlBusyWindow()
{
    if (m_window) {
        const QSignalBlocker quiet(this);
        m_window->Form_Unload();
    }
}

void ctlBusyWindow::Register(const std::shared_ptr<applet::clsAppletItemManager>& AppletItemManagerRef)
{
    if (!m_window) {
        m_window = std::make_unique<frmBusyWindow>();
        m_window->SetOwnerControl(this);
    }
    // A window bound before lets go of its items first.
    m_window->Form_Unload();
    m_window->SetAppletItemManagerRef(AppletItemManagerRef);
    m_window->Form_Load();
}

void ctlBusyWindow::UnRegister()
{
    if (m_window)
        m_window->Form_Unload();
}

QWidget* ctlBusyWindow::GetParentForm() const
{
    return const_cast<ctlBusyWindow*>(this)->window();
}

void ctlBusyWindow::FitFace()
{
    Face()->adjustSize();
    if (size() != Face()->size())
        resize(Face()->size());
}
