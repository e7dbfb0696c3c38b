#pragma once
// Installs a timer service for the lifetime of the scope and restores the
// one installed before.
#include "platform/loop/TimerService.h"

namespace loop {

class ScopedTimerService {
public:
    explicit ScopedTimerService(TimerService& service) : m_previous(TimerService::SetInstance(&service)) {}
    ~ScopedTimerService() { TimerService::SetInstance(m_previous); }
    ScopedTimerService(const ScopedTimerService&) = delete;
    ScopedTimerService& operator=(const ScopedTimerService&) = delete;

private:
    TimerService* m_previous;
};

} // namespace loop
