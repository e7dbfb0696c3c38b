#include "platform/applet/AppletTrace.h"
#include <cstdio>

namespace applet::AppletTrace {

namespace {
Sink& CurrentSink()
{
    static Sink sink;
    return sink;
}

void Write(Level level, const QString& message)
{
    const Sink& sink = CurrentSink();
    if (sink) {
        sink(level, message);
        return;
    }
    if (level == Level::Error)
        std::fprintf(stderr, "PioApplet: %s\n", qPrintable(message));
}
} // namespace

Sink SetSink(Sink sink)
{
    Sink previous = std::move(CurrentSink());
    CurrentSink() = std::move(sink);
    return previous;
}

void Error(const QString& message)
{
    Write(Level::Error, message);
}

void Info(const QString& message)
{
    Write(Level::Info, message);
}

} // namespace applet::AppletTrace
