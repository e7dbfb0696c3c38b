#pragma once
// Which sub-items of a record or sequence an item registers.
#include <cstdint>

enum enmRegMask : int16_t {
    REGISTER_STATE = 1,    // "&&Record_State&&" / "&&Sequence_State&&"
    REGISTER_CONTROL = 2,  // "&&Record_Response_Control&&" / "&&Sequence_Control&&"
    REGISTER_RESPONSE = 4, // "&&Record_Response&&" (records only)
};
