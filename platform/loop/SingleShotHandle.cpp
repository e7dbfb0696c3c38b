#include "platform/loop/SingleShotHandle.h"
#include "platform/loop/TimerService.h"

namespace loop {

void SingleShotHandle::Cancel()
{
    const auto entry = m_entry.lock();
    if (entry && !entry->done && entry->service)
        entry->service->CancelSingleShot(entry->key);
}

bool SingleShotHandle::IsPending() const
{
    const auto entry = m_entry.lock();
    return entry && !entry->done;
}

} // namespace loop
