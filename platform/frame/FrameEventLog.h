#pragma once
// What the DTMs of a frame told it and asked of it, in the order it happened,
// so that tests and the command line can show the conversation.
#include <QString>
#include <QStringList>
#include <functional>
#include <vector>

namespace frame {

struct FrameEvent {
    QString systemTag;
    QString name;          // "OnFunctionChanged", "SaveRequest", "LockDataSet", ...
    QStringList arguments; // the arguments after the system tag, as text

    // "OnOnlineStateChanged(True)": the name and the arguments, without the tag.
    QString Text() const;
};

class FrameEventLog {
public:
    void Record(const QString& systemTag, const QString& name, const QStringList& arguments = {});
    const std::vector<FrameEvent>& Events() const { return m_events; }
    // The texts of the events (FrameEvent::Text), all or those of one name.
    QStringList Texts() const;
    QStringList Texts(const QString& name) const;
    int Count(const QString& name) const;
    void Clear() { m_events.clear(); }

    // Hears of every event as it is recorded (the command line prints them).
    using Observer = std::function<void(const FrameEvent& event)>;
    void SetObserver(Observer observer) { m_observer = std::move(observer); }

private:
    std::vector<FrameEvent> m_events;
    Observer m_observer;
};

} // namespace frame
