// Settings of the description that the device obeys, through HART frames: the
// software write lock refuses every write with the write-protect response
// until it is switched off, in a fault the output drives the chosen alarm
// current, the output saturates at the limits written, and the flow block
// takes the mode its target is set to.
#include "platform/comm/hart/HartStatus.h"
#include "tests/sim/TransmitterFixture.h"
#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace {

namespace RC = comm::ResponseCode;
using simtest::Transmitter;

constexpr int kWriteProtectByte = 15;   // of command 15's answer

class ObeyedSettings : public Transmitter {
protected:
    // Writes one parameter through the record that carries it.
    uint8_t write(const char* item, const QVariant& value)
    {
        const sim::DescribedCommand* writer = simtest::writerOf(device, QLatin1String(item));
        EXPECT_NE(writer, nullptr) << item;
        return ask(static_cast<uint8_t>(writer->number), simtest::requestOf(device, *writer, QLatin1String(item), value))
            .responseCode;
    }
    float loopCurrent()
    {
        const QByteArray data = ask(2).data;
        return comm::HartDataReader(data).f32();
    }
};

} // namespace

TEST_F(ObeyedSettings, WriteLockRefusesEveryWriteUntilItIsSwitchedOff)
{
    ASSERT_EQ(write("pbWriteLock", 1), RC::Success);
    EXPECT_EQ(static_cast<uint8_t>(ask(15).data[kWriteProtectByte]), 1);

    // Standard and device-specific writes and actions alike; nothing changes.
    const QString tag = device.device().tag;
    EXPECT_EQ(ask(18, QByteArray(21, '\0')).responseCode, RC::WriteProtected);
    EXPECT_EQ(device.device().tag, tag);
    EXPECT_EQ(write("ptrbLowFlowCutOff", 10.0f), RC::WriteProtected);
    EXPECT_FLOAT_EQ(device.parameters().value(QStringLiteral("ptrbLowFlowCutOff")).toFloat(), 5.0f);
    EXPECT_EQ(write("pbMeterOption", 1), RC::WriteProtected);
    // Reads go on.
    EXPECT_EQ(ask(13).responseCode, RC::Success);

    // The lock itself can be switched off; then writes are taken again.
    ASSERT_EQ(write("pbWriteLock", 0), RC::Success);
    EXPECT_EQ(static_cast<uint8_t>(ask(15).data[kWriteProtectByte]), 0);
    EXPECT_EQ(write("ptrbLowFlowCutOff", 10.0f), RC::Success);

    // The write protection switch is no software lock: nothing switches it off.
    ASSERT_EQ(write("pbWriteLock", 1), RC::Success);
    device.device().writeProtected = true;
    EXPECT_EQ(write("pbWriteLock", 0), RC::WriteProtected);
    device.device().writeProtected = false;
    EXPECT_EQ(write("pbWriteLock", 0), RC::Success);

    // The lock is kept in the memory.
    QTemporaryDir dir;
    const QString memory = dir.filePath(QStringLiteral("nvm.json"));
    QString error;
    ASSERT_TRUE(device.setMemoryFile(memory, error));
    ASSERT_EQ(write("pbWriteLock", 1), RC::Success);
    sim::SimTransmitter again;
    ASSERT_TRUE(again.setMemoryFile(memory, error)) << error.toStdString();
    EXPECT_TRUE(again.device().writeLocked());
}

TEST_F(ObeyedSettings, FaultDrivesTheChosenAlarmCurrent)
{
    // 12.5 kPa of 0 to 25 kPa: 12 mA; above the sensor limit of 25 kPa the device is in a fault.
    device.setAppliedValue(sim::Measured::DifferentialPressure, 12.5);
    EXPECT_FLOAT_EQ(loopCurrent(), 12.0f);
    device.setAppliedValue(sim::Measured::DifferentialPressure, 30.0);
    EXPECT_FLOAT_EQ(loopCurrent(), 21.0f);   // high alarm by default

    ASSERT_EQ(write("highAlarmCurr", 22.5f), RC::Success);
    EXPECT_FLOAT_EQ(loopCurrent(), 22.5f);
    ASSERT_EQ(write("alarmSelectCodeCurr", 1), RC::Success);
    ASSERT_EQ(write("lowAlarmCurr", 3.7f), RC::Success);
    EXPECT_FLOAT_EQ(loopCurrent(), 3.7f);
    EXPECT_EQ(static_cast<uint8_t>(ask(15).data[0]), 1);   // the alarm selection command 15 reports

    // A level outside the alarm range is refused and the output keeps its level.
    EXPECT_NE(write("lowAlarmCurr", 3.0f), RC::Success);
    EXPECT_FLOAT_EQ(loopCurrent(), 3.7f);

    // The fault gone, the process drives the output again.
    device.setAppliedValue(sim::Measured::DifferentialPressure, 12.5);
    EXPECT_FLOAT_EQ(loopCurrent(), 12.0f);
}

TEST_F(ObeyedSettings, OutputSaturatesAtTheWrittenLimitsAlsoAfterARestart)
{
    QTemporaryDir dir;
    const QString memory = dir.filePath(QStringLiteral("nvm.json"));
    QString error;
    ASSERT_TRUE(device.setMemoryFile(memory, error));
    // 0 to 20 kPa: 20.8 kPa asks for 20.64 mA, -0.5 kPa for 3.6 mA; both inside the sensor limits.
    device.device().pvUpperRange = 20.0;
    device.setAppliedValue(sim::Measured::DifferentialPressure, 20.8);
    EXPECT_FLOAT_EQ(loopCurrent(), 20.5f);   // as delivered
    ASSERT_EQ(write("maxOutputCurr", 21.0f), RC::Success);
    EXPECT_FLOAT_EQ(loopCurrent(), 20.64f);
    EXPECT_EQ(static_cast<uint8_t>(ask(48).data[10]), 0);   // analog channel not saturated
    ASSERT_EQ(write("maxOutputCurr", 20.2f), RC::Success);
    EXPECT_FLOAT_EQ(loopCurrent(), 20.2f);
    EXPECT_EQ(static_cast<uint8_t>(ask(48).data[10]), 1);

    device.setAppliedValue(sim::Measured::DifferentialPressure, -0.5);
    EXPECT_FLOAT_EQ(loopCurrent(), 3.8f);
    ASSERT_EQ(write("minOutputCurr", 3.65f), RC::Success);
    EXPECT_FLOAT_EQ(loopCurrent(), 3.65f);
    ASSERT_EQ(write("minOutputCurr", 4.0f), RC::Success);
    EXPECT_FLOAT_EQ(loopCurrent(), 4.0f);
    // At the lower range value the output follows the process, even at a limit of 4 mA.
    device.setAppliedValue(sim::Measured::DifferentialPressure, 0.0);
    EXPECT_FLOAT_EQ(loopCurrent(), 4.0f);
    EXPECT_EQ(static_cast<uint8_t>(ask(48).data[10]), 0);

    // The limits are kept in the memory.
    sim::SimTransmitter again;
    ASSERT_TRUE(again.setMemoryFile(memory, error)) << error.toStdString();
    EXPECT_FLOAT_EQ(again.device().minOutputCurrent, 4.0f);
    EXPECT_FLOAT_EQ(again.device().maxOutputCurrent, 20.2f);
}

TEST_F(ObeyedSettings, FlowBlockTakesTheModeItsTargetIsSetTo)
{
    constexpr int kBlockModeByte = 2;   // of command 128's answer
    ASSERT_EQ(write("mvModeBlkTarget", 128), RC::Success);
    EXPECT_EQ(static_cast<uint8_t>(ask(128).data[kBlockModeByte]), 128);
    EXPECT_EQ(write("mvModeBlkTarget", 7), RC::InvalidSelection);   // no block mode
    EXPECT_EQ(static_cast<uint8_t>(ask(128).data[kBlockModeByte]), 128);

    // A mode set elsewhere (here: the device's own) is what the target reads back.
    device.device().multivariableBlockMode = 8;
    EXPECT_EQ(reported(QStringLiteral("mvModeBlkTarget")).toInt(), 8);
}
