#pragma once
// A timer of the timer service, owned by whoever created it. Repeating by
// default; a single-shot timer stops itself before its callback runs.
// The callback may stop, restart, re-time or destroy its own timer, and may
// create and start other timers.
#include <QtGlobal>
#include <cstdint>
#include <functional>

namespace loop {

class TimerService;

class Timer {
public:
    ~Timer();
    Timer(const Timer&) = delete;
    Timer& operator=(const Timer&) = delete;

    void SetCallback(std::function<void()> callback);

    // Starts (or restarts) counting the current interval from now.
    void Start();
    // Sets the interval, then starts.
    void Start(int intervalMs);
    void Stop();
    // A negative interval counts as 0. An active timer restarts counting the
    // new interval from now; an inactive one stays inactive.
    void SetInterval(int intervalMs);
    int Interval() const { return m_interval; }
    bool IsActive() const { return m_active; }
    void SetSingleShot(bool singleShot) { m_singleShot = singleShot; }
    bool IsSingleShot() const { return m_singleShot; }
    // Creation order within its service.
    uint64_t Id() const { return m_id; }

private:
    friend class TimerService;
    Timer(TimerService* service, uint64_t id, std::function<void()> callback);

    TimerService* m_service; // null once the service has gone
    uint64_t m_id;
    std::function<void()> m_callback;
    int m_interval = 0;
    bool m_active = false;
    bool m_singleShot = false;
};

} // namespace loop
