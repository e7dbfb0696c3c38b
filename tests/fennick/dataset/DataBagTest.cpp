// The data bag's channel list and the data manager's record of the frame's
// lock owner.
#include "fennick/dataset/clsDataBag.h"
#include "fennick/dataset/clsDataManager.h"
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

TEST(DataManager, OnlyTheLockOwnerUnlocksWhileOneIsRecorded)
{
    TraceCapture traces;
    clsDataManager data;
    data.OnLockDataSet(QStringLiteral("Anna"));
    EXPECT_TRUE(data.IsDataSetLocked());
    data.OnUnlockDataSet(QStringLiteral("Bert"));
    EXPECT_TRUE(data.IsDataSetLocked());
    EXPECT_TRUE(traces.contains(QStringLiteral("Unlocking data set not allowed for: Bert")));
    data.OnUnlockDataSet(QStringLiteral("Anna"));
    EXPECT_FALSE(data.IsDataSetLocked());
    traces.clear();
    data.OnUnlockDataSet(QString());
    EXPECT_TRUE(traces.contains(QStringLiteral("Data set unlocked by : Unknown user")));
}

TEST(DataManager, StatesAreUndefinedWithoutADataset)
{
    TraceCapture traces;
    clsDataManager data;
    EXPECT_EQ(data.GetStorageState(), QStringLiteral("Undefined"));
    EXPECT_TRUE(traces.contains(QStringLiteral("privXMLDataCache Is Nothing")));
    EXPECT_TRUE(data.IDtmParameterExt_SetParameters(QString(), QStringLiteral("<FDT/>")));
    data.SetDataSetStates(QStringLiteral("transient"), QString());
    data.SetDataSetStates(QString(), QStringLiteral("validModified "));
    EXPECT_EQ(data.GetStorageState(), QStringLiteral("transient"));
    EXPECT_EQ(data.GetDataSetState(), QStringLiteral("validModified "));
}

} // namespace
