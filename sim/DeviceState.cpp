#include "sim/DeviceState.h"

#include "platform/comm/hart/HartStatus.h"
#include "sim/CurrentOutput.h"
#include "sim/OutputSimulation.h"
#include "sim/SimUnits.h"
#include <algorithm>
#include <cmath>

namespace sim {

namespace {
constexpr uint8_t kFamilyTemperature = 4;
constexpr uint8_t kFamilyPressure = 5;
constexpr uint8_t kFamilyNotUsed = 250;
constexpr uint8_t kExtendedVariableAlert = 0x02;

constexpr TransferFunction kTransferFunctions[] = {
    {0, "Linear", 1.0},
    {1, "Square root", 0.5},
    {2, "Square root third power", 1.5},
    {3, "Square root fifth power", 2.5},
    {4, "User curve", 1.0},
    {160, "Primary element linearization", 1.0},
    {241, "Spherical tank", 1.0},
    {242, "Cylindric tank", 1.0},
};
} // namespace

uint8_t setDamping(DeviceVariable& variable, double seconds)
{
    constexpr double kMaxDamping = 32.0;
    namespace RC = comm::ResponseCode;
    if (!std::isfinite(seconds))
        return RC::InvalidSelection;
    if (seconds > kMaxDamping)
        return RC::ParameterTooLarge;
    if (seconds < 0)
        return RC::ParameterTooSmall;
    // The damping filter works in steps of 0.1 s.
    variable.damping = std::round(static_cast<float>(seconds) * 10.0f) / 10.0f;
    return RC::Success;
}

const TransferFunction* findTransferFunction(uint8_t code)
{
    for (const TransferFunction& f : kTransferFunctions)
        if (f.code == code)
            return &f;
    return nullptr;
}

std::array<DeviceVariable, Variable::Count> DeviceState::defaultVariables()
{
    return {{
        {Variable::DifferentialPressure, "Differential pressure", Classification::Pressure, kFamilyPressure,
         UnitCode::Mbar, -25.0, 25.0, 0.5, 0.4f, 0x001001},
        {Variable::StaticPressure, "Static pressure", Classification::Pressure, kFamilyPressure,
         UnitCode::Bar, 0.0, 16000.0, 100.0, 0.4f, 0x001002},
        {Variable::Temperature, "Temperature", Classification::Temperature, kFamilyTemperature,
         UnitCode::DegC, -40.0, 85.0, 1.0, 1.0f, 0x001003},
        {Variable::Flow, "Flow", Classification::VolumetricFlow, kFamilyNotUsed,
         UnitCode::CubicMetresPerHour, 0.0, 100.0, 1.0, 0.4f, 0},
    }};
}

const DeviceVariable* DeviceState::variable(uint8_t code) const
{
    if (code < Variable::Count)
        return &variables[code];
    if (code >= SpecialVariable::Primary && code <= SpecialVariable::Quaternary)
        return &variables[dynamicVariables[code - SpecialVariable::Primary]];
    return nullptr;
}

DeviceVariable* DeviceState::variable(uint8_t code)
{
    return const_cast<DeviceVariable*>(static_cast<const DeviceState*>(this)->variable(code));
}

void DeviceState::setFlowFunction(bool on)
{
    constexpr uint8_t kLinear = 0;
    constexpr uint8_t kSquareRoot = 1;
    multivariableFunction = on;
    multivariableBlockMode = on ? BlockMode::Automatic : BlockMode::OutOfService;
    transferFunction = on ? kSquareRoot : kLinear;
}

uint8_t DeviceState::factoryStaticPressureUnit() const
{
    constexpr uint8_t kStaticUnitFreeFromRevision = 20;
    const bool automatic = multivariableFunction && multivariableBlockMode == BlockMode::Automatic;
    return automatic && softwareRevision < kStaticUnitFreeFromRevision ? UnitCode::Mbar : UnitCode::Bar;
}

void DeviceState::markConfigurationChanged()
{
    ++configChangeCounter;
    configChanged = {true, true};
}

float DeviceState::pvValue(const ProcessValues& process) const
{
    const DeviceVariable& v = pv();
    return static_cast<float>(fromBase(process.value[v.code], v.units));
}

float DeviceState::percentOfRange(const ProcessValues& process) const
{
    const double span = pvUpperRange - pvLowerRange;
    if (span == 0)
        return 0;
    double percent = (process.value[pv().code] - pvLowerRange) / span * 100.0;
    const TransferFunction* function = findTransferFunction(transferFunction);
    if (function && function->exponent != 1.0)
        percent = percent <= 0 ? 0 : std::pow(percent / 100.0, function->exponent) * 100.0;
    return static_cast<float>(percent);
}

float DeviceState::loopCurrent(const ProcessValues& process) const
{
    if (fixedCurrent)
        return *fixedCurrent;
    if (!loopCurrentEnabled)
        return 4.0f;
    if (inFault(process) && alarmSelection <= 1)
        return trimmedCurrent(*this, alarmSelection == 1 ? lowAlarmCurrent : highAlarmCurrent);
    const float current = trimmedCurrent(*this, 4.0f + 16.0f * percentOfRange(process) / 100.0f);
    return std::clamp(current, minOutputCurrent, maxOutputCurrent);
}

bool DeviceState::loopCurrentSaturated(const ProcessValues& process) const
{
    if (loopCurrentFixed())
        return false;
    // Beyond a limit, not at it: with the lower limit at 4 mA the output at
    // the lower range value still follows the process.
    const float current = 4.0f + 16.0f * percentOfRange(process) / 100.0f;
    return current < minOutputCurrent || current > maxOutputCurrent;
}

bool DeviceState::inFault(const ProcessValues& process) const
{
    return outOfLimits(SpecialVariable::Primary, process);
}

bool DeviceState::outOfLimits(uint8_t variableCode, const ProcessValues& process) const
{
    const DeviceVariable* v = variable(variableCode);
    if (!v)
        return false;
    const double value = process.value[v->code];
    return value < v->lowerLimit || value > v->upperLimit;
}

std::optional<VariableReading> DeviceState::read(uint8_t code, const ProcessValues& process) const
{
    VariableReading r;
    r.code = code;
    if (code == SpecialVariable::PercentRange) {
        r.classification = Classification::NotClassified;
        r.units = UnitCode::Percent;
        r.value = percentOfRange(process);
        r.status = VariableStatus::Good;
        return r;
    }
    if (code == SpecialVariable::LoopCurrent) {
        r.classification = Classification::Current;
        r.units = UnitCode::MilliAmpere;
        r.value = loopCurrent(process);
        r.status = loopCurrentFixed() ? VariableStatus::ManualFixed : VariableStatus::Good;
        if (loopCurrentSaturated(process))
            r.status |= r.value <= minOutputCurrent ? VariableStatus::LowLimited : VariableStatus::HighLimited;
        return r;
    }
    const DeviceVariable* v = variable(code);
    if (!v)
        return std::nullopt;
    const double base = process.value[v->code];
    r.classification = v->classification;
    r.units = v->units;
    r.value = static_cast<float>(fromBase(base, v->units));
    r.status = VariableStatus::Good;
    // A simulated input or output is a value set by hand, not measured.
    const bool simulated = v->code == Variable::Flow ? simulatedOutputs[FlowOutput::Volume]
                                                     : simulatedInputs[v->code];
    if (simulated) {
        r.status = VariableStatus::ManualFixed;
        return r;
    }
    if (base < v->lowerLimit)
        r.status = VariableStatus::PoorAccuracy | VariableStatus::LowLimited;
    else if (base > v->upperLimit)
        r.status = VariableStatus::PoorAccuracy | VariableStatus::HighLimited;
    return r;
}

bool DeviceState::simulationActive() const
{
    const auto on = [](bool simulated) { return simulated; };
    return analogInputSimulation || std::any_of(simulatedInputs.begin(), simulatedInputs.end(), on)
        || std::any_of(simulatedOutputs.begin(), simulatedOutputs.end(), on);
}

uint8_t DeviceState::extendedDeviceStatus(const ProcessValues& process) const
{
    uint8_t status = 0;
    for (const DeviceVariable& v : variables)
        if (outOfLimits(v.code, process))
            status |= kExtendedVariableAlert;
    return status;
}

QByteArray DeviceState::additionalStatus(const ProcessValues& process) const
{
    namespace DS = DeviceSpecificStatus;
    std::array<uint8_t, 6> deviceSpecific{};
    if (eepromFault)
        deviceSpecific[DS::EepromByte] |= DS::EepromFault;
    if (dataSaving)
        deviceSpecific[DS::DataSaveByte] |= DS::DataSaveRunning;
    if (fixedCurrent)
        deviceSpecific[DS::FixedCurrentByte] |= DS::FixedCurrentMode;
    if (loopCurrentSaturated(process))
        deviceSpecific[DS::CurrentLimitByte] |=
            loopCurrent(process) <= minOutputCurrent ? DS::CurrentLowerLimit : DS::CurrentUpperLimit;
    if (outOfLimits(Variable::Temperature, process))
        deviceSpecific[DS::TemperatureByte] |= DS::TemperatureOutOfLimits;
    if (outOfLimits(Variable::DifferentialPressure, process))
        deviceSpecific[DS::PressureByte] |= DS::PressureOutOfLimits;
    if (outOfLimits(Variable::StaticPressure, process))
        deviceSpecific[DS::PressureByte] |= DS::StaticPressureOutOfLimits;
    bool anyOutOfLimits = false;
    for (const DeviceVariable& v : variables)
        anyOutOfLimits = anyOutOfLimits || outOfLimits(v.code, process);
    std::array<uint8_t, Diagnosis::Octets> diagnosis = diagnosedFaults;
    if (eepromFault)
        diagnosis[0] |= Diagnosis::MemoryChecksum;
    if (anyOutOfLimits)
        diagnosis[0] |= Diagnosis::Measurement;
    if (std::any_of(deviceSpecific.begin(), deviceSpecific.end(), [](uint8_t b) { return b != 0; }))
        diagnosis[3] |= Diagnosis::ExtensionAvailable;
    constexpr uint8_t kNonVolatileMemoryDefect = 0x02;
    comm::HartDataWriter w;
    for (uint8_t byte : deviceSpecific)                   // 0-5 device-specific status
        w.u8(byte);
    w.u8(extendedDeviceStatus(process));                  // 6 extended device status
    w.u8(0);                                              // 7 device operating mode
    constexpr uint8_t kSimulationActive = 0x01;
    w.u8((eepromFault ? kNonVolatileMemoryDefect : 0)     // 8 standardized status 0
         | (simulationActive() ? kSimulationActive : 0));
    w.u8(0);                                              // 9 standardized status 1
    w.u8(loopCurrentSaturated(process) ? 0x01 : 0x00);    // 10 analog channel saturated
    w.u8(0).u8(0);                                        // 11-12 standardized status 2 and 3
    w.u8(loopCurrentFixed() ? 0x01 : 0x00);               // 13 analog channel fixed
    for (uint8_t byte : diagnosis)                        // 14-17 device diagnosis
        w.u8(byte);
    return w.take();
}

uint8_t DeviceState::fieldDeviceStatus(int master, const ProcessValues& process) const
{
    using namespace comm::DeviceStatus;
    uint8_t status = 0;
    if (configChanged[master])
        status |= ConfigurationChanged;
    if (coldStart[master])
        status |= ColdStart;
    if (lastStatusRead[master] != additionalStatus(process))
        status |= MoreStatusAvailable;
    if (loopCurrentFixed())
        status |= LoopCurrentFixed;
    if (loopCurrentSaturated(process))
        status |= LoopCurrentSaturated;
    for (int i = 1; i < 4; ++i)
        if (outOfLimits(static_cast<uint8_t>(SpecialVariable::Primary + i), process))
            status |= NonPrimaryVariableOutOfLimits;
    if (outOfLimits(SpecialVariable::Primary, process))
        status |= PrimaryVariableOutOfLimits;
    return status;
}

} // namespace sim
