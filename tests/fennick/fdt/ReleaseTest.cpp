// The release: with and without a transient dataset, the frame's save, the
// watchdog, the teardown's order and the object kept alive through it.
#include "DtmTestSupport.h"
#include "fennick/fdt/frmAsyncFunction.h"
#include "platform/automation/ComError.h"

namespace {

using namespace dtmtest;
using frame::FrameContainer;

class Release : public DtmTest {
protected:
    // A stored instance: its dataset is persistent.
    void StoredInstance()
    {
        ConfiguredInstance();
        ASSERT_TRUE(frame->SaveInstance(kTag));
        clock.Advance(100);
        ASSERT_EQ(Dtm()->DataManager()->GetStorageState(), QStringLiteral("persistent"));
        frame->Events().Clear();
    }
    void Released()
    {
        EXPECT_FALSE(frame->HasDtm(kTag));
        EXPECT_TRUE(dtm.expired());
        EXPECT_EQ(global::CurrentDtm(), nullptr);
        EXPECT_EQ(global::AppletHost(), nullptr);
        EXPECT_EQ(XMLHelper::SchemaCache(), nullptr);
        EXPECT_EQ(clock.ArmedTimerCount(), 0);
        EXPECT_TRUE(Messages(traces).contains(QStringLiteral("New DTM status is INOPERABLE")));
    }

    std::weak_ptr<clsTkDispatcher> dtm;
};

TEST_F(Release, PersistentDatasetTearsDownWithoutSaveRequest)
{
    StoredInstance();
    dtm = Dtm();
    ASSERT_TRUE(frame->ReleaseInstance(kTag));
    EXPECT_EQ(Status(), DtmStatus::Unloading);
    clock.Advance(10); // code 0
    EXPECT_TRUE(frame->HasDtm(kTag));
    clock.Advance(10); // code 3
    EXPECT_EQ(Events(), (QStringList{"OnPreparedToRelease"}));
    EXPECT_EQ(host->calls.last(), QStringLiteral("DestroyApplet"));
    EXPECT_TRUE(traces.contains(QStringLiteral("Dataset not locked by this DTM. ")));
    Released();
}

TEST_F(Release, TransientDatasetIsSavedByTheFrameFirst)
{
    ConfiguredInstance(); // a new dataset is transient
    frame->Events().Clear();
    dtm = Dtm();
    ASSERT_TRUE(frame->ReleaseInstance(kTag));
    clock.Advance(9); // nothing inside the frame's call
    EXPECT_TRUE(Events().isEmpty());
    clock.Advance(1); // code 0: the save request; the frame saves when the loop turns
    EXPECT_EQ(Events(), (QStringList{"SaveRequest"}));
    EXPECT_TRUE(traces.lines().join('\n').contains(QStringLiteral("#L: 3  #M: [DTM_1]Watch PrepareToRelease / Save Request ")));
    clock.Advance(10); // the save posted the teardown
    EXPECT_EQ(Events(), (QStringList{"SaveRequest", "OnPreparedToRelease"}));
    Released();
    // The instance was written while unloading; no parameter notification went out.
    automation::PropertyBag bag;
    ASSERT_TRUE(frame->Project().LoadInstance(kTag, bag));
    const QString parameters = bag.Read(QStringLiteral("DTM_PARAMETERS")).toString();
    EXPECT_TRUE(parameters.contains(QStringLiteral("fdt:storageState=\"persistent\""))) << parameters.toStdString();
    EXPECT_TRUE(parameters.contains(QStringLiteral("<fdt:DtmDeviceType")));
    EXPECT_EQ(frame->Events().Count("OnParameterChanged"), 0);
    EXPECT_FALSE(traces.contains(QStringLiteral("out of time")));
}

TEST_F(Release, WatchdogTearsDownWhenTheFrameNeverSaves)
{
    ConfiguredInstance();
    dtm = Dtm();
    Container()->SetSaveAnswer(FrameContainer::SaveAnswer::AcceptOnly);
    ASSERT_TRUE(frame->ReleaseInstance(kTag));
    clock.Advance(10);
    clock.Advance(9999);
    EXPECT_EQ(Status(), DtmStatus::Unloading);
    EXPECT_FALSE(traces.contains(QStringLiteral("out of time")));
    clock.Advance(1);
    EXPECT_TRUE(traces.contains(QStringLiteral("Call chain for function PrepareToRelease out of time!")));
    EXPECT_EQ(frame->Events().Count("OnPreparedToRelease"), 1);
    Released();
}

TEST_F(Release, AFailingSaveDoesNotHoldTheReleaseUp)
{
    ConfiguredInstance();
    dtm = Dtm();
    Container()->SetSaveAnswer(FrameContainer::SaveAnswer::AcceptOnly);
    ASSERT_TRUE(frame->ReleaseInstance(kTag));
    clock.Advance(10); // code 0: the save request, the watchdog armed
    ASSERT_EQ(frame->Events().Count("SaveRequest"), 1);
    // The dataset is gone when the frame saves: the save fails towards the
    // frame, and the release goes on at once rather than never.
    Dtm()->DataManager()->ReleaseDataModel();
    traces.clear();
    EXPECT_FALSE(frame->SaveInstance(kTag));
    EXPECT_TRUE(traces.contains(QStringLiteral("Class_WriteProperties: the save failed; the release goes on without it")));
    EXPECT_EQ(Status(), DtmStatus::Unloading);
    clock.Advance(10);
    EXPECT_EQ(frame->Events().Count("OnPreparedToRelease"), 1);
    EXPECT_FALSE(traces.contains(QStringLiteral("out of time")));
    Released();
}

TEST_F(Release, RefusedSaveTearsDownAtOnce)
{
    ConfiguredInstance();
    dtm = Dtm();
    Container()->SetSaveAnswer(FrameContainer::SaveAnswer::Refuse);
    ASSERT_TRUE(frame->ReleaseInstance(kTag));
    clock.Advance(20);
    EXPECT_TRUE(traces.contains(QStringLiteral("Frame application refused to save changed Instance data!")));
    Released();
}

TEST_F(Release, TeardownUnlocksOnceWhenTheLockIsHeld)
{
    StoredInstance();
    dtm = Dtm();
    Dtm()->SetLockCounter(2);
    ASSERT_TRUE(frame->ReleaseInstance(kTag));
    clock.Advance(20);
    EXPECT_EQ(Events(), (QStringList{"UnlockDataSet", "OnPreparedToRelease"}));
    EXPECT_TRUE(traces.contains(QStringLiteral("Sent : FdtContainer::UnlockDataSet")));
    Released();
}

TEST_F(Release, TeardownStepsRunInOrderAndGoOnAfterAFailure)
{
    StoredInstance();
    dtm = Dtm();
    Dtm()->SetLockCounter(1);
    Container()->SetUnlockAnswer(FrameContainer::Answer::Raise);
    ASSERT_TRUE(frame->ReleaseInstance(kTag));
    traces.clear();
    clock.Advance(20);
    const QStringList messages = Messages(traces);
    const auto at = [&](const QString& text) { return messages.indexOf(text); };
    EXPECT_LT(at("privAsyncHelper_IDtmEvents_OnPreparedToRelease"), at("ErrSource...:ReferenceFrame IFdtContainer::UnlockDataset DTM_1"));
    EXPECT_LT(at("ErrSource...:ReferenceFrame IFdtContainer::UnlockDataset DTM_1"), at("Sent : IDtmEvents::OnPreparedToRelease"));
    EXPECT_LT(at("Sent : IDtmEvents::OnPreparedToRelease"), at("New DTM status is INOPERABLE"));
    EXPECT_NE(at("ErrSource...:ReferenceFrame IFdtContainer::UnlockDataset DTM_1"), -1);
    Released();
}

TEST_F(Release, ObjectLivesToTheLastStepThoughTheFrameLetsGoEarlier)
{
    StoredInstance();
    dtm = Dtm();
    ASSERT_TRUE(frame->ReleaseInstance(kTag));
    // From here only the frame held the object, and it lets go inside
    // OnPreparedToRelease; the container and status steps follow after it.
    clock.Advance(20);
    const QStringList messages = Messages(traces);
    EXPECT_LT(messages.indexOf("Sent : IDtmEvents::OnPreparedToRelease"), messages.indexOf("New DTM status is INOPERABLE"));
    Released();
}

TEST_F(Release, DtmHeldElsewhereStaysInoperable)
{
    ConfiguredInstance();
    const std::shared_ptr<clsTkDispatcher> kept = Dtm();
    Container()->SetSaveAnswer(FrameContainer::SaveAnswer::Refuse);
    ASSERT_TRUE(frame->ReleaseInstance(kTag));
    clock.Advance(20);
    EXPECT_EQ(kept->GetDtmStatus(), DtmStatus::Inoperable);
    EXPECT_EQ(kept->DataManager(), nullptr);
    EXPECT_EQ(kept->DtmEvents(), nullptr);
    traces.clear();
    EXPECT_FALSE(kept->PrepareToRelease());
    EXPECT_TRUE(traces.contains(QStringLiteral("IDtm::PrepareToRelease: Not allowed in Status:INOPERABLE")));
    // INOPERABLE is final: a stored instance read into it changes nothing.
    automation::PropertyBag stored;
    stored.Write(QStringLiteral("DTM_PARAMETERS"), kDeviceType);
    stored.Write(QStringLiteral("DTM_SIZE"), 0);
    const auto lastBag = global::LastDataBag();
    traces.clear();
    kept->ReadProperties(stored);
    EXPECT_EQ(kept->GetDtmStatus(), DtmStatus::Inoperable);
    EXPECT_TRUE(traces.contains(QStringLiteral("Class::ReadProperties: Not allowed in Status:INOPERABLE")));
    EXPECT_EQ(global::LastDataBag(), lastBag);
    // A new DTM object may come once the old one is torn down.
    EXPECT_TRUE(frame->CreateDtm(QStringLiteral("DTM_2"))) << frame->LastError().toStdString();
}

TEST_F(Release, NewInstanceReleasedBeforeInitNew)
{
    ASSERT_TRUE(frame->CreateDtm(kTag));
    frame->Dtm<fdt::IPersistPropertyBag>(kTag)->InitProperties();
    ASSERT_TRUE(Dtm()->Environment(kTag, Container()));
    EXPECT_EQ(Status(), DtmStatus::NewEnabled);
    dtm = Dtm();
    ASSERT_TRUE(frame->ReleaseInstance(kTag));
    clock.Advance(20);
    EXPECT_EQ(frame->Events().Count("SaveRequest"), 0);
    EXPECT_EQ(frame->Events().Count("OnPreparedToRelease"), 1);
    EXPECT_TRUE(dtm.expired());
}

} // namespace
