#pragma once
// What the benchmarks on the in-process simulator share: running the loop
// under a manual clock until nothing is under way, and ending the applet host
// and its communication server.
#include "platform/applet/AppletHost.h"
#include "platform/comm/server/HartCommServer.h"
#include "platform/loop/EventLoop.h"
#include "platform/loop/ManualClock.h"
#include <QCoreApplication>
#include <memory>

namespace benchsupport {

// Runs the loop until nothing is under way: no request open, no posted call,
// no timer due now.
inline void Settle(loop::ManualClock& clock, const comm::HartCommServer& server)
{
    for (int quiet = 0; quiet < 3;) {
        clock.Advance(0);
        QCoreApplication::processEvents(QEventLoop::AllEvents, 2);
        const bool idle = server.OpenRequests() == 0 && loop::PendingPostedCalls() == 0 && clock.MsUntilNextTimer() != 0;
        quiet = idle ? quiet + 1 : 0;
    }
}

// Ends the host and then the server, and lets what they posted run.
inline void Release(const std::shared_ptr<applet::AppletHost>& host,
                    const std::shared_ptr<comm::HartCommServer>& server, loop::ManualClock& clock)
{
    int32_t code = 0;
    std::shared_ptr<applet::AppletHost> h = host;
    host->DestroyApplet(h, code);
    std::shared_ptr<applet::CServerRequestClass> reference = server;
    server->Destroy(reference, code);
    Settle(clock, *server);
}

} // namespace benchsupport
