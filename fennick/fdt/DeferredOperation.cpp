#include "fennick/fdt/DeferredOperation.h"

namespace DeferredOperation {

namespace {

struct CodeName {
    int16_t code;
    const char* name;
};

constexpr CodeName kNames[] = {
    {PrepareToRelease, "IDtm_PrepareToRelease"},
    {ParameterChanged, "IDtmEvents_OnParameterChanged"},
    {FunctionChanged, "DtmEvent_OnFunctionChanged"},
    {PreparedToRelease, "IDtmEvents_OnPreparedToRelease"},
    {PreparedToReleaseCommunication, "IDtmEvents_OnPreparedToReleaseCommunication"},
    {OnlineStateDisconnected, "DtmEvent_OnOnlineStateChanged(ISDISCONNECTED)"},
    {OnlineStateConnected, "DtmEvent_OnOnlineStateChanged(ISCONNECTED)"},
};

} // namespace

QString TraceName(int16_t code)
{
    for (const CodeName& entry : kNames)
        if (entry.code == code)
            return QLatin1String(entry.name);
    return QString::number(code);
}

} // namespace DeferredOperation
