#pragma once
// SIGINT and SIGTERM as events of the Qt event loop. The handler only writes
// the signal's number into a pipe; the loop reads it and calls onStop, so
// the frame can abort what runs, close the device's session and say so. A
// second signal of either kind ends the program at once, as without this.
#include <QObject>
#include <QString>
#include <functional>

class QSocketNotifier;

class StopSignals : public QObject {
public:
    // Only one instance at a time: the handlers are process-wide.
    explicit StopSignals(std::function<void(int)> onStop);
    ~StopSignals() override;
    StopSignals(const StopSignals&) = delete;
    StopSignals& operator=(const StopSignals&) = delete;

    // Why the signals are not caught; empty when they are.
    const QString& Error() const { return m_error; }
    // The signal received, 0 while none was.
    int Received() const { return m_received; }
    // "SIGINT", "SIGTERM".
    static QString Name(int signal);

private:
    void OnReadable();

    std::function<void(int)> m_onStop;
    QSocketNotifier* m_notifier = nullptr;
    int m_received = 0;
    QString m_error;
};
