#pragma once
// Everything the simulated transmitter remembers: identity, texts, loop and
// output configuration, its four device variables, and the per-master flags
// (configuration changed, cold start, last additional status read). Ranges
// and limits are kept in base units (kPa, degrees Celsius, m3/h) and shown in
// each variable's unit on the way out, so a unit change needs no conversion
// of stored values.
#include "platform/comm/hart/HartBytes.h"
#include "sim/ExtremeValues.h"
#include "sim/ProcessModel.h"
#include "sim/SensorTrim.h"
#include "sim/Totaliser.h"
#include <QByteArray>
#include <QString>
#include <array>
#include <cstdint>
#include <optional>

namespace sim {

struct DeviceVariable {
    uint8_t code = 0;
    const char* name = "";
    uint8_t classification = 0;
    uint8_t family = 250;           // 250: not used
    uint8_t units = 0;
    double lowerLimit = 0;          // sensor limits and minimum span, base units
    double upperLimit = 0;
    double minimumSpan = 0;
    float damping = 0;              // seconds
    uint32_t transducerSerial = 0;
};

// Sets the variable's damping as the device's filter takes it: 0 to 32 s in
// steps of 0.1 s. The response code; on a refusal nothing changed.
uint8_t setDamping(DeviceVariable& variable, double seconds);

// One value as the device variable commands report it.
struct VariableReading {
    uint8_t code = 0;
    uint8_t classification = 0;
    uint8_t units = 0;
    float value = 0;
    uint8_t status = 0;
};

// Device variable status: process data quality (bits 7..6) and limit (5..4).
namespace VariableStatus {
constexpr uint8_t Good = 0xC0;
constexpr uint8_t ManualFixed = 0x80;
constexpr uint8_t PoorAccuracy = 0x40;
constexpr uint8_t Bad = 0x00;
constexpr uint8_t LowLimited = 0x10;
constexpr uint8_t HighLimited = 0x20;
constexpr uint8_t Constant = 0x30;
} // namespace VariableStatus

// Type codes of the pressure modules as command 128 reports them: codes
// below 30 but 23 are differential pressure modules, the others absolute
// pressure modules. The device leaves the factory with the differential one,
// the module the default datasets are made for.
namespace ModuleType {
constexpr uint8_t Differential = 20;
constexpr uint8_t Absolute = 35;
} // namespace ModuleType

// Codes that stand for something other than a device variable of their own.
namespace SpecialVariable {
constexpr uint8_t PercentRange = 244;
constexpr uint8_t LoopCurrent = 245;
constexpr uint8_t Primary = 246;   // 246..249: PV, SV, TV, QV
constexpr uint8_t Quaternary = 249;
} // namespace SpecialVariable

// Transfer functions of the output the device offers: the HART code and the
// power of the fraction of range that the output follows. The simulator keeps
// no user curve, linearisation table or tank shape; those act as linear.
struct TransferFunction {
    uint8_t code;
    const char* name;
    double exponent;
};
// The transfer function with that code, or null when the device has none.
const TransferFunction* findTransferFunction(uint8_t code);

// Bits of the device-specific bytes 0-5 of the additional device status
// (command 48): the manufacturer's extended diagnosis, octet and bit value.
namespace DeviceSpecificStatus {
constexpr int EepromByte = 0;              // the electronics' EEPROM does not answer
constexpr uint8_t EepromFault = 0x01;
constexpr int DataSaveByte = 1;            // data save to the non-volatile memory running
constexpr uint8_t DataSaveRunning = 0x02;
constexpr int FixedCurrentByte = 3;        // loop current fixed by command 40
constexpr uint8_t FixedCurrentMode = 0x10;
constexpr int CurrentLimitByte = 3;        // loop current saturated
constexpr uint8_t CurrentLowerLimit = 0x20;
constexpr uint8_t CurrentUpperLimit = 0x40;
constexpr int TemperatureByte = 4;         // temperature outside its sensor limits
constexpr uint8_t TemperatureOutOfLimits = 0x10;
constexpr int PressureByte = 5;            // pressures outside their sensor limits
constexpr uint8_t PressureOutOfLimits = 0x10;
constexpr uint8_t StaticPressureOutOfLimits = 0x80;
} // namespace DeviceSpecificStatus

// The device diagnosis after the standard bytes of command 48 (bytes 14-17),
// in the layout of the PROFIBUS PA profile's DIAGNOSIS parameter.
namespace Diagnosis {
constexpr int FirstByte = 14;
constexpr int Octets = 4;
constexpr uint8_t HardwareElectronics = 0x01; // octet 0: the electronics failed
constexpr uint8_t MemoryChecksum = 0x10;   // octet 0
constexpr uint8_t Measurement = 0x20;      // octet 0: a measured value outside its sensor limits
constexpr uint8_t ConfigurationInvalid = 0x04; // octet 1
constexpr uint8_t MaintenanceDue = 0x20;   // octet 1
constexpr uint8_t CharacteristicInvalid = 0x40; // octet 1: the sensor characteristic
constexpr uint8_t IdentNumberViolated = 0x80;   // octet 1: cyclic data of another device type asked for
constexpr uint8_t ExtensionAvailable = 0x80; // octet 3: bytes 0-5 hold conditions
} // namespace Diagnosis

// Modes of the flow (multivariable) block.
namespace BlockMode {
constexpr uint8_t Automatic = 8;
constexpr uint8_t OutOfService = 128;
} // namespace BlockMode

// The loop current limits as delivered: below and above these the output
// saturates until "minOutputCurr" and "maxOutputCurr" move them.
constexpr float kLoopCurrentMin = 3.8f;
constexpr float kLoopCurrentMax = 20.5f;

struct DeviceState {
    // identity
    // Manufacturer 0x63, device type 0x89 (137); the expanded device type carries
    // both, the manufacturer in its upper byte.
    uint16_t expandedDeviceType = 0x6389;
    uint16_t manufacturerId = 0x0063;
    uint16_t privateLabelDistributor = 0x0063;
    uint32_t deviceId = 0x0A1B2C;
    uint8_t universalRevision = 7;
    uint8_t deviceRevision = 1;
    uint8_t softwareRevision = 22;
    uint8_t hardwareRevision = 1;
    uint8_t physicalSignaling = 0;   // Bell 202 current
    uint8_t flags = 0;
    uint8_t deviceProfile = 1;       // process automation device
    uint8_t requestPreambles = 5;
    uint8_t responsePreambles = 5;

    // texts and dates
    QString tag = QStringLiteral("TRIVEX");
    QString longTag = QStringLiteral("TRIVEX MULTIVARIABLE TRANSMITTER");
    QString descriptor = QStringLiteral("DP FLOW");
    QString message = QStringLiteral("SIMULATED TRANSMITTER");
    comm::HartDate date{1, 1, 124};
    uint32_t finalAssemblyNumber = 123456;

    // loop
    uint8_t pollingAddress = 0;
    bool loopCurrentEnabled = true;
    std::optional<float> fixedCurrent;   // set by the fixed current mode
    float loopZeroTrim = 0;              // mA added to the output (trim at 4 mA)
    float loopGainTrim = 1;              // slope of the output above 4 mA (trim at 20 mA)
    // The differential pressure the zero adjustment (command 165) took off
    // every later reading, in base units: the reading at that moment became 0.
    double pressureZeroOffset = 0;

    // output of the primary variable
    std::array<uint8_t, 4> dynamicVariables{Variable::DifferentialPressure, Variable::StaticPressure,
                                            Variable::Temperature, Variable::Flow};
    // The factory range spans the sensor from 0 to its upper limit.
    double pvLowerRange = 0.0;           // base units of the PV's variable
    double pvUpperRange = 25.0;
    // A code of findTransferFunction; square rooting while the flow function
    // computes (see setFlowFunction).
    uint8_t transferFunction = 1;
    uint8_t alarmSelection = 0;          // 0 high, 1 low, other: the output keeps following the process
    float lowAlarmCurrent = 3.6f;        // mA driven in a fault with the low alarm selected
    float highAlarmCurrent = 21.0f;      // mA driven in a fault with the high alarm selected
    float minOutputCurrent = kLoopCurrentMin;   // mA the output saturates at ("minOutputCurr")
    float maxOutputCurrent = kLoopCurrentMax;   // ("maxOutputCurr")

    // configuration of the transmitter (device-specific commands)
    uint8_t moduleType = ModuleType::Differential;
    bool multivariableFunction = true;   // flow computed from the pressures
    uint8_t multivariableBlockMode = 8;  // 8 automatic, 128 out of service
    // The flow function as the device leaves the factory with it: on, the
    // flow block in automatic mode and the output square-rooted, as the flow
    // block allows nothing else in that mode; off, the block out of service
    // and a linear output.
    void setFlowFunction(bool on);
    // The static pressure's unit as the device leaves the factory: below
    // revision 20 a flow block in automatic mode takes the static pressure in
    // mbar only, so such a device is delivered with it in mbar; bar otherwise.
    uint8_t factoryStaticPressureUnit() const;
    std::array<uint8_t, 3> extendedSoftwareRevision{22, 1, 0};   // first octet lowest
    // 16 packed-ASCII characters; characters 3 to 9 name the software, the
    // HART software here.
    QString softwareSpecifics = QStringLiteral("SW4607215-H7");
    double spLowerRange = 0.0;           // static pressure range, kPa
    double spUpperRange = 10000.0;
    float pressureAdcTimeConstant = 0.1f;      // s
    float temperatureAdcTimeConstant = 1.0f;   // s

    // data save to the non-volatile memory running (shown by command 48)
    bool dataSaving = false;
    bool burnDelay = false;              // writes are kept until the burn delay is switched off
    bool eepromFault = false;            // injected: the electronics' EEPROM does not answer
    // Injected: conditions of the device diagnosis (its octets 0-3) that the
    // device reports as found by its self-test.
    std::array<uint8_t, Diagnosis::Octets> diagnosedFaults{};
    // simulation: the inputs simulated (differential pressure, static
    // pressure, temperature), an analog-input block simulating its output,
    // and the flow block's outputs simulated (mass, volume flow)
    std::array<bool, 3> simulatedInputs{};
    bool analogInputSimulation = false;
    std::array<bool, 2> simulatedOutputs{};   // the flow block's outputs (FlowOutput)
    bool simulationActive() const;

    // protection and change tracking
    bool writeProtected = false;         // the write protection switch
    bool writeLock = false;              // the software write lock
    bool writeLocked() const { return writeProtected || writeLock; }
    bool accessRestricted = false;       // locked by another master
    uint16_t configChangeCounter = 0;
    std::array<bool, 2> configChanged{false, false};  // index: master (0 secondary, 1 primary)
    std::array<bool, 2> coldStart{true, true};
    std::array<QByteArray, 2> lastStatusRead;          // additional status last read per master

    std::array<DeviceVariable, Variable::Count> variables = defaultVariables();
    SensorTrim sensorTrim;               // applied to every reading of a measured variable
    ExtremeValues extremes;              // lowest and highest values, limit violations
    Totaliser totaliser;                 // the flow totaliser of the flow computer

    static std::array<DeviceVariable, Variable::Count> defaultVariables();

    // A device variable of its own (0..3), or of PV..QV (246..249); null otherwise.
    const DeviceVariable* variable(uint8_t code) const;
    DeviceVariable* variable(uint8_t code);
    const DeviceVariable& pv() const { return variables[dynamicVariables[0]]; }
    DeviceVariable& pv() { return variables[dynamicVariables[0]]; }
    const DeviceVariable& staticPressure() const { return variables[Variable::StaticPressure]; }

    void markConfigurationChanged();

    // Derived values, in the units each reports.
    float pvValue(const ProcessValues& process) const;
    float percentOfRange(const ProcessValues& process) const;
    float loopCurrent(const ProcessValues& process) const;
    // A fault drives the output to the alarm current: the PV outside its sensor limits.
    bool inFault(const ProcessValues& process) const;
    bool loopCurrentFixed() const { return fixedCurrent.has_value() || !loopCurrentEnabled; }
    bool loopCurrentSaturated(const ProcessValues& process) const;
    bool outOfLimits(uint8_t variableCode, const ProcessValues& process) const;
    std::optional<VariableReading> read(uint8_t code, const ProcessValues& process) const;

    // The field device status byte for a master (without resetting anything).
    uint8_t fieldDeviceStatus(int master, const ProcessValues& process) const;
    uint8_t extendedDeviceStatus(const ProcessValues& process) const;
    // The additional status bytes (device-specific, extended status, operating
    // mode, standardized status, analog channel saturated and fixed), then the
    // device diagnosis; DeviceSpecificStatus and Diagnosis name the bits used.
    QByteArray additionalStatus(const ProcessValues& process) const;
};

} // namespace sim
