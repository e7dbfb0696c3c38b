// The data bag's channel list.
#include "fennick/dataset/clsDataBag.h"
#include "tests/common/TraceCapture.h"
#include <gtest/gtest.h>

namespace {

TEST(DataBag, ChannelIndicesRunFromOneToTheCount)
{
    TraceCapture traces;
    clsDataBag bag;
    bag.SetChannelCount(3);
    bag.SetChannelData(3, QStringLiteral("<C3/>"));
    EXPECT_EQ(bag.ChannelData(3), QStringLiteral("<C3/>"));
    EXPECT_EQ(bag.ChannelData(0), QString());
    EXPECT_EQ(bag.ChannelData(4), QString());
    bag.SetChannelData(4, QStringLiteral("<C4/>"));
    EXPECT_EQ(bag.ChannelCount(), 3);
    EXPECT_TRUE(traces.contains(QStringLiteral("clsDataBag.ChannelData (get) : Invalid index")));
    EXPECT_TRUE(traces.contains(QStringLiteral("clsDataBag.ChannelData (let): Invalid index")));
}

TEST(DataBag, ShrinkingKeepsTheFirstTextsAndZeroEmpties)
{
    clsDataBag bag;
    bag.SetChannelCount(3);
    for (int i = 1; i <= 3; ++i)
        bag.SetChannelData(i, QStringLiteral("<C%1/>").arg(i));
    bag.SetChannelCount(2);
    EXPECT_EQ(bag.ChannelData(1), QStringLiteral("<C1/>"));
    EXPECT_EQ(bag.ChannelData(2), QStringLiteral("<C2/>"));
    bag.SetChannelCount(0);
    bag.SetChannelCount(2);
    EXPECT_EQ(bag.ChannelData(1), QString());
    EXPECT_EQ(bag.ChannelData(2), QString());
    bag.SetChannelCount(-5);
    EXPECT_EQ(bag.ChannelCount(), 0);
}

} // namespace
