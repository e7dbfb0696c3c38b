// The DTM status through its lifecycle, as the reference frame drives it.
#include "DtmTestSupport.h"
#include "fennick/fdt/clsFunctionConnect.h"
#include "platform/automation/ComError.h"

namespace {

using namespace dtmtest;

class StatusMachine : public DtmTest {
protected:
    // The statuses the traces announced since the last clear.
    QStringList Statuses() const
    {
        QStringList names;
        for (const QString& message : Messages(traces))
            if (message.startsWith(QStringLiteral("New DTM status is ")))
                names.append(message.mid(18));
        return names;
    }
};

TEST_F(StatusMachine, NewInstanceWalksUpToConfigured)
{
    ASSERT_TRUE(frame->CreateDtm(kTag));
    global::AppletHost() = host;
    ASSERT_TRUE(frame->InitNewInstance(kTag, kDeviceType));
    ASSERT_TRUE(frame->Configure(kTag, QStringLiteral("operator")));
    EXPECT_EQ(Statuses(), (QStringList{"UP", "NEW CREATED", "NEW ENABLED", "RUNNING", "CONFIGURED"}));
    // The function list changed after Config, told a moment later.
    EXPECT_EQ(frame->Events().Count("OnFunctionChanged"), 0);
    clock.Advance(10);
    EXPECT_EQ(frame->Events().Count("OnFunctionChanged"), 1);
    EXPECT_EQ(Dtm()->SystemTag(), kTag);
    EXPECT_TRUE(traces.lines().last().contains(QStringLiteral("[DTM_1]")));
}

TEST_F(StatusMachine, StoredInstanceWalksThroughExistingCreated)
{
    ConfiguredInstance();
    ASSERT_TRUE(frame->SaveInstance(kTag));
    frame.reset(); // the first DTM goes with its frame
    frame = std::make_unique<frame::ReferenceFrame>(dir.filePath(QStringLiteral("project")),
                                                    QStringLiteral(TRIVEX_SCHEMA_DIR));
    traces.clear();
    ASSERT_TRUE(frame->CreateDtm(kTag)) << frame->LastError().toStdString();
    ASSERT_TRUE(frame->LoadInstance(kTag)) << frame->LastError().toStdString();
    EXPECT_EQ(Statuses(), (QStringList{"UP", "EXISTING CREATED", "EXISTING CREATED", "RUNNING"}));
    EXPECT_TRUE(Dtm()->GetParameters(QString()).contains(QStringLiteral("fdt:tag=\"XI XXX\"")));
}

TEST_F(StatusMachine, PropertyBagWithoutParametersLeavesTheInstanceUp)
{
    automation::PropertyBag bag;
    bag.Write(QStringLiteral("DTM_SIZE"), 0);
    ASSERT_TRUE(frame->Project().StoreInstance(kTag, bag));
    ASSERT_TRUE(frame->CreateDtm(kTag));
    EXPECT_FALSE(frame->LoadInstance(kTag));
    EXPECT_EQ(Status(), DtmStatus::Up);
    EXPECT_TRUE(traces.contains(QStringLiteral("Class_ReadProperties: Property bag lacks DTM_PARAMETERS")));
    EXPECT_TRUE(traces.contains(QStringLiteral("IDtm::Environment: Not allowed in Status:UP")));

    // An empty parameter text is no instance either.
    bag.Write(QStringLiteral("DTM_PARAMETERS"), QString());
    traces.clear();
    Dtm()->ReadProperties(bag);
    EXPECT_EQ(Status(), DtmStatus::Up);
    EXPECT_TRUE(traces.contains(QStringLiteral("Class_ReadProperties: Property bag contains no parameters")));
}

TEST_F(StatusMachine, StoredChannelsAreReadFromTheHighestDown)
{
    automation::PropertyBag bag;
    bag.Write(QStringLiteral("DTM_PARAMETERS"), kDeviceType);
    bag.Write(QStringLiteral("DTM_SIZE"), 10);
    for (int i = 1; i <= 10; ++i)
        bag.Write(QStringLiteral("DTM_CHANNEL_%1").arg(i), QStringLiteral("<C%1/>").arg(i));
    ASSERT_TRUE(frame->CreateDtm(kTag));
    Dtm()->ReadProperties(bag);
    ASSERT_TRUE(global::LastDataBag());
    EXPECT_EQ(global::LastDataBag()->ChannelCount(), 10);
    EXPECT_EQ(global::LastDataBag()->ChannelData(10), QStringLiteral("<C10/>"));
    EXPECT_EQ(Status(), DtmStatus::ExistingCreated);

    // A corrupt count is trapped: nothing more is read and the status stays.
    EXPECT_FALSE(frame->CreateDtm(QStringLiteral("DTM_2"))); // one DTM per process
    bag.Write(QStringLiteral("DTM_SIZE"), QStringLiteral("many"));
    Dtm()->SetDtmStatus(DtmStatus::Up);
    traces.clear();
    Dtm()->ReadProperties(bag);
    EXPECT_EQ(Status(), DtmStatus::Up);
    EXPECT_TRUE(traces.contains(QStringLiteral("ErrSource...:Class_ReadProperties")));
    bag.Write(QStringLiteral("DTM_SIZE"), 2000000000);
    Dtm()->ReadProperties(bag);
    EXPECT_EQ(Status(), DtmStatus::Up);
    global::LastDataBag().reset();
}

TEST_F(StatusMachine, WrittenInstanceHoldsParametersAndChannelCount)
{
    ConfiguredInstance();
    automation::PropertyBag bag;
    Dtm()->WriteProperties(bag);
    EXPECT_EQ(bag.Read(QStringLiteral("DTM_PARAMETERS")).toString(), Dtm()->GetParameters(QStringLiteral("FDT")));
    EXPECT_EQ(bag.Read(QStringLiteral("DTM_SIZE")).toInt(), 0);
    EXPECT_EQ(Dtm()->DataManager()->GetStorageState(), QStringLiteral("persistent"));
    // Outside the release the frame is told of the parameters a moment later,
    // as the changed data of what was written.
    clock.Advance(10);
    const QString changed = ChangedParameters();
    EXPECT_TRUE(changed.contains(QStringLiteral("<ChangedParameters>"))) << changed.toStdString();
    EXPECT_EQ(frame->Events().Texts("OnParameterChanged"), (QStringList{"OnParameterChanged(" + changed + ")"}));
}

TEST_F(StatusMachine, OnlineStateEventFollowsOnlyRealChangesToTwoAndTen)
{
    ConfiguredInstance();
    frame->Events().Clear();
    traces.clear();
    Dtm()->SetDtmStatus(DtmStatus::Configured);
    EXPECT_EQ(Statuses(), (QStringList{"CONFIGURED"}));
    Dtm()->SetDtmStatus(DtmStatus::Online);
    Dtm()->SetDtmStatus(DtmStatus::Online);
    Dtm()->SetDtmStatus(DtmStatus::CommunicationSet);
    Dtm()->SetDtmStatus(DtmStatus::CommunicationSet);
    Dtm()->SetDtmStatus(99);
    EXPECT_EQ(Dtm()->GetDtmStatusName(), QStringLiteral("INVALID STATUS"));
    EXPECT_TRUE(Events().isEmpty()); // nothing inside the call
    clock.Advance(100);
    EXPECT_EQ(Events(), (QStringList{"OnOnlineStateChanged(True)", "OnOnlineStateChanged(False)"}));
}

TEST_F(StatusMachine, ConnectStatesMoveTheStatusOfTheActiveConnectObject)
{
    CommunicationSetInstance();
    frame->Events().Clear();
    traces.clear();
    ASSERT_EQ(Dtm()->ConnectObject()->Connect(), 0);
    EXPECT_EQ(Statuses(), (QStringList{"GOING ONLINE", "ONLINE"}));
    clock.Advance(10);
    EXPECT_EQ(Events(), (QStringList{"OnOnlineStateChanged(True)"}));

    // Connected reported again while online: no second event.
    int32_t result = -1;
    Dtm()->ConnectObject()->NotifyChanged(host->Handle(QStringLiteral("&&private&&connect")), false, 0, 0, result);
    EXPECT_EQ(Status(), DtmStatus::Online);
    clock.Advance(10);
    EXPECT_EQ(frame->Events().Count("OnOnlineStateChanged"), 1);

    traces.clear();
    ASSERT_EQ(Dtm()->ConnectObject()->Disconnect(), 0);
    EXPECT_EQ(Statuses(), (QStringList{"GOING OFFLINE", "COMMUNICATION SET"}));
    clock.Advance(10);
    EXPECT_EQ(frame->Events().Texts("OnOnlineStateChanged").last(), QStringLiteral("OnOnlineStateChanged(False)"));
    EXPECT_EQ(host->calls, (QStringList{"Connect", "Disconnect"}));
}

TEST_F(StatusMachine, ReleaseCommunicationReturnsToConfigured)
{
    CommunicationSetInstance();
    ASSERT_EQ(Dtm()->ConnectObject()->Connect(), 0);
    EXPECT_FALSE(Dtm()->ReleaseCommunication()); // still online
    EXPECT_EQ(Status(), DtmStatus::Online);

    // Released only once offline again; the frame hears of the release first.
    ASSERT_TRUE(Dtm()->PrepareToReleaseCommunication());
    EXPECT_EQ(Status(), DtmStatus::CommunicationSet);
    clock.Advance(100);
    EXPECT_EQ(frame->Events().Count("OnPreparedToReleaseCommunication"), 1);
    frame->Events().Clear();
    const std::weak_ptr<clsFunctionConnect> connect = Dtm()->ConnectObject();
    ASSERT_TRUE(Dtm()->ReleaseCommunication());
    EXPECT_EQ(Status(), DtmStatus::Configured);
    EXPECT_TRUE(connect.expired());
    EXPECT_EQ(host->calls.last(), QStringLiteral("fncSetCServer(none)"));
    clock.Advance(10);
    EXPECT_EQ(Events(), (QStringList{"OnFunctionChanged"}));
}

TEST_F(StatusMachine, PrepareToReleaseCommunicationOfflineNeedsNoDisconnect)
{
    CommunicationSetInstance();
    frame->Events().Clear();
    ASSERT_TRUE(Dtm()->PrepareToReleaseCommunication());
    EXPECT_TRUE(Events().isEmpty());
    clock.Advance(10);
    EXPECT_EQ(Events(), (QStringList{"OnPreparedToReleaseCommunication"}));
    EXPECT_FALSE(host->calls.contains("Disconnect"));
    // The connect object no longer moves the status.
    host->Write(QStringLiteral("&&private&&connect"), 1);
    EXPECT_EQ(Status(), DtmStatus::CommunicationSet);
}

TEST_F(StatusMachine, PrepareToReleaseCommunicationOnlineWaitsForTheDisconnect)
{
    CommunicationSetInstance();
    ASSERT_EQ(Dtm()->ConnectObject()->Connect(), 0);
    clock.Advance(100);
    frame->Events().Clear();
    host->disconnectSteps = {3}; // the device has not finished yet
    ASSERT_TRUE(Dtm()->PrepareToReleaseCommunication());
    EXPECT_EQ(Status(), DtmStatus::GoingOffline);
    clock.Advance(100);
    EXPECT_EQ(frame->Events().Count("OnPreparedToReleaseCommunication"), 0);
    host->Write(QStringLiteral("&&private&&connect"), 0);
    clock.Advance(100);
    EXPECT_EQ(Events(), (QStringList{"OnOnlineStateChanged(False)", "OnPreparedToReleaseCommunication"}));

    // After the release and a new communication, a connect's Done announces nothing.
    ASSERT_TRUE(Dtm()->ReleaseCommunication());
    Dtm()->SetDtmStatus(DtmStatus::CommunicationSet);
    ASSERT_TRUE(Dtm()->CreateConnectObject());
    ASSERT_EQ(Dtm()->ConnectObject()->Connect(), 0);
    clock.Advance(100);
    EXPECT_EQ(frame->Events().Count("OnPreparedToReleaseCommunication"), 1);
    EXPECT_EQ(Status(), DtmStatus::Online);
}

TEST_F(StatusMachine, FailedDisconnectReleasesAnyway)
{
    CommunicationSetInstance();
    ASSERT_EQ(Dtm()->ConnectObject()->Connect(), 0);
    host->disconnectResult = 5;
    host->disconnectSteps = {};
    ASSERT_TRUE(Dtm()->PrepareToReleaseCommunication());
    EXPECT_TRUE(traces.contains(QStringLiteral("Disconnect request failed --> Communicationshall release anyway!")));
    clock.Advance(100);
    EXPECT_EQ(frame->Events().Count("OnPreparedToReleaseCommunication"), 1);
}

TEST_F(StatusMachine, DeleteThenReleaseStaysDestroyedUntilTheTeardown)
{
    ConfiguredInstance();
    const std::weak_ptr<clsTkDispatcher> dtm = Dtm();
    ASSERT_TRUE(Dtm()->PrepareToDelete());
    EXPECT_EQ(Status(), DtmStatus::Destroyed);
    ASSERT_TRUE(Dtm()->PrepareToRelease());
    EXPECT_EQ(Status(), DtmStatus::Destroyed);
    traces.clear();
    clock.Advance(100);
    // Deleted data are not offered for saving, though the dataset is transient.
    EXPECT_EQ(frame->Events().Count("SaveRequest"), 0);
    EXPECT_EQ(Statuses(), (QStringList{"INOPERABLE"}));
    EXPECT_TRUE(dtm.expired());
}

TEST_F(StatusMachine, OneDtmObjectPerProcess)
{
    NewInstance();
    EXPECT_THROW(automation::ClassRegistry::instance().CreateObject(clsTkDispatcher::kProgId), automation::ComError);
    EXPECT_EQ(global::CurrentDtm(), Dtm());
    EXPECT_EQ(Debugging::CurrentDtmObject(), Dtm().get());
    frame.reset();
    EXPECT_EQ(global::CurrentDtm(), nullptr);
    EXPECT_EQ(Debugging::CurrentDtmObject(), nullptr);
}

} // namespace
