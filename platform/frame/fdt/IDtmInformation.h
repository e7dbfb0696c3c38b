#pragma once
// The DTM information document (device types, versions, vendor).
#include <QString>

namespace fdt {

class IDtmInformation {
public:
    virtual ~IDtmInformation() = default;

    virtual QString GetInformation() = 0;
};

} // namespace fdt
