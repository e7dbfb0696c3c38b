#pragma once
// Converts a value from one unit code to another on the bus the connected
// transmitter uses: through the base unit of the quantity, with the bus's
// table (UnitTable). The bus kind is asked of the converter's own device
// information on every call, so a converter made before the device is known
// converts with the right table once it is.
//
// No error leaves ChangeUnitValue; whenever the value cannot be converted it
// comes back unchanged, with a trace: before Register, a code outside 16 bits,
// a code the bus's table does not have (on either side: half a conversion
// would give a plainly wrong number), arithmetic that gives no finite number.
// Two equal codes give the value itself. Codes of different quantities are
// not refused (bar to l/s converts through both factors).
#include "mvtrivexhelper/IChangeUnitValue.h"
#include "platform/automation/ClassRegistry.h"
#include <memory>

class IDeviceInfo;

class clsChangeUnitValue : public automation::ComObject, public IChangeUnitValue {
public:
    // The first call creates and registers the device information; later
    // calls do nothing.
    QVariant Register(const std::shared_ptr<applet::clsAppletItemManager>& AppletItemManagerRef) override;
    double ChangeUnitValue(double Value, int32_t oldim, int32_t newdim) override;

private:
    bool m_registered = false;
    std::shared_ptr<IDeviceInfo> m_deviceInfo;
};
