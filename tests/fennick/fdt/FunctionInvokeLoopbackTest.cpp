// The connect and disconnect functions as the frame invokes them, the whole
// road in one event loop: reference frame -> DTM -> function -> applet host ->
// gateway -> communication server -> HART-IP -> simulated transmitter.
#include "ApplicationManagerTestSupport.h"
#include "FrameLoopbackSupport.h"
#include "fennick/fdt/clsFunctionConnect.h"

namespace {

using namespace appmgrtest;
using dtmtest::kTag;

class FunctionInvokeLoopback : public loopbacktest::FrameLoopback {
protected:
    // Saved once: the save question of a closing window does not come up.
    void BeforeLinking() override { ASSERT_TRUE(frame->SaveInstance(kTag)) << frame->LastError().toStdString(); }

    void TearDown() override
    {
        automation::ClassRegistry::instance().Unregister(QStringLiteral("Merrow.clsMainView"));
        FrameLoopback::TearDown();
    }

    void SetMenuState(const QString& entry, double state)
    {
        std::shared_ptr<applet::clsAppletItemManager> manager;
        global::AppletHost()->GetItemManager(manager);
        itemaccess::PutNumber(*manager, QStringLiteral("&&Menu_State&&") + entry, state);
    }
    bool Offered(int32_t functionId)
    {
        return Find(Entries(Dtm()->GetFunctions(State())), functionId) != nullptr;
    }
};

TEST_F(FunctionInvokeLoopback, TheConnectFunctionReachesTheDeviceAndReportsIt)
{
    ASSERT_TRUE(Offered(kConnectId));
    frame->Events().Clear();
    ASSERT_TRUE(Dtm()->InvokeFunctionRequest(QStringLiteral("con-1"), Call(kConnectId)));
    EXPECT_EQ(Dtm()->LockCounter(), 1);
    ASSERT_TRUE(WaitForEvent(QStringLiteral("OnInvokedFunctionFinished(con-1, True)")));
    EXPECT_TRUE(WaitForEvent(QStringLiteral("OnOnlineStateChanged(True)")));
    EXPECT_GT(device.requestsHandled(), 0);
    // Leaving the dataset lock ends the connection this DTM made for it.
    ASSERT_TRUE(WaitUntil([&] { return Dtm()->LockCounter() == 0; }));
    EXPECT_FALSE(frame->Container(kTag)->DataSetLockedByDtm());
}

TEST_F(FunctionInvokeLoopback, TheDisconnectFunctionEndsTheConnection)
{
    ASSERT_EQ(Dtm()->ConnectObject()->Connect(), 0);
    ASSERT_TRUE(WaitUntil([&] { return Status() == DtmStatus::Online; }));
    // The device menu offers disconnect while connected.
    SetMenuState(QStringLiteral("Disconnect"), 3);
    ASSERT_TRUE(Offered(kDisconnectId));
    EXPECT_FALSE(Offered(kConnectId)); // not while online
    ASSERT_TRUE(Dtm()->InvokeFunctionRequest(QStringLiteral("dis-1"), Call(kDisconnectId)));
    ASSERT_TRUE(WaitForEvent(QStringLiteral("OnInvokedFunctionFinished(dis-1, True)")));
    ASSERT_TRUE(WaitUntil([&] { return Status() == DtmStatus::CommunicationSet; }));
    ASSERT_TRUE(WaitUntil([&] { return Dtm()->LockCounter() == 0; }));
}

TEST_F(FunctionInvokeLoopback, AConnectToADeviceThatIsGoneReportsFailure)
{
    device.close();
    ASSERT_TRUE(Dtm()->InvokeFunctionRequest(QStringLiteral("con-2"), Call(kConnectId)));
    ASSERT_TRUE(WaitForEvent(QStringLiteral("OnInvokedFunctionFinished(con-2, False)")));
    EXPECT_EQ(Status(), DtmStatus::CommunicationSet);
    ASSERT_TRUE(WaitUntil([&] { return Dtm()->LockCounter() == 0; }));
}

// A main window of the test in place of the device's, which is not built here.
class MainForm : public automation::ComObject, public applet::View {
public:
    void SetAppletItemManagRef(int32_t, const std::shared_ptr<applet::clsAppletItemManager>&, int32_t& result) override
    {
        result = 0;
    }
    void Show(int32_t& result) override { result = 0; }
    void Hide(int32_t& result) override { result = 0; }
    void Destroy(int32_t& result) override { result = 0; }
    void NotifyChanged(int32_t, bool, int32_t, int32_t, int32_t& result) override { result = 0; }
};

TEST_F(FunctionInvokeLoopback, AnOnlineApplicationConnectsByItselfAndHoldsTheCommunication)
{
    const QString mainView = QStringLiteral("Merrow.clsMainView");
    automation::ClassRegistry::instance().Register(mainView, QString(), [] { return std::make_shared<MainForm>(); });
    ASSERT_TRUE(Dtm()->StartApplication(QStringLiteral("diag-1"), Call(5), QString()));
    EXPECT_TRUE(Dtm()->ApplicationManager()->OnlineApplicationActive());
    ASSERT_TRUE(WaitUntil([&] { return Status() == DtmStatus::Online; }));
    ASSERT_TRUE(WaitForEvent(QStringLiteral("OnOnlineStateChanged(True)")));
    // The communication stays while the application runs.
    EXPECT_FALSE(Dtm()->PrepareToReleaseCommunication());
    EXPECT_EQ(Status(), DtmStatus::Online);

    ASSERT_TRUE(Dtm()->ExitApplication(QStringLiteral("diag-1")));
    ASSERT_TRUE(WaitForEvent(QStringLiteral("OnApplicationClosed(diag-1)")));
    EXPECT_FALSE(Dtm()->ApplicationManager()->OnlineApplicationActive());
    // Its dataset lock is left, which ends the connection it made.
    ASSERT_TRUE(WaitUntil([&] { return Dtm()->LockCounter() == 0 && Status() == DtmStatus::CommunicationSet; }));
}

} // namespace
