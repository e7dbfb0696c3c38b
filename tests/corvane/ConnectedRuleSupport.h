#pragma once
// What the rule component tests share beyond the applet: a connection to the
// simulated transmitter that waits until the identification the connect
// starts has run and ended, so a test's own sequences find the host idle.
#include "CorvaneTestSupport.h"

namespace corvanetest {

inline bool ConnectAndIdentify(CorvaneApplet& applet)
{
    ItemLog identification(applet.manager);
    identification.Watch(QStringLiteral("currentSequence"), QStringLiteral("running"));
    if (!applet.Connect())
        return false;
    const bool identified = RunUntil([&] {
        return identification.changes.contains(QStringLiteral("running=GetDeviceInfo"))
               && applet.Text(QStringLiteral("currentSequence")).isEmpty();
    });
    Settle();
    return identified;
}

} // namespace corvanetest
