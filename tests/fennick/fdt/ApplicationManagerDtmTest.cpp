// The application and function manager inside the DTM object, on the Trivex
// description: the functions document per user level, operation phase and
// status, the locked-out form, the FDT applications with their online and
// offline flags and what they refuse, and the locks their closing leaves.
#include "ApplicationManagerTestSupport.h"

namespace {

using namespace appmgrtest;
using dtmtest::kTag;

class ApplicationManagerDtm : public dtmtest::DtmTest {
protected:
    ApplicationManagerDtm() { UseHost(counting); }

    std::shared_ptr<clsApplicationManager> Manager() const { return Dtm()->ApplicationManager(); }
    QString Functions(const QString& phase) const { return Dtm()->GetFunctions(State(phase)); }
    // Runs the posted calls and the timers until nothing is left.
    void Settle()
    {
        for (int i = 0; i < 20; ++i) {
            clock.Advance(100);
            while (loop::PendingPostedCalls() > 0)
                loop::RunPostedCalls();
        }
    }
    QString Text(int16_t id) const { return LoadResource::GetResourceString(id); }

    std::shared_ptr<CountingHost> counting = dtmtest::FakeAppletHost::Make<CountingHost>();
};

TEST_F(ApplicationManagerDtm, TheTrivexListMergesItsApplicationsAndDropsTheObsoleteMenuEntry)
{
    ConfiguredInstance();
    const auto manager = Manager();
    ASSERT_TRUE(manager);
    // Both FDT-file applications open MdiMain: one function with all four applications.
    EXPECT_EQ(manager->FdtApplicationCount(), 1);
    for (int32_t id : {4, 5, 8, 12})
        EXPECT_EQ(manager->Application(id).functionIds, QList<int32_t>{1}) << id;
    EXPECT_EQ(manager->FunctionCount(), 11);
    EXPECT_TRUE(traces.contains("Obsolete TDX function : FNCSTARTFORM MdiMain"));
    const std::pair<int32_t, const char*> commands[] = {
        {kConnectId, "CONNECT"},       {kDisconnectId, "DISCONNECT"},
        {kLoadFromDeviceId, "LOADFROMDEVICE"}, {kSaveToDeviceId, "SAVETODEVICE"},
        {17, "FNCFORCESEQUENCE SetPollingAddress"}, {kGenericViewId, "STARTVIEW Merrow.clsGenericView"},
        {kTrivexExportId, "Export"}};
    for (const auto& [id, command] : commands) {
        const auto function = manager->FunctionById(id);
        ASSERT_TRUE(function) << id;
        EXPECT_EQ(function->CommandLine().trimmed(), command) << id;
    }
    EXPECT_FALSE(manager->FunctionById(kTrivexExportId + 1));
}

// Which functions a frame is offered: the menu functions whose start rules
// allow them, and the FDT applications that may start.
TEST_F(ApplicationManagerDtm, FunctionsDocumentFollowsStatusUserLevelAndPhase)
{
    ConfiguredInstance(QStringLiteral("planningEngineer"));
    struct Row {
        int32_t status;
        int32_t userLevel;
        const char* phase;
        std::set<int32_t> functions;
        std::set<int32_t> standard;
    };
    const Row rows[] = {
        {DtmStatus::Configured, 2, "commissioning", {kTrivexExportId}, {}},
        {DtmStatus::Configured, 3, "engineering", {}, {4}},
        {DtmStatus::Configured, 3, "runtime", {kTrivexExportId}, {}},
        {DtmStatus::Configured, 0, "commissioning", {}, {}},
        {DtmStatus::CommunicationSet, 1, "commissioning", {kConnectId, kTrivexExportId}, {5, 8, 12}},
        {DtmStatus::CommunicationSet, 1, "runtime", {kConnectId, kTrivexExportId}, {5, 8}},
        {DtmStatus::CommunicationSet, 2, "engineering", {}, {}},
        {DtmStatus::CommunicationSet, 2, "", {kConnectId, kTrivexExportId}, {5, 8, 12}},
        {DtmStatus::Online, 1, "runtime", {kTrivexExportId}, {5, 8}},
        {DtmStatus::Online, 2, "runtime", {kLoadFromDeviceId, kSaveToDeviceId, kTrivexExportId}, {5, 8}},
        {DtmStatus::Online, 3, "commissioning", {kLoadFromDeviceId, kSaveToDeviceId, kTrivexExportId}, {5, 8, 12}},
        {DtmStatus::Online, 0, "runtime", {}, {}},
        {DtmStatus::GoingOnline, 2, "commissioning", {}, {5, 8, 12}},
    };
    for (const Row& row : rows) {
        const std::string name = std::string(DtmGate::StatusName(row.status).toLatin1().constData()) + " level "
                                 + std::to_string(row.userLevel) + " phase '" + row.phase + "'";
        Dtm()->SetDtmStatus(row.status);
        global::FdtUserLevel() = row.userLevel;
        const QString document = Functions(QLatin1String(row.phase));
        XMLHelper::DocumentPtr parsed;
        EXPECT_TRUE(XMLHelper::LoadXmlString(document, parsed)) << name; // fits DTMFunctionsSchema
        const QList<Offered> entries = Entries(document);
        EXPECT_EQ(Ids(entries, false), row.functions) << name;
        EXPECT_EQ(Ids(entries, true), row.standard) << name;
        for (const Offered& entry : entries) {
            EXPECT_TRUE(entry.enabled) << name << " " << entry.functionId;
            EXPECT_FALSE(entry.hidden) << name << " " << entry.functionId;
            EXPECT_FALSE(entry.checked) << name << " " << entry.functionId;
            if (entry.standard) {
                EXPECT_EQ(entry.name, clsApplicationManager::ApplicationIdName(entry.functionId)) << name;
                EXPECT_EQ(entry.applicationId, entry.name) << name;
                EXPECT_EQ(entry.help, "No help available") << name;
            }
        }
    }

    Dtm()->SetDtmStatus(DtmStatus::CommunicationSet);
    global::FdtUserLevel() = 2;
    const QString document = Functions(QStringLiteral("commissioning"));
    EXPECT_TRUE(document.contains("xmlns=\"x-schema:DTMFunctionsSchema.xml\" "
                                  "xmlns:fdt=\"x-schema:FDTDataTypesSchema.xml\" "
                                  "xmlns:appId=\"x-schema:FDTApplicationIdSchema.xml\""))
        << document.toStdString();
    EXPECT_TRUE(document.contains("<Functions label=\"DTM function set\" fdt:name=\"DtmFunctions\" "
                                  "help=\"No help available\">"));
    const QList<Offered> entries = Entries(document);
    const Offered* connect = Find(entries, kConnectId);
    ASSERT_TRUE(connect);
    EXPECT_EQ(connect->label, "Connect");
    EXPECT_EQ(connect->name, "&&Menu_State&&Connect");
    EXPECT_FALSE(connect->hasGui);
    const Offered* exportFunction = Find(entries, kTrivexExportId);
    ASSERT_TRUE(exportFunction);
    EXPECT_EQ(exportFunction->label, "Export");
    EXPECT_EQ(exportFunction->name, "&&Menu_State&&Export");
    // The Function elements come before the StandardFunction elements.
    EXPECT_FALSE(entries.first().standard);
    EXPECT_TRUE(entries.last().standard);
}

TEST_F(ApplicationManagerDtm, OperationStatesWithoutAPhaseGiveAnEmptyList)
{
    ConfiguredInstance();
    Dtm()->SetDtmStatus(DtmStatus::CommunicationSet);
    const std::pair<QString, const char*> states[] = {
        {"<FDT xmlns=\"x-schema:FDTOperationPhaseSchema.xml\"/>", "No attribute operationPhase available"},
        {"<FDT/>", "Empty root element"},
        {"<State operationPhase=\"runtime\"/>", "Missing XML-Element FDT"},
        {"<FDT operationPhase=", "Parser error!"},
        {"", "Parser error!"},
    };
    for (const auto& [state, trace] : states) {
        traces.clear();
        const QString document = Dtm()->GetFunctions(state);
        XMLHelper::DocumentPtr parsed;
        EXPECT_TRUE(XMLHelper::LoadXmlString(document, parsed)) << state.toStdString();
        EXPECT_TRUE(Entries(document).isEmpty()) << state.toStdString();
        EXPECT_TRUE(document.contains("<Functions label=\"DTM function set\"")) << state.toStdString();
        EXPECT_TRUE(traces.contains(trace)) << state.toStdString();
        EXPECT_FALSE(traces.contains("Runtime error")) << state.toStdString();
    }
    // Before Config the frame gets the empty document of a refusal.
    Dtm()->SetDtmStatus(DtmStatus::Running);
    EXPECT_EQ(Dtm()->GetFunctions(State()), XMLHelper::CreateFunctionsDocument());
}

TEST_F(ApplicationManagerDtm, ADatasetLockedByAnotherUserListsOnlyTheLockedOutEntry)
{
    ConfiguredInstance();
    Dtm()->SetDtmStatus(DtmStatus::CommunicationSet);
    ASSERT_TRUE(frame->LockByOtherUser(kTag, QStringLiteral("Anna")));
    const QString document = Functions(QStringLiteral("commissioning"));
    XMLHelper::DocumentPtr parsed;
    EXPECT_TRUE(XMLHelper::LoadXmlString(document, parsed));
    const QList<Offered> entries = Entries(document);
    ASSERT_EQ(entries.size(), 1);
    EXPECT_EQ(entries[0].functionId, clsApplicationManager::kLockedOutFunctionId);
    EXPECT_FALSE(entries[0].standard);
    EXPECT_EQ(entries[0].name, "locked out");
    EXPECT_EQ(entries[0].label, "Data set locked by: Anna");
    EXPECT_EQ(entries[0].help, "No Help available");
    EXPECT_FALSE(entries[0].hasGui);
    EXPECT_FALSE(entries[0].enabled);
    EXPECT_FALSE(entries[0].hidden);
    // Nothing starts meanwhile.
    EXPECT_FALSE(Dtm()->InvokeFunctionRequest("c1", Call(kConnectId)));
    EXPECT_FALSE(Dtm()->StartApplication("a1", Call(5), QString()));
    EXPECT_TRUE(Manager()->Application(5).invokeId.isEmpty());

    ASSERT_TRUE(frame->UnlockByOtherUser(kTag, QStringLiteral("Anna")));
    EXPECT_EQ(Ids(Entries(Functions(QStringLiteral("commissioning"))), false),
              (std::set<int32_t>{kConnectId, kTrivexExportId}));
}

TEST_F(ApplicationManagerDtm, TheAppletsLockedItemTellsTheFrameTheFunctionsChanged)
{
    ConfiguredInstance();
    const int before = frame->Events().Count("OnFunctionChanged");
    int32_t failed = 0;
    counting->manager->PutBoolValue(counting->Handle(clsApplicationManager::kLockedItem), -1, failed);
    ASSERT_EQ(failed, 0);
    EXPECT_EQ(frame->Events().Count("OnFunctionChanged"), before + 1);
    // A refresh of the item is no change.
    counting->manager->RefreshAll();
    Settle();
    EXPECT_EQ(frame->Events().Count("OnFunctionChanged"), before + 1);
}

TEST_F(ApplicationManagerDtm, AnOnlineApplicationKeepsTheCommunicationUntilItHasClosed)
{
    CommunicationSetInstance();
    ASSERT_TRUE(Dtm()->StartApplication(QStringLiteral("diag-1"), Call(5), QStringLiteral("Diagnosis")));
    const auto manager = Manager();
    EXPECT_EQ(manager->Application(5).invokeId, "diag-1");
    EXPECT_TRUE(manager->OnlineApplicationActive());
    EXPECT_FALSE(manager->OfflineApplicationActive());
    EXPECT_TRUE(Dtm()->ShouldWarnChannelData());
    Settle();
    EXPECT_TRUE(counting->calls.contains("StartSingleView MDIMAIN")) << counting->calls.join(", ").toStdString();
    // The running application is checked; the others of the same form are not.
    const QList<Offered> entries = Entries(Functions(QStringLiteral("commissioning")));
    ASSERT_TRUE(Find(entries, 5));
    EXPECT_TRUE(Find(entries, 5)->checked);
    ASSERT_TRUE(Find(entries, 8));
    EXPECT_FALSE(Find(entries, 8)->checked);

    frame->Events().Clear();
    EXPECT_FALSE(Dtm()->PrepareToReleaseCommunication());
    EXPECT_EQ(frame->Events().Texts("OnErrorMessage"),
              (QStringList{QStringLiteral("OnErrorMessage(%1)").arg(Text(5006)),
                           QStringLiteral("OnErrorMessage(%1)").arg(Text(5007))}));
    EXPECT_TRUE(traces.contains(Text(5006)));
    EXPECT_TRUE(traces.contains(Text(5007)));
    Settle();
    EXPECT_EQ(frame->Events().Count("OnPreparedToReleaseCommunication"), 0);

    // Exiting asks the form to close; the application runs until it has.
    EXPECT_FALSE(Dtm()->ExitApplication(QStringLiteral("other")));
    EXPECT_TRUE(Dtm()->ExitApplication(QStringLiteral("diag-1")));
    EXPECT_TRUE(counting->calls.contains("fncCloseForm MDIMAIN"));
    EXPECT_FALSE(manager->OnlineApplicationActive());
    EXPECT_EQ(manager->Application(5).invokeId, "diag-1");
    EXPECT_EQ(frame->Events().Count("OnApplicationClosed"), 0);

    // Closed: the save question first, then the frame hears of it.
    counting->MarkChanged(); // the save question is asked about changes
    dialogService.AnswerMessage(dialogs::DialogResult::No);
    int questionsWhenClosed = -1;
    frame->Events().SetObserver([&](const frame::FrameEvent& event) {
        if (event.name == QLatin1String("OnApplicationClosed"))
            questionsWhenClosed = static_cast<int>(dialogService.Requests().size());
    });
    counting->CloseMessage(QStringLiteral("MdiMain"));
    EXPECT_EQ(frame->Events().Texts("OnApplicationClosed"), QStringList{"OnApplicationClosed(diag-1)"});
    EXPECT_EQ(questionsWhenClosed, 1);
    ASSERT_EQ(dialogService.Requests().size(), 1u);
    EXPECT_EQ(dialogService.Requests()[0].text, Text(701));
    EXPECT_TRUE(counting->calls.contains("LoadFromDatabase")); // the changes are dropped
    EXPECT_TRUE(manager->Application(5).invokeId.isEmpty());
    EXPECT_FALSE(Dtm()->ShouldWarnChannelData());
    Settle();
    EXPECT_EQ(Dtm()->LockCounter(), 0);
    EXPECT_FALSE(Container()->DataSetLockedByDtm());
    frame->Events().SetObserver({});

    // It can be started again; and the communication can go now.
    ASSERT_TRUE(Dtm()->StartApplication(QStringLiteral("diag-2"), Call(5), QString()));
    EXPECT_EQ(manager->Application(5).invokeId, "diag-2");
    ASSERT_TRUE(Dtm()->ExitApplication(QStringLiteral("diag-2")));
    // The frame saved the dataset meanwhile: nothing to ask.
    counting->CloseMessage(QStringLiteral("MdiMain"));
    EXPECT_EQ(dialogService.Requests().size(), 1u);
    Settle();
    EXPECT_TRUE(Dtm()->PrepareToReleaseCommunication());
}

TEST_F(ApplicationManagerDtm, AnOfflineApplicationRefusesTheCommunication)
{
    ConfiguredInstance(QStringLiteral("planningEngineer"));
    ASSERT_TRUE(Dtm()->StartApplication(QStringLiteral("cfg-1"), Call(4, QStringLiteral("engineering")), QString()));
    const auto manager = Manager();
    EXPECT_TRUE(manager->OfflineApplicationActive());
    EXPECT_FALSE(manager->OnlineApplicationActive());
    EXPECT_TRUE(Dtm()->ShouldWarnChannelData());

    frame->Events().Clear();
    EXPECT_FALSE(frame->SetCommunication(kTag, QStringLiteral("hart-ip://127.0.0.1:5094")));
    EXPECT_EQ(frame->Events().Texts("OnErrorMessage"), QStringList{QStringLiteral("OnErrorMessage(%1)").arg(Text(5003))});
    EXPECT_TRUE(traces.contains(Text(5003)));
    EXPECT_EQ(Status(), DtmStatus::Configured);

    EXPECT_TRUE(Dtm()->ExitApplication(QStringLiteral("cfg-1")));
    EXPECT_FALSE(manager->OfflineApplicationActive());
    counting->MarkChanged(); // the save question is asked about changes
    dialogService.AnswerMessage(dialogs::DialogResult::Yes);
    counting->CloseMessage(QStringLiteral("MDIMAIN"));
    EXPECT_EQ(frame->Events().Texts("OnApplicationClosed"), QStringList{"OnApplicationClosed(cfg-1)"});
    EXPECT_TRUE(counting->calls.contains("SaveToDatabase")); // the changes are kept
    Settle();
    EXPECT_EQ(Dtm()->LockCounter(), 0);
    EXPECT_FALSE(Container()->DataSetLockedByDtm());
}

TEST_F(ApplicationManagerDtm, AStartWhileTheApplicationRunsTakesNoSecondLock)
{
    ConfiguredInstance(QStringLiteral("planningEngineer"));
    const QString call = Call(4, QStringLiteral("engineering"));
    ASSERT_TRUE(Dtm()->StartApplication(QStringLiteral("cfg-1"), call, QString()));
    EXPECT_EQ(Dtm()->LockCounter(), 1);
    // Started again (the frame brings the window to the front): still one
    // lock, as the closing gives back one.
    ASSERT_TRUE(Dtm()->StartApplication(QStringLiteral("cfg-1"), call, QString()));
    EXPECT_EQ(Dtm()->LockCounter(), 1);
    EXPECT_TRUE(Dtm()->ExitApplication(QStringLiteral("cfg-1")));
    counting->MarkChanged(); // the save question is asked about changes
    dialogService.AnswerMessage(dialogs::DialogResult::No);
    counting->CloseMessage(QStringLiteral("MDIMAIN"));
    EXPECT_EQ(frame->Events().Texts("OnApplicationClosed"), QStringList{"OnApplicationClosed(cfg-1)"});
    Settle();
    EXPECT_EQ(Dtm()->LockCounter(), 0);
    EXPECT_FALSE(Container()->DataSetLockedByDtm());
}

TEST_F(ApplicationManagerDtm, ARefusedStartLeavesTheApplicationIdle)
{
    ConfiguredInstance();
    // fdtDiagnosis needs the communication, fdtConfiguration a planning engineer.
    for (int32_t id : {5, 4}) {
        traces.clear();
        EXPECT_FALSE(Dtm()->StartApplication(QStringLiteral("app-%1").arg(id), Call(id), QString())) << id;
        EXPECT_TRUE(Manager()->Application(id).invokeId.isEmpty()) << id;
        EXPECT_TRUE(traces.contains("IDtmApplication::StartApplication failed")) << id;
    }
    EXPECT_FALSE(Manager()->OnlineApplicationActive());
    EXPECT_FALSE(Manager()->OfflineApplicationActive());
    EXPECT_EQ(Dtm()->LockCounter(), 0);
    // Not registered at all.
    EXPECT_FALSE(Dtm()->StartApplication(QStringLiteral("app-7"), Call(7), QString()));
    EXPECT_FALSE(Dtm()->ExitApplication(QStringLiteral("app-5")));
}

TEST_F(ApplicationManagerDtm, AMenuWindowLeavesTheDatasetLockWhenItCloses)
{
    ConfiguredInstance();
    counting->Write(QStringLiteral("&&Menu_State&&GenericView"), 3);
    ASSERT_EQ(Find(Entries(Functions(QStringLiteral("runtime"))), kGenericViewId) != nullptr, true);
    ASSERT_TRUE(Dtm()->InvokeFunctionRequest(QStringLiteral("view-1"), Call(kGenericViewId, QStringLiteral("runtime"))));
    EXPECT_EQ(Dtm()->LockCounter(), 1);
    EXPECT_TRUE(Container()->DataSetLockedByDtm());
    Settle();
    EXPECT_TRUE(counting->calls.contains("StartSingleView Merrow.clsGenericView"));
    EXPECT_EQ(frame->Events().Count("OnInvokedFunctionFinished"), 0);
    EXPECT_FALSE(Manager()->AllGuiFunctionsIdle());

    // Invoked again under its own invoke id it comes to the front without a
    // second lock; under another id it is refused.
    ASSERT_TRUE(Dtm()->InvokeFunctionRequest(QStringLiteral("view-1"), Call(kGenericViewId, QStringLiteral("runtime"))));
    EXPECT_FALSE(Dtm()->InvokeFunctionRequest(QStringLiteral("view-2"), Call(kGenericViewId, QStringLiteral("runtime"))));
    EXPECT_EQ(Dtm()->LockCounter(), 1);
    Settle();

    counting->MarkChanged(); // the save question is asked about changes

    dialogService.AnswerMessage(dialogs::DialogResult::Yes);
    counting->CloseMessage(QStringLiteral("Merrow.clsGenericView"));
    EXPECT_EQ(frame->Events().Texts("OnApplicationClosed"), QStringList{"OnApplicationClosed(view-1)"});
    EXPECT_TRUE(Manager()->AllGuiFunctionsIdle());
    EXPECT_TRUE(counting->calls.contains("SaveToDatabase"));
    Settle();
    EXPECT_EQ(Dtm()->LockCounter(), 0);
    EXPECT_FALSE(Container()->DataSetLockedByDtm());
    EXPECT_EQ(frame->Events().Count("UnlockDataSet"), 1);
}

TEST_F(ApplicationManagerDtm, TheReleaseDestroysTheManager)
{
    ConfiguredInstance();
    const auto manager = Manager();
    ASSERT_TRUE(manager);
    ASSERT_TRUE(counting->manager->IsRegistered(manager.get()));
    ASSERT_TRUE(frame->ReleaseInstance(kTag));
    Settle();
    EXPECT_FALSE(frame->HasDtm(kTag));
    EXPECT_EQ(manager->FunctionCount(), 0);
    EXPECT_TRUE(traces.contains("clsApplicationManager destroyed"));
}

} // namespace
