// Live values: what the applet host's cyclic reads cost with the
// measured-values window and two display windows open. The views register
// the items those windows register, at the intervals they give (measured
// values every second, their units and range limits every 30 seconds); the
// simulated transmitter answers over HART-IP on loopback, and a manual clock
// makes each iteration one second of the device's time. Reported: the HART
// transactions per second the reads take (on a 1200-baud loop each costs
// about 0.6 s), and the time one second of reads takes the program.
#include "bench/LoopbackBenchSupport.h"
#include "platform/applet/AppletClasses.h"
#include "platform/applet/AppletHost.h"
#include "platform/applet/AppletTrace.h"
#include "platform/applet/clsAppletItemManager.h"
#include "platform/automation/ClassRegistry.h"
#include "platform/comm/server/HartCommServer.h"
#include "platform/loop/EventLoop.h"
#include "platform/loop/ManualClock.h"
#include "platform/loop/ScopedTimerService.h"
#include "sim/SimServer.h"
#include "tests/common/HartLoopbackSupport.h"
#include <QCoreApplication>
#include <benchmark/benchmark.h>
#include <map>

namespace {

using benchsupport::Settle;
using benchsupport::Release;

struct LiveItem {
    const char* name;
    int32_t interval; // seconds
};

constexpr LiveItem kMeasuredValuesWindow[] = {
    {"ptrbSecondaryValue1", 1},
    {"ptrbStaticPressureValue", 1},
    {"ttrbPrimaryValue", 1},
    {"mvOutVolFlowValue", 1},
    {"ptrbScaleInUnit", 30},
    {"ptrbScaleIn0", 30},
    {"ptrbScaleIn100", 30},
    {"ptrbStaticPressureScaleInUnit", 30},
    {"ptrbStaticPressureScaleIn0", 30},
    {"ptrbStaticPressureScaleIn100", 30},
    {"ttrbPrimaryValueUnit", 30},
    {"ttrbPrimaryValueRange0", 30},
    {"ttrbPrimaryValueRange100", 30},
    {"mvOutVolFlowUnit", 30},
    {"mvOutVolFlowMaxValue", 30},
};
// The bar graph and the digital display, each on the value it offers first.
constexpr LiveItem kBarGraph[] = {{"ptrbSecondaryValue1", 1}};
constexpr LiveItem kDigitalDisplay[] = {{"ptrbTemperatureValue", 1}};

// A window's view: registers its items on the device value, as item controls
// with an update interval do, and counts the changes it hears of.
class WindowView : public loopbacktest::ManagerView {
public:
    void NotifyChanged(int32_t, bool, int32_t, int32_t, int32_t& result) override
    {
        ++changes;
        result = 0;
    }
    template <size_t N>
    bool Register(const LiveItem (&items)[N])
    {
        for (const LiveItem& item : items) {
            int32_t itemHandle = 0;
            int32_t failed = 0;
            manager->RegisterItem(QLatin1String(item.name), true, handle, itemHandle, 0, item.interval, failed);
            if (failed != 0)
                return false;
        }
        return true;
    }

    int64_t changes = 0;
};

void LiveValuesOfThreeWindows(benchmark::State& state)
{
    loop::ManualClock clock;
    loop::ScopedTimerService scoped(clock);
    const auto previousSink = applet::AppletTrace::SetSink([](applet::AppletTrace::Level, const QString&) {});
    sim::SimServer device;
    std::map<int, int64_t> reads; // command -> transactions
    QObject::connect(&device, &sim::SimServer::requestHandled, [&](int command, int) { ++reads[command]; });
    if (!device.listen(QHostAddress::LocalHost, 0)) {
        state.SkipWithError("the simulator cannot listen on loopback");
        return;
    }
    applet::RegisterClasses();
    auto host = automation::ClassRegistry::instance().Create<applet::AppletHost>(applet::kAppletHostProgId);
    int32_t code = -1;
    host->fncInit(QStringLiteral(TRIVEX_DESCRIPTION), QString(), QString(), code);
    std::shared_ptr<applet::clsAppletItemManager> manager;
    host->GetItemManager(manager);
    auto server = std::make_shared<comm::HartCommServer>();
    server->SetCommunication(loopbacktest::LocalChannel(device.port()), code);
    host->fncSetCServer(server, code);
    host->Connect(0, code);
    const int32_t connectItem = manager->HandleOf(QStringLiteral("&&private&&connect"));
    for (int spin = 0; spin < 100000; ++spin) {
        double connected = 0;
        int32_t failed = 0;
        manager->fncGetUIntValue(connectItem, connected, failed);
        if (connected == 2)
            break;
        clock.Advance(0);
        QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
    }

    auto window = std::make_shared<WindowView>();
    auto bar = std::make_shared<WindowView>();
    auto digital = std::make_shared<WindowView>();
    for (const auto& view : {window, bar, digital})
        manager->RegisterView(view, code);
    if (!window->Register(kMeasuredValuesWindow) || !bar->Register(kBarGraph) || !digital->Register(kDigitalDisplay)) {
        state.SkipWithError("an item of the windows is not described");
        return;
    }
    Settle(clock, *server); // the first reads, at once
    reads.clear();

    int64_t seconds = 0;
    for (auto _ : state) {
        clock.Advance(1000);
        Settle(clock, *server);
        ++seconds;
    }
    int64_t transactions = 0;
    for (const auto& [command, count] : reads) {
        transactions += count;
        state.counters["cmd" + std::to_string(command) + "_per_s"] =
            benchmark::Counter(static_cast<double>(count) / static_cast<double>(seconds));
    }
    state.counters["transactions_per_s"] =
        benchmark::Counter(static_cast<double>(transactions) / static_cast<double>(seconds));
    state.counters["value_changes_per_s"] = benchmark::Counter(
        static_cast<double>(window->changes + bar->changes + digital->changes) / static_cast<double>(seconds));

    for (const auto& view : {window, bar, digital})
        manager->UnregisterView(view.get(), code);
    Release(host, server, clock);
    applet::AppletTrace::SetSink(previousSink);
}

} // namespace

// One minute of the device's time: the 30-second items come due twice.
BENCHMARK(LiveValuesOfThreeWindows)->Iterations(60)->Unit(benchmark::kMillisecond);

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
