#pragma once
// Deferred calls on the one event loop of the program, and the one nested
// "pump pending work" call.
//
// Posted calls wait in one process-wide first-in-first-out queue. They run
//  - from the Qt event loop: posting wakes the loop with a queued invocation
//    on the application object; each wake-up runs one pass of the queue;
//  - from PumpPendingWork(), which runs one pass and then lets Qt deliver its
//    own pending events once;
//  - from ManualClock::Advance in tests, which drains the queue before every
//    timer it fires and once more at the end, as a running loop would run
//    queued calls ahead of a timer that falls due later.
// A pass runs only the calls that were queued when it began, so a call that
// posts itself again (a retry) runs once per pass and never spins a pass
// forever. A call never runs inside the call that posted it.
//
// Callbacks that raise are not allowed to unwind into the event loop: the
// error is handed to the callback-error handler (standard error by default;
// a program installs one that writes its trace).
#include "platform/loop/LoopGuard.h"
#include <QString>
#include <functional>

namespace loop {

// Queues call to run later on the event loop. When guard is given and its
// object has died by then, the call is dropped.
void PostToLoop(std::function<void()> call, LoopGuard guard = {});

// Runs one pass of the posted-call queue; returns how many calls ran
// (dropped calls do not count). Safe to call from inside a posted call.
int RunPostedCalls();

// Number of posted calls still queued (including those whose guard has died).
int PendingPostedCalls();

// The one nested pump for code that waits inside a call: runs one pass of
// posted calls, fires the timers of the installed timer service that are due
// now (under the manual clock that is Advance(0), which also drains the
// posted calls), and lets Qt process its pending events once. Re-entrant.
void PumpPendingWork();

using CallbackErrorHandler = std::function<void(const QString& message)>;

// Installs the handler that receives errors raised by timer and posted
// callbacks; an empty handler restores the default. Returns the previous one.
CallbackErrorHandler SetCallbackErrorHandler(CallbackErrorHandler handler);

// Runs call; an exception is reported to the callback-error handler with
// origin in front of its message instead of propagating.
void InvokeCallback(const std::function<void()>& call, const char* origin);

// Reports a fault of the loop services themselves (a timer started after its
// service died, a timer restarting itself without delay) the same way.
void ReportLoopError(const QString& message);

} // namespace loop
