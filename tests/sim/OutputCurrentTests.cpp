// The analogue output through HART frames: the fixed-current mode shows in
// the loop current and the additional status until it is left or the device
// restarts, and the trim at 4 and 20 mA moves the current the output drives
// and is kept across a restart.
#include "platform/comm/hart/HartStatus.h"
#include "sim/DeviceState.h"
#include "sim/SimOptions.h"
#include "tests/sim/TransmitterFixture.h"
#include <QTemporaryDir>
#include <gtest/gtest.h>

using namespace comm;
using simtest::Transmitter;

namespace {

namespace RC = comm::ResponseCode;

constexpr int kFixedCurrentByte = 3;
constexpr uint8_t kFixedCurrentBit = 0x10;
constexpr int kAnalogChannelFixedByte = 13;

float loopCurrent(const HartFrame& answer)
{
    HartDataReader r(answer.data);
    return r.f32();
}

} // namespace

TEST_F(Transmitter, FixedCurrentShowsInTheLoopCurrentAndTheStatusUntilItIsLeft)
{
    // The process at time 0 drives 12 mA (12.5 kPa of 0 to 25 kPa).
    ASSERT_EQ(ask(40, floats({20.0f})).responseCode, RC::Success);
    EXPECT_EQ(loopCurrent(ask(2)), 20.0f);
    EXPECT_EQ(loopCurrent(ask(3)), 20.0f);
    const HartFrame status = ask(48);
    ASSERT_EQ(status.data.size(), sim::Diagnosis::FirstByte + 4);
    EXPECT_TRUE(status.data[kFixedCurrentByte] & kFixedCurrentBit);
    EXPECT_EQ(status.data[kAnalogChannelFixedByte], 1);
    EXPECT_TRUE(status.deviceStatus & DeviceStatus::LoopCurrentFixed);

    // The alarm currents a transmitter signals are accepted; beyond them the
    // device answers its range codes and stays at the level it had.
    EXPECT_EQ(ask(40, floats({22.5f})).responseCode, RC::Success);
    EXPECT_EQ(ask(40, floats({3.5f})).responseCode, RC::Success);
    EXPECT_EQ(ask(40, floats({23.5f})).responseCode, RC::ParameterTooLarge);
    EXPECT_EQ(ask(40, floats({3.4f})).responseCode, RC::ParameterTooSmall);
    EXPECT_EQ(loopCurrent(ask(2)), 3.5f);

    // Level 0 leaves the mode: the process drives the output again.
    ASSERT_EQ(ask(40, floats({0.0f})).responseCode, RC::Success);
    EXPECT_FLOAT_EQ(loopCurrent(ask(2)), 12.0f);
    EXPECT_FALSE(ask(48).data[kFixedCurrentByte] & kFixedCurrentBit);

    // A device reset leaves it as well.
    ASSERT_EQ(ask(40, floats({20.0f})).responseCode, RC::Success);
    ASSERT_EQ(ask(42).responseCode, RC::Success);
    EXPECT_FLOAT_EQ(loopCurrent(ask(3)), 12.0f);
    EXPECT_FALSE(ask(48).data[kFixedCurrentByte] & kFixedCurrentBit);
}

TEST_F(Transmitter, OutputTrimMovesTheDrivenCurrentAndSurvivesARestart)
{
    QTemporaryDir dir;
    sim::VariantOptions options;
    options.memory = dir.filePath("memory.json");
    QString error;
    ASSERT_TRUE(sim::applyVariant(device, options, error)) << error.toStdString();

    // The loop reads 4.1 mA at 4 mA and 19.8 mA at 20 mA.
    ASSERT_EQ(ask(40, floats({4.0f})).responseCode, RC::Success);
    ASSERT_EQ(ask(45, floats({4.1f})).responseCode, RC::Success);
    // While fixed the device reports the level it was asked for.
    EXPECT_EQ(loopCurrent(ask(2)), 4.0f);
    EXPECT_EQ(ask(46, floats({19.8f})).responseCode, 9) << "not fixed at 20 mA";
    ASSERT_EQ(ask(40, floats({20.0f})).responseCode, RC::Success);
    ASSERT_EQ(ask(46, floats({19.8f})).responseCode, RC::Success);
    // A trim that would correct more than the output allows is refused.
    ASSERT_EQ(ask(40, floats({4.0f})).responseCode, RC::Success);
    ASSERT_EQ(ask(45, floats({4.5f})).responseCode, RC::Success);
    EXPECT_EQ(ask(45, floats({4.5f})).responseCode, RC::ParameterTooLarge);
    ASSERT_EQ(ask(45, floats({3.5f})).responseCode, RC::Success);   // back to -0.1 mA in all
    ASSERT_EQ(ask(40, floats({0.0f})).responseCode, RC::Success);

    // The zero moved the whole output by -0.1 mA, the gain the 20 mA end by +0.2 mA more.
    auto drivenAt = [this](double dp) {
        device.setAppliedValue(sim::Measured::DifferentialPressure, dp);
        return loopCurrent(ask(2));
    };
    EXPECT_NEAR(drivenAt(0.0), 3.9f, 1e-4);
    EXPECT_NEAR(drivenAt(12.5), 12.0f, 1e-4);
    EXPECT_NEAR(drivenAt(25.0), 20.1f, 1e-4);

    sim::SimTransmitter restarted;
    restarted.freezeProcessTime(0);
    ASSERT_TRUE(sim::applyVariant(restarted, options, error)) << error.toStdString();
    restarted.setAppliedValue(sim::Measured::DifferentialPressure, 0.0);
    EXPECT_NEAR(restarted.device().loopCurrent(restarted.processValues()), 3.9f, 1e-4);
    restarted.setAppliedValue(sim::Measured::DifferentialPressure, 25.0);
    EXPECT_NEAR(restarted.device().loopCurrent(restarted.processValues()), 20.1f, 1e-4);
}
