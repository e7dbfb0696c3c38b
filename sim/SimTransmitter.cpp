#include "sim/SimTransmitter.h"
#include "platform/automation/CheckedFile.h"

#include "platform/applet/ItemValue.h"
#include "platform/automation/AtomicFile.h"
#include "platform/comm/hart/HartStatus.h"
#include "platform/loop/TimerService.h"
#include "sim/CommandTable.h"
#include "sim/InputSimulation.h"
#include "sim/MeasuredParameters.h"
#include "sim/MeasurementItems.h"
#include "sim/MvFlowParameters.h"
#include "sim/ObeyedItems.h"
#include "sim/OutputSimulation.h"
#include "sim/RangeChecks.h"
#include "sim/SimUnits.h"
#include <QFile>
#include <QFileInfo>
#include <QJsonObject>
#include <QJsonValue>
#include <QTemporaryFile>
#include <QTextStream>

namespace sim {

namespace {
// The answer to a frame addressed to this device whose checksum was wrong:
// a communication error with the longitudinal parity bit.
constexpr uint8_t kChecksumErrorStatus = comm::kCommunicationErrorBit | 0x08;
// "Set to nearest possible value": a warning of a write that was carried out.
constexpr uint8_t kSetToNearest = 8;
} // namespace

SimTransmitter::SimTransmitter()
    : m_startMs(loop::TimerService::instance().NowMs())
{
    loadDescription(defaultDescriptionPath());
    const ProcessValues initial = processValues();
    m_device.lastStatusRead = {m_device.additionalStatus(initial), m_device.additionalStatus(initial)};
}

bool SimTransmitter::loadDescription(const QString& path)
{
    m_descriptionError.clear();
    if (!m_parameters.load(path, m_descriptionError, [](int number) { return findCommand(static_cast<uint8_t>(number)) != nullptr; })) {
        QTextStream(stderr) << "trivex-sim: device description refused: " << m_descriptionError << Qt::endl;
        return false;
    }
    return true;
}

namespace {

// The configuration of the standard commands that the memory keeps: texts
// and numbers of the device state, each with how it is checked on the way in.
struct KeptText {
    const char* key;
    QString DeviceState::*field;
    int maxLength;
};
constexpr KeptText kKeptTexts[] = {
    {"tag", &DeviceState::tag, 8},
    {"longTag", &DeviceState::longTag, 32},
    {"descriptor", &DeviceState::descriptor, 16},
    {"message", &DeviceState::message, 32},
};
struct KeptNumber {
    const char* key;
    double (*get)(const DeviceState&);
    void (*set)(DeviceState&, double);
    double min;
    double max;
};
constexpr KeptNumber kKeptNumbers[] = {
    {"finalAssemblyNumber", [](const DeviceState& d) { return double(d.finalAssemblyNumber); },
     [](DeviceState& d, double v) { d.finalAssemblyNumber = static_cast<uint32_t>(v); }, 0, 0xFFFFFF},
    {"pvLowerRange", [](const DeviceState& d) { return d.pvLowerRange; },
     [](DeviceState& d, double v) { d.pvLowerRange = v; }, -1e9, 1e9},
    {"pvUpperRange", [](const DeviceState& d) { return d.pvUpperRange; },
     [](DeviceState& d, double v) { d.pvUpperRange = v; }, -1e9, 1e9},
    {"pvDamping", [](const DeviceState& d) { return double(d.pv().damping); },
     [](DeviceState& d, double v) { d.pv().damping = static_cast<float>(v); }, 0, 1e4},
    {"transferFunction", [](const DeviceState& d) { return double(d.transferFunction); },
     [](DeviceState& d, double v) { d.transferFunction = static_cast<uint8_t>(v); }, 0, 255},
    {"spLowerRange", [](const DeviceState& d) { return d.spLowerRange; },
     [](DeviceState& d, double v) { d.spLowerRange = v; }, -1e9, 1e9},
    {"spUpperRange", [](const DeviceState& d) { return d.spUpperRange; },
     [](DeviceState& d, double v) { d.spUpperRange = v; }, -1e9, 1e9},
    {"pressureAdcTimeConstant", [](const DeviceState& d) { return double(d.pressureAdcTimeConstant); },
     [](DeviceState& d, double v) { d.pressureAdcTimeConstant = static_cast<float>(v); }, 0, 10},
    {"temperatureAdcTimeConstant", [](const DeviceState& d) { return double(d.temperatureAdcTimeConstant); },
     [](DeviceState& d, double v) { d.temperatureAdcTimeConstant = static_cast<float>(v); }, 0, 10},
    {"loopZeroTrim", [](const DeviceState& d) { return double(d.loopZeroTrim); },
     [](DeviceState& d, double v) { d.loopZeroTrim = static_cast<float>(v); }, -1, 1},
    {"loopGainTrim", [](const DeviceState& d) { return double(d.loopGainTrim); },
     [](DeviceState& d, double v) { d.loopGainTrim = static_cast<float>(v); }, 0.875, 1.125},
    {"pressureZeroOffset", [](const DeviceState& d) { return d.pressureZeroOffset; },
     [](DeviceState& d, double v) { d.pressureZeroOffset = v; }, -1e9, 1e9},
    {"staticPressureUnits", [](const DeviceState& d) { return double(d.staticPressure().units); },
     [](DeviceState& d, double v) { d.variables[Variable::StaticPressure].units = static_cast<uint8_t>(v); }, 0, 255},
    {"differentialPressureUnits", [](const DeviceState& d) { return double(d.variables[Variable::DifferentialPressure].units); },
     [](DeviceState& d, double v) { d.variables[Variable::DifferentialPressure].units = static_cast<uint8_t>(v); }, 0, 255},
    // A master tells by the counter (command 0) whether the configuration
    // changed since it last looked; it counts on across a restart.
    {"configChangeCounter", [](const DeviceState& d) { return double(d.configChangeCounter); },
     [](DeviceState& d, double v) { d.configChangeCounter = static_cast<uint16_t>(v); }, 0, 0xFFFF},
    // The date as command 18 took it: day, month and years since 1900, each
    // one byte on the wire, kept whole whatever the master sent.
    {"dateDay", [](const DeviceState& d) { return double(d.date.day); },
     [](DeviceState& d, double v) { d.date.day = static_cast<uint8_t>(v); }, 0, 255},
    {"dateMonth", [](const DeviceState& d) { return double(d.date.month); },
     [](DeviceState& d, double v) { d.date.month = static_cast<uint8_t>(v); }, 0, 255},
    {"dateYear", [](const DeviceState& d) { return double(d.date.year); },
     [](DeviceState& d, double v) { d.date.year = static_cast<uint8_t>(v); }, 0, 255},
};
constexpr auto kKeptSensorTrim = "sensorTrim";
constexpr auto kKeptTotaliser = "totaliser";
// A running totaliser's total reaches the memory at least this often.
constexpr int64_t kTotaliserSaveMs = 60 * 1000;

QJsonObject keptConfiguration(const DeviceState& d)
{
    QJsonObject kept;
    for (const KeptText& k : kKeptTexts)
        kept.insert(QLatin1String(k.key), d.*k.field);
    for (const KeptNumber& k : kKeptNumbers)
        kept.insert(QLatin1String(k.key), k.get(d));
    kept.insert(QLatin1String(kKeptSensorTrim), d.sensorTrim.save());
    kept.insert(QLatin1String(kKeptTotaliser), d.totaliser.save());
    return kept;
}

// Takes the kept configuration into a copy of the device state; false with
// error (and the copy to be dropped) when a value does not fit.
bool takeConfiguration(const QJsonObject& kept, DeviceState& d, QString& error)
{
    for (const KeptText& k : kKeptTexts) {
        const QJsonValue v = kept.value(QLatin1String(k.key));
        if (v.isUndefined())
            continue;
        if (!v.isString() || v.toString().size() > k.maxLength) {
            error = QStringLiteral("\"%1\" is not a text of up to %2 characters").arg(QLatin1String(k.key)).arg(k.maxLength);
            return false;
        }
        d.*k.field = v.toString();
    }
    for (const KeptNumber& k : kKeptNumbers) {
        const QJsonValue v = kept.value(QLatin1String(k.key));
        if (v.isUndefined())
            continue;
        if (!v.isDouble() || v.toDouble() < k.min || v.toDouble() > k.max) {
            error = QStringLiteral("\"%1\" is not a number from %2 to %3").arg(QLatin1String(k.key)).arg(k.min).arg(k.max);
            return false;
        }
        k.set(d, v.toDouble());
    }
    for (const auto& [key, variable] : {std::pair{"staticPressureUnits", Variable::StaticPressure},
                                        std::pair{"differentialPressureUnits", Variable::DifferentialPressure}}) {
        if (!unitFits(d.variables[variable].units, Classification::Pressure)) {
            error = QStringLiteral("\"%1\" is not a pressure unit").arg(QLatin1String(key));
            return false;
        }
    }
    return d.sensorTrim.restore(kept.value(QLatin1String(kKeptSensorTrim)).toObject(), error)
        && d.totaliser.restore(kept.value(QLatin1String(kKeptTotaliser)).toObject(), error);
}

} // namespace

bool SimTransmitter::setMemoryFile(const QString& path, QString& error)
{
    QFile file(path);
    if (file.exists()) {
        // Only a plain file can be replaced as a whole at each save; a pipe
        // or a device would block the start or take the memory away.
        if (!QFileInfo(path).isFile()) {
            error = QStringLiteral("%1: not a regular file").arg(path);
            return false;
        }
        // A file far larger than any memory this device writes is refused
        // before it is read: no memory is taken whole into the program.
        const QString tooLarge = QStringLiteral("%1: larger than %2 bytes, not a memory file of this device")
                                     .arg(path)
                                     .arg(kMaxMemoryBytes);
        if (file.size() > kMaxMemoryBytes) {
            error = tooLarge;
            return false;
        }
        // Checked again on the opened file: what was checked by name may
        // have been swapped since.
        QByteArray text;
        if (!automation::CheckedFile::Read(path, kMaxMemoryBytes, text, &error))
            return false;
        DeviceParameters parameters = m_parameters;
        QJsonObject kept;
        DeviceState device = m_device;
        if (!parameters.restore(text, error, &kept) || !takeConfiguration(kept, device, error)) {
            error = QStringLiteral("%1: %2").arg(path, error);
            return false;
        }
        takeObeyedItems(nullptr, device, parameters);
        m_parameters = std::move(parameters);
        m_device = device;
    }
    // Every save writes a new file beside the memory: a folder that is
    // missing or read-only is refused now, not after the device has
    // acknowledged writes it cannot keep.
    QTemporaryFile probe(QFileInfo(path).absolutePath() + QStringLiteral("/.trivex-sim-XXXXXX"));
    if (!probe.open()) {
        error = QStringLiteral("%1: the memory cannot be written in %2: %3")
                    .arg(path, QFileInfo(path).absolutePath(), probe.errorString());
        return false;
    }
    m_memoryFile = path;
    return true;
}

bool SimTransmitter::saveMemory()
{
    if (m_memoryFile.isEmpty())
        return true;
    QString error;
    if (automation::AtomicFile::Write(m_memoryFile, m_parameters.save(keptConfiguration(m_device)), &error))
        return true;
    QTextStream(stderr) << "trivex-sim: cannot write the memory: " << error << Qt::endl;
    return false;
}

bool SimTransmitter::dataSaving() const
{
    return m_dataSaveEndMs >= 0 && processTimeMs() < m_dataSaveEndMs;
}

bool SimTransmitter::resetting() const
{
    return m_resetEndMs >= 0 && processTimeMs() < m_resetEndMs;
}

// A change of the configuration: saved at once unless the burn delay keeps it
// back; the save runs for a while.
void SimTransmitter::changed()
{
    m_device.markConfigurationChanged();
    startDataSave();
}

void SimTransmitter::startDataSave()
{
    if (m_device.burnDelay) {
        m_savePending = true;
        return;
    }
    m_savePending = false;
    m_dataSaveEndMs = processTimeMs() + m_dataSaveMs;
    saveMemory();
}

namespace {
// The parameters that follow the static pressure's unit, and those whose
// values are expressed in it. The flow block's reference pressure and
// compressibility points are not: devices below revision 21 keep them in bar.
constexpr const char* kStaticUnitItems[] = {"mvInPUnit", "aiPOutScaleUnit"};
constexpr const char* kStaticValueItems[] = {"aiPOutScale0", "aiPOutScale100", "aipXdScale0", "aipXdScale100",
                                             "mvInPDefault", "mvInPLoLim", "mvInPHiLim", "mvInPSimulateValue",
                                             "ptrbStaticPressureCalPointLo", "ptrbStaticPressureCalPointHi"};
} // namespace

void SimTransmitter::setFactoryStaticPressureUnit()
{
    const uint8_t from = m_device.staticPressure().units;
    const uint8_t to = m_device.factoryStaticPressureUnit();
    if (from == to)
        return;
    m_device.variables[Variable::StaticPressure].units = to;
    const auto put = [this](const char* name, double number) {
        const applet::DescObject* object = m_parameters.description().FindObject(QLatin1String(name));
        QVariant stored;
        if (object && applet::ItemValue::FromNumber(object->type, object->size, number, stored))
            m_parameters.set(QLatin1String(name), stored);
    };
    for (const char* name : kStaticUnitItems)
        put(name, to);
    for (const char* name : kStaticValueItems)
        if (const QVariant value = m_parameters.value(QLatin1String(name)); value.isValid())
            put(name, fromBase(toBase(value.toDouble(), from), to));
}

void SimTransmitter::factoryReset()
{
    DeviceState fresh;
    const DeviceState& d = m_device;
    fresh.expandedDeviceType = d.expandedDeviceType;
    fresh.manufacturerId = d.manufacturerId;
    fresh.privateLabelDistributor = d.privateLabelDistributor;
    fresh.deviceId = d.deviceId;
    fresh.softwareRevision = d.softwareRevision;
    fresh.extendedSoftwareRevision = d.extendedSoftwareRevision;
    fresh.softwareSpecifics = d.softwareSpecifics;
    fresh.moduleType = d.moduleType;
    fresh.setFlowFunction(d.multivariableFunction);
    fresh.pollingAddress = d.pollingAddress;
    fresh.writeProtected = d.writeProtected;
    fresh.accessRestricted = d.accessRestricted;
    fresh.lastStatusRead = d.lastStatusRead;
    fresh.configChangeCounter = d.configChangeCounter;
    m_device = fresh;
    m_parameters.resetToDefaults();
    setFactoryStaticPressureUnit();
    m_savePending = false;
    m_curvePoint = 0;
    m_resetEndMs = processTimeMs() + m_factoryResetMs;
    m_device.markConfigurationChanged();
    saveMemory();
}

// Commands whose request carries no item act on the device; the description
// names them, the device binds its action to the record's name.
uint8_t SimTransmitter::deviceAction(const DescribedCommand& command, const QByteArray& request)
{
    namespace RC = comm::ResponseCode;
    const int selector = request.isEmpty() ? -1 : static_cast<uint8_t>(request[0]);
    const QString& name = command.record;
    const ProcessValues values = processValues();
    if (name == QLatin1String("Write_EnableBurnDelay")) {
        if (selector != 0 && selector != 1)
            return RC::InvalidSelection;
        m_device.burnDelay = selector == 1;
        m_parameters.set(QStringLiteral("burnDelay"), selector);
        // Switching the delay off saves the data at once, whether changes
        // were kept back or not: the user's "save now". The save shows in
        // command 48 until it ends.
        if (!m_device.burnDelay)
            startDataSave();
        return RC::Success;
    }
    if (name == QLatin1String("Write_FactoryReset")) {
        if (selector != 90)
            return RC::InvalidSelection;
        factoryReset();
        return RC::Success;
    }
    if (const std::optional<uint8_t> code = resetMeasurementHistory(name, selector, m_device, measuredValues())) {
        if (*code == RC::Success)
            changed();
        return *code;
    }
    if (name == QLatin1String("Write_130") || name == QLatin1String("Write_131")) {
        // The applied static pressure becomes a range value: only inside the sensor limits.
        const double applied = values.value[Variable::StaticPressure];
        if (const uint8_t bad = appliedProcessCheck(m_device.staticPressure(), applied))
            return bad;    // 9 applied process too high, 10 too low
        (name == QLatin1String("Write_130") ? m_device.spUpperRange : m_device.spLowerRange) = applied;
        changed();
        return RC::Success;
    }
    if (name == QLatin1String("Write_SecondaryVariable1Zero")) {
        // The zero adjustment of a tilted sensor: the differential pressure
        // read now (with any earlier offset) becomes the new zero, as long as
        // that zero lies inside the sensor's limits.
        const double zero = m_device.pressureZeroOffset + values.value[Variable::DifferentialPressure];
        if (const uint8_t bad = appliedProcessCheck(m_device.variables[Variable::DifferentialPressure], zero))
            return bad;    // 9 applied process too high, 10 too low
        m_device.pressureZeroOffset = zero;
        changed();
        return RC::Success;
    }
    if (name == QLatin1String("Write_CloseUserCurve")) {
        // The table's X values must rise over the points in use.
        const int count = m_parameters.value(QStringLiteral("ptrbTabActualNumber")).toInt();
        for (int k = 2; k <= count; ++k)
            if (m_parameters.value(QStringLiteral("ptrbTabXValue_%1").arg(k, 2, 10, QLatin1Char('0'))).toFloat()
                <= m_parameters.value(QStringLiteral("ptrbTabXValue_%1").arg(k - 1, 2, 10, QLatin1Char('0'))).toFloat())
                return RC::DeviceSpecificError;
        return RC::Success;
    }
    changed();
    return RC::Success;
}

namespace {
const QString kCurvePointRecord = QStringLiteral("Write_UserCurvePoint");
const QString kCurveCountItem = QStringLiteral("ptrbTabActualNumber");
constexpr int kCurveTablePoints = 22;

QString CurveTablePoint(const char* axis, int point)
{
    return QStringLiteral("ptrbTab%1Value_%2").arg(QLatin1String(axis)).arg(point, 2, 10, QLatin1Char('0'));
}
} // namespace

uint8_t SimTransmitter::checkCurvePoint(const DescribedCommand& command) const
{
    if (command.record != kCurvePointRecord)
        return comm::ResponseCode::Success;
    return m_curvePoint < 1 || m_curvePoint >= kCurveTablePoints ? comm::ResponseCode::InvalidSelection
                                                                  : comm::ResponseCode::Success;
}

void SimTransmitter::takeCurvePoint(const DescribedCommand& command)
{
    if (command.record == kCurvePointRecord) {
        ++m_curvePoint;
        for (const char* axis : {"X", "Y"})
            m_parameters.set(CurveTablePoint(axis, m_curvePoint),
                             m_parameters.value(QStringLiteral("ptrbTab%1Value").arg(QLatin1String(axis))));
        return;
    }
    // The whole table written: a point-by-point transfer goes on after its first point.
    for (const applet::FieldLayout& field : command.request)
        if (field.item.compare(kCurveCountItem, Qt::CaseInsensitive) == 0)
            m_curvePoint = 1;
}

uint8_t SimTransmitter::handleDescribed(const DescribedCommand& command, const QByteArray& request,
                                        const ProcessValues& values, QByteArray& data)
{
    const DeviceParameters::LiveValue measured = [&](const QString& name) { return liveValue(name, values); };
    namespace RC = comm::ResponseCode;
    const bool acts = command.writes || command.requestLength > 0 || command.response.isEmpty()
                   || command.record.startsWith(QLatin1String("Write_"))
                   || command.record.startsWith(QLatin1String("Read_Write_"));
    if (!acts) {
        publishMeasurementItems(m_device, measuredValues(), m_parameters);
        publishObeyedItems(m_device, m_parameters);
        data = m_parameters.read(command, measured);
        return RC::Success;
    }
    if (request.size() < command.requestLength)
        return RC::TooFewDataBytes;
    if (m_device.writeProtected || (m_device.writeLock && !unlocksWriteLock(command, m_parameters, request)))
        return RC::WriteProtected;
    if (m_device.accessRestricted)
        return RC::AccessRestricted;
    if (dataSaving() && canBeBusy())
        return RC::Busy;
    uint8_t code = RC::Success;
    bool nearest = false;
    if (command.writes) {
        code = checkCurvePoint(command);
        // What the write replaces, to put back when the device refuses what it carries.
        QList<std::pair<QString, QVariant>> previous;
        for (const applet::FieldLayout& f : command.request)
            if (!f.item.isEmpty())
                previous.append({f.item, m_parameters.value(f.item)});
        if (code == RC::Success)
            code = m_parameters.write(command, request);
        if (code == RC::Success)
            code = takeWrittenMeasurementItems(command, m_device, m_parameters, appliedValues()).value_or(RC::Success);
        if (code == RC::Success)
            code = takeObeyedItems(&command, m_device, m_parameters);
        if (code == RC::Success) {
            nearest = setToNearest(command, m_device, m_parameters);
            takeCurvePoint(command);
            changed();
        } else {
            for (const auto& [item, value] : previous)
                m_parameters.set(item, value);
        }
    } else {
        code = deviceAction(command, request);
    }
    if (code == RC::Success) {
        publishMeasurementItems(m_device, measuredValues(), m_parameters);
        publishObeyedItems(m_device, m_parameters);
        data = m_parameters.read(command, measured);
    }
    // A warning: the write was carried out, the answer carries what the device holds.
    return nearest ? kSetToNearest : code;
}

void SimTransmitter::injectResponseCode(uint8_t code, int count, std::optional<uint8_t> onlyCommand)
{
    m_injectedCode = code;
    m_injectedLeft = qMax(0, count);
    m_injectedCommand = onlyCommand;
}

void SimTransmitter::setBusyResponses(int count)
{
    injectResponseCode(comm::ResponseCode::Busy, count);
}

int64_t SimTransmitter::processTimeMs() const
{
    if (m_frozenTimeMs)
        return *m_frozenTimeMs;
    return loop::TimerService::instance().NowMs() - m_startMs;
}

ProcessValues SimTransmitter::processValues() const
{
    return processValuesAt(processTimeMs());
}

ProcessValues SimTransmitter::processValuesAt(int64_t ms) const
{
    const std::optional<flowcalc::MvFlowCoefficients> coefficients = MvFlowParameters(m_parameters, m_device.softwareRevision);
    ProcessValues values = m_process.applied(ms);
    for (int m : {Measured::DifferentialPressure, Measured::StaticPressure, Measured::ProcessTemperature})
        values.value[m] = m_device.sensorTrim.corrected(m, values.value[m]);
    values.value[Variable::DifferentialPressure] -= m_device.pressureZeroOffset;
    // A simulated input stands in for what the sensor gives.
    for (int m : {Measured::DifferentialPressure, Measured::StaticPressure, Measured::ProcessTemperature})
        values.value[m] = simulatedOrMeasured(m_parameters, m, values.value[m]);
    m_process.deriveFlow(values, coefficients ? &*coefficients : nullptr,
                         MvOperatingDensity(m_parameters).value_or(ProcessModel::kDefaultDensity));
    // A simulated output stands in for what the block computes.
    applySimulatedOutputs(m_parameters, values);
    return values;
}

MeasuredValues SimTransmitter::appliedValues() const
{
    const ProcessValues applied = m_process.applied(processTimeMs());
    return {applied.value[Variable::DifferentialPressure], applied.value[Variable::StaticPressure],
            applied.value[Variable::Temperature], m_heldSensorTemperature.value_or(kSensorTemperature)};
}

MeasuredValues SimTransmitter::measuredValues() const
{
    MeasuredValues values = sensedValues();
    for (int m = 0; m < Measured::Count; ++m)
        values[m] = simulatedOrMeasured(m_parameters, m, values[m]);
    return values;
}

std::optional<QVariant> SimTransmitter::liveValue(const QString& name, const ProcessValues& values) const
{
    if (std::optional<QVariant> value = measuredParameter(name, values, m_parameters))
        return value;
    return analogInputOutput(name, m_parameters);
}

MeasuredValues SimTransmitter::sensedValues() const
{
    MeasuredValues values = appliedValues();
    for (int m = 0; m < Measured::Count; ++m)
        values[m] = m_device.sensorTrim.corrected(m, values[m]);
    values[Measured::DifferentialPressure] -= m_device.pressureZeroOffset;
    return values;
}

void SimTransmitter::setAppliedValue(int measured, std::optional<double> baseValue)
{
    if (measured == Measured::SensorTemperature)
        m_heldSensorTemperature = baseValue;
    else if (measured >= 0 && measured < Measured::SensorTemperature)
        m_process.setOverride(static_cast<uint8_t>(measured), baseValue);
}

comm::HartAddress SimTransmitter::uniqueAddress() const
{
    return comm::HartAddress::unique(m_device.expandedDeviceType, m_device.deviceId);
}

bool SimTransmitter::isAddressedTo(const comm::HartAddress& address, uint8_t command) const
{
    constexpr uint8_t kReadIdentityByTag = 11;
    if (!address.isLong)
        return command == 0 && address.pollingAddress == m_device.pollingAddress;
    if (address.isBroadcast())
        return command == kReadIdentityByTag;
    return address.sameDevice(uniqueAddress());
}

comm::HartFrame SimTransmitter::responseFrame(const comm::HartFrame& request) const
{
    comm::HartFrame response;
    response.type = comm::HartFrameType::Response;
    response.command = request.command;
    if (request.address.isLong)
        response.address = uniqueAddress();
    else
        response.address = comm::HartAddress::polling(m_device.pollingAddress);
    response.address.primaryMaster = request.address.primaryMaster;
    return response;
}

void SimTransmitter::advanceTotaliser()
{
    const int64_t now = processTimeMs();
    const bool flowing = computesFlow(m_device);
    const bool wasRunning = m_device.totaliser.running();
    m_device.totaliser.advance(now, [this, flowing](int64_t ms) {
        return flowing ? processValuesAt(ms).value[Variable::Flow] : 0.0;
    });
    // A totaliser that stopped at its limit reaches the memory at once.
    const bool stopped = wasRunning && !m_device.totaliser.running();
    // Changes the burn delay holds back must not reach the memory with the total.
    if (m_savePending || (!stopped && (!m_device.totaliser.running() || now - m_totaliserSavedMs < kTotaliserSaveMs)))
        return;
    m_totaliserSavedMs = now;
    saveMemory();
}

void SimTransmitter::restart()
{
    m_device.coldStart = {true, true};
    m_device.fixedCurrent.reset();
    m_curvePoint = 0;
    m_injectedLeft = 0;
}

PduResult SimTransmitter::handlePdu(QByteArrayView pdu)
{
    PduResult result;
    comm::HartDecodeResult decoded = comm::decodeHartFrame(pdu);
    if (decoded.error == comm::HartDecodeError::ChecksumMismatch) {
        // Answer with a communication error when the frame, checksum aside, is for us.
        QByteArray repaired = pdu.toByteArray();
        qsizetype start = 0;
        while (start < repaired.size() && static_cast<uint8_t>(repaired[start]) == comm::kPreamble)
            ++start;
        repaired.back() = static_cast<char>(comm::hartChecksum(QByteArrayView(repaired).sliced(start, repaired.size() - start - 1)));
        const comm::HartDecodeResult again = comm::decodeHartFrame(repaired);
        if (again.ok() && again.frame.type == comm::HartFrameType::Request
            && isAddressedTo(again.frame.address, again.frame.command)) {
            comm::HartFrame response = responseFrame(again.frame);
            response.responseCode = kChecksumErrorStatus;
            response.deviceStatus = 0;
            result.response = comm::encodeHartFrame(response);
            result.command = again.frame.command;
            result.responseCode = kChecksumErrorStatus;
        }
        result.note = decoded.message;
        return result;
    }
    if (!decoded.ok()) {
        result.note = decoded.message;
        return result;
    }
    result.command = decoded.frame.command;
    QString note;
    const std::optional<comm::HartFrame> response = handleFrame(decoded.frame, &note);
    result.note = note;
    if (response) {
        result.responseCode = response->responseCode;
        QString error;
        result.response = comm::encodeHartFrame(*response, 0, &error);
        if (result.response.isEmpty())
            result.note = QStringLiteral("command %1: answer not encodable: %2").arg(decoded.frame.command).arg(error);
    }
    return result;
}

std::optional<comm::HartFrame> SimTransmitter::handleFrame(const comm::HartFrame& request, QString* note)
{
    auto say = [note](const QString& text) {
        if (note)
            *note = text;
    };
    if (request.type != comm::HartFrameType::Request) {
        say(QStringLiteral("ignored a frame that is not a master request"));
        return std::nullopt;
    }
    if (!isAddressedTo(request.address, request.command)) {
        say(QStringLiteral("command %1 to %2 is not for this device").arg(request.command).arg(request.address.toString()));
        return std::nullopt;
    }

    const int master = request.address.primaryMaster ? 1 : 0;
    advanceTotaliser();
    m_device.simulatedInputs = simulatedInputs(m_parameters);
    m_device.simulatedOutputs = simulatedOutputs(m_parameters);
    m_device.analogInputSimulation = analogInputSimulated(m_parameters);
    const ProcessValues values = processValues();
    // The device watches its measured values continuously; the simulation looks at every request.
    observeMeasurements(m_device, measuredValues(), values, m_parameters);
    comm::HartFrame response = responseFrame(request);
    uint8_t code = comm::ResponseCode::Success;
    bool reset = false;
    const CommandEntry* entry = findCommand(request.command);

    const DescribedCommand* described = entry ? nullptr : m_parameters.command(request.command);
    m_device.dataSaving = dataSaving();

    if (m_injectedLeft > 0 && (!m_injectedCommand || *m_injectedCommand == request.command)) {
        --m_injectedLeft;
        code = m_injectedCode;
    } else if (resetting()) {
        code = comm::ResponseCode::Busy;
    } else if (described) {
        QByteArray data;
        code = handleDescribed(*described, request.data, values, data);
        m_device.dataSaving = dataSaving();
        if (comm::responseCodeClass(code) != comm::ResponseCodeClass::Error)
            response.data = data;
    } else if (!entry) {
        code = comm::ResponseCode::CommandNotImplemented;
    } else if (request.data.size() < entry->requestSize) {
        code = comm::ResponseCode::TooFewDataBytes;
    } else if (entry->access == Access::Write && m_device.writeLocked()) {
        code = comm::ResponseCode::WriteProtected;
    } else if (entry->access == Access::Write && m_device.accessRestricted) {
        code = comm::ResponseCode::AccessRestricted;
    } else if (entry->access == Access::Write && dataSaving() && canBeBusy()) {
        code = comm::ResponseCode::Busy;
    } else {
        CommandContext ctx{m_device, m_process, values, request.data, {}, processTimeMs(), master};
        code = entry->handler(ctx);
        if (ctx.silent) {
            say(QStringLiteral("command %1: no answer").arg(request.command));
            return std::nullopt;
        }
        reset = ctx.resetRequested;
        if (comm::responseCodeClass(code) != comm::ResponseCodeClass::Error)
            response.data = ctx.response.take();
        if (entry->access == Access::Write && code == comm::ResponseCode::Success)
            startDataSave();
        m_device.dataSaving = dataSaving();
    }

    response.responseCode = code;
    response.deviceStatus = m_device.fieldDeviceStatus(master, values);
    m_device.coldStart[master] = false;
    if (reset)
        restart();
    say(QStringLiteral("command %1 (%2): %3")
            .arg(request.command)
            .arg(entry ? QString::fromLatin1(entry->name) : described ? described->record : QStringLiteral("unknown"))
            .arg(comm::describeResponseStatus(code, response.deviceStatus, request.command)));
    return response;
}

} // namespace sim
