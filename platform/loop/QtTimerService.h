#pragma once
// The timer service of the programs: Qt timers on the program's event loop.
#include "platform/loop/TimerService.h"
#include <QPointer>
#include <unordered_map>

class QObject;

namespace loop {

class QtTimerService : public TimerService {
public:
    QtTimerService();
    ~QtTimerService() override;

    qint64 NowMs() const override;
    // Blocks the thread; the caller pumps afterwards if it wants events.
    void Sleep(int ms) override;

protected:
    void Arm(uint64_t timerId, int intervalMs) override;
    void Disarm(uint64_t timerId) override;

private:
    class Driver;
    void OnQtTimer(int qtTimerId);
    QObject* EnsureDriver();

    // Created with the first timer, as a child of the application so that it
    // goes when the application goes.
    QPointer<QObject> m_driver;
    std::unordered_map<int, uint64_t> m_byQtId;
    std::unordered_map<uint64_t, int> m_qtIds;
};

} // namespace loop
