#pragma once
// The error numbers the item objects raise and report.
#include "platform/automation/ComError.h"
#include <cstdint>

enum enmExeption : int32_t {
    REGISTRATION_FAILED = automation::vbObjectError + 100, // 0x80040064
    INVALID_DATATYPE = automation::vbObjectError + 101,    // 0x80040065
    UNKNOWN_SEQUENCE = automation::vbObjectError + 102,    // 0x80040066
    SEQUENCE_BUSY = automation::vbObjectError + 103,       // 0x80040067
};
