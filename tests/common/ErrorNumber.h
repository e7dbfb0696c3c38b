#pragma once
// The number of the ComError a call raises; 0 when it raises none.
#include "platform/automation/ComError.h"
#include <cstdint>
#include <functional>

inline int32_t ErrorNumber(const std::function<void()>& call)
{
    try {
        call();
    } catch (const automation::ComError& error) {
        return error.number();
    }
    return 0;
}
