#include "merrow/shell/PioPage.h"
#include "merrow/shell/global.h"
#include "pioextensions/IViewEx.h"
#include "pioitems/PioControlItemHandler.h"
#include "pioitems/PioSequenceItem.h"
#include "platform/applet/AppletTrace.h"
#include <QCloseEvent>

PioPage::PioPage(const QString& name, bool restoreWidth, bool restoreHeight, QWidget* parent)
    : QWidget(parent), m_restoreWidth(restoreWidth), m_restoreHeight(restoreHeight)
{
    setObjectName(name);
    m_handler = new pioitems::PioControlItemHandler(this);
    m_handler->setObjectName(QStringLiteral("PioControlItemHandler1"));
}

PioPage::~PioPage() = default;

QString PioPage::GetTextFromResource(int16_t iTextID) const
{
    try {
        return global::LoadLocalizedText(iTextID);
    } catch (const std::exception& error) {
        applet::AppletTrace::Error(QStringLiteral("%1.GetTextFromResource(%2): %3")
                                       .arg(objectName())
                                       .arg(iTextID)
                                       .arg(QString::fromLocal8Bit(error.what())));
        return QString();
    }
}

void PioPage::UpdatePioControls()
{
    m_handler->UpdatePioControls();
}

void PioPage::Form_Load()
{
    if (m_loaded)
        return;
    global::LocalizeForm(*this);
    global::RestoreFormPosition(*this, m_restoreWidth, m_restoreHeight);
    m_loaded = true;
    OnLoad();
}

void PioPage::Form_Activate()
{
    if (m_registered || m_unloaded)
        return;
    const auto view = viewRef();
    const auto manager = view ? view->appletItemManagerRef() : nullptr;
    if (!manager) {
        applet::AppletTrace::Error(QStringLiteral("%1: no item manager at the first activation").arg(objectName()));
        return;
    }
    m_handler->Register1(this, manager);
    m_registered = true;
    for (auto* sequence : findChildren<pioitems::PioSequenceItem*>())
        connect(sequence, &pioitems::PioSequenceItem::ActionDropped, this, [] { global::SetMainWindowEnabled(true); });
    OnFirstActivation();
}

void PioPage::Form_Unload()
{
    if (m_unloaded)
        return;
    m_unloaded = true;
    global::SaveFormPosition(*this, m_restoreWidth, m_restoreHeight);
    OnUnload();
    if (m_registered) {
        m_handler->UnRegister();
        m_registered = false;
    }
}

void PioPage::closeEvent(QCloseEvent* event)
{
    Form_Unload();
    QWidget::closeEvent(event);
}
