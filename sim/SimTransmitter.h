#pragma once
// The simulated transmitter itself, without any I/O: one HART request frame
// in, the device's answer out (or silence, as a HART device keeps silent when
// it is not addressed). It checks the address, answers busy while told to,
// looks the command up in the command table, applies what every command
// shares (request length, write protection, access restriction), builds the
// field device status byte and keeps the per-master flags.
#include "platform/comm/hart/HartFrame.h"
#include "sim/DeviceParameters.h"
#include "sim/DeviceState.h"
#include "sim/ProcessModel.h"
#include "sim/SensorTrim.h"
#include <QByteArray>
#include <QString>
#include <optional>

namespace sim {

struct PduResult {
    QByteArray response;   // the encoded answer; empty when the device keeps silent
    QString note;          // what happened, for the log
    int command = -1;
    int responseCode = -1;
};

class SimTransmitter {
public:
    SimTransmitter();

    DeviceState& device() { return m_device; }
    const DeviceState& device() const { return m_device; }
    ProcessModel& process() { return m_process; }
    DeviceParameters& parameters() { return m_parameters; }
    const DeviceParameters& parameters() const { return m_parameters; }
    // Empty when the description loaded; else why it was refused.
    const QString& descriptionError() const { return m_descriptionError; }
    bool loadDescription(const QString& path);

    // The non-volatile memory: read at once when the file exists (a file that
    // is not this device's memory is refused and changes nothing, one larger
    // than kMaxMemoryBytes unread), written atomically after every change, so
    // a torn write leaves the last good one.
    bool setMemoryFile(const QString& path, QString& error);
    static constexpr qint64 kMaxMemoryBytes = 1024 * 1024;

    // Puts the static pressure, and the parameters of the flow and
    // analog-input blocks that carry its unit or values in it, into the unit
    // the device leaves the factory with (DeviceState::factoryStaticPressureUnit).
    void setFactoryStaticPressureUnit();

    // A device that can be busy (software revision below 20) answers busy
    // during a data save; every device shows the save in command 48.
    bool canBeBusy() const { return m_device.softwareRevision < 20; }
    bool dataSaving() const;
    bool resetting() const;
    static constexpr int64_t kDataSaveMs = 1500;
    static constexpr int64_t kFactoryResetMs = 3000;
    // How long a data save keeps a device that can be busy busy (a test
    // walking many downloads shortens it; the device still answers busy).
    void setDataSaveDuration(int64_t ms) { m_dataSaveMs = ms; }
    // How long a factory reset keeps the device busy (0: not at all).
    void setFactoryResetDuration(int64_t ms) { m_factoryResetMs = ms; }

    // Process time: the timer service's time since construction, unless frozen.
    void freezeProcessTime(std::optional<int64_t> ms) { m_frozenTimeMs = ms; }
    int64_t processTimeMs() const;
    // The process as the device reports it: the sensor trim applied, a
    // simulated input in place of the measured one, the flow from those values.
    ProcessValues processValues() const;
    ProcessValues processValuesAt(int64_t processTimeMs) const;
    // The values applied to the sensors now (before the trim), as the
    // sensors give them (trimmed), and as the device reports them (simulated
    // inputs in place).
    MeasuredValues appliedValues() const;
    MeasuredValues sensedValues() const;
    MeasuredValues measuredValues() const;
    // The parameter as the device answers it now when it is a live value
    // (a measured value, an analog input's output); nullopt for a stored one.
    std::optional<QVariant> liveValue(const QString& name, const ProcessValues& values) const;
    // Holds the value applied to the sensor of a measured variable (base
    // units); nullopt lets it follow the process again.
    void setAppliedValue(int measured, std::optional<double> baseValue);
    static constexpr double kSensorTemperature = 25.0;   // degC, the sensor at ambient temperature

    // Fault injection: the next count addressed requests are answered with
    // that response code (and no data), whatever the command or, with
    // onlyCommand, only requests of that command (the cyclic reads of an
    // open window then pass untouched).
    void injectResponseCode(uint8_t code, int count = 1, std::optional<uint8_t> onlyCommand = std::nullopt);
    void setBusyResponses(int count);
    int injectedResponsesLeft() const { return m_injectedLeft; }

    // Handles one pass-through request (a HART frame, preambles allowed).
    PduResult handlePdu(QByteArrayView pdu);
    // Handles one decoded request; nullopt when the device keeps silent.
    std::optional<comm::HartFrame> handleFrame(const comm::HartFrame& request, QString* note = nullptr);

    bool isAddressedTo(const comm::HartAddress& address, uint8_t command) const;
    comm::HartAddress uniqueAddress() const;

private:
    comm::HartFrame responseFrame(const comm::HartFrame& request) const;
    void restart();
    uint8_t handleDescribed(const DescribedCommand& command, const QByteArray& request, const ProcessValues& values,
                            QByteArray& data);
    uint8_t deviceAction(const DescribedCommand& command, const QByteArray& request);
    // The point-by-point transfer of the user curve: whether the next point
    // fits, and where a successful write of the table or of a point leaves it.
    uint8_t checkCurvePoint(const DescribedCommand& command) const;
    void takeCurvePoint(const DescribedCommand& command);
    void changed();
    // Integrates the totaliser up to now; a running total reaches the memory now and then.
    void advanceTotaliser();
    void startDataSave();
    void factoryReset();
    bool saveMemory();

    DeviceState m_device;
    ProcessModel m_process;
    DeviceParameters m_parameters;
    QString m_descriptionError;
    QString m_memoryFile;
    int64_t m_dataSaveEndMs = -1;
    int64_t m_resetEndMs = -1;
    int64_t m_factoryResetMs = kFactoryResetMs;
    int64_t m_dataSaveMs = kDataSaveMs;
    bool m_savePending = false;          // changes kept back by the burn delay
    // The user curve's table point written last by a point-by-point
    // transfer; 0 while no table was written since the start or a reset.
    int m_curvePoint = 0;
    std::optional<double> m_heldSensorTemperature;
    int64_t m_startMs = 0;
    std::optional<int64_t> m_frozenTimeMs;
    int64_t m_totaliserSavedMs = 0;
    uint8_t m_injectedCode = 0;
    int m_injectedLeft = 0;
    std::optional<uint8_t> m_injectedCommand;
};

} // namespace sim
