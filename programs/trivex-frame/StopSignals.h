#pragma once
// SIGINT and SIGTERM as events of the Qt event loop. The handler only writes
// the signal's number into a pipe; the loop reads it and calls onStop, so
// the frame can abort what runs, close the device's session and say so. A
// second signal of either kind ends the program at once, as does the first
// when the loop stops running for kGraceSeconds after it (a step that does
// not return to the loop, a write to an output nobody reads): then with the
// exit code of a stopped command and a line on standard error. While the
// outcome of the command's function is decided (SetOutcomeDecided), the
// first signal ends nothing of itself; once the command's outcome is told
// (Settle), no signal changes it.
#include <QObject>
#include <QString>
#include <functional>

class QSocketNotifier;
class QTimer;

class StopSignals : public QObject {
public:
    // The exit code of a command ended by a signal.
    static constexpr int kExitStopped = 1;
    static constexpr unsigned kGraceSeconds = 2;
    static constexpr int kHeartbeatMs = 500;

    // Only one instance at a time: the handlers are process-wide.
    explicit StopSignals(std::function<void(int)> onStop);
    // Settles: the process ends as its command decided.
    ~StopSignals() override;
    StopSignals(const StopSignals&) = delete;
    StopSignals& operator=(const StopSignals&) = delete;

    // Why the signals are not caught; empty when they are.
    const QString& Error() const { return m_error; }
    // The signal received, 0 while none was.
    int Received() const { return m_received; }
    // "SIGINT", "SIGTERM".
    static QString Name(int signal);

    // Whether the function the command waited for has ended, so that a
    // first signal does not stop it any more: only a second one ends the
    // program then.
    static void SetOutcomeDecided(bool decided);
    // The command's outcome is decided: from now on to the process's end
    // the stop signals are ignored.
    static void Settle();

private:
    void OnReadable();

    std::function<void(int)> m_onStop;
    QSocketNotifier* m_notifier = nullptr;
    QTimer* m_heartbeat = nullptr;
    int m_received = 0;
    QString m_error;
};
