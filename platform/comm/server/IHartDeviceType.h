#pragma once
// What guards a connect against a device the DTM instance does not serve.
//
// The frame's communication object knows the device type of the DTM instance
// it belongs to (the frame read it from the instance's dataset). When it
// implements IHartDeviceType, the communication server compares it with the
// identity the device reports in its answer to command 0 and refuses the
// connect on a mismatch, before any other command is sent. Either way it tells
// the object what it found: the refusal, or the device's identity and status.
#include "platform/comm/hart/HartIdentity.h"
#include <QString>
#include <QStringList>
#include <cstdint>

namespace comm {

struct HartDeviceType {
    uint16_t manufacturerId = 0;
    // A code of one byte is a device type of the manufacturer: the device
    // reports it as the expanded device type with the manufacturer id in the
    // upper byte. A larger code is the expanded device type itself.
    uint16_t deviceTypeId = 0;

    uint16_t ExpandedDeviceType() const;
    // True when the identity reports this manufacturer and expanded device type.
    bool Matches(const HartIdentity& identity) const;
    // "manufacturer 0x0063, expanded device type 0x6389"
    QString Text() const;

    // The ids as a device type document writes them, decimal or 0x-hexadecimal,
    // 0 to 0xFFFF each. False with the reason in error for anything else.
    static bool FromTexts(const QString& manufacturerId, const QString& deviceTypeId, HartDeviceType& type,
                          QString* error = nullptr);
};

// "manufacturer 0x0026, expanded device type 0x26A5"
QString IdentityText(uint16_t manufacturerId, uint16_t expandedDeviceType);

// What the server found when it connected to the device.
struct HartConnectReport {
    QString address;           // the HART-IP URL
    bool refused = false;      // the device is not of the served device type
    QString refusal;           // why, naming both identities
    HartIdentity identity;
    uint8_t deviceStatus = 0;  // the field device status of the answer to command 0
    // What command 48 reported, in words; empty when the device did not say
    // "more status available" or command 48 gave nothing readable.
    QStringList additionalStatus;
    // Why the last connect or session failed, in words; empty when none did.
    QString failure;
};

class IHartDeviceType {
public:
    virtual ~IHartDeviceType() = default;
    // The device type the DTM instance serves; read at every connect.
    virtual HartDeviceType ServedDeviceType() const = 0;
    // Called once per connect that got as far as the device's identity.
    virtual void OnDeviceIdentified(const HartConnectReport& report) = 0;
    // Why a connect or a session failed, in words (the connection was lost,
    // an answer was invalid, the device stayed busy, no answer in time).
    virtual void OnConnectionFailed(const QString& cause) { (void)cause; }
};

} // namespace comm
