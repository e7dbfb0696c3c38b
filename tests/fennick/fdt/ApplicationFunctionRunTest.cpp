// Application functions at work on the toolkit's applet host: connect and
// disconnect, the deferred form, view and database operations, sequences,
// FDT applications with their automatic connect, the engineering context,
// exit and release, and that every run gives back its dataset lock once.
#include "ApplicationTestSupport.h"
#include "fennick/dataset/frmChannelManagerDialog.h"
#include "fennick/fdt/frmAsyncFunction.h"
#include <QApplication>
#include <QPushButton>

namespace {

using namespace appfunctest;

class FunctionRun : public ApplicationFunctionTest {
protected:
    void SetUp() override
    {
        ApplicationFunctionTest::SetUp();
        global::FdtUserLevel() = 2;
    }
    // The lock of every run is back and the frame has the dataset again.
    void ExpectLockReleased()
    {
        Settle();
        EXPECT_EQ(EWAR::GetEWAR(), 0);
        EXPECT_FALSE(Container()->DataSetLockedByDtm());
    }
    // An FDT application started with the communication set: its automatic
    // connect waits, as the device's answer is held back. `first` tells
    // whether the start was the caller's first.
    std::shared_ptr<clsApplicationFunction> StartWhileConnecting(bool* first = nullptr)
    {
        SetStatus(DtmStatus::CommunicationSet);
        auto diagnosis = Application(QStringLiteral("frmTrend"), QStringLiteral("1"));
        server->answerConnect = false;
        bool firstStart = true;
        EXPECT_TRUE(diagnosis->Application_Start(QStringLiteral("app"), 5, recorder, 2, firstStart, false));
        if (first)
            *first = firstStart;
        return diagnosis;
    }
};

// --- Connect and disconnect ----------------------------------------------------------

TEST_F(FunctionRun, ConnectThroughTheAppletReportsItsEnd)
{
    SetStatus(DtmStatus::CommunicationSet);
    auto connect = Menu(QStringLiteral("Connect"));
    server->answerConnect = false; // the device answers later
    EXPECT_TRUE(connect->Function_Execute(QStringLiteral("inv-1"), recorder, 2, false, false));
    EXPECT_EQ(connect->InvokeId(), QStringLiteral("inv-1"));
    EXPECT_EQ(EWAR::GetEWAR(), 1);
    EXPECT_EQ(FrameEvents(), (QStringList{"LockDataSet", "OnFunctionChanged"}));
    bool hidden = false;
    bool enabled = false;
    bool running = false;
    connect->GetAccessState(DtmStatus::CommunicationSet, 2, 2, hidden, enabled, running);
    EXPECT_TRUE(running);
    // Running, it is refused for any other caller.
    EXPECT_FALSE(connect->Function_Execute(QStringLiteral("inv-2"), recorder, 2, false, false));
    EXPECT_FALSE(connect->Function_Execute(QStringLiteral("inv-1"), recorder, 2, false, false));
    EXPECT_EQ(EWAR::GetEWAR(), 1);
    EXPECT_TRUE(recorder->calls.isEmpty());

    Settle(); // the request goes out from the loop
    ASSERT_TRUE(server->client);
    int32_t r = 0;
    server->client->ConnectResponse(QStringLiteral("DEVICE-1"), server->lastDeviceInfo, QVariantList{}, 0, r);
    Settle();
    EXPECT_EQ(Number(kConnectItem), 2);
    EXPECT_EQ(recorder->calls, QStringList{"finished(inv-1,-1)"});
    EXPECT_EQ(connect->InvokeId(), QString());
    EXPECT_EQ(manager->RegisteredViews().size(), functions.size()); // the connect object has gone
    ExpectLockReleased();
}

TEST_F(FunctionRun, FailedConnectReportsFailure)
{
    SetStatus(DtmStatus::CommunicationSet);
    auto connect = Menu(QStringLiteral("Connect"));
    server->connectHResult = static_cast<int32_t>(0x80004005u);
    EXPECT_TRUE(connect->Function_Execute(QStringLiteral("inv-1"), recorder, 0, false, false));
    Settle();
    EXPECT_EQ(Number(kConnectItem), 0);
    EXPECT_EQ(recorder->calls, QStringList{"finished(inv-1,0)"});
    ExpectLockReleased();
}

TEST_F(FunctionRun, DisconnectEndsEvenWhenNothingIsConnected)
{
    ConnectApplet();
    SetStatus(DtmStatus::Online);
    auto disconnect = Menu(QStringLiteral("Disconnect"));
    EXPECT_TRUE(disconnect->Function_Execute(QStringLiteral("inv-1"), recorder, 2, false, false));
    Settle();
    EXPECT_EQ(Number(kConnectItem), 0);
    EXPECT_EQ(recorder->calls, QStringList{"finished(inv-1,-1)"});
    ExpectLockReleased();

    // The device went away on its own meanwhile: no state change would end
    // the request, so it ends at once.
    recorder->calls.clear();
    EXPECT_TRUE(disconnect->Function_Execute(QStringLiteral("inv-2"), recorder, 2, false, false));
    EXPECT_EQ(recorder->calls, QStringList{"finished(inv-2,-1)"});
    EXPECT_EQ(disconnect->InvokeId(), QString());
    ExpectLockReleased();
}

TEST_F(FunctionRun, RefusedRunTakesNoLock)
{
    auto connect = Menu(QStringLiteral("Connect"));
    EXPECT_FALSE(connect->Function_Execute(QStringLiteral("inv-1"), recorder, 2, false, false)); // CONFIGURED
    SetStatus(DtmStatus::CommunicationSet);
    EXPECT_FALSE(connect->Function_Execute(QStringLiteral("inv-1"), recorder, 1, false, false)); // engineering
    global::FdtUserLevel() = 0;
    EXPECT_FALSE(connect->Function_Execute(QStringLiteral("inv-1"), recorder, 2, false, false));
    EXPECT_EQ(connect->InvokeId(), QString());
    EXPECT_TRUE(FrameEvents().isEmpty());
    EXPECT_EQ(EWAR::GetEWAR(), 0);

    // The frame refuses the lock: nothing runs.
    global::FdtUserLevel() = 2;
    ASSERT_TRUE(frame->LockByOtherUser(dtmtest::kTag, QStringLiteral("Anna")));
    EXPECT_FALSE(connect->Function_Execute(QStringLiteral("inv-1"), recorder, 2, false, false));
    EXPECT_EQ(connect->InvokeId(), QString());
    EXPECT_FALSE(server->calls.contains(QStringLiteral("ConnectRequest")));
}

// --- Deferred operations ------------------------------------------------------------

TEST_F(FunctionRun, SaveToDatabaseReportsAfterTheDeferredRun)
{
    auto save = Menu(QStringLiteral("Save"));
    SetText(QStringLiteral("Tag"), QStringLiteral("PT-101"));
    EXPECT_TRUE(save->Function_Execute(QStringLiteral("inv-1"), recorder, 0, false, false));
    // Nothing happens inside the frame's call.
    EXPECT_TRUE(recorder->calls.isEmpty());
    EXPECT_FALSE(store->values.contains(QStringLiteral("Tag")));
    clock.Advance(frmAsyncFunction::kDispatchDelayMs);
    EXPECT_TRUE(store->values.contains(QStringLiteral("Tag")));
    EXPECT_EQ(recorder->calls, QStringList{"finished(inv-1,-1)"});
    ExpectLockReleased();

    // A store that refuses: reported as failed.
    store->writeResult = static_cast<int32_t>(0x80004005u);
    recorder->calls.clear();
    EXPECT_TRUE(save->Function_Execute(QStringLiteral("inv-2"), recorder, 0, false, false));
    Settle();
    EXPECT_EQ(recorder->calls, QStringList{"finished(inv-2,0)"});
    ExpectLockReleased();
}

TEST_F(FunctionRun, LoadFromDatabaseReloadsTheApplet)
{
    auto load = Menu(QStringLiteral("Load"));
    store->values[QStringLiteral("Tag")] = QStringLiteral("LOADED");
    EXPECT_TRUE(load->Function_Execute(QStringLiteral("inv-1"), recorder, 0, false, false));
    Settle();
    EXPECT_EQ(Text(QStringLiteral("Tag")), QStringLiteral("LOADED"));
    EXPECT_EQ(recorder->calls, QStringList{"finished(inv-1,-1)"});
    ExpectLockReleased();
}

TEST_F(FunctionRun, StartFormReportsOnlyItsClosing)
{
    auto trend = Menu(QStringLiteral("Trend"), QStringLiteral("15"));
    EXPECT_TRUE(trend->Function_Execute(QStringLiteral("inv-1"), recorder, 0, false, false));
    EXPECT_TRUE(views.empty()); // opened later, from the timer
    Settle();
    ASSERT_EQ(views.size(), 1u);
    EXPECT_EQ(views[0]->shown, 1);
    EXPECT_EQ(Number(QStringLiteral("&&private_FDT&&ActiveForms")), 1);
    EXPECT_TRUE(recorder->calls.isEmpty());

    // The same caller again shows the window again and keeps its one lock;
    // another caller is refused.
    EXPECT_TRUE(trend->Function_Execute(QStringLiteral("INV-1"), recorder, 0, false, false));
    EXPECT_FALSE(trend->Function_Execute(QStringLiteral("inv-2"), recorder, 0, false, false));
    Settle();
    EXPECT_EQ(views.size(), 1u);
    EXPECT_EQ(views[0]->shown, 2);
    EXPECT_EQ(EWAR::GetEWAR(), 1);

    // Another form's closing is not this one's.
    SetText(kMessageItem, QStringLiteral("FNCCLOSEFORM:frmOther"));
    SetText(kMessageItem, QStringLiteral("OTHER:frmTrend"));
    EXPECT_TRUE(recorder->calls.isEmpty());

    int32_t result = -1;
    appletHost->fncCloseForm(QStringLiteral("frmTrend"), result);
    ASSERT_EQ(result, 0);
    Settle();
    EXPECT_EQ(Text(kMessageItem), QStringLiteral("FNCCLOSEFORM:frmTrend"));
    EXPECT_EQ(recorder->calls, QStringList{"closed(INV-1,15)"});
    EXPECT_EQ(trend->InvokeId(), QString());
    ExpectLockReleased();
}

TEST_F(FunctionRun, StartViewReportsItsClosingAndCloseFormClosesIt)
{
    auto generic = Menu(QStringLiteral("Generic"), QStringLiteral("16"));
    auto close = Menu(QStringLiteral("CloseTrend"), QStringLiteral("17"));
    EXPECT_TRUE(generic->Function_Execute(QStringLiteral("view"), recorder, 0, false, false));
    Settle();
    ASSERT_EQ(views.size(), 1u);
    EXPECT_TRUE(manager->IsRegistered(views[0].get()));

    // Exit closes the view through the applet.
    EXPECT_TRUE(generic->Application_Exit());
    Settle();
    EXPECT_FALSE(manager->IsRegistered(views[0].get()));
    EXPECT_EQ(recorder->calls, QStringList{"closed(view,16)"});
    ExpectLockReleased();

    // FNCCLOSEFORM closes a form that is open and fails for one that is not.
    recorder->calls.clear();
    auto trend = Menu(QStringLiteral("Trend"), QStringLiteral("15"));
    EXPECT_TRUE(trend->Function_Execute(QStringLiteral("form"), recorder, 0, false, false));
    Settle();
    EXPECT_TRUE(close->Function_Execute(QStringLiteral("close"), recorder, 0, false, false));
    Settle();
    EXPECT_EQ(recorder->calls, (QStringList{"finished(close,-1)", "closed(form,15)"}));
    EXPECT_TRUE(close->Function_Execute(QStringLiteral("again"), recorder, 0, false, false));
    Settle();
    EXPECT_EQ(recorder->calls.last(), QStringLiteral("finished(again,0)"));
    ExpectLockReleased();
}

TEST_F(FunctionRun, FormThatDoesNotOpenEndsItsRunOnce)
{
    auto missing = Menu(QStringLiteral("NoForm"), QStringLiteral("18"));
    EXPECT_TRUE(missing->Function_Execute(QStringLiteral("inv-1"), recorder, 0, false, false));
    Settle();
    EXPECT_EQ(recorder->calls, QStringList{"closed(inv-1,18)"});
    EXPECT_EQ(missing->InvokeId(), QString());
    ExpectLockReleased();
    // A later message naming it changes nothing.
    SetText(kMessageItem, QStringLiteral("FNCCLOSEFORM:frmNowhere"));
    EXPECT_EQ(recorder->calls.size(), 1);
}

TEST_F(FunctionRun, ClosingMessageDoesNotEndFunctionsWithoutAWindow)
{
    SetStatus(DtmStatus::CommunicationSet);
    auto connect = Menu(QStringLiteral("Connect"));
    server->answerConnect = false;
    EXPECT_TRUE(connect->Function_Execute(QStringLiteral("inv-1"), recorder, 2, false, false));
    SetText(kMessageItem, QStringLiteral("FNCCLOSEFORM:frmTrend"));
    EXPECT_TRUE(recorder->calls.isEmpty());
    EXPECT_EQ(connect->InvokeId(), QString("inv-1"));
}

// --- Sequences ----------------------------------------------------------------------

TEST_F(FunctionRun, SequencesRunThroughTheAppletAndReportTheirEnd)
{
    ConnectApplet();
    SetStatus(DtmStatus::Online);
    const std::pair<QString, QString> entries[] = {
        {QStringLiteral("Upload"), QStringLiteral("up")},
        {QStringLiteral("ReadTag"), QStringLiteral("read")},
        {QStringLiteral("ForceTag"), QStringLiteral("force")},
    };
    for (const auto& [entry, invokeId] : entries) {
        auto function = Menu(entry);
        server->sent.clear();
        EXPECT_TRUE(function->Function_Execute(invokeId, recorder, 2, false, false)) << entry.toStdString();
        Settle();
        ASSERT_FALSE(server->sent.empty()) << entry.toStdString();
        EXPECT_EQ(static_cast<uint8_t>(server->sent.front().request.at(0)), 13);
        EXPECT_EQ(recorder->calls.last(), QStringLiteral("finished(%1,-1)").arg(invokeId));
        ExpectLockReleased();
    }
    auto download = Menu(QStringLiteral("Download"));
    server->sent.clear();
    EXPECT_TRUE(download->Function_Execute(QStringLiteral("down"), recorder, 2, false, false));
    Settle();
    ASSERT_FALSE(server->sent.empty());
    EXPECT_EQ(static_cast<uint8_t>(server->sent.front().request.at(0)), 18);
    EXPECT_EQ(recorder->calls.last(), QStringLiteral("finished(down,-1)"));
    ExpectLockReleased();
    EXPECT_EQ(manager->RegisteredViews().size(), functions.size()); // every sequence object has gone
}

TEST_F(FunctionRun, SequenceThatDoesNotStartReleasesItsLockAtOnce)
{
    ConnectApplet();
    SetStatus(DtmStatus::Online);
    auto missing = Menu(QStringLiteral("Missing"));
    EXPECT_FALSE(missing->Function_Execute(QStringLiteral("inv-1"), recorder, 2, false, false));
    EXPECT_TRUE(traces.contains(QStringLiteral("clsApplicationFunction.Function_Execute FAILED")));
    EXPECT_EQ(missing->InvokeId(), QString());
    EXPECT_TRUE(recorder->calls.isEmpty());
    ExpectLockReleased();
}

// --- FDT applications -----------------------------------------------------------------

TEST_F(FunctionRun, OnlineApplicationConnectsAutomaticallyWithTheBusyWindow)
{
    bool first = false;
    auto diagnosis = StartWhileConnecting(&first);
    EXPECT_TRUE(first);
    ASSERT_NE(Publics::BusyForm(), nullptr);
    EXPECT_EQ(Number(kEngineeringContextItem), 8);
    Settle();
    EXPECT_TRUE(server->calls.contains(QStringLiteral("ConnectRequest")));
    ASSERT_EQ(views.size(), 1u); // the form opened meanwhile

    int32_t r = 0;
    server->client->ConnectResponse(QStringLiteral("DEVICE-1"), server->lastDeviceInfo, QVariantList{}, 0, r);
    Settle();
    EXPECT_EQ(Publics::BusyForm(), nullptr);
    EXPECT_EQ(frame->Events().Count(QStringLiteral("OnErrorMessage")), 0);
    EXPECT_EQ(diagnosis->InvokeId(), QStringLiteral("app")); // the application still runs

    appletHost->fncCloseForm(QStringLiteral("FRMTREND"), r);
    Settle();
    EXPECT_EQ(recorder->calls, QStringList{"closed(app,1)"});
    ExpectLockReleased();
}

TEST_F(FunctionRun, FailedAutomaticConnectTellsTheUserAndTheApplicationRunsOn)
{
    auto diagnosis = StartWhileConnecting();
    Settle(); // the request goes out from the loop
    ASSERT_TRUE(server->client);
    int32_t r = 0;
    server->client->ConnectResponse(QStringLiteral("DEVICE-1"), server->lastDeviceInfo, QVariantList{},
                                    static_cast<int32_t>(0x80004005u), r);
    Settle();
    EXPECT_EQ(Publics::BusyForm(), nullptr);
    EXPECT_EQ(frame->Events().Texts(QStringLiteral("OnErrorMessage")), QStringList{"OnErrorMessage(Device not connected)"});
    EXPECT_EQ(diagnosis->InvokeId(), QStringLiteral("app"));
    EXPECT_TRUE(recorder->calls.isEmpty());
}

TEST_F(FunctionRun, ExitWhileConnectingOnlyStopsTheConnect)
{
    auto diagnosis = StartWhileConnecting();
    Settle();
    EXPECT_TRUE(diagnosis->Application_Exit());
    EXPECT_EQ(Publics::BusyForm(), nullptr);
    EXPECT_EQ(manager->RegisteredViews().size(), functions.size() + views.size());
    // A second exit closes the form.
    EXPECT_TRUE(diagnosis->Application_Exit());
    Settle();
    EXPECT_EQ(recorder->calls, QStringList{"closed(app,1)"});
}

TEST_F(FunctionRun, OfflineApplicationNeitherConnectsNorTakesTheCallersLock)
{
    global::FdtUserLevel() = 3;
    auto configuration = Application(QStringLiteral("frmTrend"), QStringLiteral("2"));
    bool first = true;
    // HART: no module configuration first.
    EXPECT_TRUE(configuration->Application_Start(QStringLiteral("cfg"), 4, recorder, 1, first, false));
    EXPECT_TRUE(first);
    EXPECT_FALSE(server->calls.contains(QStringLiteral("ConnectRequest")));
    EXPECT_EQ(Number(kEngineeringContextItem), 2);
    EXPECT_EQ(EWAR::GetEWAR(), 1);
    Settle();
    ASSERT_EQ(views.size(), 1u);
    // Refused applications start nothing.
    auto other = Application(QStringLiteral("frmOther"), QStringLiteral("3"));
    EXPECT_FALSE(other->Application_Start(QStringLiteral("x"), 5, recorder, 2, first, false)); // not online
    EXPECT_FALSE(other->Application_Start(QStringLiteral("x"), 3, recorder, 2, first, false)); // never
    EXPECT_EQ(other->InvokeId(), QString());
}

// --- Module configuration before the configuration application --------------------

class ProfibusConfiguration : public FunctionRun {
protected:
    void StartInstance() override { ProfibusInstance(WriteGsd()); }
    void SetUp() override
    {
        FunctionRun::SetUp();
        global::FdtUserLevel() = 3;
        data = Dtm()->DataManager();
        ASSERT_EQ(data->GetModulesState(), 0);
        data->SetDataSetStates(QStringLiteral("persistent"), QStringLiteral("allDataLoaded"));
        configuration = Application(QStringLiteral("frmTrend"), QStringLiteral("2"));
        bool first = true;
        ASSERT_TRUE(configuration->Application_Start(QStringLiteral("cfg"), 4, recorder, 1, first, false));
        EXPECT_FALSE(first);
    }
    static frmChannelManagerDialog* Dialog()
    {
        for (QWidget* widget : QApplication::topLevelWidgets())
            if (auto* dialog = qobject_cast<frmChannelManagerDialog*>(widget); dialog && dialog->isVisible())
                return dialog;
        return nullptr;
    }

    std::shared_ptr<clsDataManager> data;
    std::shared_ptr<clsApplicationFunction> configuration;
};

TEST_F(ProfibusConfiguration, CancelledDialogLeavesTheDatasetAndStillRunsTheApplication)
{
    ASSERT_NE(Dialog(), nullptr);
    EXPECT_EQ(EWAR::GetEWAR(), 1); // the dialog's lock
    EXPECT_EQ(configuration->InvokeId(), QStringLiteral("cfg"));
    EXPECT_EQ(Number(kEngineeringContextItem), 2);
    Settle();
    EXPECT_TRUE(views.empty()); // nothing runs while the dialog is open

    Dialog()->cmdCancel()->click();
    EXPECT_EQ(data->GetStorageState(), QStringLiteral("persistent"));
    EXPECT_EQ(data->GetDataSetState(), QStringLiteral("allDataLoaded"));
    EXPECT_EQ(EWAR::GetEWAR(), 1); // the run's lock took over from the dialog's
    Settle();
    EXPECT_EQ(Dialog(), nullptr);
    ASSERT_EQ(views.size(), 1u);
    int32_t result = 0;
    appletHost->fncCloseForm(QStringLiteral("FRMTREND"), result);
    Settle();
    EXPECT_EQ(recorder->calls, QStringList{"closed(cfg,2)"});
    ExpectLockReleased();
}

TEST_F(ProfibusConfiguration, AcceptedDialogMarksTheDatasetChanged)
{
    ASSERT_NE(Dialog(), nullptr);
    Dialog()->cmdDone()->click();
    EXPECT_EQ(data->GetStorageState(), QStringLiteral("transient"));
    EXPECT_EQ(data->GetDataSetState(), QStringLiteral("validModified "));
    Settle();
    EXPECT_EQ(views.size(), 1u);
    EXPECT_EQ(configuration->InvokeId(), QStringLiteral("cfg"));
}

TEST_F(ProfibusConfiguration, ExitWhileTheDialogIsOpenEndsTheApplication)
{
    ASSERT_NE(Dialog(), nullptr);
    EXPECT_TRUE(configuration->Application_Exit());
    Settle();
    EXPECT_EQ(Dialog(), nullptr);
    EXPECT_TRUE(views.empty());
    EXPECT_EQ(recorder->calls, QStringList{"closed(cfg,2)"});
    ExpectLockReleased();
}

TEST_F(ProfibusConfiguration, AFailedRunAfterTheDialogGivesItsLockBackOnce)
{
    ASSERT_NE(Dialog(), nullptr);
    // Another user locks the dataset while the dialog is open: the run after
    // it is refused and the application ends. Its one lock is given back by
    // the closing alone, not a second time by the dialog's end.
    Dtm()->SetLockCounter(-1);
    traces.clear();
    Dialog()->cmdCancel()->click();
    Settle();
    EXPECT_EQ(recorder->calls, QStringList{"closed(cfg,2)"});
    EXPECT_EQ(traces.lines().filter(QStringLiteral("Decrementing EWAR")).size(), 1)
        << traces.lines().join(QLatin1Char('\n')).toStdString();
    Dtm()->SetLockCounter(0);
}

// --- Engineering context ---------------------------------------------------------------

TEST_F(FunctionRun, EngineeringContextKeepsOneBitPerRunningApplication)
{
    auto function = Application(QStringLiteral("frmTrend"), QStringLiteral("1"));
    function->SetEngineeringContext(5, true);
    function->SetEngineeringContext(6, true);
    function->SetEngineeringContext(4, true);
    EXPECT_EQ(Number(kEngineeringContextItem), 8 + 128 + 2);
    function->SetEngineeringContext(10, false); // shares the bit of fdtConfiguration
    function->SetEngineeringContext(5, false);
    function->SetEngineeringContext(3, true);   // no bit
    EXPECT_EQ(Number(kEngineeringContextItem), 128);
    const std::pair<int32_t, double> bits[] = {{7, 16}, {8, 32}, {12, 4}, {1, 0}, {2, 0}, {9, 0}, {11, 0}};
    for (const auto& [applicationId, bit] : bits) {
        SetNumber(kEngineeringContextItem, 0);
        function->SetEngineeringContext(applicationId, true);
        EXPECT_EQ(Number(kEngineeringContextItem), bit) << applicationId;
    }
}

TEST_F(FunctionRun, EngineeringContextWithEveryBitSetIsResetOnTheNextRefresh)
{
    auto function = Application(QStringLiteral("frmTrend"), QStringLiteral("1"));
    SetNumber(kEngineeringContextItem, 4294967295.0);
    EXPECT_EQ(Number(kEngineeringContextItem), 4294967295.0); // a change is no refresh
    manager->RefreshAll();
    EXPECT_EQ(Number(kEngineeringContextItem), 0);
}

TEST_F(FunctionRun, SignedEngineeringContextOfTheTrivexAppletTakesMinusOneAsEveryBit)
{
    // The shipped description keeps the mask in a signed item.
    global::AppletHost() = host;
    auto function = clsApplicationFunction::Create();
    ASSERT_EQ(function->InitStartForm(QStringLiteral("MdiMain")), 0);
    functions.push_back(function);
    global::AppletHost() = appletHost;
    int32_t failed = 0;
    const int32_t handle = host->Handle(kEngineeringContextItem);
    host->manager->fncPutIntValue(handle, -1, failed);
    host->manager->RefreshAll();
    int32_t value = -2;
    host->manager->GetIntValue(handle, value, failed);
    EXPECT_EQ(value, 0);
    function->SetEngineeringContext(8, true);
    function->SetEngineeringContext(5, true);
    host->manager->GetIntValue(handle, value, failed);
    EXPECT_EQ(value, 40);
}

// --- Release ----------------------------------------------------------------------------

TEST_F(FunctionRun, ReleaseEndsEverythingTheFunctionOwns)
{
    SetStatus(DtmStatus::CommunicationSet);
    auto diagnosis = Application(QStringLiteral("frmTrend"), QStringLiteral("1"));
    server->answerConnect = false;
    bool first = true;
    ASSERT_TRUE(diagnosis->Application_Start(QStringLiteral("app"), 5, recorder, 2, first, false));
    ASSERT_NE(Publics::BusyForm(), nullptr);
    diagnosis->ReleaseFunction();
    EXPECT_EQ(Publics::BusyForm(), nullptr);
    EXPECT_EQ(diagnosis->InvokeId(), QString());
    EXPECT_EQ(diagnosis->Type(), -1);
    EXPECT_FALSE(manager->IsRegistered(diagnosis.get()));
    Settle(); // the queued start form does not run any more
    EXPECT_TRUE(views.empty());
    EXPECT_TRUE(recorder->calls.isEmpty());
}

TEST_F(FunctionRun, DestroyedAppletReleasesItsFunctionsAndWhatTheyOwn)
{
    SetStatus(DtmStatus::CommunicationSet);
    auto diagnosis = Application(QStringLiteral("frmTrend"), QStringLiteral("1"));
    auto generic = Menu(QStringLiteral("Generic"));
    server->answerConnect = false;
    bool first = true;
    ASSERT_TRUE(diagnosis->Application_Start(QStringLiteral("app"), 5, recorder, 2, first, false));
    ASSERT_TRUE(generic->Function_Execute(QStringLiteral("inv"), recorder, 2, false, false));
    Settle();
    ASSERT_EQ(views.size(), 2u);
    const std::weak_ptr<clsApplicationFunction> weakDiagnosis = diagnosis;
    const std::weak_ptr<clsApplicationFunction> weakGeneric = generic;
    functions.clear();
    diagnosis.reset();
    generic.reset();
    EXPECT_FALSE(weakDiagnosis.expired()); // the applet holds its views
    std::shared_ptr<applet::AppletHost> ref = appletHost;
    int32_t result = 0;
    appletHost->DestroyApplet(ref, result);
    EXPECT_TRUE(weakDiagnosis.expired());
    EXPECT_TRUE(weakGeneric.expired());
    EXPECT_EQ(Publics::BusyForm(), nullptr);
    EXPECT_TRUE(manager->RegisteredViews().empty());
    // The fixture's teardown destroys it again.
}

} // namespace
