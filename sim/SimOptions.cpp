#include "sim/SimOptions.h"

#include "sim/SimTransmitter.h"
#include <QStringList>
#include <QFileInfo>
#include <cmath>

namespace sim {

namespace {
// Names of the measured variables a value can be held for.
constexpr const char* kHeldNames[Measured::Count] = {"dp", "sp", "temperature", "sensor-temperature"};
constexpr double kMaxHeldValue = 1e6;

// The faults a device can be told to report, each with its bit of the device
// diagnosis. The memory checksum comes with the EEPROM fault, a measurement
// fault with a value held beyond a sensor limit.
struct DiagnosisFault {
    const char* name;
    int octet;
    uint8_t bit;
};
constexpr DiagnosisFault kFaults[] = {
    {"electronics", 0, Diagnosis::HardwareElectronics},
    {"configuration", 1, Diagnosis::ConfigurationInvalid},
    {"maintenance", 1, Diagnosis::MaintenanceDue},
    {"characteristic", 1, Diagnosis::CharacteristicInvalid},
    {"ident-number", 1, Diagnosis::IdentNumberViolated},
};
} // namespace

QString softwareCode(uint32_t revision)
{
    // The software of revision 22 carries a code of its own.
    return revision >= 22 ? QStringLiteral("4607238") : QStringLiteral("4607215");
}

bool parseNumber(const QString& text, uint32_t max, uint32_t& out)
{
    bool ok = false;
    const qulonglong value = text.startsWith(QLatin1String("0x"), Qt::CaseInsensitive)
                                 ? text.mid(2).toULongLong(&ok, 16)
                                 : text.toULongLong(&ok, 10);
    if (!ok || value > max)
        return false;
    out = static_cast<uint32_t>(value);
    return true;
}

bool parseModule(const QString& text, VariantOptions& options, QString& error)
{
    uint32_t code = 0;
    if (text == QLatin1String("differential"))
        code = ModuleType::Differential;
    else if (text == QLatin1String("absolute"))
        code = ModuleType::Absolute;
    else if (!parseNumber(text, 0xFF, code)) {
        error = QStringLiteral("invalid module \"%1\" (differential, absolute or a code 0 to 255)").arg(text);
        return false;
    }
    options.module = code;
    return true;
}

bool parseMultivariable(const QString& text, VariantOptions& options, QString& error)
{
    if (text != QLatin1String("on") && text != QLatin1String("off")) {
        error = QStringLiteral("invalid multivariable function \"%1\" (on or off)").arg(text);
        return false;
    }
    options.multivariable = text == QLatin1String("on");
    return true;
}

bool parseHeld(const QString& text, VariantOptions& options, QString& error)
{
    const qsizetype equals = text.indexOf(QLatin1Char('='));
    const QString name = text.left(equals);
    bool ok = false;
    const double value = equals < 0 ? 0 : text.mid(equals + 1).toDouble(&ok);
    for (int m = 0; m < Measured::Count; ++m) {
        if (name != QLatin1String(kHeldNames[m]))
            continue;
        if (!ok || !std::isfinite(value) || std::fabs(value) > kMaxHeldValue)
            break;
        options.held[m] = value;
        return true;
    }
    error = QStringLiteral("invalid held value \"%1\" (dp=, sp= in kPa, temperature=, sensor-temperature= in degC)")
                .arg(text);
    return false;
}

QString faultNames()
{
    QStringList names;
    for (const DiagnosisFault& fault : kFaults)
        names << QLatin1String(fault.name);
    return names.join(QStringLiteral(", "));
}

bool parseFault(const QString& text, VariantOptions& options, QString& error)
{
    for (const DiagnosisFault& fault : kFaults) {
        if (text != QLatin1String(fault.name))
            continue;
        options.faults[static_cast<size_t>(fault.octet)] |= fault.bit;
        return true;
    }
    error = QStringLiteral("invalid fault \"%1\" (%2)").arg(text, faultNames());
    return false;
}

bool applyVariant(SimTransmitter& transmitter, const VariantOptions& options, QString& error)
{
    // A device with a memory keeps the configuration it holds; a fresh one
    // leaves the factory set up for its flow function.
    const bool fresh = options.memory.isEmpty() || !QFileInfo::exists(options.memory);
    if (!options.memory.isEmpty() && !transmitter.setMemoryFile(options.memory, error))
        return false;
    DeviceState& d = transmitter.device();
    if (options.deviceType) {
        // A code of one byte replaces the low byte of the expanded device type.
        d.expandedDeviceType = *options.deviceType > 0xFF
                                   ? static_cast<uint16_t>(*options.deviceType)
                                   : static_cast<uint16_t>((d.expandedDeviceType & 0xFF00) | *options.deviceType);
    }
    if (options.revision) {
        d.softwareRevision = static_cast<uint8_t>(*options.revision);
        d.extendedSoftwareRevision[0] = d.softwareRevision;
        d.softwareSpecifics = QStringLiteral("SW%1-H7").arg(softwareCode(*options.revision));
    }
    if (options.module)
        d.moduleType = static_cast<uint8_t>(*options.module);
    if (options.multivariable) {
        const uint8_t transferFunction = d.transferFunction;
        d.setFlowFunction(*options.multivariable);
        if (!fresh)
            d.transferFunction = transferFunction;
    }
    if (fresh)
        transmitter.setFactoryStaticPressureUnit();
    for (size_t i = 0; i < options.faults.size(); ++i)
        d.diagnosedFaults[i] |= options.faults[i];
    for (int m = 0; m < Measured::Count; ++m)
        if (options.held[m])
            transmitter.setAppliedValue(m, options.held[m]);
    return true;
}

} // namespace sim
