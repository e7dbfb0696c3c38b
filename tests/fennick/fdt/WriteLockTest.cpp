// The dataset write lock: nested writers, the unlock through save request and
// postponed notification, refusals naming the holder, and the counter's edges.
#include "DtmTestSupport.h"
#include "fennick/fdt/EWAR.h"
#include "fennick/fdt/clsFunctionConnect.h"
#include "fennick/services/LoadResource.h"
#include "platform/automation/ComError.h"

namespace {

using namespace dtmtest;
using frame::FrameContainer;

const QString kLockedText = QStringLiteral(
    "Requested Function cannot be executed because the dataset is already locked by another user: ");

class WriteLock : public DtmTest {
protected:
    void SetUp() override
    {
        ConfiguredInstance();
        frame->Events().Clear();
    }
};

TEST_F(WriteLock, NestedWritersLockOnceAndTheLastStartsTheUnlock)
{
    EXPECT_TRUE(EWAR::IncrementEWAR(QStringLiteral("first")));
    EXPECT_TRUE(EWAR::IncrementEWAR(QStringLiteral("second")));
    EXPECT_EQ(EWAR::GetEWAR(), 2);
    EXPECT_EQ(Events(), (QStringList{"LockDataSet"}));
    EXPECT_TRUE(Container()->DataSetLockedByDtm());

    EXPECT_TRUE(EWAR::DecrementEWAR(QStringLiteral("second")));
    EXPECT_EQ(EWAR::GetEWAR(), 1);
    EXPECT_EQ(Events(), (QStringList{"LockDataSet"}));

    // The last writer starts the unlock; the counter stays 1 until the frame unlocked.
    EXPECT_TRUE(EWAR::DecrementEWAR(QStringLiteral("first")));
    EXPECT_EQ(EWAR::GetEWAR(), 1);
    EXPECT_TRUE(Dtm()->Unlocking());
    EXPECT_EQ(Events(), (QStringList{"LockDataSet", "SaveRequest"}));
    clock.Advance(100); // the frame saves, then the postponed notification and the unlock
    EXPECT_EQ(Events(), (QStringList{"LockDataSet", "SaveRequest", "OnParameterChanged(" + ChangedParameters() + ")",
                                     "UnlockDataSet", "OnFunctionChanged"}));
    EXPECT_EQ(EWAR::GetEWAR(), 0);
    EXPECT_FALSE(Dtm()->Unlocking());
    EXPECT_FALSE(Container()->DataSetLockedByDtm());
}

TEST_F(WriteLock, SetParametersWritesUnderTheLock)
{
    // The frame's copy of the dataset with another tag and slave address.
    QString document = Dtm()->GetParameters(QStringLiteral("FDT"));
    document.replace(QStringLiteral("fdt:tag=\"XI XXX\""), QStringLiteral("fdt:tag=\"PT-101\""));
    document.replace(QStringLiteral("slaveAddress=\"0\""), QStringLiteral("slaveAddress=\"3\""));
    traces.clear();
    EXPECT_TRUE(Dtm()->SetParameters(QStringLiteral("FDT"), document));
    EXPECT_EQ(Dtm()->DataManager()->GetStorageState(), QStringLiteral("transient"));
    EXPECT_EQ(Dtm()->DataManager()->GetDataSetState(), QStringLiteral("validModified "));
    EXPECT_TRUE(traces.contains(QStringLiteral("IDtmParameter::SetParameters result : True")));
    clock.Advance(100);
    EXPECT_EQ(Events(), (QStringList{"LockDataSet", "SaveRequest", "OnParameterChanged(" + ChangedParameters() + ")",
                                     "UnlockDataSet", "OnFunctionChanged"}));
    const QString parameters = Dtm()->GetParameters(QString());
    EXPECT_TRUE(parameters.contains(QStringLiteral("fdt:tag=\"PT-101\"")));
    EXPECT_TRUE(parameters.contains(QStringLiteral("slaveAddress=\"3\"")));

    // A document the dataset refuses still releases the lock.
    EXPECT_FALSE(Dtm()->SetParameters(QStringLiteral("FDT"), QString()));
    EXPECT_EQ(Dtm()->DataManager()->GetDataSetState(), QStringLiteral("invalidModified"));
    clock.Advance(100);
    EXPECT_EQ(EWAR::GetEWAR(), 0);
}

TEST_F(WriteLock, RefusedSaveStillCompletesTheUnlock)
{
    // Nothing was saved, so there are no changed data; the frame's dataset must
    // not stay locked for that.
    Container()->SetSaveAnswer(FrameContainer::SaveAnswer::Refuse);
    ASSERT_TRUE(EWAR::IncrementEWAR(QStringLiteral("writer")));
    ASSERT_TRUE(EWAR::DecrementEWAR(QStringLiteral("writer")));
    clock.Advance(100);
    EXPECT_EQ(Events(), (QStringList{"LockDataSet", "SaveRequest", "UnlockDataSet", "OnFunctionChanged"}));
    EXPECT_EQ(EWAR::GetEWAR(), 0);
    EXPECT_FALSE(Container()->DataSetLockedByDtm());

    // A save request that fails counts as refused.
    Container()->SetSaveAnswer(FrameContainer::SaveAnswer::Raise);
    ASSERT_TRUE(EWAR::IncrementEWAR(QStringLiteral("writer")));
    ASSERT_TRUE(EWAR::DecrementEWAR(QStringLiteral("writer")));
    EXPECT_TRUE(traces.contains(QStringLiteral("in procedure FdtContainer_SaveRequest of Class Module clsTkDispatcher")));
    clock.Advance(100);
    EXPECT_EQ(EWAR::GetEWAR(), 0);
    EXPECT_FALSE(Container()->DataSetLockedByDtm());
}

TEST_F(WriteLock, RefusedUnlockKeepsTheCounterAtOne)
{
    Container()->SetUnlockAnswer(FrameContainer::Answer::Refuse);
    ASSERT_TRUE(EWAR::IncrementEWAR(QStringLiteral("writer")));
    ASSERT_TRUE(EWAR::DecrementEWAR(QStringLiteral("writer")));
    clock.Advance(100);
    EXPECT_EQ(frame->Events().Count("UnlockDataSet"), 1);
    EXPECT_EQ(EWAR::GetEWAR(), 1);
    EXPECT_FALSE(Dtm()->Unlocking());
    EXPECT_EQ(frame->Events().Count("OnFunctionChanged"), 0);
}

TEST_F(WriteLock, WriterJoiningDuringThePendingUnlockOnlyDecrements)
{
    ASSERT_TRUE(EWAR::IncrementEWAR(QStringLiteral("first")));
    ASSERT_TRUE(EWAR::DecrementEWAR(QStringLiteral("first")));
    ASSERT_TRUE(EWAR::IncrementEWAR(QStringLiteral("late"))); // 1 -> 2 while unlocking
    clock.Advance(100);
    EXPECT_EQ(EWAR::GetEWAR(), 1);
    EXPECT_EQ(frame->Events().Count("UnlockDataSet"), 0);
    EXPECT_FALSE(Dtm()->Unlocking());
}

TEST_F(WriteLock, RefusedLockEntersWaitAndNamesTheHolder)
{
    Container()->SetLockAnswer(FrameContainer::Answer::Refuse);
    EXPECT_FALSE(EWAR::IncrementEWAR(QStringLiteral("writer")));
    EXPECT_EQ(EWAR::GetEWAR(), -1);
    EXPECT_EQ(Events(), (QStringList{"LockDataSet", "OnFunctionChanged", "OnErrorMessage(" + kLockedText + "Unknown)"}));
    EXPECT_TRUE(traces.contains(QStringLiteral("writer - EWAR - LockDataSet fail ... value set to : -1")));

    // Every writer is refused until the frame reports the dataset unlocked.
    EXPECT_FALSE(Dtm()->SetParameters(QStringLiteral("FDT"), kDeviceType));
    EXPECT_TRUE(traces.contains(QStringLiteral("Error Dataset locked!")));
    EXPECT_EQ(frame->Events().Count("LockDataSet"), 1);
    ASSERT_TRUE(frame->UnlockByOtherUser(kTag, QString()));
    EXPECT_EQ(EWAR::GetEWAR(), 0);
}

TEST_F(WriteLock, OtherUsersLockRefusesWritersWithTheirName)
{
    ASSERT_TRUE(frame->LockByOtherUser(kTag, QStringLiteral("Anna")));
    EXPECT_EQ(EWAR::GetEWAR(), -1);
    EXPECT_EQ(Dtm()->UserWhoHasLockedDataset(), QStringLiteral("Anna"));
    EXPECT_TRUE(Dtm()->DataManager()->IsDataSetLocked());
    frame->Events().Clear();
    traces.clear();
    EXPECT_FALSE(EWAR::IncrementEWAR(QStringLiteral("writer")));
    EXPECT_EQ(Events(), (QStringList{"OnErrorMessage(" + kLockedText + "Anna)"}));
    EXPECT_TRUE(traces.contains(QStringLiteral("EWAR - Lock not available.writer - IncrementEWAR -- ") + kLockedText
                                + QStringLiteral("Anna")));

    // Uploads are refused while another user holds the dataset.
    Dtm()->SetDtmStatus(DtmStatus::Online);
    EXPECT_FALSE(Dtm()->UploadRequest(QStringLiteral("1"), QStringLiteral("FDT")));
    EXPECT_TRUE(traces.contains(QStringLiteral("IDtmOnlineParameter::UploadRequest: Not allowed in Status:ONLINE")));
    Dtm()->SetDtmStatus(DtmStatus::Configured);

    // Another user cannot unlock Anna's lock in the dataset, but the counter is freed.
    ASSERT_TRUE(frame->UnlockByOtherUser(kTag, QStringLiteral("Bert")));
    EXPECT_TRUE(Dtm()->DataManager()->IsDataSetLocked());
    ASSERT_TRUE(frame->UnlockByOtherUser(kTag, QStringLiteral("Anna")));
    EXPECT_FALSE(Dtm()->DataManager()->IsDataSetLocked());
    EXPECT_EQ(EWAR::GetEWAR(), 0);
    EXPECT_EQ(Dtm()->UserWhoHasLockedDataset(), QStringLiteral("Anna")); // kept until the next lock
}

TEST_F(WriteLock, LockEventForAnotherTagChangesNothing)
{
    ASSERT_TRUE(frame->LockByOtherUser(kTag, QStringLiteral("Anna")));
    ASSERT_TRUE(frame->UnlockByOtherUser(kTag, QStringLiteral("Anna")));
    traces.clear();
    Dtm()->OnLockDataSet(QStringLiteral("DTM_9"), QStringLiteral("Carl"));
    EXPECT_EQ(Dtm()->UserWhoHasLockedDataset(), QStringLiteral("Anna"));
    EXPECT_EQ(EWAR::GetEWAR(), 0);
    EXPECT_EQ(Messages(traces).mid(0, 4),
              (QStringList{"IFdtEvents_OnLockDataSet", "IFdtEvents::OnlockDataSet: System tag mismatch!",
                           "Defined tag  : DTM_1", "Requested tag: DTM_9"}));
    EXPECT_FALSE(Dtm()->OnUnlockDataSet(QStringLiteral("DTM_9"), QStringLiteral("Carl")));
}

TEST_F(WriteLock, CounterEdges)
{
    EXPECT_EQ(Dtm()->UserWhoHasLockedDataset(), QStringLiteral("Unknown"));
    EXPECT_FALSE(EWAR::DecrementEWAR(QStringLiteral("nobody")));
    EXPECT_TRUE(traces.contains(QStringLiteral("nobody - Decrementing EWAR... counter already 0")));
    EXPECT_EQ(EWAR::GetEWAR(), 0);

    // The unlock starts only from exactly one writer.
    Dtm()->SetLockCounter(2);
    EXPECT_FALSE(Dtm()->FdtContainer_UnlockDataSet());
    EXPECT_FALSE(Dtm()->Unlocking());

    Dtm()->SetLockCounter(32767);
    EXPECT_THROW(EWAR::IncrementEWAR(QStringLiteral("one too many")), automation::ComError);
    EXPECT_EQ(EWAR::GetEWAR(), 32767);
    // Through SetParameters the overflow is trapped and answered False.
    EXPECT_FALSE(Dtm()->SetParameters(QStringLiteral("FDT"), kDeviceType));
    EXPECT_TRUE(traces.contains(QStringLiteral("Description.:Overflow")));

    Dtm()->SetLockCounter(3);
    traces.clear();
    EWAR::SetDTMReady();
    EXPECT_TRUE(traces.contains(QStringLiteral("SetDTMReady: Status mismatch current lock status is > 1")));
    EXPECT_EQ(EWAR::GetEWAR(), 0);
    Dtm()->SetLockCounter(1);
    EWAR::SetDTMWait();
    EXPECT_TRUE(traces.contains(QStringLiteral("SetDTMWait: Status mismatch current lock status is > 0")));
    EXPECT_EQ(EWAR::GetEWAR(), -1);
}

TEST_F(WriteLock, ObserverMayNotSetParameters)
{
    frame.reset();
    frame = std::make_unique<frame::ReferenceFrame>(dir.filePath(QStringLiteral("p2")),
                                                    QStringLiteral(TRIVEX_SCHEMA_DIR));
    ConfiguredInstance(QStringLiteral("observer"));
    frame->Events().Clear();
    traces.clear();
    EXPECT_FALSE(Dtm()->SetParameters(QStringLiteral("FDT"), kDeviceType));
    EXPECT_TRUE(Events().isEmpty());
    EXPECT_EQ(Messages(traces), (QStringList{"IDtmParameter::SetParameters"}));
}

TEST_F(WriteLock, UnlockWhileConnectedDisconnectsFirst)
{
    Dtm()->SetDtmStatus(DtmStatus::CommunicationSet);
    ASSERT_TRUE(Dtm()->CreateConnectObject());
    ASSERT_EQ(Dtm()->ConnectObject()->Connect(), 0);
    clock.Advance(100);
    frame->Events().Clear();
    host->disconnectSteps = {3};
    ASSERT_TRUE(EWAR::IncrementEWAR(QStringLiteral("writer")));
    ASSERT_TRUE(EWAR::DecrementEWAR(QStringLiteral("writer")));
    EXPECT_TRUE(Dtm()->DisconnectForUnlockPending());
    EXPECT_EQ(host->calls.last(), QStringLiteral("Disconnect"));
    EXPECT_EQ(Events(), (QStringList{"LockDataSet"}));
    clock.Advance(100);
    EXPECT_EQ(EWAR::GetEWAR(), 1); // still disconnecting

    host->Write(QStringLiteral("&&private&&connect"), 0); // Done: the save request follows
    EXPECT_FALSE(Dtm()->DisconnectForUnlockPending());
    clock.Advance(100);
    EXPECT_EQ(Events(), (QStringList{"LockDataSet", "SaveRequest", "OnOnlineStateChanged(False)",
                                     "OnParameterChanged(" + ChangedParameters() + ")", "UnlockDataSet", "OnFunctionChanged"}));
    EXPECT_EQ(EWAR::GetEWAR(), 0);
}

} // namespace
