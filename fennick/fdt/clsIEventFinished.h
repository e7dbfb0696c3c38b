#pragma once
// The callback through which an application function reports its end to
// whoever started it (the application manager). Both operations do nothing
// unless the implementer overrides them.
#include <QString>
#include <cstdint>

class clsIEventFinished {
public:
    virtual ~clsIEventFinished() = default;

    // An application (a function that opens a window) was closed.
    virtual void OnApplicationClosed(const QString& invokeId, int32_t functionId)
    {
        (void)invokeId;
        (void)functionId;
    }
    // A function ran to its end; success is -1 (true) or 0 (false).
    virtual void OnInvokedFunctionFinished(const QString& invokeId, int16_t success)
    {
        (void)invokeId;
        (void)success;
    }
};
