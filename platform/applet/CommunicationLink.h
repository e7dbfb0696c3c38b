#pragma once
// The link interface of a communication server: it takes the frame's
// communication object and schema path, and the device's tag and address.
// Header-only, like CServerRequestClass.
#include "platform/automation/ClassRegistry.h"
#include <QString>
#include <cstdint>
#include <memory>

namespace applet {

class CommunicationLink {
public:
    virtual ~CommunicationLink() = default;

    // The frame's communication object, or none to unlink; result 0 = linked.
    virtual void SetCommunication(const std::shared_ptr<automation::ComObject>& frameCommunication,
                                  int32_t& result) = 0;
    virtual void SetXmlSchemaPath(const QString& schemaPath) = 0;
    virtual void PutDeviceTagAddress(const QString& tagName, const QString& address) = 0;
    // The server may correct both.
    virtual void ExchangeDeviceTagAddress(QString& tagName, QString& address) = 0;
};

} // namespace applet
