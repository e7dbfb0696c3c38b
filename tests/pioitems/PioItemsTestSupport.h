#pragma once
// What the item controls' tests share: running the loop's pending work, the
// toolkit's traces of both levels, and a form with its container mode.
#include "pioitems/Ambient.h"
#include "platform/applet/AppletTrace.h"
#include "platform/loop/EventLoop.h"
#include <QStringList>
#include <QWidget>

namespace pioitemstest {

// Runs the posted calls, the due timers and Qt's pending events until no
// posted call is left (bounded).
inline void Settle()
{
    for (int i = 0; i < 100; ++i) {
        loop::PumpPendingWork();
        if (loop::PendingPostedCalls() == 0)
            break;
    }
}

// The toolkit's traces while it lives, errors and information apart.
class Traces {
public:
    Traces()
    {
        m_previous = applet::AppletTrace::SetSink([this](applet::AppletTrace::Level level, const QString& text) {
            (level == applet::AppletTrace::Level::Error ? errors : infos).append(text);
        });
    }
    ~Traces() { applet::AppletTrace::SetSink(m_previous); }
    Traces(const Traces&) = delete;
    Traces& operator=(const Traces&) = delete;

    bool HasErrors() const { return !errors.isEmpty(); }
    bool ErrorContains(const QString& part) const { return !errors.filter(part).isEmpty(); }
    int CountContaining(const QString& part) const
    {
        return static_cast<int>(errors.filter(part).size() + infos.filter(part).size());
    }

    QStringList errors;
    QStringList infos;

private:
    applet::AppletTrace::Sink m_previous;
};

// A form that runs, or is designed.
struct Form {
    explicit Form(bool userMode = true) { pioitems::Ambient::SetUserMode(&widget, userMode); }
    void SetUserMode(bool userMode) { pioitems::Ambient::SetUserMode(&widget, userMode); }
    QWidget widget;
};

} // namespace pioitemstest
