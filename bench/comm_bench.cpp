// Costs of the device communication path: the HART codec on its own, and one
// whole HART-IP transaction over loopback between the client and the simulator.
#include "platform/comm/hart/HartBytes.h"
#include "platform/comm/hart/HartFrame.h"
#include "platform/comm/hartip/HartIpClient.h"
#include "sim/SimServer.h"
#include <QCoreApplication>
#include <QElapsedTimer>
#include <benchmark/benchmark.h>
#include <functional>

namespace {

comm::HartFrame command3Response()
{
    comm::HartFrame frame;
    frame.type = comm::HartFrameType::Response;
    frame.address = comm::HartAddress::unique(0x6071, 0x0A1B2C);
    frame.command = 3;
    frame.data = comm::HartDataWriter()
                     .f32(12.0f).u8(12).f32(12.5f).u8(7).f32(10.0f).u8(32).f32(20.0f).u8(19).f32(35.36f)
                     .take();
    return frame;
}

void BM_Command3ResponseEncodeDecode(benchmark::State& state)
{
    const comm::HartFrame frame = command3Response();
    for (auto _ : state) {
        const QByteArray bytes = comm::encodeHartFrame(frame);
        const comm::HartDecodeResult decoded = comm::decodeHartFrame(bytes);
        if (!decoded.ok())
            state.SkipWithError("decode failed");
        benchmark::DoNotOptimize(decoded.frame.data.constData());
    }
}
BENCHMARK(BM_Command3ResponseEncodeDecode);

bool waitFor(const std::function<bool()>& done)
{
    QElapsedTimer clock;
    clock.start();
    while (!done()) {
        if (clock.elapsed() > 10000)
            return false;
        QCoreApplication::processEvents(QEventLoop::AllEvents | QEventLoop::WaitForMoreEvents, 10);
    }
    return true;
}

void BM_HartIpCommand3Transaction(benchmark::State& state)
{
    sim::SimServer server;
    if (!server.listen(QHostAddress::LocalHost, 0)) {
        state.SkipWithError("simulator cannot listen");
        return;
    }
    comm::HartIpClient client;
    bool established = false;
    bool lost = false;
    int answers = 0;
    QObject::connect(&client, &comm::HartIpClient::sessionEstablished, [&] { established = true; });
    QObject::connect(&client, &comm::HartIpClient::connectionLost, [&] { lost = true; });
    QObject::connect(&client, &comm::HartIpClient::pduResponse, [&] { ++answers; });
    client.connectToServer(QStringLiteral("127.0.0.1"), server.port());
    if (!waitFor([&] { return established || lost; }) || !established) {
        state.SkipWithError("no HART-IP session");
        return;
    }
    comm::HartFrame request;
    request.address = server.transmitter().uniqueAddress();
    request.command = 3;
    const QByteArray pdu = comm::encodeHartFrame(request);

    for (auto _ : state) {
        const int before = answers;
        client.sendPdu(pdu);
        if (!waitFor([&] { return answers > before || lost; }) || lost) {
            state.SkipWithError("transaction failed");
            break;
        }
    }
    client.closeSession();
}
BENCHMARK(BM_HartIpCommand3Transaction)->Unit(benchmark::kMicrosecond);

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv))
        return 1;
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
