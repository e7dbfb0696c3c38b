// The transmitter without the network: frames in, answers out.
#include "platform/comm/hart/HartBytes.h"
#include "platform/comm/hart/HartFrame.h"
#include "platform/comm/hart/HartIdentity.h"
#include "platform/comm/hart/HartStatus.h"
#include "platform/comm/hart/PackedAscii.h"
#include "sim/CommandTable.h"
#include "sim/SimTransmitter.h"
#include "sim/SimUnits.h"
#include "tests/sim/TransmitterFixture.h"
#include <gtest/gtest.h>
#include <cmath>
#include <set>

using namespace comm;
using sim::SimTransmitter;

using simtest::Transmitter;

TEST_F(Transmitter, AnswersCommandZeroOnTheShortFrameAndIdentifiesItself)
{
    HartFrame poll;
    poll.address = HartAddress::polling(0);
    const sim::PduResult result = device.handlePdu(encodeHartFrame(poll, 5));
    const HartDecodeResult r = decodeHartFrame(result.response);
    ASSERT_TRUE(r.ok());
    EXPECT_FALSE(r.frame.address.isLong);
    EXPECT_EQ(r.frame.responseCode, 0);
    EXPECT_EQ(r.frame.deviceStatus & DeviceStatus::ColdStart, DeviceStatus::ColdStart);

    HartIdentity id;
    ASSERT_TRUE(HartIdentity::decode(r.frame.data, id));
    EXPECT_EQ(r.frame.data.size(), HartIdentity::kRevision7Size);
    EXPECT_EQ(id.expandedDeviceType, device.device().expandedDeviceType);
    EXPECT_EQ(id.deviceId, device.device().deviceId);
    EXPECT_EQ(id.universalRevision, 7);
    EXPECT_EQ(id.lastDeviceVariable, 3);
    EXPECT_TRUE(id.uniqueAddress().sameDevice(device.uniqueAddress()));
    // Manufacturer 0x63 and device type 0x89 (137), also where an older master looks
    // for them (bytes 1 and 2).
    EXPECT_EQ(id.manufacturerId, 0x63);
    EXPECT_EQ(id.expandedDeviceType, 0x6389);
    EXPECT_EQ(r.frame.data.mid(1, 2).toHex(), "6389");
    EXPECT_EQ(r.frame.data.mid(17, 4).toHex(), "00630063");

    // Cold start is reported once per master.
    EXPECT_EQ(ask(0).deviceStatus & DeviceStatus::ColdStart, 0);
    EXPECT_EQ(ask(0, {}, false).deviceStatus & DeviceStatus::ColdStart, DeviceStatus::ColdStart);

    // Only command 0 goes by polling address, and only to the device's own.
    poll.command = 1;
    EXPECT_TRUE(device.handlePdu(encodeHartFrame(poll)).response.isEmpty());
    poll.command = 0;
    poll.address = HartAddress::polling(3);
    EXPECT_TRUE(device.handlePdu(encodeHartFrame(poll)).response.isEmpty());
}

TEST_F(Transmitter, ReadsProcessValuesDeterministically)
{
    // At process time 0: dp 12.5 kPa, sp 1000 kPa (10 bar), 20 degC, flow 10 * sqrt(12.5) m3/h
    // (the square-root law of a flow block without a usable coefficient set).
    device.parameters().set(QStringLiteral("mvKqm"), 0.0f);
    HartFrame pv = ask(1);
    HartDataReader r1(pv.data);
    EXPECT_EQ(r1.u8(), sim::UnitCode::KPa);
    EXPECT_FLOAT_EQ(r1.f32(), 12.5f);

    HartFrame dyn = ask(3);
    ASSERT_EQ(dyn.data.size(), 24);
    HartDataReader r3(dyn.data);
    EXPECT_FLOAT_EQ(r3.f32(), 4.0f + 16.0f * 12.5f / 25.0f); // range 0..25 kPa
    EXPECT_EQ(r3.u8(), sim::UnitCode::KPa);
    EXPECT_FLOAT_EQ(r3.f32(), 12.5f);
    EXPECT_EQ(r3.u8(), sim::UnitCode::Bar);
    EXPECT_FLOAT_EQ(r3.f32(), 10.0f);
    EXPECT_EQ(r3.u8(), sim::UnitCode::DegC);
    EXPECT_FLOAT_EQ(r3.f32(), 20.0f);
    EXPECT_EQ(r3.u8(), sim::UnitCode::CubicMetresPerHour);
    EXPECT_NEAR(r3.f32(), 10.0 * std::sqrt(12.5), 1e-4);

    // The process moves with time, and repeats with it.
    device.freezeProcessTime(15000); // a quarter of the dp period: the peak
    const QByteArray laterBytes = ask(1).data;
    HartDataReader later(laterBytes);
    later.u8();
    EXPECT_NEAR(later.f32(), 15.0f, 1e-4);

    const QByteArray allBytes = ask(9, QByteArray::fromHex("00010203")).data;
    HartDataReader all(allBytes);
    all.u8();
    for (int slot = 0; slot < 4; ++slot) {
        all.bytes(7);
        EXPECT_EQ(all.u8(), sim::VariableStatus::Good) << slot;
    }

    const QByteArray r2Bytes = ask(2).data;

    HartDataReader r2(r2Bytes);
    EXPECT_NEAR(r2.f32(), 4.0f + 16.0f * 0.6f, 1e-4);
    EXPECT_NEAR(r2.f32(), 60.0f, 1e-4);
}

TEST_F(Transmitter, WritesTagDescriptorDateAndReadsThemBack)
{
    QByteArray tag, descriptor;
    ASSERT_TRUE(PackedAscii::pack("FT-101", 6, tag));
    ASSERT_TRUE(PackedAscii::pack("ORIFICE LINE 4", 12, descriptor));
    const QByteArray request = tag + descriptor + QByteArray::fromHex("0f0380");
    const uint16_t before = device.device().configChangeCounter;

    HartFrame written = ask(18, request);
    EXPECT_EQ(written.responseCode, 0);
    EXPECT_EQ(written.data, request);
    EXPECT_TRUE(written.deviceStatus & DeviceStatus::ConfigurationChanged);
    EXPECT_EQ(device.device().configChangeCounter, before + 1);

    HartFrame read = ask(13);
    ASSERT_EQ(read.data.size(), 21);
    EXPECT_EQ(PackedAscii::unpack(read.data.left(6)), "FT-101  ");
    EXPECT_EQ(PackedAscii::unpack(read.data.mid(6, 12)).trimmed(), "ORIFICE LINE 4");
    HartDataReader date(QByteArrayView(read.data).sliced(18));
    EXPECT_EQ(date.date().toQDate(), QDate(2028, 3, 15));

    // Command 11 finds the device by its new tag, and stays silent for another one.
    HartFrame byTag;
    byTag.address = HartAddress::broadcast();
    byTag.command = 11;
    byTag.data = tag;
    EXPECT_FALSE(device.handlePdu(encodeHartFrame(byTag)).response.isEmpty());
    ASSERT_TRUE(PackedAscii::pack("OTHER", 6, byTag.data));
    EXPECT_TRUE(device.handlePdu(encodeHartFrame(byTag)).response.isEmpty());

    // The flag goes only for the master that resets it, and only with the right counter.
    const uint16_t counter = device.device().configChangeCounter;
    EXPECT_EQ(ask(38, HartDataWriter().u16(counter - 1).take()).responseCode, 9);
    HartFrame reset = ask(38, HartDataWriter().u16(counter).take());
    EXPECT_EQ(reset.responseCode, 0);
    EXPECT_FALSE(reset.deviceStatus & DeviceStatus::ConfigurationChanged);
    EXPECT_TRUE(ask(0, {}, false).deviceStatus & DeviceStatus::ConfigurationChanged);
}

TEST_F(Transmitter, SharedRulesAnswerBeforeTheHandler)
{
    EXPECT_EQ(ask(220).responseCode, ResponseCode::CommandNotImplemented);
    EXPECT_EQ(ask(18, QByteArray(20, '\0')).responseCode, ResponseCode::TooFewDataBytes);
    EXPECT_EQ(ask(35, QByteArray(8, '\0')).responseCode, ResponseCode::TooFewDataBytes);

    device.setBusyResponses(2);
    EXPECT_EQ(ask(1).responseCode, ResponseCode::Busy);
    const HartFrame busy = ask(3);
    EXPECT_EQ(busy.responseCode, ResponseCode::Busy);
    EXPECT_TRUE(busy.data.isEmpty());
    EXPECT_EQ(ask(1).responseCode, 0);
    device.injectResponseCode(ResponseCode::DeviceSpecificError);
    EXPECT_EQ(ask(13).responseCode, ResponseCode::DeviceSpecificError);
    EXPECT_EQ(device.injectedResponsesLeft(), 0);

    device.device().writeProtected = true;
    EXPECT_EQ(ask(17, QByteArray(24, '\0')).responseCode, ResponseCode::WriteProtected);
    EXPECT_EQ(ask(1).responseCode, 0);              // reads still work
    const QByteArray infoBytes = ask(15).data;
    HartDataReader info(infoBytes);
    info.bytes(15);
    EXPECT_EQ(info.u8(), 1);                         // write protect code
    device.device().writeProtected = false;
    device.device().accessRestricted = true;
    EXPECT_EQ(ask(44, QByteArray(1, 7)).responseCode, ResponseCode::AccessRestricted);
}

TEST_F(Transmitter, RangeCommandsCheckLimitsAndSpan)
{
    const uint8_t kPa = sim::UnitCode::KPa;
    auto range = [&](uint8_t units, float upper, float lower) {
        return ask(35, QByteArray(1, static_cast<char>(units)) + floats({upper, lower})).responseCode;
    };
    EXPECT_EQ(range(kPa, 20, 30), 9);      // lower above the upper sensor limit (25 kPa)
    EXPECT_EQ(range(kPa, 20, -30), 10);
    EXPECT_EQ(range(kPa, 30, 0), 11);
    EXPECT_EQ(range(kPa, -30, 0), 12);
    EXPECT_EQ(range(kPa, 30, -30), 13);
    EXPECT_EQ(range(kPa, 5, 5), 29);
    EXPECT_EQ(range(sim::UnitCode::DegC, 20, 0), ResponseCode::InvalidUnitsCode);
    EXPECT_EQ(device.device().pvUpperRange, 25.0); // nothing of that changed the range

    EXPECT_EQ(range(kPa, 10.2f, 10), 14);  // span below 0.5 kPa: accepted with a warning
    EXPECT_NEAR(device.device().pvUpperRange, 10.2, 1e-5);

    // Range in mbar lands in the same base values.
    EXPECT_EQ(range(sim::UnitCode::Mbar, 200, 0), 0);
    EXPECT_NEAR(device.device().pvUpperRange, 20.0, 1e-5);
    const QByteArray rBytes = ask(15).data;
    HartDataReader r(rBytes);
    r.bytes(2);
    EXPECT_EQ(r.u8(), kPa);
    EXPECT_NEAR(r.f32(), 20.0f, 1e-5);

    // PV units change; ranges follow without conversion on the caller's side.
    EXPECT_EQ(ask(44, QByteArray(1, static_cast<char>(sim::UnitCode::Mbar))).responseCode, 0);
    EXPECT_EQ(ask(44, QByteArray(1, static_cast<char>(sim::UnitCode::DegC))).responseCode, ResponseCode::InvalidSelection);
    const QByteArray pvBytes = ask(1).data;
    HartDataReader pv(pvBytes);
    EXPECT_EQ(pv.u8(), sim::UnitCode::Mbar);
    EXPECT_NEAR(pv.f32(), 125.0f, 1e-3);

    // Push-button ranging: present PV 12.5 kPa becomes the lower range value;
    // the upper one (20 + 12.5) stops at the 25 kPa limit with a warning.
    EXPECT_EQ(ask(37).responseCode, 14);
    EXPECT_NEAR(device.device().pvLowerRange, 12.5, 1e-6);
    EXPECT_NEAR(device.device().pvUpperRange, 25.0, 1e-6);
    EXPECT_EQ(ask(36).responseCode, 29); // upper equal to lower
    device.process().setOverride(sim::Variable::DifferentialPressure, 30.0);
    EXPECT_EQ(ask(36).responseCode, 9);
    EXPECT_TRUE(ask(0).deviceStatus & DeviceStatus::PrimaryVariableOutOfLimits);
}

TEST_F(Transmitter, LoopCurrentModesAndTrims)
{
    EXPECT_EQ(ask(40, floats({25.0f})).responseCode, ResponseCode::ParameterTooLarge);
    EXPECT_EQ(ask(40, floats({1.0f})).responseCode, ResponseCode::ParameterTooSmall);
    EXPECT_EQ(ask(45, floats({4.0f})).responseCode, 9); // not fixed at 4 mA
    EXPECT_EQ(ask(40, floats({4.0f})).responseCode, 0);
    EXPECT_TRUE(ask(0).deviceStatus & DeviceStatus::LoopCurrentFixed);
    EXPECT_EQ(ask(45, floats({4.7f})).responseCode, ResponseCode::ParameterTooLarge);
    EXPECT_EQ(ask(45, floats({4.1f})).responseCode, 0);
    EXPECT_EQ(ask(40, floats({0.0f})).responseCode, 0);
    EXPECT_FALSE(ask(0).deviceStatus & DeviceStatus::LoopCurrentFixed);

    // Multidrop: address 5 without loop current.
    EXPECT_EQ(ask(6, QByteArray::fromHex("4000")).responseCode, 2);
    EXPECT_EQ(ask(6, QByteArray::fromHex("0502")).responseCode, 12);
    EXPECT_EQ(ask(6, QByteArray::fromHex("0500")).responseCode, 0);
    const QByteArray loopBytes = ask(7).data;
    HartDataReader loop(loopBytes);
    EXPECT_EQ(loop.u8(), 5);
    EXPECT_EQ(loop.u8(), 0);
    EXPECT_EQ(ask(40, floats({12.0f})).responseCode, 11);
    HartFrame poll;
    poll.address = HartAddress::polling(5);
    EXPECT_FALSE(device.handlePdu(encodeHartFrame(poll)).response.isEmpty());

    // A reset brings the cold start back.
    EXPECT_EQ(ask(42).responseCode, 0);
    EXPECT_TRUE(ask(0).deviceStatus & DeviceStatus::ColdStart);
}

TEST_F(Transmitter, DeviceVariableCommands)
{
    // 9: DP, loop current, an unknown code; the unknown slot warns and carries NaN.
    HartFrame nine = ask(9, QByteArray::fromHex("00f5" "10"));
    EXPECT_EQ(nine.responseCode, 8);
    ASSERT_EQ(nine.data.size(), 1 + 3 * 8 + 4);
    HartDataReader r(nine.data);
    r.u8();
    EXPECT_EQ(r.u8(), 0);
    EXPECT_EQ(r.u8(), sim::Classification::Pressure);
    EXPECT_EQ(r.u8(), sim::UnitCode::KPa);
    EXPECT_FLOAT_EQ(r.f32(), 12.5f);
    EXPECT_EQ(r.u8(), sim::VariableStatus::Good);
    EXPECT_EQ(r.u8(), 245);
    r.bytes(7);
    EXPECT_EQ(r.u8(), 0x10);
    r.bytes(2);
    EXPECT_EQ(floatToBits(r.f32()), kHartNaNBits);

    EXPECT_EQ(ask(33, QByteArray::fromHex("0302")).data.size(), 12);
    EXPECT_EQ(ask(33, QByteArray::fromHex("07")).responseCode, ResponseCode::InvalidSelection);

    EXPECT_EQ(ask(53, QByteArray::fromHex("0221")).responseCode, 0); // temperature in degF
    const QByteArray tBytes = ask(33, QByteArray::fromHex("02")).data;
    HartDataReader t(tBytes);
    t.u8();
    EXPECT_EQ(t.u8(), sim::UnitCode::DegF);
    EXPECT_NEAR(t.f32(), 68.0f, 1e-4);
    EXPECT_EQ(ask(53, QByteArray::fromHex("0207")).responseCode, ResponseCode::InvalidSelection);
    EXPECT_EQ(ask(53, QByteArray::fromHex("0907")).responseCode, ResponseCode::InvalidDeviceVariable);

    HartFrame info = ask(54, QByteArray::fromHex("02"));
    ASSERT_EQ(info.data.size(), 28);
    HartDataReader i(info.data);
    i.bytes(4);
    i.u8();
    EXPECT_NEAR(i.f32(), 185.0f, 1e-3);   // 85 degC upper limit in degF
    EXPECT_NEAR(i.f32(), -40.0f, 1e-3);

    EXPECT_EQ(ask(34, floats({40.0f})).responseCode, ResponseCode::ParameterTooLarge);
    EXPECT_EQ(ask(34, floats({0.25f})).responseCode, 8);   // set to the nearest 0.1 s
    EXPECT_EQ(ask(59, QByteArray(1, 21)).responseCode, ResponseCode::ParameterTooLarge);
}

TEST_F(Transmitter, TransferFunctionsOfTheDevice)
{
    // 12.5 kPa of 0..25 kPa: half the range.
    auto percent = [&] {
        const QByteArray bytes = ask(2).data;
        HartDataReader r(bytes);
        r.f32();
        return r.f32();
    };
    EXPECT_EQ(ask(47, QByteArray(1, 1)).responseCode, 0);
    EXPECT_NEAR(percent(), 100.0 * std::sqrt(0.5), 1e-3);
    EXPECT_EQ(ask(47, QByteArray(1, 2)).responseCode, 0);   // square root third power
    EXPECT_NEAR(percent(), 100.0 * std::pow(0.5, 1.5), 1e-3);
    EXPECT_EQ(ask(47, QByteArray(1, 3)).responseCode, 0);   // square root fifth power
    EXPECT_NEAR(percent(), 100.0 * std::pow(0.5, 2.5), 1e-3);
    for (uint8_t code : {4, 160, 241, 242})
        EXPECT_EQ(ask(47, QByteArray(1, static_cast<char>(code))).responseCode, 0) << int(code);
    EXPECT_NEAR(percent(), 50.0, 1e-3);   // no tank shape in the simulator: linear
    for (uint8_t code : {5, 159, 240, 250}) {
        EXPECT_EQ(ask(47, QByteArray(1, static_cast<char>(code))).responseCode, ResponseCode::InvalidSelection)
            << int(code);
    }
    EXPECT_EQ(device.device().transferFunction, 242);
    const QByteArray infoBytes = ask(15).data;
    EXPECT_EQ(static_cast<uint8_t>(infoBytes[1]), 242);
}

TEST_F(Transmitter, AdditionalStatusClearsMoreStatusAvailable)
{
    device.process().setOverride(sim::Variable::Temperature, 120.0);
    EXPECT_TRUE(ask(0).deviceStatus & DeviceStatus::MoreStatusAvailable);
    EXPECT_TRUE(ask(0).deviceStatus & DeviceStatus::NonPrimaryVariableOutOfLimits);
    HartFrame status = ask(48);
    ASSERT_EQ(status.data.size(), 18);
    // The temperature in the extended diagnosis, and in the main diagnosis a
    // measurement fault and an extension that holds a condition.
    using namespace sim::DeviceSpecificStatus;
    EXPECT_EQ(static_cast<uint8_t>(status.data[TemperatureByte]), TemperatureOutOfLimits);
    EXPECT_EQ(static_cast<uint8_t>(status.data[0]), 0u);
    EXPECT_EQ(static_cast<uint8_t>(status.data[sim::Diagnosis::FirstByte]), sim::Diagnosis::Measurement);
    EXPECT_EQ(static_cast<uint8_t>(status.data[sim::Diagnosis::FirstByte + 3]), sim::Diagnosis::ExtensionAvailable);
    EXPECT_FALSE(ask(0).deviceStatus & DeviceStatus::MoreStatusAvailable);
    EXPECT_TRUE(ask(0, {}, false).deviceStatus & DeviceStatus::MoreStatusAvailable);

    // The fixed current mode shows in device-specific byte 3 (bit 0x10) and in
    // the standardized "analog channel fixed" byte; it changes the status again.
    using sim::DeviceSpecificStatus::FixedCurrentByte;
    using sim::DeviceSpecificStatus::FixedCurrentMode;
    EXPECT_EQ(status.data[FixedCurrentByte] & FixedCurrentMode, 0);
    EXPECT_EQ(ask(40, floats({12.0f})).responseCode, 0);
    EXPECT_TRUE(ask(0).deviceStatus & DeviceStatus::MoreStatusAvailable);
    const QByteArray fixed = ask(48).data;
    EXPECT_EQ(fixed[FixedCurrentByte] & FixedCurrentMode, FixedCurrentMode);
    EXPECT_EQ(fixed[13], 0x01);
    EXPECT_EQ(fixed[sim::DeviceSpecificStatus::DataSaveByte] & sim::DeviceSpecificStatus::DataSaveRunning, 0);
    EXPECT_EQ(ask(40, floats({0.0f})).responseCode, 0);
    EXPECT_EQ(ask(48).data[FixedCurrentByte] & FixedCurrentMode, 0);

    // An EEPROM fault: extended diagnosis, standardized status 0 and the main diagnosis's memory checksum.
    device.device().eepromFault = true;
    const QByteArray faulty = ask(48).data;
    EXPECT_EQ(faulty[EepromByte] & EepromFault, EepromFault);
    EXPECT_EQ(faulty[8] & 0x02, 0x02);
    EXPECT_EQ(faulty[sim::Diagnosis::FirstByte] & sim::Diagnosis::MemoryChecksum, sim::Diagnosis::MemoryChecksum);
}

TEST_F(Transmitter, BadFramesAreAnsweredOrIgnoredButNeverTrusted)
{
    HartFrame request;
    request.address = device.uniqueAddress();
    request.command = 1;
    QByteArray bytes = encodeHartFrame(request);
    bytes.back() = static_cast<char>(bytes.back() ^ 0x55);
    const sim::PduResult corrupt = device.handlePdu(bytes);
    const HartDecodeResult r = decodeHartFrame(corrupt.response);
    ASSERT_TRUE(r.ok());
    EXPECT_EQ(r.frame.responseCode, 0x88); // communication error: checksum
    EXPECT_TRUE(r.frame.data.isEmpty());

    request.address = HartAddress::unique(0x1234, 0x000001);
    EXPECT_TRUE(device.handlePdu(encodeHartFrame(request)).response.isEmpty());
    EXPECT_TRUE(device.handlePdu(QByteArray::fromHex("82a071")).response.isEmpty());
    request.address = device.uniqueAddress();
    request.type = HartFrameType::Response;
    EXPECT_TRUE(device.handlePdu(encodeHartFrame(request)).response.isEmpty());
}

TEST(CommandTable, EveryCommandIsListedOnce)
{
    std::set<int> seen;
    for (auto table : {sim::universalCommands(), sim::commonPracticeCommands(), sim::deviceSpecificCommands()})
        for (const sim::CommandEntry& entry : table) {
            EXPECT_TRUE(seen.insert(entry.number).second) << int(entry.number);
            EXPECT_NE(entry.handler, nullptr);
        }
    for (int n : {0, 1, 2, 3, 6, 7, 8, 9, 11, 12, 13, 14, 15, 16, 17, 18, 19, 20, 22, 38, 48,
                  33, 34, 35, 36, 37, 40, 41, 42, 44, 45, 46, 47, 53, 54, 59,
                  128, 129, 132, 133, 134, 135})
        EXPECT_TRUE(seen.count(n)) << n;
    // Reserved by the device: no handler may take them.
    for (int n : {130, 131, 223, 225, 227, 228, 248, 249})
        EXPECT_FALSE(seen.count(n)) << n;
    for (const sim::CommandEntry& entry : sim::deviceSpecificCommands())
        EXPECT_GE(entry.number, 128);
}
