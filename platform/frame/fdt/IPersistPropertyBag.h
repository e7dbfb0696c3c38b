#pragma once
// How the frame persists a DTM instance: a new instance is initialised, a
// stored one is read from its property bag, and an instance writes itself
// into a property bag whenever the frame saves it.
#include "platform/automation/PropertyBag.h"

namespace fdt {

class IPersistPropertyBag {
public:
    virtual ~IPersistPropertyBag() = default;

    virtual void InitProperties() = 0;
    virtual void ReadProperties(const automation::PropertyBag& bag) = 0;
    virtual void WriteProperties(automation::PropertyBag& bag) = 0;
};

} // namespace fdt
