#pragma once
// The identity a device reports in its answer to command 0 (and 11): enough
// to build its unique address and to tell what it is.
//
//   0 254 | 1-2 expanded device type | 3 preambles master to device
//   4 universal revision | 5 device revision | 6 software revision
//   7 hardware revision (bits 7..3) and physical signaling (2..0) | 8 flags
//   9-11 device id | from revision 7 on: 12 preambles device to master
//   13 last device variable code | 14-15 configuration change counter
//   16 extended device status | 17-18 manufacturer id
//   19-20 private label distributor | 21 device profile
#include "platform/comm/hart/HartFrame.h"
#include <QByteArrayView>
#include <QString>
#include <cstdint>

namespace comm {

struct HartIdentity {
    uint16_t expandedDeviceType = 0;
    uint8_t requestPreambles = 5;
    uint8_t universalRevision = 0;
    uint8_t deviceRevision = 0;
    uint8_t softwareRevision = 0;
    uint8_t hardwareRevision = 0;     // 5 bits
    uint8_t physicalSignaling = 0;    // 3 bits
    uint8_t flags = 0;
    uint32_t deviceId = 0;
    // Present from universal revision 7 on; zero otherwise.
    uint8_t responsePreambles = 0;
    uint8_t lastDeviceVariable = 0;
    uint16_t configChangeCounter = 0;
    uint8_t extendedDeviceStatus = 0;
    uint16_t manufacturerId = 0;      // before revision 7: the upper byte of the device type
    uint16_t privateLabelDistributor = 0;
    uint8_t deviceProfile = 0;

    HartAddress uniqueAddress(bool primaryMaster = true) const;

    static constexpr int kMinimumSize = 12;
    static constexpr int kRevision7Size = 22;
    // Decodes command 0 response data (without the status bytes). False with
    // a reason when the data is too short or does not start with 254.
    static bool decode(QByteArrayView data, HartIdentity& out, QString* error = nullptr);
};

} // namespace comm
