// A download the device cuts off after the first writes: the device is not
// left unlocked, and the failure says what was written before.
#include "tests/corvane/TransferSupport.h"
#include "fennick/fdt/clsFunctionConnect.h"
#include "platform/comm/hart/HartStatus.h"

namespace {

using transfertest::TransferRoad;
using transfertest::Variant;

const Variant kDefault{"rev21_mv_on_linear_137", 137, 21, true, false, {}};

class ACutOffDownload : public TransferRoad {
protected:
    void SetUp() override { Start(kDefault); }
    QVariant DeviceLock() { return device.transmitter().parameters().value(QStringLiteral("pbWriteLock")); }
};

TEST_F(ACutOffDownload, WritesTheLockAgainAndNamesTheRecordsItWrote)
{
    if (HasFatalFailure())
        return;
    ASSERT_EQ(Dtm()->ConnectObject()->Connect(), 0);
    ASSERT_TRUE(WaitUntil([&] { return Status() == DtmStatus::Online; }));
    ASSERT_TRUE(WaitUntil([&] { return Ran().contains(QStringLiteral("GetDeviceInfo")) && Text(QStringLiteral("currentSequence")).isEmpty(); }));
    Put(QStringLiteral("pbWriteLock"), QStringLiteral("1"));
    ASSERT_TRUE(Download(QStringLiteral("D1")));
    ASSERT_EQ(DeviceLock().toUInt(), 1u);
    ASSERT_TRUE(Unlocked());

    // The physical block's record is refused once, after the universal commands were written.
    device.transmitter().injectResponseCode(comm::ResponseCode::ParameterTooLarge, 1, 137);
    ASSERT_TRUE(Download(QStringLiteral("D2"), false)) << frame->Events().Texts().join('\n').toStdString();
    EXPECT_TRUE(Unlocked());
    EXPECT_EQ(Text(QStringLiteral("XXXTransferCompletedXXX")), QStringLiteral("2"));
    EXPECT_EQ(DeviceLock().toUInt(), 1u);
    const QString reason = Text(QStringLiteral("XXXTransferFailureXXX"));
    EXPECT_TRUE(reason.contains(QStringLiteral("written before: Write_Unlock, Write_018, Write_017"))) << reason.toStdString();
    EXPECT_TRUE(reason.contains(QStringLiteral("the write lock was written again"))) << reason.toStdString();
}

} // namespace
