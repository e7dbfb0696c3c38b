#pragma once
// The toolkit's trace sink. The toolkit may not use the program's trace
// services, so it reports through this hook: errors go to standard error
// until a program installs a sink that writes its own trace.
#include <QString>
#include <functional>

namespace applet::AppletTrace {

enum class Level { Error = 1, Info = 3 };

using Sink = std::function<void(Level level, const QString& message)>;

// Installs sink for the process; an empty sink restores the default (errors
// to standard error, information dropped). Returns the previous sink.
Sink SetSink(Sink sink);

void Error(const QString& message);
void Info(const QString& message);

} // namespace applet::AppletTrace
