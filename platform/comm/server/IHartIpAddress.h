#pragma once
// What the communication server needs of the frame's communication object:
// the address of the device it is to talk to, as a HART-IP URL
// ("hart-ip://127.0.0.1:5094"). The frame's communication object implements it
// beside automation::ComObject; the server reads it at every connect, so the
// frame may change the address between connections.
#include <QString>

namespace comm {

class IHartIpAddress {
public:
    virtual ~IHartIpAddress() = default;
    virtual QString DeviceAddress() const = 0;
};

} // namespace comm
