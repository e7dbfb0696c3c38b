#pragma once
// What the transfer components share when they bind: the item manager of the
// frame view (raised as ComError when there is none), a device information
// object of their own, and the text of a caught error.
#include <QString>
#include <exception>
#include <memory>

class IDeviceInfo;
class IViewEx;
namespace applet {
class clsAppletItemManager;
}

namespace corvane {

// The view's item manager; traces and raises ComError (source + ".Register") when there is none.
std::shared_ptr<applet::clsAppletItemManager> RequireManager(const std::shared_ptr<IViewEx>& myView,
                                                             const QString& source);
// A device information object registered with manager.
std::shared_ptr<IDeviceInfo> RegisteredDeviceInfo(const std::shared_ptr<applet::clsAppletItemManager>& manager);
QString Describe(const std::exception& error);

} // namespace corvane
