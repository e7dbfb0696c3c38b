#pragma once
// The caller's handle on a single-shot call of the timer service. Copyable;
// dropping it does not cancel the call.
#include <cstdint>
#include <memory>

namespace loop {

class TimerService;

namespace detail {
// Shared between the service and the handles of one call.
struct SingleShotEntry {
    TimerService* service = nullptr;
    uint64_t key = 0;
    bool done = false; // ran, was cancelled, or its service has gone
};
} // namespace detail

class SingleShotHandle {
public:
    SingleShotHandle() = default;

    // Cancels the call if it has not run yet; safe from inside the call
    // itself and after the service has gone.
    void Cancel();
    // True until the call has started, was cancelled or its service has gone.
    bool IsPending() const;

private:
    friend class TimerService;
    explicit SingleShotHandle(std::weak_ptr<detail::SingleShotEntry> entry)
        : m_entry(std::move(entry))
    {
    }
    std::weak_ptr<detail::SingleShotEntry> m_entry;
};

} // namespace loop
