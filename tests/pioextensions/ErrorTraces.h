#pragma once
// A capture of the error traces of the toolkit and of what traces through its
// hook (the item objects, the device helpers).
#include "platform/applet/AppletTrace.h"
#include <QString>
#include <QStringList>

namespace piotest {

// The error traces while it lives.
class ErrorTraces {
public:
    ErrorTraces()
    {
        m_previous = applet::AppletTrace::SetSink([this](applet::AppletTrace::Level level, const QString& text) {
            if (level == applet::AppletTrace::Level::Error)
                lines.append(text);
        });
    }
    ~ErrorTraces() { applet::AppletTrace::SetSink(m_previous); }
    ErrorTraces(const ErrorTraces&) = delete;
    ErrorTraces& operator=(const ErrorTraces&) = delete;

    bool Contains(const QString& part) const
    {
        for (const QString& line : lines)
            if (line.contains(part))
                return true;
        return false;
    }

    QStringList lines;

private:
    applet::AppletTrace::Sink m_previous;
};

} // namespace piotest
