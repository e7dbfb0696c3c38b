#pragma once
// How many decimal places a display proposes for a measuring span.
// Implemented by clsGetDecimalPlaces.
#include <cstdint>

class IGetDecimalPlaces {
public:
    virtual ~IGetDecimalPlaces() = default;

    virtual int16_t GetDecimalPlaces(double span) = 0;
};
