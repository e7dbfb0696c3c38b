// The device-specific commands of the transmitter: request bytes in, response
// bytes out, and the codes of requests the device refuses.
#include "platform/comm/hart/HartBytes.h"
#include "platform/comm/hart/HartStatus.h"
#include "platform/comm/hart/PackedAscii.h"
#include "sim/SimUnits.h"
#include "tests/sim/TransmitterFixture.h"
#include <gtest/gtest.h>

using namespace comm;
using simtest::Transmitter;

namespace {

struct Exchange {
    uint8_t command;
    const char* request;    // hex
    uint8_t code;
    const char* response;   // hex
};

// The defaults of the simulated transmitter, as the device answers them.
constexpr Exchange kReads[] = {
    // module 20, multivariable function on, block automatic, revision 22.1.0,
    // "SW4607215-H7" and four blanks
    {128, "", 0, "14" "01" "08" "160100" "4d7d36c37cb1d6d237820820"},
    // kPa: -25, 25, 0.5 | 0, 16000, 100
    {129, "", 0, "0c" "c1c80000" "41c80000" "3f000000" "00000000" "467a0000" "42c80000"},
    // bar: 100, 0
    {132, "", 0, "07" "42c80000" "00000000"},
    // 0.1 s, 1 s
    {134, "", 0, "3dcccccd" "3f800000"},
};

} // namespace

TEST_F(Transmitter, DeviceSpecificReadsAnswerTheConfiguration)
{
    for (const Exchange& e : kReads) {
        const HartFrame answer = ask(e.command, QByteArray::fromHex(e.request));
        EXPECT_EQ(answer.responseCode, e.code) << int(e.command);
        EXPECT_EQ(answer.data.toHex(), QByteArray(e.response)) << int(e.command);
    }
    // The software code sits in characters 3 to 9 of the software specifics.
    const QByteArray configuration = ask(128).data;
    EXPECT_EQ(PackedAscii::unpack(configuration.mid(6, 12)).mid(2, 7), "4607215");
}

TEST_F(Transmitter, SensorLimitsFollowTheDifferentialPressureUnit)
{
    ASSERT_EQ(ask(53, QByteArray::fromHex("0008")).responseCode, 0);   // dp in mbar
    const QByteArray bytes = ask(129).data;
    ASSERT_EQ(bytes.size(), 25);
    HartDataReader r(bytes);
    EXPECT_EQ(r.u8(), sim::UnitCode::Mbar);
    for (float expected : {-250.0f, 250.0f, 5.0f, 0.0f, 160000.0f, 1000.0f})
        EXPECT_FLOAT_EQ(r.f32(), expected);
}

TEST_F(Transmitter, WritesTheStaticPressureRange)
{
    // 5000 and 100 kPa: taken as sent, the static pressure now in kPa.
    const QByteArray request = QByteArray::fromHex("0c" "459c4000" "42c80000");
    const uint16_t before = device.device().configChangeCounter;
    const HartFrame written = ask(133, request);
    EXPECT_EQ(written.responseCode, 0);
    EXPECT_EQ(written.data, request);
    EXPECT_TRUE(written.deviceStatus & DeviceStatus::ConfigurationChanged);
    EXPECT_EQ(device.device().configChangeCounter, before + 1);
    EXPECT_EQ(ask(132).data, request);
    EXPECT_EQ(device.device().staticPressure().units, 12);
    // Back in bar: 50 bar, 1 bar.
    ASSERT_EQ(ask(133, QByteArray::fromHex("07" "42480000" "3f800000")).responseCode, 0);
    EXPECT_EQ(ask(132).data.toHex(), "07" "42480000" "3f800000");

    auto range = [&](uint8_t units, float upper, float lower) {
        return ask(133, QByteArray(1, static_cast<char>(units)) + floats({upper, lower})).responseCode;
    };
    const uint8_t bar = sim::UnitCode::Bar;
    EXPECT_EQ(range(bar, 170, 165), 13);    // both above the 160 bar limit
    EXPECT_EQ(range(bar, 150, 165), 9);     // lower above the upper limit
    EXPECT_EQ(range(bar, 150, -1), 10);     // lower below 0
    EXPECT_EQ(range(bar, 170, 0), 11);
    EXPECT_EQ(range(bar, -1, 10), 12);
    EXPECT_EQ(range(bar, 20, 20), 29);
    EXPECT_EQ(range(sim::UnitCode::DegC, 20, 0), ResponseCode::InvalidUnitsCode);
    EXPECT_EQ(range(bar, std::numeric_limits<float>::quiet_NaN(), 0), ResponseCode::InvalidSelection);
    EXPECT_EQ(ask(133, request.left(8)).responseCode, ResponseCode::TooFewDataBytes);
    EXPECT_EQ(range(12, 17000, 16500), 13); // kPa, above the limit
    EXPECT_EQ(ask(132).data.toHex(), "07" "42480000" "3f800000");   // none of that changed the range or its unit

    // Narrower than the 1 bar minimum span: taken, with the warning.
    EXPECT_EQ(range(bar, 10.5f, 10), 14);
    EXPECT_NEAR(device.device().spUpperRange, 1050.0, 1e-3);

    device.device().writeProtected = true;
    EXPECT_EQ(ask(133, request).responseCode, ResponseCode::WriteProtected);
    EXPECT_EQ(ask(132).responseCode, 0);
}

TEST_F(Transmitter, WritesTheAdcTimeConstants)
{
    const HartFrame written = ask(135, QByteArray::fromHex("3f000000" "40000000"));
    EXPECT_EQ(written.responseCode, 0);
    EXPECT_EQ(written.data.toHex(), "3f000000" "40000000");
    EXPECT_EQ(ask(134).data.toHex(), "3f000000" "40000000");   // 0.5 s, 2 s

    EXPECT_EQ(ask(135, floats({10.5f, 1.0f})).responseCode, ResponseCode::ParameterTooLarge);
    EXPECT_EQ(ask(135, floats({1.0f, 10.5f})).responseCode, ResponseCode::ParameterTooLarge);
    EXPECT_EQ(ask(135, floats({-0.1f, 1.0f})).responseCode, ResponseCode::ParameterTooSmall);
    EXPECT_EQ(ask(135, floats({1.0f, std::numeric_limits<float>::infinity()})).responseCode,
              ResponseCode::InvalidSelection);
    EXPECT_EQ(ask(135, QByteArray::fromHex("3f800000" "3f8000")).responseCode, ResponseCode::TooFewDataBytes);
    const HartFrame refused = ask(135, floats({11.0f, 1.0f}));
    EXPECT_TRUE(refused.data.isEmpty());
    EXPECT_EQ(ask(134).data.toHex(), "3f000000" "40000000");   // unchanged
}

TEST_F(Transmitter, ReservedCommandsAreNotImplemented)
{
    for (uint8_t command : {223, 225, 227, 228, 248, 249}) {
        const HartFrame answer = ask(command, floats({1.0f}));
        EXPECT_EQ(answer.responseCode, ResponseCode::CommandNotImplemented) << int(command);
        EXPECT_TRUE(answer.data.isEmpty()) << int(command);
    }
}
