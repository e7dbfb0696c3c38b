#include "platform/loop/QtTimerService.h"
#include "platform/loop/EventLoop.h"
#include <QCoreApplication>
#include <QObject>
#include <QThread>
#include <QTimerEvent>
#include <chrono>

namespace loop {

// Receives the Qt timer events of every timer of the service.
class QtTimerService::Driver : public QObject {
public:
    Driver(QtTimerService& service, QObject* parent) : QObject(parent), m_service(service) {}

protected:
    void timerEvent(QTimerEvent* event) override { m_service.OnQtTimer(event->timerId()); }

private:
    QtTimerService& m_service;
};

QtTimerService::QtTimerService() = default;

QtTimerService::~QtTimerService()
{
    DetachAll();
    delete m_driver.data();
}

qint64 QtTimerService::NowMs() const
{
    using namespace std::chrono;
    return duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count();
}

void QtTimerService::Sleep(int ms)
{
    if (ms > 0)
        QThread::msleep(static_cast<unsigned long>(ms));
}

QObject* QtTimerService::EnsureDriver()
{
    if (!m_driver) {
        QCoreApplication* app = QCoreApplication::instance();
        if (!app)
            return nullptr;
        // Timers of an application that has gone are stale.
        m_byQtId.clear();
        m_qtIds.clear();
        m_driver = new Driver(*this, app);
    }
    return m_driver.data();
}

void QtTimerService::Arm(uint64_t timerId, int intervalMs)
{
    Disarm(timerId);
    QObject* driver = EnsureDriver();
    const int qtId = driver ? driver->startTimer(qMax(0, intervalMs), Qt::PreciseTimer) : 0;
    if (qtId == 0) {
        ReportLoopError(QStringLiteral("A Qt timer of %1 ms could not be started (no application event loop)")
                            .arg(intervalMs));
        return;
    }
    m_byQtId[qtId] = timerId;
    m_qtIds[timerId] = qtId;
}

void QtTimerService::Disarm(uint64_t timerId)
{
    const auto it = m_qtIds.find(timerId);
    if (it == m_qtIds.end())
        return;
    if (m_driver)
        m_driver->killTimer(it->second);
    m_byQtId.erase(it->second);
    m_qtIds.erase(it);
}

void QtTimerService::OnQtTimer(int qtTimerId)
{
    const auto it = m_byQtId.find(qtTimerId);
    if (it != m_byQtId.end())
        Dispatch(it->second);
}

} // namespace loop
