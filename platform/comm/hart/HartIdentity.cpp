#include "platform/comm/hart/HartIdentity.h"

#include "platform/comm/hart/HartBytes.h"

namespace comm {

namespace {
constexpr uint8_t kExpansionCode = 254;
}

HartAddress HartIdentity::uniqueAddress(bool primaryMaster) const
{
    return HartAddress::unique(expandedDeviceType, deviceId, primaryMaster);
}

bool HartIdentity::decode(QByteArrayView data, HartIdentity& out, QString* error)
{
    if (data.size() < kMinimumSize) {
        if (error)
            *error = QStringLiteral("identity has %1 bytes, at least %2 expected").arg(data.size()).arg(kMinimumSize);
        return false;
    }
    HartDataReader r(data);
    if (r.u8() != kExpansionCode) {
        if (error)
            *error = QStringLiteral("identity does not start with %1").arg(kExpansionCode);
        return false;
    }
    HartIdentity id;
    id.expandedDeviceType = r.u16();
    id.requestPreambles = r.u8();
    id.universalRevision = r.u8();
    id.deviceRevision = r.u8();
    id.softwareRevision = r.u8();
    const uint8_t hw = r.u8();
    id.hardwareRevision = hw >> 3;
    id.physicalSignaling = hw & 0x07;
    id.flags = r.u8();
    id.deviceId = r.u24();
    if (id.universalRevision >= 7) {
        if (data.size() < kRevision7Size) {
            if (error)
                *error = QStringLiteral("revision %1 identity has %2 bytes, %3 expected")
                             .arg(id.universalRevision).arg(data.size()).arg(kRevision7Size);
            return false;
        }
        id.responsePreambles = r.u8();
        id.lastDeviceVariable = r.u8();
        id.configChangeCounter = r.u16();
        id.extendedDeviceStatus = r.u8();
        id.manufacturerId = r.u16();
        id.privateLabelDistributor = r.u16();
        id.deviceProfile = r.u8();
    } else {
        id.manufacturerId = id.expandedDeviceType >> 8;
    }
    out = id;
    return true;
}

} // namespace comm
