// The application and function manager: the list built from the FDT file's
// applications and the TDX menu, its ids, and the calls that name functions
// outside it.
#include "ApplicationManagerTestSupport.h"

namespace {

using namespace appmgrtest;
using Menu = QList<MenuParser::Entry>;
using Applications = QList<ApplicationParser::Application>;

class ApplicationManagerList : public ::testing::Test {
protected:
    ~ApplicationManagerList() override
    {
        if (manager)
            manager->DestroyApplications();
        dtmtest::ReleaseDtmGlobals();
    }

    // The manager built from the menu and the applications, on an applet host
    // whose data dictionary is that menu.
    bool Build(const Menu& menu, const Applications& applications)
    {
        menuParser = std::make_shared<MenuParser>(menu);
        host = dtmtest::FakeAppletHost::Make(QString(), menuParser);
        global::AppletHost() = host;
        manager = std::make_shared<clsApplicationManager>();
        return manager->RegisterFunctions(menuParser, std::make_shared<ApplicationParser>(applications));
    }
    QString CommandOf(int32_t functionId) const
    {
        const auto function = manager->FunctionById(functionId);
        return function ? function->CommandLine().trimmed() : QString();
    }

    TraceCapture traces;
    std::shared_ptr<MenuParser> menuParser;
    std::shared_ptr<dtmtest::FakeAppletHost> host;
    std::shared_ptr<clsApplicationManager> manager;
};

TEST_F(ApplicationManagerList, WithoutApplicationsAndMenuTheExportIsFunctionThirteen)
{
    ASSERT_TRUE(Build({}, {}));
    EXPECT_EQ(manager->FunctionCount(), 1);
    EXPECT_EQ(manager->FdtApplicationCount(), 0);
    const auto exportFunction = manager->FunctionById(13);
    ASSERT_TRUE(exportFunction);
    EXPECT_EQ(exportFunction->Type(), clsApplicationFunction::kExport);
    EXPECT_EQ(exportFunction->FunctionId(), "13");
    EXPECT_EQ(exportFunction->Label(), "Export");
    EXPECT_FALSE(manager->FunctionById(14));
    EXPECT_FALSE(manager->FunctionById(1));
    EXPECT_TRUE(traces.contains("No FDT file based applications available, reason code = 0x80004005"));
    for (int32_t id = 1; id <= clsApplicationManager::kApplicationCount; ++id)
        EXPECT_FALSE(manager->Application(id).registered) << id;
    // The manager and its function are views of the item manager.
    EXPECT_TRUE(host->manager->IsRegistered(manager.get()));
    EXPECT_TRUE(host->manager->IsRegistered(exportFunction.get()));
}

TEST_F(ApplicationManagerList, ApplicationsOfOneFormAreOneFunctionWithTheFlagsOfAll)
{
    // Read from the last entry to the first: frmTrend becomes function 1.
    ASSERT_TRUE(Build({}, {{"Parameterize", "MdiMain", 2 | 4},
                           {"Observe", "mdimain", 8 | 32 | 64},
                           {"Trend", "frmTrend", 8 | 256}}));
    ASSERT_EQ(manager->FdtApplicationCount(), 2);
    ASSERT_EQ(manager->FunctionCount(), 3); // and the export
    EXPECT_EQ(CommandOf(1), "FNCSTARTFORM FRMTREND");
    EXPECT_EQ(CommandOf(2), "FNCSTARTFORM MDIMAIN");
    EXPECT_EQ(CommandOf(13), "Export");
    EXPECT_TRUE(manager->FunctionById(1)->HasGUI());

    const std::pair<int32_t, QList<int32_t>> expected[] = {
        {2, {1}},    // fdtAssetManagement: 256
        {4, {2}},    // fdtConfiguration: 2
        {5, {1, 2}}, // fdtDiagnosis: 8 of both forms
        {8, {2}},    // fdtObserve: 32
        {12, {2}},   // fdtOnlineParameterize: 4
    };
    for (int32_t id = 1; id <= clsApplicationManager::kApplicationCount; ++id) {
        const auto it = std::find_if(std::begin(expected), std::end(expected),
                                     [&](const auto& entry) { return entry.first == id; });
        const clsApplicationManager::ApplicationRecord record = manager->Application(id);
        if (it == std::end(expected)) {
            EXPECT_FALSE(record.registered) << id; // 64 names no application
            continue;
        }
        EXPECT_TRUE(record.registered) << id;
        EXPECT_EQ(record.applicationId, id);
        EXPECT_EQ(record.functionIds, it->second) << id;
        EXPECT_TRUE(record.invokeId.isEmpty());
    }
}

TEST_F(ApplicationManagerList, MenuIdsFollowTheKeptEntriesAndTheExportComesLast)
{
    ASSERT_TRUE(Build({{"Connect", "&Connect", "Connects", "CONNECT"},
                       {"Odd", "Odd", "", "FROBNICATE now"},
                       {"Main", "&Main", "", "  fncStartForm mdiMAIN"},
                       {"Again", "Again", "", "CONNECT"},
                       {"Load", "&Load", "", "LOADFROMDEVICE"}},
                      {{"Main window", "MdiMain", 8}}));
    EXPECT_EQ(manager->FdtApplicationCount(), 1);
    EXPECT_EQ(CommandOf(1), "FNCSTARTFORM MDIMAIN");
    // The unknown keyword, the start form that the FDT file declares and the
    // second CONNECT take no id.
    EXPECT_EQ(CommandOf(13), "CONNECT");
    EXPECT_EQ(CommandOf(14), "LOADFROMDEVICE");
    EXPECT_EQ(CommandOf(15), "Export");
    EXPECT_EQ(manager->FunctionCount(), 4);
    EXPECT_FALSE(manager->FunctionById(16));
    EXPECT_TRUE(traces.contains("Obsolete TDX function : fncStartForm mdiMAIN"));
    EXPECT_TRUE(traces.contains("Duplicate function ignored: CONNECT "));
    // What was dropped left the item manager again.
    EXPECT_EQ(host->manager->RegisteredViews().size(), 5u); // manager, application, connect, load, export
}

TEST_F(ApplicationManagerList, CallsNamingNothingInTheListAreRefusedWithoutAnError)
{
    ASSERT_TRUE(Build({{"Connect", "&Connect", "", "CONNECT"}}, {{"Main", "MdiMain", 8}}));
    traces.clear();
    for (int32_t id : {0, -1, 12, 15, 99, 2147483647})
        EXPECT_FALSE(manager->InvokeFunction(QStringLiteral("i1"), Call(id))) << id;
    for (int32_t id : {-3, 15, 2147483647, 1, 4})
        EXPECT_FALSE(manager->StartApplication(QStringLiteral("i2"), Call(id), QString())) << id;
    EXPECT_TRUE(traces.contains("InvokeFunction: no function with the id 99"));
    EXPECT_TRUE(traces.contains("StartApplication: no application with the id -3"));
    EXPECT_FALSE(manager->FunctionById(-1));
    EXPECT_FALSE(manager->FunctionById(0));
    EXPECT_FALSE(manager->FunctionById(2147483647));
    EXPECT_FALSE(manager->Application(13).registered);
    // Calls that do not parse or name no function.
    EXPECT_FALSE(manager->InvokeFunction("i3", "<FDT/>"));
    EXPECT_FALSE(manager->InvokeFunction("i3", "not xml"));
    EXPECT_FALSE(manager->InvokeFunction("i3", "<FDT><FDTFunctionCall/></FDT>"));
    EXPECT_TRUE(traces.contains("Missing XML-Element FDTFunctionCall"));
    EXPECT_TRUE(traces.contains("Missing XML - Attribute func:functionId"));
    // Nothing runs, so nothing can be exited; an empty invoke id names nothing.
    EXPECT_FALSE(manager->ExitApplication(QString()));
    EXPECT_FALSE(manager->ExitApplication("i1"));
    EXPECT_FALSE(traces.contains("Runtime error"));
    EXPECT_FALSE(manager->OnlineApplicationActive());
    EXPECT_FALSE(manager->OfflineApplicationActive());
}

TEST_F(ApplicationManagerList, DestroyLeavesTheItemManagerAndReleasesEveryFunction)
{
    ASSERT_TRUE(Build({{"Connect", "&Connect", "", "CONNECT"}}, {{"Main", "MdiMain", 8}}));
    const auto connect = manager->FunctionById(13);
    ASSERT_TRUE(connect);
    ASSERT_EQ(host->manager->RegisteredViews().size(), 4u);
    manager->DestroyApplications();
    EXPECT_TRUE(host->manager->RegisteredViews().empty());
    EXPECT_EQ(manager->FunctionCount(), 0);
    EXPECT_FALSE(manager->FunctionById(13));
    EXPECT_FALSE(manager->Application(5).registered);
    EXPECT_EQ(connect->Type(), -1); // reset
    EXPECT_TRUE(traces.contains("clsApplicationManager destroyed"));
    // Twice is harmless.
    manager->DestroyApplications();
    int32_t result = -1;
    manager->NotifyChanged(1, false, 0, 0, result);
    EXPECT_EQ(result, 1);
    EXPECT_TRUE(traces.contains("privAppletItemManager Is Nothing"));
}

TEST(ApplicationManagerNames, TablesOfIdsPhasesAndFlags)
{
    const char* names[] = {"fdtAdjustSetValue", "fdtAssetManagement",  "fdtAuditTrail",          "fdtConfiguration",
                           "fdtDiagnosis",      "fdtForce",            "fdtManagement",          "fdtObserve",
                           "fdtOfflineCompare", "fdtOfflineParameterize", "fdtOnlineCompare", "fdtOnlineParameterize"};
    for (int32_t id = 1; id <= 12; ++id) {
        EXPECT_EQ(clsApplicationManager::ApplicationIdName(id), names[id - 1]);
        EXPECT_EQ(clsApplicationManager::ApplicationIdFromName(QString(names[id - 1]).toUpper()), id);
    }
    EXPECT_EQ(clsApplicationManager::ApplicationIdName(0), "");
    EXPECT_EQ(clsApplicationManager::ApplicationIdName(13), "");
    EXPECT_EQ(clsApplicationManager::ApplicationIdFromName("fdtobserve"), 8);
    EXPECT_EQ(clsApplicationManager::ApplicationIdFromName("observe"), 0);
    EXPECT_EQ(clsApplicationManager::OperationPhaseFromName("engineering"), 1);
    EXPECT_EQ(clsApplicationManager::OperationPhaseFromName("commissioning"), 2);
    EXPECT_EQ(clsApplicationManager::OperationPhaseFromName("runtime"), 3);
    EXPECT_EQ(clsApplicationManager::OperationPhaseFromName("Runtime"), 0); // compared exactly
    EXPECT_EQ(clsApplicationManager::OperationPhaseFromName(""), 0);
    const std::pair<int32_t, int32_t> flags[] = {{256, 2}, {2, 4}, {8, 5}, {64, 0}, {128, 6},
                                                 {16, 7},  {32, 8}, {4, 12}, {1, 0},  {0, 0}};
    for (const auto& [bit, id] : flags)
        EXPECT_EQ(clsApplicationManager::ApplicationIdFromFlag(bit), id) << bit;
}

} // namespace
