#pragma once
// The frame's communication object that a DTM receives with SetCommunication
// and hands on to its communication server: it names the device it reaches.
#include <QString>

namespace fdt {

class IFdtCommunication {
public:
    virtual ~IFdtCommunication() = default;

    // The device address, e.g. "hart-ip://127.0.0.1:5094".
    virtual QString Address() const = 0;
};

} // namespace fdt
