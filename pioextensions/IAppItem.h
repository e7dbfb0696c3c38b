#pragma once
// The callback through which an item view hands a change notification of the
// item manager to the item object that owns the view.
#include <cstdint>

class IAppItem {
public:
    virtual ~IAppItem() = default;
    virtual void OnNotifyChanged(int32_t& itemHandle, bool bShadow, int32_t lState, int32_t lUserLong) = 0;
};
