#pragma once
// Captures the trace lines written while it lives.
#include <QString>
#include <QStringList>

class TraceCapture {
public:
    // Every switch on unless told otherwise; restored on destruction.
    explicit TraceCapture(bool allSwitchesOn = true);
    ~TraceCapture();
    TraceCapture(const TraceCapture&) = delete;
    TraceCapture& operator=(const TraceCapture&) = delete;

    const QStringList& lines() const { return m_lines; }
    // The message parts (after "  #M: ") of the lines.
    QStringList messages() const;
    bool contains(const QString& messagePart) const;
    void clear() { m_lines.clear(); }

private:
    QStringList m_lines;
    struct Saved;
    Saved* m_saved;
};
