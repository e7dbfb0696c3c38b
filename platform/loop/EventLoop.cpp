#include "platform/loop/EventLoop.h"
#include "platform/loop/TimerService.h"
#include <QCoreApplication>
#include <QMetaObject>
#include <QPointer>
#include <cstdint>
#include <deque>
#include <exception>

namespace loop {

namespace {

struct PostedCall {
    uint64_t sequence;
    std::function<void()> call;
    LoopGuard guard;
};

struct PostedQueue {
    std::deque<PostedCall> calls;
    uint64_t lastSequence = 0;
    // The application object a wake-up is queued on; null when none is queued
    // (or the application it was queued on has gone).
    QPointer<QCoreApplication> wakeTarget;
    CallbackErrorHandler errorHandler;
};

PostedQueue& Queue()
{
    static PostedQueue queue;
    return queue;
}

void ScheduleWake();

void Wake()
{
    Queue().wakeTarget = nullptr;
    RunPostedCalls();
    if (!Queue().calls.empty())
        ScheduleWake();
}

void ScheduleWake()
{
    PostedQueue& queue = Queue();
    QCoreApplication* app = QCoreApplication::instance();
    // Without an application the calls wait for PumpPendingWork.
    if (!app || queue.wakeTarget == app)
        return;
    queue.wakeTarget = app;
    QMetaObject::invokeMethod(app, &Wake, Qt::QueuedConnection);
}

} // namespace

void PostToLoop(std::function<void()> call, LoopGuard guard)
{
    PostedQueue& queue = Queue();
    queue.calls.push_back(PostedCall{++queue.lastSequence, std::move(call), std::move(guard)});
    ScheduleWake();
}

int RunPostedCalls()
{
    PostedQueue& queue = Queue();
    if (queue.calls.empty())
        return 0;
    // Calls posted during this pass, and calls taken by a nested pass, are
    // left to the next pass; the order stays first in, first out.
    const uint64_t last = queue.calls.back().sequence;
    int ran = 0;
    while (!queue.calls.empty() && queue.calls.front().sequence <= last) {
        PostedCall posted = std::move(queue.calls.front());
        queue.calls.pop_front();
        if (!posted.guard.IsAlive() || !posted.call)
            continue;
        const auto keepOwner = posted.guard.Lock();
        InvokeCallback(posted.call, "posted call");
        ++ran;
    }
    return ran;
}

int PendingPostedCalls()
{
    return static_cast<int>(Queue().calls.size());
}

void PumpPendingWork()
{
    RunPostedCalls();
    TimerService::instance().ProcessDueTimers();
    if (QCoreApplication::instance())
        QCoreApplication::processEvents();
}

CallbackErrorHandler SetCallbackErrorHandler(CallbackErrorHandler handler)
{
    CallbackErrorHandler previous = std::move(Queue().errorHandler);
    Queue().errorHandler = std::move(handler);
    return previous;
}

void ReportLoopError(const QString& message)
{
    // Copied: the handler may replace itself while it runs.
    const CallbackErrorHandler handler = Queue().errorHandler;
    if (handler)
        handler(message);
    else
        qCritical("%s", qUtf8Printable(message));
}

void InvokeCallback(const std::function<void()>& call, const char* origin)
{
    try {
        call();
    } catch (const std::exception& e) {
        ReportLoopError(QStringLiteral("%1 raised an error: %2")
                            .arg(QLatin1String(origin), QString::fromUtf8(e.what())));
    } catch (...) {
        ReportLoopError(QStringLiteral("%1 raised an unknown error").arg(QLatin1String(origin)));
    }
}

} // namespace loop
