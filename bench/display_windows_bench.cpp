// The cost of the open display windows: the main window on the simulated
// transmitter (in process, HART-IP on loopback) with the measured-values
// window, a bar display and a trend display open, offscreen, opened from the
// Display menu as a user opens them. A manual clock makes each iteration one
// second of the device's time. Reported: the HART transactions per second,
// the value updates the windows received per second (notifications of their
// live items, less what the main window alone receives), and the process CPU
// time per update (the simulator runs in the same process and is counted too).
#include "bench/LoopbackBenchSupport.h"
#include "merrow/shell/MerrowClasses.h"
#include "merrow/shell/frmMain.h"
#include "merrow/shell/global.h"
#include "platform/applet/AppletClasses.h"
#include "platform/applet/AppletHost.h"
#include "platform/applet/AppletTrace.h"
#include "platform/applet/NotificationStatistics.h"
#include "platform/applet/clsAppletItemManager.h"
#include "platform/automation/ClassRegistry.h"
#include "platform/comm/server/HartCommServer.h"
#include "platform/dialogs/ScopedDialogService.h"
#include "platform/dialogs/ScriptedDialogService.h"
#include "platform/loop/EventLoop.h"
#include "platform/loop/ManualClock.h"
#include "platform/loop/ScopedTimerService.h"
#include "sim/SimServer.h"
#include "tests/common/HartLoopbackSupport.h"
#include <QAction>
#include <QApplication>
#include <benchmark/benchmark.h>
#include <sys/resource.h>

namespace {

using benchsupport::Settle;
using benchsupport::Release;

constexpr const char* kWindows[] = {"mnuDisplayMeasuredValues", "mnuDisplayBar", "mnuDisplayTrend"};
constexpr int kBaselineSeconds = 10;

double ProcessCpuSeconds()
{
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    const auto seconds = [](const timeval& t) { return static_cast<double>(t.tv_sec) + t.tv_usec / 1e6; };
    return seconds(usage.ru_utime) + seconds(usage.ru_stime);
}

void Seconds(loop::ManualClock& clock, const comm::HartCommServer& server, int seconds)
{
    for (int i = 0; i < seconds; ++i) {
        clock.Advance(1000);
        Settle(clock, server);
    }
}

void OpenDisplayWindows(benchmark::State& state)
{
    loop::ManualClock clock;
    loop::ScopedTimerService scoped(clock);
    dialogs::ScriptedDialogService dialogs;
    dialogs::ScopedDialogService scope(dialogs);
    const auto previousSink = applet::AppletTrace::SetSink([](applet::AppletTrace::Level, const QString&) {});
    sim::SimServer device;
    int64_t transactions = 0;
    QObject::connect(&device, &sim::SimServer::requestHandled, [&](int, int) { ++transactions; });
    if (!device.listen(QHostAddress::LocalHost, 0)) {
        state.SkipWithError("the simulator cannot listen on loopback");
        return;
    }
    applet::RegisterClasses();
    merrow::RegisterClasses();
    auto host = automation::ClassRegistry::instance().Create<applet::AppletHost>(applet::kAppletHostProgId);
    int32_t code = -1;
    host->fncInit(QStringLiteral(TRIVEX_STAGED_DESCRIPTION), QString(), QString(), code);
    std::shared_ptr<applet::clsAppletItemManager> manager;
    host->GetItemManager(manager);
    if (code != 0 || !manager) {
        state.SkipWithError("no staged Trivex description");
        return;
    }
    // A HART transmitter with the flow function, whose Display menu offers all windows.
    int32_t failed = 0;
    manager->PutStringValue(manager->HandleOf(QStringLiteral("pbSoftwareSpecifics")), QStringLiteral("004607215000"),
                            failed);
    for (const auto& [name, value] : {std::pair{"ptrbModulType", 1}, {"pbMultivariableFunction", 1},
                                      {"mvModeBlkActual", 8}, {"_mfrDeviceTypeHART", 137},
                                      {"&&private_FDT&&EngineeringContext", 0xAC}})
        manager->fncPutUintValue(manager->HandleOf(QLatin1String(name)), value, failed);
    auto server = std::make_shared<comm::HartCommServer>();
    host->StartSingleView(QStringLiteral("MdiMain"), code);
    Settle(clock, *server);
    frmMain* window = global::MainWindow();
    server->SetCommunication(loopbacktest::LocalChannel(device.port()), code);
    host->fncSetCServer(server, code);
    host->Connect(0, code);
    const int32_t connectItem = manager->HandleOf(loopbacktest::kConnectItem);
    double connected = 0;
    for (int spin = 0; spin < 100000 && connected != 2; ++spin) {
        manager->fncGetUIntValue(connectItem, connected, failed);
        clock.Advance(0);
        QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
    }
    if (!window || connected != 2) {
        state.SkipWithError("the main window did not connect to the simulator");
        return;
    }
    window->MDIForm_Activate();
    Settle(clock, *server);

    // What the main window alone is told of live values.
    qint64 before = applet::LiveNotificationsDelivered();
    Seconds(clock, *server, kBaselineSeconds);
    const double baselinePerSecond =
        static_cast<double>(applet::LiveNotificationsDelivered() - before) / kBaselineSeconds;

    for (const char* entry : kWindows) {
        QAction* action = window->Menu(QLatin1String(entry));
        if (!action || !action->isEnabled()) {
            state.SkipWithError("a display window cannot be opened");
            return;
        }
        action->trigger();
        Settle(clock, *server);
    }
    Seconds(clock, *server, 2); // the first reads and the range values
    transactions = 0;
    before = applet::LiveNotificationsDelivered();
    const double cpuBefore = ProcessCpuSeconds();

    int64_t seconds = 0;
    for (auto _ : state) {
        clock.Advance(1000);
        Settle(clock, *server);
        ++seconds;
    }
    const double cpu = ProcessCpuSeconds() - cpuBefore;
    const double updates = static_cast<double>(applet::LiveNotificationsDelivered() - before)
                         - baselinePerSecond * static_cast<double>(seconds);
    state.counters["transactions_per_s"] =
        benchmark::Counter(static_cast<double>(transactions) / static_cast<double>(seconds));
    state.counters["window_updates_per_s"] = benchmark::Counter(updates / static_cast<double>(seconds));
    state.counters["main_window_updates_per_s"] = benchmark::Counter(baselinePerSecond);
    state.counters["cpu_us_per_update"] = benchmark::Counter(updates > 0 ? cpu * 1e6 / updates : 0.0);

    window->close();
    Settle(clock, *server);
    Release(host, server, clock);
    applet::AppletTrace::SetSink(previousSink);
}

} // namespace

// One minute of the device's time with the three windows open.
BENCHMARK(OpenDisplayWindows)->Iterations(60)->Unit(benchmark::kMillisecond);

int main(int argc, char** argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
