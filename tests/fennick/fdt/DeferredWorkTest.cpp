// Deferred work: order, the 10 ms dispatch, the shared busy flag with its 51 ms
// retry, the time-out, and the DTM's use of its window.
#include "DtmTestSupport.h"
#include "fennick/fdt/DeferredOperation.h"
#include "fennick/fdt/frmAsyncFunction.h"

namespace {

using namespace dtmtest;

class AsyncWindow : public ::testing::Test {
protected:
    AsyncWindow() { frmAsyncFunction::ClearDispatchBusy(); }
    ~AsyncWindow() override { frmAsyncFunction::ClearDispatchBusy(); }

    std::shared_ptr<frmAsyncFunction> Window(const QString& name)
    {
        auto window = std::make_shared<frmAsyncFunction>();
        window->DoAsyncOperation = [this, name](int16_t code) {
            log << QStringLiteral("%1:%2@%3").arg(name).arg(code).arg(clock.NowMs());
        };
        return window;
    }

    loop::ManualClock clock;
    loop::ScopedTimerService scope{clock};
    QStringList log;
};

TEST_F(AsyncWindow, CodesRunInPostingOrderOnePerTick)
{
    auto window = Window("A");
    window->PostFunction(2);
    window->PostFunction(8);
    window->PostFunction(1);
    EXPECT_EQ(window->PendingCount(), 3);
    clock.Advance(9);
    EXPECT_TRUE(log.isEmpty());
    clock.Advance(21);
    EXPECT_EQ(log, (QStringList{"A:2@10", "A:8@20", "A:1@30"}));
    // The tick that finds the queue empty unloads the window.
    clock.Advance(10);
    EXPECT_FALSE(window->IsLoaded());
    EXPECT_EQ(window->PendingCount(), 0);
    // Posting again loads it again.
    window->PostFunction(4);
    clock.Advance(10);
    EXPECT_EQ(log.last(), QStringLiteral("A:4@50"));
}

TEST_F(AsyncWindow, CodeOfAnotherWindowWaitsIn51msStepsWhileAHandlerRuns)
{
    auto slow = std::make_shared<frmAsyncFunction>();
    auto other = Window("B");
    slow->DoAsyncOperation = [&](int16_t) {
        log << QStringLiteral("slow begins@%1").arg(clock.NowMs());
        other->PostFunction(7);
        clock.Advance(120); // a handler that waits, pumping the loop
        log << QStringLiteral("slow ends@%1").arg(clock.NowMs());
    };
    slow->PostFunction(0);
    clock.Advance(10);
    // B was due at 20 and retried at 71, 122 (still busy), ran at 173.
    clock.Advance(200);
    EXPECT_EQ(log, (QStringList{"slow begins@10", "slow ends@130", "B:7@173"}));
    EXPECT_EQ(frmAsyncFunction::DispatchBusy(), 0);
}

TEST_F(AsyncWindow, TimeOutDueWhileBusyRetriesAfter51ms)
{
    auto watchdog = std::make_shared<frmAsyncFunction>();
    std::vector<qint64> fired;
    watchdog->TimeoutOccured = [&](int16_t value) {
        EXPECT_EQ(value, 1);
        fired.push_back(clock.NowMs());
    };
    watchdog->StartTimeout(1, 10000);

    auto busy = std::make_shared<frmAsyncFunction>();
    busy->DoAsyncOperation = [&](int16_t) { clock.Advance(100); }; // runs from 9990 to 10090
    clock.Advance(9980);
    busy->PostFunction(0);
    clock.Advance(200);
    // Due at 10000 while busy: retried at 10051 (busy) and 10102, not 10 s later.
    ASSERT_EQ(fired.size(), 1u);
    EXPECT_EQ(fired[0], 10102);
    EXPECT_FALSE(watchdog->TimeoutActive());
}

TEST_F(AsyncWindow, HolderMayUnloadAndDropTheWindowInsideItsEvent)
{
    std::shared_ptr<frmAsyncFunction> window = std::make_shared<frmAsyncFunction>();
    window->DoAsyncOperation = [&](int16_t code) {
        log << QString::number(code);
        window->Unload();
        window.reset();
    };
    window->PostFunction(3);
    window->PostFunction(4);
    clock.Advance(50);
    EXPECT_EQ(log, (QStringList{"3"}));
    EXPECT_EQ(frmAsyncFunction::DispatchBusy(), 0);
}

class DtmDeferredWork : public DtmTest {};

TEST_F(DtmDeferredWork, CodesOfOneCallRunInOrderAtConsecutiveTicksAndTheWindowGoes)
{
    ConfiguredInstance();
    frame->Events().Clear();
    traces.clear();
    Dtm()->PostAsyncOperation(DeferredOperation::FunctionChanged);
    Dtm()->PostAsyncOperation(DeferredOperation::OnlineStateConnected);
    Dtm()->PostAsyncOperation(5); // accepted, does nothing
    Dtm()->PostAsyncOperation(DeferredOperation::OnlineStateDisconnected);
    EXPECT_TRUE(traces.contains(QStringLiteral(" Requested async function: DtmEvent_OnFunctionChanged")));
    EXPECT_TRUE(
        traces.contains(QStringLiteral(" Requested async function: DtmEvent_OnOnlineStateChanged(ISCONNECTED)")));
    clock.Advance(10);
    EXPECT_EQ(Events(), (QStringList{"OnFunctionChanged"}));
    clock.Advance(10);
    EXPECT_EQ(Events(), (QStringList{"OnFunctionChanged", "OnOnlineStateChanged(True)"}));
    clock.Advance(20);
    EXPECT_EQ(Events(),
              (QStringList{"OnFunctionChanged", "OnOnlineStateChanged(True)", "OnOnlineStateChanged(False)"}));
    // The holder let go of its window with the last code.
    EXPECT_EQ(Dtm()->AsyncHelper(), nullptr);
    EXPECT_EQ(clock.ArmedTimerCount(), 0);
}

TEST_F(DtmDeferredWork, WindowIsMadeAgainAfterTheHolderLetGo)
{
    ConfiguredInstance();
    frame->Events().Clear();
    ASSERT_EQ(Dtm()->AsyncHelper(), nullptr);
    automation::PropertyBag bag;
    Dtm()->WriteProperties(bag); // posts the parameter notification
    ASSERT_NE(Dtm()->AsyncHelper(), nullptr);
    clock.Advance(10);
    EXPECT_EQ(frame->Events().Count("OnParameterChanged"), 1);
}

TEST_F(DtmDeferredWork, EventsFailingAtTheFrameAreTracedNotRetried)
{
    ConfiguredInstance();
    Container()->SetEventsRaise(true);
    traces.clear();
    Dtm()->PostAsyncOperation(DeferredOperation::FunctionChanged);
    Dtm()->PostAsyncOperation(DeferredOperation::PreparedToReleaseCommunication);
    clock.Advance(100);
    EXPECT_EQ(frame->Events().Count("OnFunctionChanged"), 2); // once by Config, once now
    EXPECT_TRUE(traces.contains(QStringLiteral("ErrSource...:ReferenceFrame IFdtEvents::OnFunctionChanged DTM_1")));
    EXPECT_TRUE(traces.contains(QStringLiteral("Calling IDtmEvents::OnPreparedToReleaseCommunication failed!")));
    EXPECT_FALSE(traces.contains(QStringLiteral("Sent IDtmEvents::OnFunctionChanged")));
}

} // namespace
