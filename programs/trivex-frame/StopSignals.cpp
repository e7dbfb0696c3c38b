#include "StopSignals.h"
#include <QSocketNotifier>
#include <array>
#include <cerrno>
#include <csignal>
#include <cstring>
#include <fcntl.h>
#include <unistd.h>

namespace {

constexpr std::array<int, 2> kStopSignals{SIGINT, SIGTERM};

// Read end [0] for the loop, write end [1] for the handler.
int g_pipe[2] = {-1, -1};

void OnSignal(int signal)
{
    const int saved = errno;
    const char number = static_cast<char>(signal);
    [[maybe_unused]] const ssize_t written = ::write(g_pipe[1], &number, 1);
    // The next one of either kind is not caught any more.
    for (const int stop : kStopSignals)
        std::signal(stop, SIG_DFL);
    errno = saved;
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
    struct sigaction action {};
    action.sa_handler = OnSignal;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    for (const int stop : kStopSignals)
        ::sigaction(stop, &action, nullptr);
}

StopSignals::~StopSignals()
{
    for (const int stop : kStopSignals)
        std::signal(stop, SIG_DFL);
    if (g_pipe[0] >= 0) {
        ::close(g_pipe[0]);
        ::close(g_pipe[1]);
        g_pipe[0] = g_pipe[1] = -1;
    }
}

QString StopSignals::Name(int signal)
{
    switch (signal) {
    case SIGINT:
        return QStringLiteral("SIGINT");
    case SIGTERM:
        return QStringLiteral("SIGTERM");
    default:
        return QStringLiteral("signal %1").arg(signal);
    }
}

void StopSignals::OnReadable()
{
    char number = 0;
    while (::read(g_pipe[0], &number, 1) == 1) {
        if (m_received != 0)
            continue;
        m_received = static_cast<unsigned char>(number);
        if (m_onStop)
            m_onStop(m_received);
    }
}
