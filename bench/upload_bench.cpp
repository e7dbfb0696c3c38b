// One full upload of each device variant against the simulated transmitter:
// how many HART transactions it takes and how many bytes travel on the wire
// (request and response frames, preambles included), against the bytes of
// the parameters it reads. On a 1200-baud loop every transaction costs about
// 0.6 s, so the description packs the parameters densely into its commands.
//
// FullUploadLoopback runs the same upload as the device components chain it:
// the applet host with the always-started components, the gateway and the
// communication server over HART-IP on loopback to the simulator, from the
// request of "upload" until the chain reports its end; its time is the wall
// time of one upload.
#include "corvane/frame/CorvaneClasses.h"
#include "fennick/communication/clsGatewayHART.h"
#include "pioextensions/clsSequenceItem.h"
#include "pioextensions/enmRegMask.h"
#include "platform/applet/AppletClasses.h"
#include "platform/applet/AppletHost.h"
#include "platform/applet/AppletTrace.h"
#include "platform/applet/Description.h"
#include "platform/applet/clsAppletItemManager.h"
#include "platform/automation/ClassRegistry.h"
#include "platform/comm/hart/HartFrame.h"
#include "platform/comm/server/HartCommServer.h"
#include "platform/comm/server/IHartIpAddress.h"
#include "platform/loop/EventLoop.h"
#include "sim/SimOptions.h"
#include "sim/SimServer.h"
#include "sim/SimTransmitter.h"
#include <QCoreApplication>
#include <QElapsedTimer>
#include <QSet>
#include <benchmark/benchmark.h>
#include <functional>

namespace {

struct Variant {
    const char* name;
    uint32_t deviceType;
    uint32_t revision;
    bool multivariable;
    bool userCurve;
};

// Preambles in front of every frame on the loop.
constexpr int kPreambles = 5;

constexpr Variant kVariants[] = {
    {"rev20_mv_off", 137, 20, false, false},
    {"rev21_mv_on", 137, 21, true, false},
    {"rev22_mv_off_curve", 137, 22, false, true},
    {"rev20_mv_on_pid", 139, 20, true, false},
    {"rev22_mv_on_pid_curve", 139, 22, true, true},
};

// The sequences of the upload chain of a HART device of the variant.
QStringList chain(const Variant& v)
{
    QStringList names{"upload", v.revision < 21 ? "upload_Revision20" : "upload_Revision21"};
    if (v.multivariable)
        names << (v.revision > 20 ? "uploadMv_Revision21" : "uploadMv_Revision20") << "uploadTtrb" << "uploadMv";
    if (v.deviceType == 139)
        names << "uploadPid";
    if (v.userCurve)
        names << "UploadUserCurve";
    return names;
}

// The simulated transmitter as a device of the variant.
void ApplyVariant(sim::SimTransmitter& device, const Variant& v)
{
    sim::VariantOptions options;
    options.deviceType = v.deviceType;
    options.revision = v.revision;
    options.multivariable = v.multivariable;
    QString error;
    sim::applyVariant(device, options, error);
    if (v.userCurve)
        device.device().transferFunction = 4; // the user curve on HART
}

void FullUpload(benchmark::State& state, const Variant& v)
{
    sim::SimTransmitter device;
    if (!device.descriptionError().isEmpty()) {
        state.SkipWithError(device.descriptionError().toStdString().c_str());
        return;
    }
    ApplyVariant(device, v);
    const applet::Description& d = device.parameters().description();

    QList<const applet::DescRecord*> records;
    QSet<QString> items;
    double parameterBytes = 0;
    for (const QString& name : chain(v))
        for (const QString& record : d.FindSequence(name)->records) {
            const applet::DescRecord* r = d.FindRecord(record);
            records << r;
            for (const applet::FieldLayout& f : r->response)
                if (!f.item.isEmpty() && !items.contains(f.item.toLower())) {
                    items.insert(f.item.toLower());
                    parameterBytes += f.length;
                }
        }

    double wireBytes = 0;
    double failed = 0;
    for (auto _ : state) {
        wireBytes = 0;
        failed = 0;
        for (const applet::DescRecord* r : records) {
            comm::HartFrame request;
            request.address = device.uniqueAddress();
            request.command = static_cast<uint8_t>(r->command);
            const QByteArray pdu = comm::encodeHartFrame(request, kPreambles);
            const sim::PduResult answer = device.handlePdu(pdu);
            wireBytes += pdu.size() + kPreambles + answer.response.size();
            if (answer.responseCode != 0)
                ++failed;
        }
    }
    state.counters["transactions"] = static_cast<double>(records.size());
    state.counters["wire_bytes"] = wireBytes;
    state.counters["parameter_bytes"] = parameterBytes;
    state.counters["wire_per_parameter_byte"] = wireBytes / parameterBytes;
    state.counters["failed_records"] = failed;
}

class Channel : public automation::ComObject, public comm::IHartIpAddress {
public:
    explicit Channel(QString address) : m_address(std::move(address)) {}
    QString DeviceAddress() const override { return m_address; }

private:
    QString m_address;
};

// Runs the event loop until done() holds; false after 60 s.
bool RunUntil(const std::function<bool()>& done)
{
    QElapsedTimer clock;
    clock.start();
    while (!done()) {
        if (clock.elapsed() > 60000)
            return false;
        QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
        loop::RunPostedCalls();
    }
    return true;
}

void FullUploadLoopback(benchmark::State& state, const Variant& v)
{
    sim::SimServer device;
    if (!device.listen(QHostAddress::LocalHost, 0)) {
        state.SkipWithError("the simulator does not listen");
        return;
    }
    ApplyVariant(device.transmitter(), v);

    const auto quiet = applet::AppletTrace::SetSink([](applet::AppletTrace::Level, const QString&) {});
    applet::RegisterClasses();
    corvane::RegisterClasses();
    auto host = automation::ClassRegistry::instance().Create<applet::AppletHost>(applet::kAppletHostProgId);
    int32_t code = -1;
    // The description of the device type: COM_HART/_0063/_0_0089 for 137.
    const QString typeFolder = QString::number(v.deviceType, 16).toUpper().rightJustified(4, QLatin1Char('0'));
    host->fncInit(QStringLiteral(TRIVEX_TDX_DIR "/COM_HART/_0063/_0_%1/Trivex.tdx").arg(typeFolder), QString(),
                  QString(), code);
    std::shared_ptr<applet::clsAppletItemManager> manager;
    host->GetItemManager(manager);
    auto server = std::make_shared<comm::HartCommServer>();
    server->SetCommunication(std::make_shared<Channel>(QStringLiteral("hart-ip://127.0.0.1:%1").arg(device.port())),
                             code);
    std::shared_ptr<applet::AppletHost> keptHost = host;
    auto gateway = std::make_shared<clsGatewayHART>([keptHost] { return keptHost; });
    const auto number = [&](const QString& name) {
        double value = -1;
        int32_t failed = 0;
        manager->fncGetUIntValue(manager->HandleOf(name), value, failed);
        return failed == 0 ? value : -1;
    };
    bool ready = manager && gateway->ConnectServer(server) == 1;
    if (ready) {
        host->Connect(0, code);
        ready = code == 0 && RunUntil([&] { return number(QStringLiteral("&&private&&connect")) == 2; })
                && RunUntil([&] { return number(QStringLiteral("&&Sequence_State&&GetDeviceInfo")) == 0; });
    }
    double transactions = 0;
    bool completed = ready;
    if (ready) {
        clsSequenceItem upload;
        upload.Register(manager, QStringLiteral("upload"), false, 0, REGISTER_STATE);
        for (auto _ : state) {
            const int before = device.requestsHandled();
            // Asked for while the identification may still be ending.
            RunUntil([&] {
                try {
                    upload.Start();
                    return true;
                } catch (const automation::ComError&) {
                    return false;
                }
            });
            completed = RunUntil([&] { return number(QStringLiteral("XXXTransferCompletedXXX")) == 0; })
                        && RunUntil([&] { return number(QStringLiteral("XXXTransferCompletedXXX")) != 0; });
            completed = completed && number(QStringLiteral("XXXTransferCompletedXXX")) == 1;
            transactions = device.requestsHandled() - before;
            if (!completed)
                break;
        }
        upload.UnRegister();
    }
    if (!completed)
        state.SkipWithError("the upload did not complete");
    state.counters["transactions"] = transactions;
    gateway->DisconnectServer();
    std::shared_ptr<applet::CServerRequestClass> reference = server;
    server->Destroy(reference, code);
    host->DestroyApplet(keptHost, code);
    applet::AppletTrace::SetSink(quiet);
}

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    for (const Variant& v : kVariants)
        benchmark::RegisterBenchmark((std::string("FullUpload/") + v.name).c_str(), FullUpload, v);
    for (const Variant& v : kVariants)
        benchmark::RegisterBenchmark((std::string("FullUploadLoopback/") + v.name).c_str(), FullUploadLoopback, v)
            ->Unit(benchmark::kMillisecond)
            ->UseRealTime();
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
