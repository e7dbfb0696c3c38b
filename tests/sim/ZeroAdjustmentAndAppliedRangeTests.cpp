// The zero adjustment of a tilted sensor takes the differential pressure read
// now off every later reading, and refuses a zero beyond the sensor's limits;
// the range set from the applied pressure takes
// that corrected reading; the converter's digitisation items take the slider
// steps the pages write and refuse anything beyond them.
#include "platform/comm/hart/HartStatus.h"
#include "sim/SensorTrim.h"
#include "tests/sim/TransmitterFixture.h"
#include <QTemporaryDir>
#include <gtest/gtest.h>
#include <utility>

using namespace comm;
using simtest::Transmitter;
using simtest::commandOf;
using simtest::requestOf;
using simtest::writerOf;

namespace {

namespace RC = comm::ResponseCode;

class ZeroAndRange : public Transmitter {
protected:
    float pvAt(double applied)
    {
        device.setAppliedValue(sim::Measured::DifferentialPressure, applied);
        const QByteArray data = ask(1).data;
        HartDataReader r(data);
        r.u8();
        return r.f32();
    }
    float percentOfRange()
    {
        const QByteArray data = ask(2).data;
        HartDataReader r(data);
        r.f32();
        return r.f32();
    }
    // Command 15's upper and lower range value.
    std::pair<float, float> range()
    {
        const QByteArray data = ask(15).data;
        HartDataReader r(data);
        r.bytes(3);
        const float upper = r.f32();
        return {upper, r.f32()};
    }
    uint8_t zeroAdjust()
    {
        const sim::DescribedCommand* command = commandOf(device, QStringLiteral("Write_SecondaryVariable1Zero"));
        EXPECT_NE(command, nullptr);
        return command ? ask(static_cast<uint8_t>(command->number)).responseCode : 0xFF;
    }
};

} // namespace

TEST_F(ZeroAndRange, TheZeroAdjustmentShiftsEveryLaterReadingAndTheRangeEndsTakeTheCorrectedValue)
{
    const float before = pvAt(1.5);
    ASSERT_NE(before, 0.0f);
    ASSERT_EQ(zeroAdjust(), RC::Success);
    EXPECT_NEAR(pvAt(1.5), 0.0f, 1e-4) << "the reading at the adjustment is the new zero";
    const float step = pvAt(2.5);
    EXPECT_GT(step, 0.0f);
    // A second adjustment adds to the first.
    ASSERT_EQ(zeroAdjust(), RC::Success);
    EXPECT_NEAR(pvAt(2.5), 0.0f, 1e-4);
    EXPECT_NEAR(pvAt(1.5), -step, 1e-3);

    // The lower range value from the applied pressure: the present reading becomes 0 %.
    const float reading = pvAt(4.0);
    ASSERT_NE(comm::responseCodeClass(ask(37).responseCode), comm::ResponseCodeClass::Error)
        << "the upper end may stop at the sensor limit";
    EXPECT_NEAR(percentOfRange(), 0.0f, 1e-3);
    const auto [upper, lower] = range();
    EXPECT_NEAR(lower, reading, 1e-3);
    // The upper range value from a higher pressure: that reading is 100 %.
    const float high = pvAt(9.0);
    ASSERT_NE(comm::responseCodeClass(ask(36).responseCode), comm::ResponseCodeClass::Error)
        << "a span warning at most";
    EXPECT_NEAR(percentOfRange(), 100.0f, 1e-2);
    EXPECT_NEAR(range().first, high, 1e-3);
    EXPECT_NE(upper, high);
}

TEST_F(ZeroAndRange, AZeroBeyondTheSensorLimitsIsRefusedAndTheMemoryStaysOneTheDeviceReads)
{
    QTemporaryDir dir;
    const QString memory = dir.filePath(QStringLiteral("nvm.json"));
    QString error;
    ASSERT_TRUE(device.setMemoryFile(memory, error));
    // The differential pressure input simulated far beyond the sensor.
    for (const auto& [item, value] : {std::pair{"mvInDPSimulateValue", QVariant(2e11f)}, std::pair{"mvInDPSimulateEnabled", QVariant(1)}}) {
        const sim::DescribedCommand* writer = writerOf(device, QLatin1String(item));
        ASSERT_NE(writer, nullptr);
        ASSERT_EQ(ask(static_cast<uint8_t>(writer->number), requestOf(device, *writer, QLatin1String(item), value)).responseCode,
                  RC::Success);
    }
    EXPECT_EQ(zeroAdjust(), 9);   // applied process too high
    EXPECT_EQ(device.device().pressureZeroOffset, 0.0);

    sim::SimTransmitter again;
    ASSERT_TRUE(again.setMemoryFile(memory, error)) << error.toStdString();
    EXPECT_EQ(again.device().pressureZeroOffset, 0.0);
}

TEST_F(ZeroAndRange, TheDigitisationItemsTakeTheSliderStepsAndRefuseOthers)
{
    struct Case {
        const char* item;
        uint32_t value;
        bool taken;
    };
    const Case cases[] = {
        {"measIntegrationTimeADC", 1, true},  {"measIntegrationTimeADC", 13, true},
        {"measIntegrationTimeADC", 0, false}, {"measIntegrationTimeADC", 14, false},
        {"thresholdTimeADC", 1, true},        {"thresholdTimeADC", 200, true},
        {"thresholdTimeADC", 201, false},
    };
    for (const Case& c : cases) {
        const QString item = QLatin1String(c.item);
        const sim::DescribedCommand* command = writerOf(device, item);
        ASSERT_NE(command, nullptr) << c.item;
        const QVariant before = device.parameters().value(item);
        const uint8_t code = ask(static_cast<uint8_t>(command->number), requestOf(device, *command, item, c.value))
                                 .responseCode;
        if (c.taken) {
            EXPECT_EQ(code, RC::Success) << c.item << " " << c.value;
            EXPECT_EQ(device.parameters().value(item).toUInt(), c.value);
        } else {
            EXPECT_NE(code, RC::Success) << c.item << " " << c.value;
            EXPECT_EQ(device.parameters().value(item), before) << "a refused value changes nothing";
        }
    }
}
