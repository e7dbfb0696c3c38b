#include "pioitems/PioItemControl.h"
#include "pioitems/ControlErrors.h"
#include "platform/automation/ComError.h"

namespace pioitems {

PioItemControl::PioItemControl(const QString& className, const QString& facePrefix, QWidget* parent)
    : PioUserControl(className, parent), m_facePrefix(facePrefix)
{
    ShowName();
}

void PioItemControl::Register(const std::shared_ptr<applet::clsAppletItemManager>& AppletItemManagerRef)
{
    if (m_AppItemName.isEmpty())
        return;
    UnRegister();
    const QString context = Context("Register");
    m_registered = ControlErrors::Run(context, [&] {
        if (!AppletItemManagerRef)
            throw automation::ComError(automation::E_INVALIDARG_, QStringLiteral("No item manager"), context);
        RegisterItem(AppletItemManagerRef);
    });
    if (m_registered)
        OnRegistered();
}

void PioItemControl::UnRegister()
{
    if (!m_registered)
        return;
    ControlErrors::Run(Context("UnRegister"), [&] { UnRegisterItem(); });
    m_registered = false;
}

void PioItemControl::SetAppItemName(const QString& name)
{
    m_AppItemName = name;
    ShowName();
    MarkPropertyChanged(QStringLiteral("AppItemName"));
}

void PioItemControl::SetRegisterOnShadow(bool value)
{
    RequireDesignMode("RegisterOnShadow");
    m_RegisterOnShadow = value;
    MarkPropertyChanged(QStringLiteral("RegisterOnShadow"));
}

QString PioItemControl::Context(const char* member) const
{
    return QStringLiteral("%1.%2(%3)").arg(ClassName(), QLatin1String(member), m_AppItemName);
}

} // namespace pioitems
