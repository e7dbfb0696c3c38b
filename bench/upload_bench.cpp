// One full upload of each device variant against the simulated transmitter:
// how many HART transactions it takes and how many bytes travel on the wire
// (request and response frames, preambles included), against the bytes of
// the parameters it reads. On a 1200-baud loop every transaction costs about
// 0.6 s, so the description packs the parameters densely into its commands.
//
// WholeUpload runs the staged programs as a user does: trivex-frame uploads a
// new project from trivex-sim, and the simulator's log gives every HART
// transaction of it, the connect included, and the repeats among them (a
// command the device had answered before in the same upload).
#include "platform/applet/Description.h"
#include "platform/comm/hart/HartFrame.h"
#include "sim/SimOptions.h"
#include "sim/SimTransmitter.h"
#include <QCoreApplication>
#include <QDir>
#include <QProcess>
#include <QRegularExpression>
#include <QSet>
#include <QTemporaryDir>
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

const QString kBinDir = QStringLiteral(TRIVEX_BIN_DIR);
constexpr int kProgramMs = 120000;

// Runs a staged program to its end; false with what it said otherwise.
bool Run(const QString& program, const QStringList& arguments, QString& said)
{
    QProcess process;
    process.start(kBinDir + QLatin1Char('/') + program, arguments);
    const bool ended = process.waitForFinished(kProgramMs);
    said = QString::fromUtf8(process.readAllStandardError());
    if (!ended)
        process.kill();
    return ended && process.exitStatus() == QProcess::NormalExit && process.exitCode() == 0;
}

// Registers the variant's device type (its own description folder).
bool RegisterDeviceType(const Variant& v, QString& said)
{
    const QString description = QDir::cleanPath(kBinDir + QStringLiteral("/../../TDXDESC/COM_HART/_0063/_0_%1")
                                                              .arg(v.deviceType, 4, 16, QLatin1Char('0'))
                                                              .toUpper())
                                + QLatin1Char('/');
    return Run(QStringLiteral("fennick"),
               {QStringLiteral("func:registerdtm"), QStringLiteral("dscr_dir:") + description,
                QStringLiteral("tdx_file:Trivex.tdx"), QStringLiteral("fdt_file:Trivex.fdt"),
                QStringLiteral("dtminfo_date:2024-05-15"), QStringLiteral("fdtclassificationid:1")},
               said);
}

void WholeUpload(benchmark::State& state, const Variant& v)
{
    QString said;
    if (!RegisterDeviceType(v, said)) {
        state.SkipWithError(("registration failed: " + said).toStdString().c_str());
        return;
    }
    double transactions = 0;
    double repeats = 0;
    for (auto _ : state) {
        QTemporaryDir dir;
        QProcess device;
        device.start(kBinDir + QStringLiteral("/trivex-sim"),
                     {QStringLiteral("--port"), QStringLiteral("0"), QStringLiteral("--device-type"),
                      QString::number(v.deviceType), QStringLiteral("--revision"), QString::number(v.revision),
                      QStringLiteral("--mv"), v.multivariable ? QStringLiteral("on") : QStringLiteral("off")});
        static const QRegularExpression kListening(QStringLiteral("listening on .*:(\\d+)"));
        QString out;
        quint16 port = 0;
        while (port == 0 && device.waitForReadyRead(kProgramMs)) {
            out += QString::fromUtf8(device.readAllStandardOutput());
            const QRegularExpressionMatch match = kListening.match(out);
            if (match.hasMatch())
                port = match.captured(1).toUShort();
        }
        const QString project = dir.filePath(QStringLiteral("project"));
        const bool done = port != 0
                          && Run(QStringLiteral("trivex-frame"),
                                 {QStringLiteral("new"), project, QStringLiteral("--device-type"),
                                  QString::number(v.deviceType)},
                                 said)
                          && Run(QStringLiteral("trivex-frame"),
                                 {QStringLiteral("upload"), project, QStringLiteral("--device"),
                                  QStringLiteral("hart-ip://127.0.0.1:%1").arg(port)},
                                 said);
        device.kill();
        device.waitForFinished();
        if (!done) {
            state.SkipWithError(("the upload failed: " + said).toStdString().c_str());
            return;
        }
        // "trivex-sim: command N (record): response" for every answered request.
        static const QRegularExpression kCommand(QStringLiteral("^trivex-sim: command (\\d+) \\(([^)]*)\\)"),
                                                 QRegularExpression::MultilineOption);
        const QString log = QString::fromUtf8(device.readAllStandardError());
        QSet<QString> seen;
        transactions = 0;
        repeats = 0;
        for (auto it = kCommand.globalMatch(log); it.hasNext();) {
            const QRegularExpressionMatch match = it.next();
            const QString request = match.captured(1) + QLatin1Char(' ') + match.captured(2);
            ++transactions;
            if (seen.contains(request))
                ++repeats;
            seen.insert(request);
        }
    }
    state.counters["transactions"] = transactions;
    state.counters["repeats"] = repeats;
}

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    for (const Variant& v : kVariants)
        benchmark::RegisterBenchmark((std::string("FullUpload/") + v.name).c_str(), FullUpload, v);
    for (const Variant& v : kVariants)
        benchmark::RegisterBenchmark((std::string("WholeUpload/") + v.name).c_str(), WholeUpload, v)
            ->Iterations(1)
            ->Unit(benchmark::kMillisecond);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
