// The measuring history through HART frames: the lowest and highest values
// follow the process, each excursion out of a limit is counted once, and a
// reset clears its own group only. The process is moved by the values held
// at the sensors, as trivex-sim's --hold holds them.
#include "platform/comm/hart/HartStatus.h"
#include "sim/SimOptions.h"
#include "tests/sim/TransmitterFixture.h"
#include <gtest/gtest.h>

using namespace comm;
using simtest::Transmitter;

namespace {

namespace RC = comm::ResponseCode;

constexpr uint8_t kResetViolations = 163;
constexpr uint8_t kResetExtremes = 164;

class MeasuringHistory : public Transmitter {
protected:
    // Holds the value at the sensor and lets the device look at it once.
    void hold(int measured, double value)
    {
        device.setAppliedValue(measured, value);
        ask(1);
    }
    uint32_t count(const char* item) { return reported(QLatin1String(item)).toUInt(); }
    float value(const char* item) { return reported(QLatin1String(item)).toFloat(); }
};

} // namespace

TEST_F(MeasuringHistory, LowestAndHighestValuesFollowTheProcessAndResetPerGroup)
{
    for (double dp : {5.0, 20.0, 12.0})
        hold(sim::Measured::DifferentialPressure, dp);
    hold(sim::Measured::SensorTemperature, 31.0);
    hold(sim::Measured::SensorTemperature, 24.0);
    EXPECT_FLOAT_EQ(value("ptrbMinSensorValue"), 5.0f);
    EXPECT_FLOAT_EQ(value("ptrbMaxSensorValue"), 20.0f);
    EXPECT_FLOAT_EQ(value("ptrbMinTemperature"), 24.0f);
    EXPECT_FLOAT_EQ(value("ptrbMaxTemperature"), 31.0f);
    EXPECT_FLOAT_EQ(value("ttrbMinSensorValue1"), 20.0f);   // the process temperature held still
    // Shown in the variable's unit.
    ASSERT_EQ(ask(53, QByteArray::fromHex("0008")).responseCode, RC::Success);   // dp in mbar
    EXPECT_FLOAT_EQ(value("ptrbMaxSensorValue"), 200.0f);

    // Group 0 starts again from the value measured now; group 2 keeps its values.
    ASSERT_EQ(ask(kResetExtremes, QByteArray(1, 0)).responseCode, RC::Success);
    EXPECT_FLOAT_EQ(value("ptrbMinSensorValue"), 120.0f);
    EXPECT_FLOAT_EQ(value("ptrbMaxSensorValue"), 120.0f);
    EXPECT_FLOAT_EQ(value("ptrbMaxTemperature"), 31.0f);
    EXPECT_EQ(ask(kResetExtremes, QByteArray(1, 4)).responseCode, RC::InvalidSelection);
}

TEST_F(MeasuringHistory, EachExcursionOutOfALimitIsCountedOnceAndAResetClearsItsGroupOnly)
{
    // trivex-sim --hold dp=30: above the sensor limit (25 kPa) and above the range (0 to 25 kPa).
    sim::VariantOptions options;
    QString error;
    EXPECT_FALSE(sim::parseHeld("dp=lots", options, error));
    EXPECT_FALSE(sim::parseHeld("flow=3", options, error));
    ASSERT_TRUE(sim::parseHeld("dp=30", options, error)) << error.toStdString();
    ASSERT_TRUE(sim::parseHeld("sp=17000", options, error)) << error.toStdString();
    ASSERT_TRUE(sim::applyVariant(device, options, error)) << error.toStdString();
    ask(1);
    ask(1);   // still out: the same excursion
    EXPECT_EQ(count("ptrbUpperSensorValueFailure"), 1u);
    EXPECT_EQ(count("ptrbUpperRangeValueFailure"), 1u);
    EXPECT_EQ(count("ptrbUpperStaticPressFailure"), 1u);
    hold(sim::Measured::DifferentialPressure, 10.0);
    hold(sim::Measured::DifferentialPressure, 30.0);
    hold(sim::Measured::DifferentialPressure, -30.0);
    EXPECT_EQ(count("ptrbUpperSensorValueFailure"), 2u);
    EXPECT_EQ(count("ptrbUpperRangeValueFailure"), 2u);
    EXPECT_EQ(count("ptrbLowerSensorValueFailure"), 1u);
    EXPECT_EQ(count("ptrbLowerRangeValueFailure"), 1u);
    EXPECT_EQ(count("ptrbLowerStaticPressFailure"), 0u);
    hold(sim::Measured::SensorTemperature, 90.0);
    EXPECT_EQ(count("ptrbUpperTemperatureFailure"), 1u);

    // Group 1, the sensor limits of the differential pressure: the others keep their counts,
    // and the excursion going on now is not counted again.
    ASSERT_EQ(ask(kResetViolations, QByteArray(1, 1)).responseCode, RC::Success);
    ask(1);
    EXPECT_EQ(count("ptrbUpperSensorValueFailure"), 0u);
    EXPECT_EQ(count("ptrbLowerSensorValueFailure"), 0u);
    EXPECT_EQ(count("ptrbUpperRangeValueFailure"), 2u);
    EXPECT_EQ(count("ptrbUpperStaticPressFailure"), 1u);
    EXPECT_EQ(count("ptrbUpperTemperatureFailure"), 1u);
}
