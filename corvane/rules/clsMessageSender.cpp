#include "corvane/rules/clsMessageSender.h"
#include "pioextensions/clsAppItem.h"

clsMessageSender::clsMessageSender() = default;

clsMessageSender::~clsMessageSender()
{
    if (m_registered && m_item)
        m_item->UnRegister();
}

void clsMessageSender::Register(const std::shared_ptr<applet::clsAppletItemManager>& AppletItemManagerRef)
{
    if (m_registered && m_item)
        m_item->UnRegister();
    m_registered = false;
    m_item = std::make_unique<clsAppItem>();
    m_item->Register(AppletItemManagerRef, QStringLiteral("ChangesByRevision"), false, 0);
    m_registered = true;
}

void clsMessageSender::send(const QString& message)
{
    if (m_registered && m_switchedOn)
        m_item->SetStringValue(message);
}
