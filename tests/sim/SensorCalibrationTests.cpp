// The sensor trim through HART frames: a calibration point takes the value
// applied now as the reference entered, every reading follows, the trim is
// kept across a restart, and a point the sensor cannot take is refused with
// nothing changed. The static pressure unit is one value whichever command
// reads or writes it.
#include "platform/comm/hart/HartStatus.h"
#include "sim/SimOptions.h"
#include "sim/SimUnits.h"
#include "tests/sim/TransmitterFixture.h"
#include <QTemporaryDir>
#include <gtest/gtest.h>

using namespace comm;
using simtest::Transmitter;
using simtest::commandOf;
using simtest::requestOf;

namespace {

namespace RC = comm::ResponseCode;

class SensorCalibration : public Transmitter {
protected:
    // Writes the calibration record with the reference in the unit, the
    // differential pressure applied at that value (kPa).
    HartFrame calibrate(const char* record, const char* unitItem, uint8_t unit, const char* referenceItem,
                        float reference)
    {
        const sim::DescribedCommand* command = commandOf(device, QLatin1String(record));
        EXPECT_NE(command, nullptr) << record;
        if (!command)
            return {};
        EXPECT_EQ(device.parameters().set(QLatin1String(unitItem), QVariant(uint(unit))), RC::Success);
        return ask(static_cast<uint8_t>(command->number),
                   requestOf(device, *command, QLatin1String(referenceItem), reference));
    }
    HartFrame pressurePoint(const char* end, double applied, float reference)
    {
        device.setAppliedValue(sim::Measured::DifferentialPressure, applied);
        const QByteArray record = QByteArray("Write_PtrbCalPoint") + end;
        const QByteArray item = QByteArray("ptrbCalPoint") + end;
        return calibrate(record.constData(), "ptrbCalUnit", sim::UnitCode::KPa, item.constData(), reference);
    }
    float pvAt(double applied)
    {
        device.setAppliedValue(sim::Measured::DifferentialPressure, applied);
        const QByteArray data = ask(1).data;
        HartDataReader r(data);
        r.u8();
        return r.f32();
    }
};

} // namespace

TEST_F(SensorCalibration, TwoPointsMoveThePressureOntoTheReferencesAndSurviveARestart)
{
    QTemporaryDir dir;
    sim::VariantOptions options;
    options.memory = dir.filePath("memory.json");
    QString error;
    ASSERT_TRUE(sim::applyVariant(device, options, error)) << error.toStdString();

    ASSERT_EQ(pressurePoint("Lo", 5.0, 5.2f).responseCode, RC::Success);
    EXPECT_NEAR(pvAt(5.0), 5.2f, 1e-4);
    EXPECT_NEAR(pvAt(20.0), 20.2f, 1e-4) << "one point shifts";
    ASSERT_EQ(pressurePoint("Hi", 20.0, 19.6f).responseCode, RC::Success);
    EXPECT_NEAR(pvAt(5.0), 5.2f, 1e-4);
    EXPECT_NEAR(pvAt(20.0), 19.6f, 1e-4);
    EXPECT_NEAR(pvAt(12.5), 12.4f, 1e-4) << "the line through both points";
    // The other readings follow: device variables, the loop current (0 to 25 kPa), the block's value.
    const QByteArray nine = ask(9, QByteArray::fromHex("00")).data;
    HartDataReader r9(nine);
    r9.bytes(4);
    EXPECT_NEAR(r9.f32(), 12.4f, 1e-4);
    const QByteArray loop = ask(2).data;
    HartDataReader r2(loop);
    EXPECT_NEAR(r2.f32(), 4.0f + 16.0f * 12.4f / 25.0f, 1e-4);
    EXPECT_NEAR(reported("ptrbSecondaryValue1").toFloat(), 12.4f, 1e-4);
    EXPECT_NEAR(reported("ptrbCalPointLo").toFloat(), 5.2f, 1e-4);
    EXPECT_NEAR(reported("ptrbCalPointHi").toFloat(), 19.6f, 1e-4);

    sim::SimTransmitter restarted;
    restarted.freezeProcessTime(0);
    ASSERT_TRUE(sim::applyVariant(restarted, options, error)) << error.toStdString();
    restarted.setAppliedValue(sim::Measured::DifferentialPressure, 20.0);
    EXPECT_NEAR(restarted.processValues().dp(), 19.6, 1e-4);
}

TEST_F(SensorCalibration, APointTheSensorCannotTakeIsRefusedAndChangesNothing)
{
    ASSERT_EQ(pressurePoint("Lo", 5.0, 5.0f).responseCode, RC::Success);
    const QVariant upperBefore = device.parameters().value("ptrbCalPointHi");
    struct Case {
        const char* what;
        double applied;
        float reference;
        uint8_t code;
    } cases[] = {
        {"reference above the sensor limit", 20.0, 30.0f, 9},
        {"reference below the sensor limit", 20.0, -30.0f, 10},
        {"applied above the sensor limit", 26.0, 20.0f, 9},
        {"points closer than the minimum span", 5.2, 5.3f, 29},
        {"a falling line", 20.0, 1.0f, 11},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        const HartFrame answer = pressurePoint("Hi", c.applied, c.reference);
        EXPECT_EQ(answer.responseCode, c.code);
        EXPECT_TRUE(answer.data.isEmpty());
        EXPECT_EQ(device.parameters().value("ptrbCalPointHi"), upperBefore);
    }
    EXPECT_NEAR(pvAt(20.0), 20.0f, 1e-4) << "the readings keep the lower point only";

    // The static pressure: a unit of another kind is refused as well (its
    // list holds pressure units only, so it comes in the request alone).
    device.setAppliedValue(sim::Measured::StaticPressure, 1000.0);
    const sim::DescribedCommand* staticPoint = commandOf(device, QStringLiteral("Write_PtrbStaticPressureCalPointLo"));
    ASSERT_NE(staticPoint, nullptr);
    QByteArray request = requestOf(device, *staticPoint, QStringLiteral("ptrbStaticPressureCalPointLo"), 10.0f);
    request[0] = static_cast<char>(sim::UnitCode::DegC);
    const HartFrame refused = ask(static_cast<uint8_t>(staticPoint->number), request);
    EXPECT_NE(refused.responseCode, RC::Success);
    EXPECT_TRUE(refused.data.isEmpty());
    EXPECT_EQ(device.device().staticPressure().units, sim::UnitCode::Bar);
    EXPECT_EQ(reported("ptrbStaticPressureScaleInUnit").toUInt(), sim::UnitCode::Bar);
}

TEST_F(SensorCalibration, TheStaticPressureUnitIsOneValueForEveryCommand)
{
    // The unit written for the device variable (53) is the unit the calibration points read (169) ...
    ASSERT_EQ(ask(53, QByteArray::fromHex("010c")).responseCode, RC::Success);
    EXPECT_EQ(reported("ptrbStaticPressureScaleInUnit").toUInt(), sim::UnitCode::KPa);
    // ... and a calibration in another unit changes the range's unit (132).
    device.setAppliedValue(sim::Measured::StaticPressure, 1000.0);
    ASSERT_EQ(calibrate("Write_PtrbStaticPressureCalPointLo", "ptrbStaticPressureScaleInUnit", sim::UnitCode::Mbar,
                        "ptrbStaticPressureCalPointLo", 10100.0f).responseCode,
              RC::Success);
    const QByteArray range = ask(132).data;
    ASSERT_FALSE(range.isEmpty());
    EXPECT_EQ(static_cast<uint8_t>(range[0]), sim::UnitCode::Mbar);
    const QByteArray secondary = ask(3).data.mid(9);
    HartDataReader sv(secondary);
    EXPECT_EQ(sv.u8(), sim::UnitCode::Mbar);
    EXPECT_NEAR(sv.f32(), 10100.0f, 1e-2) << "1000 kPa read as 1010 kPa";
}
