// Costs of the device communication path: the HART codec on its own, one
// whole HART-IP transaction over loopback between the client and the simulator,
// and one transaction through the communication server (the request call up
// to the client's response on the event loop).
#include "platform/applet/CServerResponseClass.h"
#include "platform/comm/hart/HartBytes.h"
#include "platform/comm/hart/HartFrame.h"
#include "platform/comm/hartip/HartIpClient.h"
#include "platform/comm/server/HartCommServer.h"
#include "platform/comm/server/IHartIpAddress.h"
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

class BenchChannel : public automation::ComObject, public comm::IHartIpAddress {
public:
    explicit BenchChannel(QString address) : m_address(std::move(address)) {}
    QString DeviceAddress() const override { return m_address; }

private:
    QString m_address;
};

// Counts what the server answers.
class CountingClient : public applet::CServerResponseClass {
public:
    void ConnectResponse(const QVariant&, const QVariantList&, const QVariantList&, int32_t hResult,
                         int32_t& result) override
    {
        connectResult = hResult;
        connected = true;
        result = 0;
    }
    void DisConnectResponse(int32_t& result) override { result = 0; }
    void DisConnectIndication(int32_t, int32_t, const QVariant&, int32_t, int32_t& result) override
    {
        lost = true;
        result = 0;
    }
    void ReadResponse(int32_t, int32_t hResult, uint8_t, const QByteArray&, uint8_t, const QByteArray&,
                      int32_t& result) override
    {
        failed = failed || hResult != 0;
        ++reads;
        result = 0;
    }
    void WriteResponse(int32_t, int32_t, uint8_t, const QByteArray&, int32_t& result) override { result = 0; }
    void DataExchangeResponse(int32_t, int32_t, uint8_t, const QByteArray&, uint8_t, const QByteArray&,
                              int32_t& result) override
    {
        result = 0;
    }
    void SearchDeviceResponse(int32_t, const QVariant&, const QVariant&, const QVariant&, int32_t& result) override
    {
        result = 0;
    }
    void ChangeSlaveAddressResponse(const QVariant&, const QVariant&, int32_t& result) override { result = 0; }
    void SetAddressInfo(const QVariant&, int32_t& result) override { result = 0; }

    bool connected = false;
    int32_t connectResult = -1;
    bool lost = false;
    bool failed = false;
    int reads = 0;
};

void BM_CommServerReadTransaction(benchmark::State& state)
{
    sim::SimServer device;
    if (!device.listen(QHostAddress::LocalHost, 0)) {
        state.SkipWithError("simulator cannot listen");
        return;
    }
    auto server = std::make_shared<comm::HartCommServer>();
    auto client = std::make_shared<CountingClient>();
    int32_t result = -1;
    server->SetCommunication(
        std::make_shared<BenchChannel>(QStringLiteral("hart-ip://127.0.0.1:%1").arg(device.port())), result);
    QVariant handle;
    server->AddClient(client, handle, QVariant(), result);
    server->ConnectRequest(handle, QVariant(), QVariantList(), QVariant(), result);
    if (result != 0 || !waitFor([&] { return client->connected; }) || client->connectResult != 0) {
        state.SkipWithError("no connection through the communication server");
        return;
    }
    const QByteArray request = QByteArray::fromHex("0300");
    for (auto _ : state) {
        const int before = client->reads;
        int32_t number = -1;
        server->ReadIORequest(handle, request, number, result);
        if (result != 0 || !waitFor([&] { return client->reads > before || client->lost; }) || client->lost
            || client->failed) {
            state.SkipWithError("transaction failed");
            break;
        }
    }
    std::shared_ptr<applet::CServerRequestClass> reference = server;
    server->Destroy(reference, result);
}
BENCHMARK(BM_CommServerReadTransaction)->Unit(benchmark::kMicrosecond);

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
