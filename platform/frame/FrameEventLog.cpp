#include "platform/frame/FrameEventLog.h"

namespace frame {

QString FrameEvent::Text() const
{
    return arguments.isEmpty() ? name : name + QLatin1Char('(') + arguments.join(QStringLiteral(", ")) + QLatin1Char(')');
}

void FrameEventLog::Record(const QString& systemTag, const QString& name, const QStringList& arguments)
{
    m_events.push_back(FrameEvent{systemTag, name, arguments});
    if (m_observer) {
        // Copied: the observer may record in turn.
        const FrameEvent event = m_events.back();
        m_observer(event);
    }
}

QStringList FrameEventLog::Texts() const
{
    QStringList texts;
    for (const FrameEvent& event : m_events)
        texts.append(event.Text());
    return texts;
}

QStringList FrameEventLog::Texts(const QString& name) const
{
    QStringList texts;
    for (const FrameEvent& event : m_events)
        if (event.name == name)
            texts.append(event.Text());
    return texts;
}

int FrameEventLog::Count(const QString& name) const
{
    int count = 0;
    for (const FrameEvent& event : m_events)
        if (event.name == name)
            ++count;
    return count;
}

} // namespace frame
