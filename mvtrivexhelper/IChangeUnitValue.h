#pragma once
// Conversion of a value between two unit codes of the connected bus.
// Implemented by clsChangeUnitValue; members in slot order.
#include <QVariant>
#include <cstdint>
#include <memory>

namespace applet {
class clsAppletItemManager;
}

class IChangeUnitValue {
public:
    virtual ~IChangeUnitValue() = default;

    // Always an empty variant.
    virtual QVariant Register(const std::shared_ptr<applet::clsAppletItemManager>& AppletItemManagerRef) = 0;
    virtual double ChangeUnitValue(double Value, int32_t oldim, int32_t newdim) = 0;
};
