// One full upload of each device variant against the simulated transmitter:
// how many HART transactions it takes and how many bytes travel on the wire
// (request and response frames, preambles included), against the bytes of
// the parameters it reads. On a 1200-baud loop every transaction costs about
// 0.6 s, so the description packs the parameters densely into its commands.
#include "platform/applet/Description.h"
#include "platform/comm/hart/HartFrame.h"
#include "sim/SimOptions.h"
#include "sim/SimTransmitter.h"
#include <QCoreApplication>
#include <QSet>
#include <benchmark/benchmark.h>

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

void FullUpload(benchmark::State& state, const Variant& v)
{
    sim::SimTransmitter device;
    if (!device.descriptionError().isEmpty()) {
        state.SkipWithError(device.descriptionError().toStdString().c_str());
        return;
    }
    sim::VariantOptions options;
    options.deviceType = v.deviceType;
    options.revision = v.revision;
    options.multivariable = v.multivariable;
    QString error;
    sim::applyVariant(device, options, error);
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

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    for (const Variant& v : kVariants)
        benchmark::RegisterBenchmark((std::string("FullUpload/") + v.name).c_str(), FullUpload, v);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
