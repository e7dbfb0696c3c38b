// A device of revision 19 can be busy while it saves its data. Once it has
// written a record, the upload chain switches its burn delay on after every
// step; switching the delay off lets the device save, and the data-burn watch
// polls until the save has begun and ended. A late run of the burn-delay
// sequence continues no finished upload.
#include "tests/corvane/TransferSupport.h"
#include "tests/corvane/SequenceForcing.h"
#include "corvane/frame/clsHandleDataBurn.h"
#include "corvane/frame/ctlBurnDelayHandler.h"
#include "corvane/frame/frmRecordItemHandler.h"
#include "pioextensions/clsSequenceItem.h"
#include "pioextensions/enmRegMask.h"
#include "corvane/frame/AbortRequest.h"
#include "fennick/fdt/clsFunctionConnect.h"

namespace {

using transfertest::TransferRoad;
using transfertest::Variant;

const Variant kRevision19{"rev19_mv_on_linear_137", 137, 19, true, false, {}};

class BurnDelay : public TransferRoad {
protected:
    void SetUp() override
    {
        Start(kRevision19);
        // The device's save takes its time in earnest.
        device.transmitter().freezeProcessTime(std::nullopt);
    }

    std::shared_ptr<clsStartAlwaysView> FrameView() const
    {
        for (const auto& view : manager->RegisteredViews())
            if (auto frameView = std::dynamic_pointer_cast<clsStartAlwaysView>(view))
                return frameView;
        return nullptr;
    }
    ctlBurnDelayHandler* Handler() const
    {
        return FrameView()->HostForm()->findChild<ctlBurnDelayHandler*>(ctlBurnDelayHandler::kObjectName);
    }
    std::shared_ptr<clsHandleDataBurn> DataBurn() const
    {
        return std::dynamic_pointer_cast<clsHandleDataBurn>(FrameView()->Components().Item(QStringLiteral("clsHandleDataBurn")));
    }
    // Forces a sequence as the device user interface would: again while the host is busy.
    void Force(const QString& name) { corvanetest::ForceSequence(manager, name); }
};

TEST_F(BurnDelay, AWrittenRecordMakesTheUploadSwitchTheDelayOnAfterEveryStepAndTheDataBurnIsWatched)
{
    if (HasFatalFailure())
        return;
    ASSERT_EQ(Dtm()->ConnectObject()->Connect(), 0);
    ASSERT_TRUE(WaitUntil([&] { return Status() == DtmStatus::Online && Ran().contains(QStringLiteral("GetDeviceInfo"))
                                       && Text(QStringLiteral("currentSequence")).isEmpty(); }));
    EXPECT_FALSE(Handler()->TimerEnabled());

    // The device writes a record: from now on its delay is kept alive.
    Force(QStringLiteral("SetEnableBurnDelay1"));
    ASSERT_TRUE(WaitUntil([&] { return Chain()->BurnDelayPending(); }));
    EXPECT_TRUE(Handler()->TimerEnabled());
    ASSERT_TRUE(WaitUntil([&] { return Text(QStringLiteral("currentSequence")).isEmpty(); }));

    log->changes.clear();
    ASSERT_TRUE(Upload(QStringLiteral("U1")));
    const QString delay = QStringLiteral("SetEnableBurnDelay");
    EXPECT_EQ(Ran(), QStringList({"upload", delay, "upload_Revision20", delay, "uploadMv_Revision20", delay,
                                  "uploadTtrb", delay, "uploadMv", delay, "UploadCompleted"}));
    ASSERT_TRUE(Unlocked());

    // A later run of the delay sequence continues nothing.
    ASSERT_EQ(Dtm()->ConnectObject()->Connect(), 0);
    ASSERT_TRUE(WaitUntil([&] { return Status() == DtmStatus::Online && Text(QStringLiteral("currentSequence")).isEmpty(); }));
    log->changes.clear();
    Force(delay);
    ASSERT_TRUE(WaitUntil([&] { return Ran().contains(delay) && Text(QStringLiteral("currentSequence")).isEmpty(); }));
    QTest::qWait(100);
    EXPECT_EQ(Ran().filter(QRegularExpression(QStringLiteral("^(upload|Upload|SetEnable)"))), QStringList{delay});

    // A download while the delay is on: the device keeps the changes back.
    ASSERT_TRUE(Download(QStringLiteral("D1")));
    ASSERT_TRUE(Unlocked());
    ASSERT_EQ(Dtm()->ConnectObject()->Connect(), 0);
    ASSERT_TRUE(WaitUntil([&] { return Status() == DtmStatus::Online && Text(QStringLiteral("currentSequence")).isEmpty(); }));

    // Switching the delay off: the device saves what it kept back, and the
    // watch reads its state until the save has begun and ended.
    log->changes.clear();
    Force(QStringLiteral("SetDisableBurnDelay"));
    ASSERT_TRUE(WaitUntil([&] { return Ran().contains(QStringLiteral("CheckDataBurn")); }));
    EXPECT_FALSE(Handler()->TimerEnabled());
    EXPECT_FALSE(Chain()->BurnDelayPending());
    ASSERT_TRUE(WaitUntil([&] { return !DataBurn()->Watching(); }));
    EXPECT_TRUE(DataBurn()->FailureReason().isEmpty()) << DataBurn()->FailureReason().toStdString();
    EXPECT_GE(Ran().count(QStringLiteral("CheckDataBurn")), 2);
    EXPECT_FALSE(device.transmitter().dataSaving());
    QTest::qWait(100);
    const auto checks = Ran().count(QStringLiteral("CheckDataBurn"));
    QTest::qWait(200);
    EXPECT_EQ(Ran().count(QStringLiteral("CheckDataBurn")), checks); // the watch has ended
}

TEST_F(BurnDelay, AnAbortEndsTheDataBurnWatchAndSwitchesTheDelayOnAgain)
{
    if (HasFatalFailure())
        return;
    ASSERT_EQ(Dtm()->ConnectObject()->Connect(), 0);
    ASSERT_TRUE(WaitUntil([&] { return Status() == DtmStatus::Online && Ran().contains(QStringLiteral("GetDeviceInfo"))
                                       && Text(QStringLiteral("currentSequence")).isEmpty(); }));
    // Nothing kept back: the device never shows a save, so the watch polls on.
    device.setResponseDelay(5);
    log->changes.clear();
    Force(QStringLiteral("SetDisableBurnDelay"));
    ASSERT_TRUE(WaitUntil([&] { return Ran().count(QStringLiteral("CheckDataBurn")) >= 3; }));
    EXPECT_TRUE(DataBurn()->Watching());
    corvane::RequestAbort(manager);
    ASSERT_TRUE(WaitUntil([&] { return !DataBurn()->Watching(); }));
    ASSERT_TRUE(WaitUntil([&] { return Ran().contains(QStringLiteral("SetEnableBurnDelay1")); }));
    const auto checks = Ran().count(QStringLiteral("CheckDataBurn"));
    QTest::qWait(200);
    EXPECT_EQ(Ran().count(QStringLiteral("CheckDataBurn")), checks);
}

} // namespace
