// The user curve written point by point: each point lands after the last one
// written since the whole table was written, and only while the table has room.
#include "TransmitterFixture.h"
#include "platform/comm/hart/HartStatus.h"

namespace {

using namespace simtest;
using comm::ResponseCode::InvalidSelection;

constexpr uint8_t kWritePoint = 186;

QString TablePoint(const char* axis, int k)
{
    return QStringLiteral("ptrbTab%1Value_%2").arg(QLatin1String(axis)).arg(k, 2, 10, QLatin1Char('0'));
}

TEST_F(Transmitter, CurvePointsFollowTheTableWriteUntilTheTableIsFull)
{
    sim::DeviceParameters& parameters = device.parameters();
    // Before any table write there is no transfer to go on with.
    EXPECT_EQ(ask(kWritePoint, floats({5.0f, 6.0f})).responseCode, InvalidSelection);
    EXPECT_EQ(parameters.value(TablePoint("X", 2)).toFloat(), 0.0f);

    const sim::DescribedCommand* table = writerOf(device, QStringLiteral("ptrbTabActualNumber"));
    ASSERT_NE(table, nullptr);
    ASSERT_EQ(ask(static_cast<uint8_t>(table->number), requestOf(device, *table, QStringLiteral("ptrbTabActualNumber"), 3))
                  .responseCode,
              0);
    const comm::HartFrame first = ask(kWritePoint, floats({20.0f, 21.0f}));
    EXPECT_EQ(first.responseCode, 0);
    EXPECT_EQ(first.data, floats({20.0f, 21.0f}));
    EXPECT_EQ(parameters.value(TablePoint("X", 2)).toFloat(), 20.0f);
    EXPECT_EQ(parameters.value(TablePoint("Y", 2)).toFloat(), 21.0f);
    for (int k = 3; k <= 22; ++k)
        ASSERT_EQ(ask(kWritePoint, floats({10.0f * k, 10.0f * k + 1})).responseCode, 0) << k;
    EXPECT_EQ(parameters.value(TablePoint("Y", 22)).toFloat(), 221.0f);
    // Full: refused, and nothing changes.
    EXPECT_EQ(ask(kWritePoint, floats({230.0f, 231.0f})).responseCode, InvalidSelection);
    EXPECT_EQ(parameters.value(QStringLiteral("ptrbTabXValue")).toFloat(), 220.0f);
    EXPECT_EQ(parameters.value(TablePoint("X", 3)).toFloat(), 30.0f);
}

} // namespace
