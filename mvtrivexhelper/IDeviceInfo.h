#pragma once
// What device code asks about the connected transmitter: bus kind, module,
// software revision, multivariable function and block mode, country code and
// a display name. Implemented by clsDeviceInfo; members in slot order.
#include "mvtrivexhelper/Enumerations.h"
#include <QString>
#include <QVariant>
#include <cstdint>
#include <memory>

namespace applet {
class clsAppletItemManager;
}

class IDeviceInfo {
public:
    virtual ~IDeviceInfo() = default;

    virtual int16_t CountryCode() = 0;
    virtual QString DeviceIdentName() = 0;
    virtual enmCommType CommType() = 0;
    virtual bool MvFunctionEnabled() = 0;
    virtual bool PidEnabled() = 0;
    virtual enmModuleType ModuleType() = 0;
    virtual QString softwareRevision() = 0;
    // softwareRevisionEx: a QByteArray of the extended revision octets
    // (element 0 the least significant), or anything else when there is none.
    virtual QString ExtractSoftwareRevision(const QString& softwareRevision,
                                            const QVariant& softwareRevisionEx = QVariant()) = 0;
    virtual bool DeviceCanBeBusy() = 0;
    // Always an empty variant.
    virtual QVariant Register(const std::shared_ptr<applet::clsAppletItemManager>& AppletItemManagerRef) = 0;
    virtual int32_t MvActualBlockMode() = 0;
    virtual int16_t GetPtrbLinTypeCode(enmPtrbLinType linType) = 0;
};
