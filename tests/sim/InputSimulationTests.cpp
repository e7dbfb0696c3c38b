// Simulation of the measured inputs through HART frames: a simulated
// differential pressure replaces the measured one in the block value, the
// flow and the loop current and shows as simulation in the device status
// until it is switched off; an analog-input block reports its simulated
// output value and status while it simulates; a simulated flow output
// replaces the computed mass or volume flow the same way.
#include "platform/comm/hart/HartStatus.h"
#include "sim/DeviceState.h"
#include "sim/SimUnits.h"
#include "tests/sim/TransmitterFixture.h"
#include <gtest/gtest.h>
#include <cmath>

using namespace comm;
using simtest::Transmitter;

namespace {

constexpr int kStandardizedStatus0 = 8;
constexpr uint8_t kSimulationActive = 0x01;

class InputSimulation : public Transmitter {
protected:
    // Writes the item through the record that carries it, as a master does.
    void write(const QString& item, const QVariant& value)
    {
        const sim::DescribedCommand* command = simtest::writerOf(device, item);
        ASSERT_NE(command, nullptr) << item.toStdString();
        ASSERT_EQ(ask(static_cast<uint8_t>(command->number), simtest::requestOf(device, *command, item, value)).responseCode,
                  0)
            << item.toStdString();
    }
    float loopCurrent()
    {
        const HartFrame answer = ask(2);
        HartDataReader reader(answer.data);
        return reader.f32();
    }
    bool simulationInStatus() { return ask(48).data[kStandardizedStatus0] & kSimulationActive; }
};

} // namespace

TEST_F(InputSimulation, SimulatedDifferentialPressureDrivesFlowAndLoopCurrentUntilSwitchedOff)
{
    // At time 0 the process holds 12.5 kPa of the range 0 to 25 kPa: 12 mA.
    EXPECT_FLOAT_EQ(loopCurrent(), 12.0f);
    const double measuredFlow = reported(QStringLiteral("mvOutVolFlowValue")).toDouble();
    EXPECT_FALSE(simulationInStatus());

    // 20 kPa in the multivariable block's unit of the input.
    const auto unit = static_cast<uint8_t>(device.parameters().value(QStringLiteral("mvInDPUnit")).toUInt());
    const auto simulated = static_cast<float>(sim::fromBase(20.0, unit));
    write(QStringLiteral("mvInDPSimulateValue"), simulated);
    write(QStringLiteral("mvInDPSimulateEnabled"), 1);
    const auto blockUnit = static_cast<uint8_t>(device.parameters().value(QStringLiteral("ptrbScaleInUnit")).toUInt());
    EXPECT_FLOAT_EQ(reported(QStringLiteral("ptrbSecondaryValue1")).toFloat(), static_cast<float>(sim::fromBase(20.0, blockUnit)));
    EXPECT_FLOAT_EQ(loopCurrent(), 4.0f + 16.0f * 20.0f / 25.0f);
    // The flow grows with the square root of the differential pressure.
    EXPECT_NEAR(reported(QStringLiteral("mvOutVolFlowValue")).toDouble(), measuredFlow * std::sqrt(20.0 / 12.5),
                0.01 * measuredFlow);
    EXPECT_TRUE(ask(0).deviceStatus & DeviceStatus::MoreStatusAvailable);
    EXPECT_TRUE(simulationInStatus());

    write(QStringLiteral("mvInDPSimulateEnabled"), 0);
    EXPECT_FLOAT_EQ(loopCurrent(), 12.0f);
    EXPECT_NEAR(reported(QStringLiteral("mvOutVolFlowValue")).toDouble(), measuredFlow, 1e-6 * measuredFlow);
    EXPECT_FALSE(simulationInStatus());
}

TEST_F(InputSimulation, AnalogInputReportsItsSimulatedValueAndStatusWhileItSimulates)
{
    const float measured = reported(QStringLiteral("aiDPOutValue")).toFloat();
    EXPECT_EQ(reported(QStringLiteral("aiDPOutStatus")).toUInt(), 128u);          // good

    write(QStringLiteral("aiDPSimulateValue"), 33.0f);
    write(QStringLiteral("aiDPSimulateStatus"), 64); // uncertain
    write(QStringLiteral("aiDPSimulateEnabled"), 1);
    EXPECT_FLOAT_EQ(reported(QStringLiteral("aiDPOutValue")).toFloat(), 33.0f);
    EXPECT_EQ(reported(QStringLiteral("aiDPOutStatus")).toUInt(), 64u);
    EXPECT_TRUE(simulationInStatus());
    // The multivariable block still takes the measured pressure.
    EXPECT_FLOAT_EQ(loopCurrent(), 12.0f);

    write(QStringLiteral("aiDPSimulateEnabled"), 0);
    EXPECT_FLOAT_EQ(reported(QStringLiteral("aiDPOutValue")).toFloat(), measured);
    EXPECT_EQ(reported(QStringLiteral("aiDPOutStatus")).toUInt(), 128u);
}

TEST_F(InputSimulation, SimulatedFlowOutputsReplaceTheComputedOnesUntilSwitchedOff)
{
    // The flow as PV over 0 to 100 m3/h; mass flow in kg/s (as delivered), volume flow in m3/h,
    // by the square-root law of a flow block without a usable coefficient set.
    device.parameters().set(QStringLiteral("mvKqm"), 0.0f);
    device.device().dynamicVariables[0] = sim::Variable::Flow;
    device.device().pvUpperRange = 100.0;
    device.setAppliedValue(sim::Measured::DifferentialPressure, 16.0);   // 40 m3/h
    const double volume = reported(QStringLiteral("mvOutVolFlowValue")).toDouble();
    ASSERT_NEAR(volume, 40.0, 1e-4);
    // The mass flow at the operating density the block holds (1000 kg/m3).
    EXPECT_NEAR(reported(QStringLiteral("mvOutMassFlowValue")).toDouble(), 40.0 * 1000.0 / 3600.0, 1e-3);
    EXPECT_FLOAT_EQ(loopCurrent(), 4.0f + 16.0f * 0.4f);

    write(QStringLiteral("mvOutVolFlowUnit"), static_cast<unsigned>(sim::UnitCode::LitresPerMinute));
    write(QStringLiteral("mvOutVolFlowSimulateValue"), 250.0f);   // l/min: 15 m3/h
    write(QStringLiteral("mvOutVolFlowSimulateEnabled"), 1);
    EXPECT_FLOAT_EQ(reported(QStringLiteral("mvOutVolFlowValue")).toFloat(), 250.0f);
    EXPECT_FLOAT_EQ(loopCurrent(), 4.0f + 16.0f * 0.15f);
    // The flow device variable (command 9) reports the simulated flow, as fixed.
    const QByteArray flowVariable = ask(9, QByteArray::fromHex("03")).data;
    HartDataReader variable(flowVariable);
    variable.u8();   // extended status
    EXPECT_EQ(variable.u8(), sim::Variable::Flow);
    variable.u8();   // classification
    EXPECT_EQ(variable.u8(), sim::UnitCode::CubicMetresPerHour);
    EXPECT_NEAR(variable.f32(), 15.0f, 1e-4);
    EXPECT_EQ(variable.u8() & 0xC0, sim::VariableStatus::ManualFixed);
    EXPECT_TRUE(simulationInStatus());
    // The mass flow output is computed on.
    EXPECT_NEAR(reported(QStringLiteral("mvOutMassFlowValue")).toDouble(), 40.0 * 1000.0 / 3600.0, 1e-3);

    write(QStringLiteral("mvOutMassFlowUnit"), 75u);   // kg/h
    write(QStringLiteral("mvOutMassFlowSimulateValue"), 1234.5f);
    write(QStringLiteral("mvOutMassFlowSimulateEnabled"), 1);
    EXPECT_FLOAT_EQ(reported(QStringLiteral("mvOutMassFlowValue")).toFloat(), 1234.5f);
    write(QStringLiteral("mvOutVolFlowSimulateEnabled"), 0);
    EXPECT_NEAR(reported(QStringLiteral("mvOutVolFlowValue")).toDouble(), 40.0 * 1000.0 / 60.0, 1e-2);
    EXPECT_FLOAT_EQ(loopCurrent(), 4.0f + 16.0f * 0.4f);
    EXPECT_TRUE(simulationInStatus());   // the mass flow still simulated

    write(QStringLiteral("mvOutMassFlowSimulateEnabled"), 0);
    EXPECT_NEAR(reported(QStringLiteral("mvOutMassFlowValue")).toDouble(), 40.0 * 1000.0, 1e-1);
    EXPECT_FALSE(simulationInStatus());
}
