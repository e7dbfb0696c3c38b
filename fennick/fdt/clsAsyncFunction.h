#pragma once
// One queued piece of deferred work of an frmAsyncFunction: its code.
#include <cstdint>

class clsAsyncFunction {
public:
    int16_t FunctionId = 0;
};
