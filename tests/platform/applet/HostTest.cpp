#include "AppletTestSupport.h"
#include "platform/applet/AppletResults.h"
#include "platform/applet/AppletStates.h"
#include "platform/applet/StateInfo.h"
#include "platform/applet/RecordRunner.h"
#include "platform/applet/clsAppletHost.h"
#include "platform/comm/hart/PackedAscii.h"

using namespace applet;
using namespace applettest;

namespace {

const QString kFormProgId = QStringLiteral("Test.FormView");

QByteArray Packed(const QString& text)
{
    QByteArray out;
    comm::PackedAscii::pack(text, 6, out);
    return out;
}

class HostTest : public ::testing::Test {
protected:
    HostTest()
    {
        automation::ClassRegistry::instance().Register(kFormProgId, QString(), [this] {
            auto view = std::make_shared<RecordingView>();
            view->onAttach = onAttach;
            created.push_back(view);
            return view;
        });
        host = std::shared_ptr<clsAppletHost>(new clsAppletHost); // see ItemManagerTest
        store = std::make_shared<StoreDouble>();
        store->values[QStringLiteral("Upper")] = QStringLiteral("50");
        int32_t code = -1;
        host->fncSetDBInstance(store, code);
        EXPECT_EQ(code, 0);
        host->fncInit(WriteFile(dir, "test.tdx", TestDescription()), QString(), "&&private&&CountryCode=049", code);
        EXPECT_EQ(code, 0);
        host->GetItemManager(manager);
        server = std::make_shared<ScriptedServer>();
        host->fncSetCServer(server, code);
        EXPECT_EQ(code, kServerAccepted);
        watcher = std::make_shared<RecordingView>();
        int32_t result = 0;
        manager->RegisterView(watcher, result);
        Pump();
    }
    ~HostTest() override
    {
        Pump();
        if (host) {
            std::shared_ptr<AppletHost> ref = host;
            int32_t result = 0;
            host->DestroyApplet(ref, result);
        }
        watcher->onNotify = nullptr;
        automation::ClassRegistry::instance().Unregister(kFormProgId);
    }

    int32_t H(const QString& name) const { return manager->HandleOf(name); }
    double Number(const QString& name, bool shadow = false) const
    {
        double value = -1;
        int32_t failed = 0;
        const AppletItem* item = manager->Item(H(name));
        if (item && item->Type() == ItemType::Float) {
            float f = 0;
            manager->fncReadFloatValue(H(name), f, shadow, failed);
            return f;
        }
        manager->fncReadUIntValue(H(name), value, shadow, failed);
        return value;
    }
    QString Text(const QString& name) const
    {
        QString text;
        int32_t failed = 0;
        manager->fncReadString(H(name), text, false, failed);
        return text;
    }
    void Put(const QString& name, const QString& value)
    {
        int32_t failed = 0;
        manager->fncPutString(H(name), value, failed);
        ASSERT_EQ(failed, 0) << name.toStdString();
    }
    // The values a watched item took, in order (refreshes left out).
    std::vector<int> Watch(const QString& name)
    {
        const int32_t handle = watcher->Register(name);
        Pump();
        watched[handle] = {};
        return {};
    }
    std::vector<int> Seen(const QString& name) { return watched[H(name)]; }
    void RecordValues()
    {
        watcher->onNotify = [this](int32_t item, int32_t state) {
            if ((state & StateInfo::kRefresh) != 0 || watched.find(item) == watched.end())
                return;
            double value = 0;
            int32_t failed = 0;
            manager->fncGetUIntValue(item, value, failed);
            watched[item].push_back(static_cast<int>(value));
        };
    }
    void ConnectDevice()
    {
        int32_t result = -1;
        host->Connect(0, result);
        ASSERT_EQ(result, 0);
        Pump();
        ASSERT_EQ(Number("&&private&&connect"), ConnectState::Connected);
    }
    void ScriptUpload()
    {
        server->script[13] = {{0, 0, Packed("ABC 1 2")}};
        server->script[15] = {{0, 0, QByteArray(1, '\x08') + FloatBytes(250.0f) + FloatBytes(-1.5f)}};
    }

    loop::ManualClock clock;
    loop::ScopedTimerService scope{clock};
    TraceSilencer traces;
    QTemporaryDir dir;
    std::shared_ptr<clsAppletHost> host;
    std::shared_ptr<StoreDouble> store;
    std::shared_ptr<clsAppletItemManager> manager;
    std::shared_ptr<ScriptedServer> server;
    std::shared_ptr<RecordingView> watcher;
    std::vector<std::shared_ptr<RecordingView>> created;
    std::function<void(RecordingView&)> onAttach; // handed to every view created from now on
    std::map<int32_t, std::vector<int>> watched;
};

TEST_F(HostTest, InitLoadsTheDescriptionTheStoreAndTheInitString)
{
    EXPECT_EQ(Number("&&private&&countrycode"), 49);
    EXPECT_EQ(Number("Upper"), 50) << "from the instance-data store";
    EXPECT_EQ(Number("Lower"), 0);
    EXPECT_TRUE(Text("&&private_PM&&TDXPath").endsWith('/'));
    EXPECT_EQ(Number("&&private&&Dirty"), 0);

    std::shared_ptr<AppletHost> applet;
    manager->GetApplet(applet);
    EXPECT_EQ(applet.get(), host.get());
    int32_t code = 0;
    host->fncInit(dir.filePath("test.tdx"), QString(), QString(), code);
    EXPECT_NE(code, 0) << "a second start is refused";
}

TEST_F(HostTest, ConnectAndDisconnectWalkTheConnectItem)
{
    Watch("&&private&&CONNECT");
    RecordValues();
    int32_t result = -1;
    host->Connect(0, result);
    EXPECT_EQ(result, 0);
    EXPECT_EQ(Seen("&&private&&connect"), std::vector<int>({1}));
    Pump();
    EXPECT_EQ(Seen("&&private&&connect"), std::vector<int>({1, 2}));
    EXPECT_EQ(server->calls, QStringList({"AddClient", "ConnectRequest"}));
    EXPECT_EQ(server->lastDeviceInfo, QVariantList({0x3F, 0xA5}));

    host->Disconnect(0, result);
    Pump();
    EXPECT_EQ(Seen("&&private&&connect"), std::vector<int>({1, 2, 3, 0}));

    server->connectHResult = 5;
    host->Connect(0, result);
    Pump();
    EXPECT_EQ(Seen("&&private&&connect"), std::vector<int>({1, 2, 3, 0, 1, 0})) << "a refused connect goes back to 0";

    server->connectHResult = 0;
    server->answerConnect = false;
    host->Connect(0, result);
    clock.Advance(30000);
    EXPECT_EQ(Number("&&private&&connect"), 0) << "a connect the server never answers times out";
    EXPECT_TRUE(server->calls.contains("Abort"));

    int32_t code = 0;
    host->fncSetCServer(nullptr, code);
    host->Connect(0, result);
    EXPECT_EQ(result, kResultNoServer);
}

TEST_F(HostTest, UncontrolledReadSequenceRunsAtOnceAndIsAdjusted)
{
    ConnectDevice();
    ScriptUpload();
    Watch("&&Sequence_State&&Upload");
    Watch("&&Sequence_Progress&&Upload");
    RecordValues();

    int32_t result = -1;
    host->StartSequence("UPLOAD", result);
    EXPECT_EQ(result, 0);
    EXPECT_TRUE(Seen("&&Sequence_State&&Upload").empty()) << "nothing runs inside the start call";
    EXPECT_TRUE(server->sent.empty());
    Pump();
    EXPECT_EQ(Seen("&&Sequence_State&&Upload"), std::vector<int>({2, 64, 0, 128, 0}));
    EXPECT_EQ(Seen("&&Sequence_Progress&&Upload"), std::vector<int>({50, 100}));
    ASSERT_EQ(server->sent.size(), 2u);
    EXPECT_EQ(server->sent[0].request, QByteArray("\x0D\x00", 2));
    EXPECT_EQ(server->sent[1].request, QByteArray("\x0F\x00", 2));
    EXPECT_EQ(Number("Upper", true), 250.0);
    EXPECT_EQ(Number("Upper"), 250.0) << "adjusted into the dataset";
    EXPECT_EQ(Number("Unit"), 8);
    EXPECT_EQ(Text("Tag"), "ABC 1 2");
    EXPECT_EQ(Number("&&Sequence_Control&&Upload"), 0);
    QByteArray response;
    int32_t failed = 0;
    manager->fncGetOctetsValue(H("&&Record_Response&&ReadRange"), response, failed);
    EXPECT_EQ(response.left(3), QByteArray("\x0F\x00\x00", 3));
    EXPECT_EQ(response.size(), 3 + 9);
}

TEST_F(HostTest, ControlledSequenceWaitsInItsRequestStateForTheAction)
{
    ConnectDevice();
    ScriptUpload();
    Watch("&&Sequence_State&&Upload");
    Watch("&&Sequence_Control&&Upload");
    RecordValues();

    int32_t result = -1;
    host->StartSequence("Upload", result);
    Pump();
    clock.Advance(60000);
    EXPECT_EQ(Seen("&&Sequence_State&&Upload"), std::vector<int>({2}));
    EXPECT_TRUE(server->sent.empty());

    Put("&&Sequence_Control&&Upload", "1");
    Pump();
    EXPECT_EQ(Seen("&&Sequence_State&&Upload"), std::vector<int>({2, 64, 0})) << "the controller adjusts itself";
    EXPECT_EQ(Number("Upper"), 50);
    EXPECT_EQ(Number("Upper", true), 250);

    host->StartAdjust("upload", result);
    EXPECT_EQ(result, 0);
    Pump();
    EXPECT_EQ(Seen("&&Sequence_State&&Upload"), std::vector<int>({2, 64, 0, 128, 0}));
    EXPECT_EQ(Number("Upper"), 250);

    // Stopped in the request state: it never runs and reads back 2.
    server->sent.clear();
    host->StartSequence("Upload", result);
    Pump();
    Put("&&Sequence_Control&&Upload", "2");
    Pump();
    EXPECT_EQ(Seen("&&Sequence_State&&Upload").back(), 0);
    EXPECT_EQ(Number("&&Sequence_Control&&Upload"), SequenceAction::Stop);
    EXPECT_TRUE(server->sent.empty());
}

TEST_F(HostTest, ASecondSequenceWhileOneRunsAnswersBusy)
{
    ConnectDevice();
    ScriptUpload();
    server->answerInline = false;
    int32_t result = -1;
    host->StartSequence("Upload", result);
    EXPECT_EQ(result, 0);
    host->ForceSequence("Download", result);
    EXPECT_EQ(result, kResultBusy);
    host->StartAdjust("Upload", result);
    EXPECT_EQ(result, kResultBusy);
    Pump();
    server->AnswerHeld();
    Pump();
    server->AnswerHeld();
    Pump();
    host->StartSequence("Download", result);
    EXPECT_EQ(result, 0);
    host->StartSequence("NoSuchSequence", result);
    EXPECT_NE(result, 0);
    EXPECT_NE(result, kResultBusy);
}

TEST_F(HostTest, WriteSequenceSendsDatasetValuesAndTakesTheEcho)
{
    ConnectDevice();
    Put("Upper", "12.5");
    Put("Unit", "12");
    server->script[35] = {{0, 0, QByteArray(1, '\x0C') + FloatBytes(12.5f) + FloatBytes(0.0f)}};
    int32_t result = -1;
    host->ForceSequence("Download", result);
    Pump();
    ASSERT_EQ(server->sent.size(), 1u);
    EXPECT_EQ(server->sent[0].kind, 2);
    EXPECT_EQ(server->sent[0].request, QByteArray("\x23\x09\x0C", 3) + FloatBytes(12.5f) + FloatBytes(0.0f));
    EXPECT_EQ(Number("Unit", true), 12) << "the device's echo is what it now holds";
    EXPECT_EQ(Number("&&Sequence_State&&Download"), 0);
    EXPECT_EQ(Number("&&Sequence_Control&&Download"), 0);
}

TEST_F(HostTest, AWatcherOfTheResponseControlDecidesOnFailedResponses)
{
    ConnectDevice();
    server->script[13] = {{0, 0, QByteArray(6, '\0')}};
    server->script[15] = {{0, 32, {}}, {0, 6, {}}};
    Watch("&&Record_State&&ReadRange");
    Watch("&&Record_Response_Control&&ReadRange");
    Watch("&&Sequence_State&&Upload");
    QList<int> answers{RecordAction::Repeat, RecordAction::Ignore};
    RecordValues();
    auto record = watcher->onNotify;
    watcher->onNotify = [&, record](int32_t item, int32_t state) {
        record(item, state);
        double value = 0;
        int32_t failed = 0;
        manager->fncGetUIntValue(item, value, failed);
        if (item == H("&&Record_State&&ReadRange") && value == RecordState::ReadFailed && !answers.isEmpty())
            manager->fncPutUintValue(H("&&Record_Response_Control&&ReadRange"), answers.takeFirst(), failed);
    };
    int32_t result = -1;
    host->StartSequence("Upload", result);
    Pump();
    clock.Advance(RecordRunner::kRepeatDelayMs);
    Pump();
    EXPECT_EQ(Seen("&&Record_State&&ReadRange"), std::vector<int>({4, 16, 4, 16, 0}));
    EXPECT_EQ(Seen("&&Record_Response_Control&&ReadRange"), std::vector<int>({1, 0, 4}))
        << "cleared before each failed state, so every answer is a change";
    EXPECT_EQ(Seen("&&Sequence_State&&Upload"), std::vector<int>({2, 64, 0, 128, 0})) << "ignored: the sequence goes on";
    EXPECT_EQ(Number("Upper", true), 100) << "an ignored response is not taken";
    EXPECT_EQ(server->sent.size(), 3u);
}

TEST_F(HostTest, AcceptTakesWhatTheAnswerHolds)
{
    ConnectDevice();
    server->script[13] = {{0, 8, Packed("ABC 1 2")}}; // a warning
    server->script[15] = {{0, 0, QByteArray(1, '\x08') + FloatBytes(1.0f) + FloatBytes(2.0f)}};
    Watch("&&Record_Response_Control&&ReadTag");
    watcher->onNotify = [&](int32_t item, int32_t state) {
        double value = 0;
        int32_t failed = 0;
        manager->fncGetUIntValue(item, value, failed);
        if ((state & StateInfo::kRefresh) == 0 && item == H("&&Record_State&&ReadTag") && value == RecordState::ReadFailed)
            manager->fncPutUintValue(H("&&Record_Response_Control&&ReadTag"), RecordAction::Accept, failed);
    };
    watcher->Register("&&Record_State&&ReadTag");
    Pump();
    int32_t result = -1;
    host->StartSequence("Upload", result);
    Pump();
    EXPECT_EQ(Text("Tag"), "ABC 1 2");
    EXPECT_EQ(Number("&&Sequence_State&&Upload"), 0);
    EXPECT_EQ(Number("&&Sequence_Control&&Upload"), 0);
}

TEST_F(HostTest, ShortOrRefusedResponsesFailTheUnwatchedSequenceSafely)
{
    ConnectDevice();
    server->script[13] = {{0, 0, QByteArray(6, '\0')}};
    server->script[15] = {{0, 0, QByteArray("\x08\x01\x02", 3)}};
    Watch("&&Record_State&&ReadRange");
    Watch("&&Sequence_State&&Upload");
    RecordValues();
    int32_t result = -1;
    host->StartSequence("Upload", result);
    Pump();
    EXPECT_EQ(Seen("&&Record_State&&ReadRange"),
              std::vector<int>({4, RecordState::ReadFailed + RecordState::ShortResponse, 0}));
    EXPECT_EQ(Seen("&&Sequence_State&&Upload"), std::vector<int>({2, 64, 0})) << "no adjust after a failure";
    EXPECT_EQ(Number("&&Sequence_Control&&Upload"), SequenceAction::Stop) << "reads back as stopped";
    EXPECT_EQ(Number("Unit", true), 7) << "nothing of a short answer is taken";

    // An error code without a watcher fails as well; the next start is not busy.
    server->script[15] = {{0, 7, {}}};
    host->StartSequence("Upload", result);
    EXPECT_EQ(result, 0);
    Pump();
    EXPECT_EQ(Number("&&Sequence_Control&&Upload"), SequenceAction::Stop);

    // A request the server refuses.
    server->refuseRequests = 1;
    host->StartSequence("Upload", result);
    Pump();
    EXPECT_EQ(Seen("&&Record_State&&ReadRange").size(), 6u);
    EXPECT_EQ(Number("&&Record_State&&ReadTag"), 0);
    EXPECT_EQ(Number("&&Sequence_State&&Upload"), 0);
}

TEST_F(HostTest, AMissingAnswerTimesOutAndALostConnectionEndsTheSequence)
{
    ConnectDevice();
    server->answerInline = false;
    Watch("&&Record_State&&ReadTag");
    RecordValues();
    int32_t result = -1;
    host->StartSequence("Upload", result);
    Pump();
    clock.Advance(RecordRunner::kResponseTimeoutMs);
    EXPECT_EQ(Seen("&&Record_State&&ReadTag"),
              std::vector<int>({4, RecordState::ReadFailed + RecordState::NoResponse, 0}));
    EXPECT_EQ(server->cancelled.size(), 1u);
    EXPECT_EQ(Number("&&Sequence_State&&Upload"), 0);
    server->held.clear();

    host->StartSequence("Upload", result);
    Pump();
    int32_t r = 0;
    server->client->DisConnectIndication(0, 0, 0, 1, r);
    Pump();
    EXPECT_EQ(Number("&&private&&connect"), 0);
    EXPECT_EQ(Number("&&Sequence_State&&Upload"), 0);
    EXPECT_EQ(Number("&&Sequence_Control&&Upload"), SequenceAction::Stop);
    EXPECT_EQ(Number("&&Record_State&&ReadTag"), 0);
    server->AnswerHeld(); // a late answer finds nothing waiting
    Pump();
    host->StartSequence("Upload", result);
    EXPECT_EQ(result, kResultNotConnected);
}

TEST_F(HostTest, LoadAndSaveGoThroughTheInstanceDataStore)
{
    Watch("Upper");
    RecordValues();
    Put("Upper", "60");
    EXPECT_EQ(Number("&&private&&Dirty"), 1);
    int32_t result = -1;
    host->SaveToDatabase(0, result);
    EXPECT_EQ(result, 0);
    EXPECT_EQ(store->values.value("Upper"), "60");
    EXPECT_EQ(store->values.value("Tag"), "");
    EXPECT_FALSE(store->values.contains("currentSequence")) << "working items are not stored";
    EXPECT_EQ(Number("&&private&&Dirty"), 0);

    Put("Upper", "70");
    watcher->notes.clear();
    host->LoadFromDatabase(0, result);
    EXPECT_EQ(result, 0);
    EXPECT_EQ(Number("Upper"), 60) << "unsaved changes are dropped";
    EXPECT_EQ(Number("&&private&&Dirty"), 0);
    bool refreshed = false;
    for (const Notification& n : watcher->notes)
        if (n.handle == H("Upper") && (n.state & StateInfo::kRefreshBits) == StateInfo::kRefreshBits)
            refreshed = true;
    EXPECT_TRUE(refreshed) << "every registration is refreshed after the reload";

    store->writeResult = 77;
    Put("Upper", "80");
    host->SaveToDatabase(0, result);
    EXPECT_EQ(result, 77);
    EXPECT_EQ(Number("&&private&&Dirty"), 1);
}

TEST_F(HostTest, AValueWrittenBackToWhatIsStoredHoldsNoChange)
{
    Put("Upper", "60");
    int32_t result = -1;
    host->SaveToDatabase(0, result);
    ASSERT_EQ(result, 0);
    EXPECT_FALSE(host->HoldsChanges());

    // A rule writes a value and the connection writes the stored one back: the mark is set, nothing differs.
    Put("Upper", "70");
    Put("Upper", "60");
    EXPECT_EQ(Number("&&private&&Dirty"), 1);
    EXPECT_FALSE(host->HoldsChanges());
    EXPECT_EQ(Number("&&private&&Dirty"), 0) << "the mark follows what is stored";

    Put("Upper", "70");
    EXPECT_TRUE(host->HoldsChanges());
    EXPECT_EQ(Number("&&private&&Dirty"), 1);
    // A store that cannot be read counts as changes held.
    Put("Upper", "60");
    store->unreadable = QStringLiteral("Tag");
    EXPECT_TRUE(host->HoldsChanges());
}

TEST_F(HostTest, AStoreThatFailsToReadChangesNothing)
{
    Put("Upper", "70");
    for (bool throwing : {false, true}) {
        store->unreadable = QStringLiteral("Tag");
        store->throwing = throwing;
        traces.errors.clear();
        int32_t result = 0;
        host->LoadFromDatabase(0, result);
        EXPECT_NE(result, 0);
        EXPECT_EQ(Number("Upper"), 70) << "nothing of a failed reload is taken";
        EXPECT_EQ(Number("&&private&&Dirty"), 1) << "the unsaved change stays marked";
        EXPECT_TRUE(traces.errors.join('\n').contains("Tag")) << traces.errors.join('\n').toStdString();
    }

    // At start-up the failure is traced and the description defaults stay.
    auto other = std::make_shared<clsAppletHost>();
    int32_t code = -1;
    other->fncSetDBInstance(store, code);
    traces.errors.clear();
    other->fncInit(dir.filePath("test.tdx"), QString(), QString(), code);
    EXPECT_EQ(code, 0);
    EXPECT_TRUE(traces.errors.join('\n').contains("Tag")) << traces.errors.join('\n').toStdString();
    std::shared_ptr<clsAppletItemManager> otherManager;
    other->GetItemManager(otherManager);
    float upper = 0;
    int32_t failed = 0;
    otherManager->fncReadFloatValue(otherManager->HandleOf("Upper"), upper, false, failed);
    EXPECT_EQ(upper, 100.0f) << "not the stored 50";
    std::shared_ptr<AppletHost> ref = other;
    other->DestroyApplet(ref, code);
}

TEST_F(HostTest, DestroyAppletAlsoEndsViewsRegisteredWhileItEndsOthers)
{
    auto late = std::make_shared<RecordingView>();
    watcher->onDestroy = [&](RecordingView&) {
        int32_t result = -1;
        manager->RegisterView(late, result);
        late->Register("Upper");
    };
    std::shared_ptr<AppletHost> ref = host;
    int32_t result = -1;
    host->DestroyApplet(ref, result);
    EXPECT_EQ(late->destroyed, 1);
    EXPECT_EQ(late->manager, nullptr) << "no cycle of view and manager is left";
    EXPECT_TRUE(manager->RegisteredViews().empty());
}

TEST_F(HostTest, ViewsStartByProgIdAndClosingAFormTellsTheMessageItem)
{
    int32_t result = -1;
    host->StartView(kFormProgId, result);
    EXPECT_EQ(result, 0);
    ASSERT_EQ(created.size(), 1u);
    EXPECT_EQ(created[0]->manager, manager);
    EXPECT_EQ(created[0]->shown, 1);
    host->StartView("No.SuchView", result);
    EXPECT_EQ(result, kResultViewNotCreated);

    Watch("&&private&&Message");
    host->StartSingleView("MAINFORM", result);
    EXPECT_EQ(result, 0);
    ASSERT_EQ(created.size(), 2u);
    EXPECT_EQ(Number("&&private_FDT&&ActiveForms"), 1);
    host->StartSingleView("MainForm", result);
    EXPECT_EQ(created.size(), 2u) << "an open form is shown again";
    EXPECT_EQ(created[1]->shown, 2);

    host->fncCloseForm("mainform", result);
    EXPECT_EQ(result, 0);
    EXPECT_EQ(created[1]->destroyed, 1);
    Pump();
    EXPECT_EQ(Text("&&private&&Message"), "FNCCLOSEFORM:MAINFORM");
    EXPECT_EQ(Number("&&private_FDT&&ActiveForms"), 0);
    host->fncCloseForm("mainform", result);
    EXPECT_EQ(result, kResultFormNotOpen);

    // A form closing by itself also tells it, a second time with the same name too.
    host->StartSingleView("MainForm", result);
    int32_t unused = 0;
    manager->UnregisterView(created[2].get(), unused);
    Pump();
    EXPECT_EQ(Text("&&private&&Message"), "FNCCLOSEFORM:MainForm");
}

TEST_F(HostTest, DestroyAppletEndsViewsAndTheServerClient)
{
    ConnectDevice();
    int32_t result = -1;
    host->StartView(kFormProgId, result);
    std::shared_ptr<AppletHost> ref = host;
    host->DestroyApplet(ref, result);
    EXPECT_EQ(ref, nullptr);
    EXPECT_EQ(created[0]->destroyed, 1);
    EXPECT_EQ(watcher->destroyed, 1);
    EXPECT_TRUE(server->calls.contains("RemoveClient"));
    EXPECT_TRUE(manager->RegisteredViews().empty());
    host->StartSequence("Upload", result);
    EXPECT_NE(result, 0);
}

TEST_F(HostTest, AViewMayEndTheAppletWhileTheHostStartsIt)
{
    onAttach = [&](RecordingView&) {
        std::shared_ptr<AppletHost> ref = host;
        host.reset();
        int32_t unused = 0;
        ref->DestroyApplet(ref, unused);
    };
    for (bool singleView : {false, true}) {
        if (!host) { // the round before ended the fixture's applet
            host = std::shared_ptr<clsAppletHost>(new clsAppletHost);
            int32_t code = -1;
            host->fncInit(dir.filePath("test.tdx"), QString(), QString(), code);
            ASSERT_EQ(code, 0);
        }
        std::weak_ptr<clsAppletHost> alive = host;
        clsAppletHost* caller = host.get(); // holds no reference, as the frame's caller may not
        int32_t result = -1;
        if (singleView)
            caller->StartSingleView("MainForm", result);
        else
            caller->StartView(kFormProgId, result);
        Pump();
        EXPECT_TRUE(alive.expired());
        EXPECT_EQ(created.back()->shown, 0) << "a view of an ended applet is not shown";
    }
}

TEST(HostStartTest, ARefusedDescriptionLeavesNoApplet)
{
    TraceSilencer traces;
    QTemporaryDir dir;
    auto host = std::make_shared<clsAppletHost>();
    int32_t code = 0;
    host->fncInit(WriteFile(dir, "broken.tdx", "<TdxDescription kind='device'>"), QString(), QString(), code);
    EXPECT_EQ(code, kResultDescriptionInvalid);
    ASSERT_EQ(traces.errors.size(), 1);
    EXPECT_TRUE(traces.errors[0].contains("broken.tdx(1)")) << traces.errors[0].toStdString();
    std::shared_ptr<clsAppletItemManager> manager;
    host->GetItemManager(manager);
    EXPECT_EQ(manager, nullptr);
    host->StartSequence("Upload", code);
    EXPECT_EQ(code, kResultNotInitialised);
}

} // namespace

namespace {

// The applet ends from inside a notification that host code caused, while
// that code is still on the stack: the handler calls DestroyApplet and, in
// the "last" variants, drops the last reference to the host as well.
struct EndCase {
    const char* item; // the first change of this item ends the applet
    bool lastReference;
};

class HostEndTest : public HostTest, public ::testing::WithParamInterface<EndCase> {};

TEST_P(HostEndTest, AHandlerMayEndTheAppletWhileTheHostIsAtWork)
{
    ScriptUpload();
    const int32_t trigger = watcher->Register(QString::fromLatin1(GetParam().item));
    ASSERT_GT(trigger, 0);
    Pump();
    std::weak_ptr<clsAppletHost> alive = host;
    watcher->onNotify = [&](int32_t item, int32_t state) {
        if (item != trigger || (state & StateInfo::kRefresh) != 0 || !host)
            return;
        std::shared_ptr<AppletHost> ref = host;
        if (GetParam().lastReference)
            host.reset();
        int32_t result = -1;
        ref->DestroyApplet(ref, result);
    };
    // Called as the frame calls it: the caller's reference may be the one the handler drops.
    clsAppletHost* caller = host.get();
    int32_t result = -1;
    caller->Connect(0, result);
    Pump();
    if (!alive.expired())
        caller->StartSequence("Upload", result);
    Pump();
    EXPECT_EQ(watcher->destroyed, 1);
    EXPECT_TRUE(manager->RegisteredViews().empty());
    EXPECT_EQ(server->client, nullptr) << "the server let its client go";
    EXPECT_EQ(alive.expired(), GetParam().lastReference);
}

INSTANTIATE_TEST_SUITE_P(Triggers, HostEndTest,
                         ::testing::Values(EndCase{"&&private&&connect", true}, EndCase{"&&private&&connect", false},
                                           EndCase{"&&Sequence_State&&Upload", true},
                                           EndCase{"&&Record_State&&ReadTag", true},
                                           EndCase{"&&Record_Response&&ReadTag", true}, EndCase{"Tag", true},
                                           EndCase{"&&Sequence_Progress&&Upload", true},
                                           EndCase{"Upper", true}, EndCase{"Upper", false}));

} // namespace
