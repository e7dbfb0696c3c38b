#include "corvane/frame/ComponentSupport.h"
#include "mvtrivexhelper/clsDeviceInfo.h"
#include "pioextensions/IViewEx.h"
#include "platform/applet/AppletTrace.h"
#include "platform/automation/ComError.h"

namespace corvane {

std::shared_ptr<applet::clsAppletItemManager> RequireManager(const std::shared_ptr<IViewEx>& myView,
                                                             const QString& source)
{
    auto manager = myView ? myView->appletItemManagerRef() : nullptr;
    if (!manager) {
        const QString description = QStringLiteral("the view has no applet item manager");
        applet::AppletTrace::Error(QStringLiteral("%1.Register: %2").arg(source, description));
        throw automation::ComError(automation::E_FAIL_, description, source + QStringLiteral(".Register"));
    }
    return manager;
}

std::shared_ptr<IDeviceInfo> RegisteredDeviceInfo(const std::shared_ptr<applet::clsAppletItemManager>& manager)
{
    auto deviceInfo = std::make_shared<clsDeviceInfo>();
    deviceInfo->Register(manager);
    return deviceInfo;
}

QString Describe(const std::exception& error)
{
    if (const auto* com = dynamic_cast<const automation::ComError*>(&error))
        return com->description();
    return QString::fromLocal8Bit(error.what());
}

} // namespace corvane
