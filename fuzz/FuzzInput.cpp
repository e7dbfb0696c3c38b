#include "fuzz/FuzzInput.h"
#include "platform/loop/EventLoop.h"
#include <QApplication>
#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QFile>
#include <QTemporaryDir>
#include <cstdio>
#include <cstdlib>

namespace fuzz {

uint8_t FuzzInput::TakeByte()
{
    if (m_at >= m_bytes.size())
        return 0;
    return static_cast<uint8_t>(m_bytes[m_at++]);
}

QString WriteInputFile(const QByteArray& bytes, const QString& name)
{
    static QTemporaryDir folder;
    if (!folder.isValid())
        Fail("no temporary folder for the input file");
    const QString path = folder.filePath(name);
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate) || file.write(bytes) != bytes.size())
        Fail("the input file cannot be written");
    return path;
}

void StartApplication(bool windows)
{
    static int argc = 1;
    static char name[] = "fuzz";
    static char* argv[] = {name, nullptr};
    if (QCoreApplication::instance())
        return;
    if (windows) {
        qputenv("QT_QPA_PLATFORM", "offscreen");
        new QApplication(argc, argv);
    } else {
        new QCoreApplication(argc, argv);
    }
}

void RunEventsUntil(const std::function<bool()>& condition, int limitMs, const char* what)
{
    QDeadlineTimer deadline(limitMs);
    while (!condition()) {
        if (deadline.hasExpired())
            Fail(what);
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents, 50);
    }
}

void DrainEvents()
{
    while (loop::PendingPostedCalls() > 0)
        loop::RunPostedCalls();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
}

void Fail(const char* what)
{
    std::fprintf(stderr, "fuzz target: %s\n", what);
    std::abort();
}

} // namespace fuzz
