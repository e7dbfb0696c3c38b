#include "StopSignals.h"
#include <QSocketNotifier>
#include <QTimer>
#include <array>
#include <cerrno>
#include <csignal>
#include <cstring>
#include <fcntl.h>
#include <poll.h>
#include <unistd.h>

namespace {

constexpr std::array<int, 2> kStopSignals{SIGINT, SIGTERM};

// Read end [0] for the loop, write end [1] for the handler.
int g_pipe[2] = {-1, -1};
// The first stop signal caught; 0 while none was.
volatile sig_atomic_t g_caught = 0;
// The function's outcome is decided: the first signal ends nothing.
volatile sig_atomic_t g_decided = 0;

// Ends the program in kGraceSeconds unless this is called again, while a
// signal was caught and the outcome is still open.
void PutOffTheEnd()
{
    if (g_caught != 0 && g_decided == 0)
        ::alarm(StopSignals::kGraceSeconds);
}

// Only what a signal handler may call. Standard error that takes nothing
// now (a full pipe nobody reads) gets nothing: the program must end.
void WriteError(const char* text)
{
    pollfd error{STDERR_FILENO, POLLOUT, 0};
    if (::poll(&error, 1, 0) != 1 || (error.revents & POLLOUT) == 0)
        return;
    [[maybe_unused]] const ssize_t written = ::write(STDERR_FILENO, text, std::strlen(text));
}

const char* SignalText(int signal)
{
    return signal == SIGINT ? "SIGINT" : signal == SIGTERM ? "SIGTERM" : "a signal";
}

[[noreturn]] void EndAtOnce(int signal, const char* why)
{
    WriteError("trivex-frame: stopped by ");
    WriteError(SignalText(signal));
    WriteError(why);
    ::_exit(StopSignals::kExitStopped);
}

void OnSignal(int signal)
{
    const int saved = errno;
    if (g_caught != 0)
        EndAtOnce(signal, " again: the program ends at once\n");
    g_caught = signal;
    const char number = static_cast<char>(signal);
    [[maybe_unused]] const ssize_t written = ::write(g_pipe[1], &number, 1);
    // Ends the program unless the loop runs (StopSignals::OnReadable).
    PutOffTheEnd();
    errno = saved;
}

void OnGraceEnded(int)
{
    EndAtOnce(g_caught, ": the frame does not get on with the stop: the program ends at once\n");
}

void Catch(int signal, void (*handler)(int))
{
    struct sigaction action {};
    action.sa_handler = handler;
    sigemptyset(&action.sa_mask);
    for (const int stop : kStopSignals)
        sigaddset(&action.sa_mask, stop);
    sigaddset(&action.sa_mask, SIGALRM);
    action.sa_flags = SA_RESTART;
    ::sigaction(signal, &action, nullptr);
}

} // namespace

StopSignals::StopSignals(std::function<void(int)> onStop)
    : m_onStop(std::move(onStop))
{
    if (::pipe2(g_pipe, O_CLOEXEC | O_NONBLOCK) != 0) {
        m_error = QStringLiteral("no pipe for the stop signals: %1").arg(QString::fromLocal8Bit(std::strerror(errno)));
        g_pipe[0] = g_pipe[1] = -1;
        return;
    }
    m_notifier = new QSocketNotifier(g_pipe[0], QSocketNotifier::Read, this);
    connect(m_notifier, &QSocketNotifier::activated, this, &StopSignals::OnReadable);
    Catch(SIGALRM, OnGraceEnded);
    for (const int stop : kStopSignals)
        Catch(stop, OnSignal);
}

StopSignals::~StopSignals()
{
    Settle();
    if (g_pipe[0] >= 0) {
        ::close(g_pipe[0]);
        ::close(g_pipe[1]);
        g_pipe[0] = g_pipe[1] = -1;
    }
}

QString StopSignals::Name(int signal)
{
    if (signal == SIGINT || signal == SIGTERM)
        return QString::fromLatin1(SignalText(signal));
    return QStringLiteral("signal %1").arg(signal);
}

void StopSignals::SetOutcomeDecided(bool decided)
{
    g_decided = decided ? 1 : 0;
    if (decided)
        ::alarm(0);
    else
        PutOffTheEnd();
}

void StopSignals::Settle()
{
    for (const int signal : {SIGINT, SIGTERM, SIGALRM})
        std::signal(signal, SIG_IGN);
    ::alarm(0);
}

void StopSignals::OnReadable()
{
    // While the loop runs, the frame ends the command in order: each turn
    // of the heartbeat puts the end off. A step that keeps the loop from
    // running for kGraceSeconds (one that does not return, a write to an
    // output nobody reads) no longer holds the program.
    if (!m_heartbeat) {
        m_heartbeat = new QTimer(this);
        connect(m_heartbeat, &QTimer::timeout, this, [] { PutOffTheEnd(); });
        m_heartbeat->start(kHeartbeatMs);
    }
    char number = 0;
    while (::read(g_pipe[0], &number, 1) == 1) {
        if (m_received != 0)
            continue;
        m_received = static_cast<unsigned char>(number);
        if (m_onStop)
            m_onStop(m_received);
    }
}
