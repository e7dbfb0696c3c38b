// trivex-sim: the simulated Trivex transmitter as a HART-IP server.
#include "platform/comm/hart/PackedAscii.h"
#include "sim/SimOptions.h"
#include "sim/SimServer.h"
#include <QCommandLineParser>
#include <QCoreApplication>
#include <QTextStream>
#include <cstdio>

namespace {

using sim::parseNumber;

// Sessions a device serves at once unless --sessions says otherwise: few, as
// on a real transmitter, so that a client that leaves its session open shows.
constexpr uint32_t kDefaultSessionSlots = 4;
constexpr uint32_t kMaxSessionSlots = 1000;

int fail(const QString& text)
{
    QTextStream(stderr) << "trivex-sim: " << text << Qt::endl;
    return 2;
}

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("trivex-sim"));

    QCommandLineParser parser;
    parser.setApplicationDescription(QStringLiteral("Simulated Trivex multivariable transmitter, a HART-IP server."));
    const QCommandLineOption helpOption = parser.addHelpOption();
    const QCommandLineOption portOption(QStringLiteral("port"), QStringLiteral("TCP port to listen on (default 5094; 0 picks a free port)."), QStringLiteral("port"), QStringLiteral("5094"));
    const QCommandLineOption listenOption(QStringLiteral("listen"), QStringLiteral("Address to listen on (default 127.0.0.1)."), QStringLiteral("address"), QStringLiteral("127.0.0.1"));
    const QCommandLineOption deviceIdOption(QStringLiteral("device-id"), QStringLiteral("Device id, 24 bits, decimal or 0x-hexadecimal."), QStringLiteral("id"));
    const QCommandLineOption tagOption(QStringLiteral("tag"), QStringLiteral("Tag, up to 8 packed-ASCII characters."), QStringLiteral("tag"));
    const QCommandLineOption busyOption(QStringLiteral("busy"), QStringLiteral("Answer the first N requests with busy."), QStringLiteral("N"));
    const QCommandLineOption writeProtectOption(QStringLiteral("write-protect"), QStringLiteral("Start write protected."));
    const QCommandLineOption lockedOption(QStringLiteral("locked"), QStringLiteral("Refuse configuration changes with access restricted."));
    const QCommandLineOption delayOption(QStringLiteral("delay"), QStringLiteral("Delay every answer by MS milliseconds."), QStringLiteral("MS"));
    const QCommandLineOption dropOption(QStringLiteral("drop-after"), QStringLiteral("Drop the connection instead of answering request N+1."), QStringLiteral("N"));
    const QCommandLineOption corruptOption(QStringLiteral("corrupt-checksum"), QStringLiteral("Corrupt the checksum of the first answer."));
    const QCommandLineOption eepromOption(QStringLiteral("eeprom-fault"), QStringLiteral("Report a fault of the electronics' EEPROM in the diagnosis (command 48)."));
    const QCommandLineOption faultOption(QStringLiteral("fault"), QStringLiteral("Report a fault in the device diagnosis (command 48): %1; repeatable.").arg(sim::faultNames()), QStringLiteral("NAME"));
    const QCommandLineOption quietOption(QStringLiteral("quiet"), QStringLiteral("Do not log requests."));
    const QCommandLineOption manufacturerOption(QStringLiteral("manufacturer"), QStringLiteral("Manufacturer id that command 0 reports, 16 bits, decimal or 0x-hexadecimal (default 0x63)."), QStringLiteral("N"));
    const QCommandLineOption deviceTypeOption(QStringLiteral("device-type"), QStringLiteral("Device type code that command 0 reports, decimal or 0x-hexadecimal (137, 138, 139)."), QStringLiteral("N"));
    const QCommandLineOption revisionOption(QStringLiteral("revision"), QStringLiteral("Software revision (below 20: a device that can be busy; 20, 21, 22)."), QStringLiteral("N"));
    const QCommandLineOption moduleOption(QStringLiteral("module"), QStringLiteral("Pressure module: differential, absolute or a module type code."), QStringLiteral("module"));
    const QCommandLineOption mvOption(QStringLiteral("mv"), QStringLiteral("Multivariable function on or off."), QStringLiteral("on|off"));
    const QCommandLineOption memoryOption(QStringLiteral("memory"), QStringLiteral("File of the non-volatile memory, at most 1 MiB; kept across restarts."), QStringLiteral("FILE"));
    const QCommandLineOption sessionsOption(QStringLiteral("sessions"), QStringLiteral("HART-IP sessions served at once (default %1); one more is refused with \"all sessions in use\".").arg(kDefaultSessionSlots), QStringLiteral("N"));
    const QCommandLineOption holdOption(QStringLiteral("hold"), QStringLiteral("Hold a measured value instead of the moving process: dp=KPA, sp=KPA, temperature=DEGC or sensor-temperature=DEGC; repeatable."), QStringLiteral("NAME=VALUE"));
    parser.addOptions({portOption, listenOption, deviceIdOption, tagOption, busyOption, writeProtectOption,
                       lockedOption, delayOption, dropOption, corruptOption, eepromOption, faultOption, quietOption, manufacturerOption, deviceTypeOption,
                       revisionOption, moduleOption, mvOption, memoryOption, holdOption, sessionsOption});
    // A wrong command line is told apart from a failure of the device: exit code 2.
    if (!parser.parse(QCoreApplication::arguments()))
        return fail(parser.errorText());
    if (parser.isSet(helpOption))
        parser.showHelp(0);
    if (!parser.positionalArguments().isEmpty())
        return fail(QStringLiteral("unexpected argument \"%1\" (trivex-sim takes options only)")
                        .arg(parser.positionalArguments().first()));

    sim::SimServer server;
    if (!server.transmitter().descriptionError().isEmpty())
        return fail(QStringLiteral("device description refused: %1").arg(server.transmitter().descriptionError()));
    uint32_t number = 0;
    sim::VariantOptions variant;
    QString error;
    if (parser.isSet(deviceTypeOption)) {
        if (!parseNumber(parser.value(deviceTypeOption), 0xFFFF, number))
            return fail(QStringLiteral("invalid device type \"%1\" (0 to 0xFFFF)").arg(parser.value(deviceTypeOption)));
        variant.deviceType = number;
    }
    if (parser.isSet(revisionOption)) {
        if (!parseNumber(parser.value(revisionOption), 0xFF, number))
            return fail(QStringLiteral("invalid revision \"%1\" (0 to 255)").arg(parser.value(revisionOption)));
        variant.revision = number;
    }
    if (parser.isSet(moduleOption) && !sim::parseModule(parser.value(moduleOption), variant, error))
        return fail(error);
    if (parser.isSet(mvOption) && !sim::parseMultivariable(parser.value(mvOption), variant, error))
        return fail(error);
    variant.memory = parser.value(memoryOption);
    for (const QString& held : parser.values(holdOption))
        if (!sim::parseHeld(held, variant, error))
            return fail(error);
    for (const QString& fault : parser.values(faultOption))
        if (!sim::parseFault(fault, variant, error))
            return fail(error);
    if (parser.isSet(manufacturerOption)) {
        if (!parseNumber(parser.value(manufacturerOption), 0xFFFF, number))
            return fail(QStringLiteral("invalid manufacturer id \"%1\" (0 to 0xFFFF)").arg(parser.value(manufacturerOption)));
        server.device().manufacturerId = static_cast<uint16_t>(number);
    }
    if (!sim::applyVariant(server.transmitter(), variant, error))
        return fail(QStringLiteral("memory refused: %1").arg(error));
    if (!parseNumber(parser.value(portOption), 0xFFFF, number))
        return fail(QStringLiteral("invalid port \"%1\"").arg(parser.value(portOption)));
    const quint16 port = static_cast<quint16>(number);
    const QHostAddress address(parser.value(listenOption));
    if (address.isNull())
        return fail(QStringLiteral("invalid listen address \"%1\"").arg(parser.value(listenOption)));
    if (parser.isSet(deviceIdOption)) {
        if (!parseNumber(parser.value(deviceIdOption), 0xFFFFFF, number))
            return fail(QStringLiteral("invalid device id \"%1\" (0 to 0xFFFFFF)").arg(parser.value(deviceIdOption)));
        server.device().deviceId = number;
    }
    if (parser.isSet(tagOption)) {
        const QString tag = parser.value(tagOption).toUpper();
        QByteArray packed;
        QString why;
        if (!comm::PackedAscii::pack(tag, 6, packed, &why))
            return fail(QStringLiteral("invalid tag: %1").arg(why));
        server.device().tag = tag;
    }
    if (parser.isSet(busyOption)) {
        if (!parseNumber(parser.value(busyOption), 1000000, number))
            return fail(QStringLiteral("invalid busy count \"%1\"").arg(parser.value(busyOption)));
        server.injectBusy(static_cast<int>(number));
    }
    if (parser.isSet(delayOption)) {
        if (!parseNumber(parser.value(delayOption), 3600000, number))
            return fail(QStringLiteral("invalid delay \"%1\"").arg(parser.value(delayOption)));
        server.setResponseDelay(static_cast<int>(number));
    }
    if (parser.isSet(dropOption)) {
        if (!parseNumber(parser.value(dropOption), 1000000, number))
            return fail(QStringLiteral("invalid request count \"%1\"").arg(parser.value(dropOption)));
        server.dropConnectionAfter(static_cast<int>(number));
    }
    number = kDefaultSessionSlots;
    if (parser.isSet(sessionsOption) && !parseNumber(parser.value(sessionsOption), kMaxSessionSlots, number))
        return fail(QStringLiteral("invalid session count \"%1\" (1 to %2)").arg(parser.value(sessionsOption)).arg(kMaxSessionSlots));
    if (number == 0)
        return fail(QStringLiteral("invalid session count \"0\" (1 to %1)").arg(kMaxSessionSlots));
    server.setSessionSlots(static_cast<int>(number));
    server.setWriteProtected(parser.isSet(writeProtectOption));
    server.setAccessRestricted(parser.isSet(lockedOption));
    if (parser.isSet(corruptOption))
        server.corruptNextChecksum();
    server.device().eepromFault = parser.isSet(eepromOption);

    if (!parser.isSet(quietOption)) {
        QObject::connect(&server, &sim::SimServer::logMessage, [](const QString& text) {
            QTextStream(stderr) << "trivex-sim: " << text << Qt::endl;
        });
    }
    if (!server.listen(address, port))
        return fail(QStringLiteral("cannot listen on %1:%2: %3").arg(address.toString()).arg(port).arg(server.errorString()));

    QTextStream(stdout) << "trivex-sim listening on " << address.toString() << ":" << server.port() << Qt::endl;
    std::fflush(stdout);
    return QCoreApplication::exec();
}
