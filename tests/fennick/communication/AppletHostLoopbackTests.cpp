// The whole road of a HART connect: the toolkit's applet host sends through
// the gateway to the communication server and the simulated transmitter.
#include "fennick/communication/clsGatewayHART.h"
#include "platform/applet/AppletClasses.h"
#include "platform/applet/AppletHost.h"
#include "platform/applet/View.h"
#include "platform/applet/clsAppletItemManager.h"
#include "platform/automation/ClassRegistry.h"
#include "platform/comm/server/HartCommServer.h"
#include "sim/SimServer.h"
#include "tests/common/HartLoopbackSupport.h"
#include <QFileInfo>
#include <gtest/gtest.h>

namespace {

using loopbacktest::kConnectItem;

// Says when the connect item changes.
class ConnectWatch : public QObject, public loopbacktest::ManagerView {
    Q_OBJECT
public:
    void SetAppletItemManagRef(int32_t viewHandle, const std::shared_ptr<applet::clsAppletItemManager>& m,
                               int32_t& result) override
    {
        ManagerView::SetAppletItemManagRef(viewHandle, m, result);
        int32_t failed = 0;
        manager->RegisterItem(kConnectItem, false, viewHandle, item, 0, 0, failed);
        result = failed;
    }
    void NotifyChanged(int32_t, bool, int32_t, int32_t, int32_t& result) override
    {
        result = 0;
        emit changed();
    }
    int State() const
    {
        double value = -1;
        int32_t failed = 0;
        manager->fncGetUIntValue(item, value, failed);
        return failed == 0 ? static_cast<int>(value) : -1;
    }
    bool WaitFor(int state)
    {
        return loopbacktest::WaitFor(this, &ConnectWatch::changed, [&] { return State() == state; });
    }

    int32_t item = -1;

signals:
    void changed();
};

} // namespace

TEST(AppletHostLoopback, TheHostConnectsThroughTheGateway)
{
    const QString tdx = loopbacktest::StagedTrivexDescription();
    if (!QFileInfo::exists(tdx))
        GTEST_FAIL() << "no staged device description at " << tdx.toStdString();

    sim::SimServer device;
    ASSERT_TRUE(device.listen(QHostAddress::LocalHost, 0));
    device.device().tag = QStringLiteral("FT-7");
    device.device().descriptor = QStringLiteral("STEAM");

    applet::RegisterClasses();
    auto host = automation::ClassRegistry::instance().Create<applet::AppletHost>(applet::kAppletHostProgId);
    int32_t code = -1;
    host->fncInit(tdx, QString(), QStringLiteral("&&private&&CountryCode=049"), code);
    ASSERT_EQ(code, 0);
    std::shared_ptr<applet::clsAppletItemManager> manager;
    host->GetItemManager(manager);
    auto watch = std::make_shared<ConnectWatch>();
    manager->RegisterView(watch, code);
    ASSERT_EQ(code, 0);

    auto server = std::make_shared<comm::HartCommServer>();
    server->SetCommunication(loopbacktest::LocalChannel(device.port()), code);
    auto gateway = std::make_shared<clsGatewayHART>([host] { return host; });
    EXPECT_EQ(gateway->ConnectServer(server), 1);

    host->Connect(0, code);
    ASSERT_EQ(code, 0);
    EXPECT_TRUE(watch->WaitFor(2));
    EXPECT_EQ(gateway->LinkState(), 2);
    EXPECT_EQ(gateway->View()->TagName(), "FT-7");
    EXPECT_EQ(gateway->View()->Descriptor(), "STEAM");

    host->Disconnect(0, code);
    EXPECT_TRUE(watch->WaitFor(0));
    EXPECT_EQ(gateway->LinkState(), 0);

    // Releasing the communication while connected takes the host offline too.
    host->Connect(0, code);
    ASSERT_EQ(code, 0);
    EXPECT_TRUE(watch->WaitFor(2));
    gateway->DisconnectServer();
    EXPECT_TRUE(watch->WaitFor(0));
    EXPECT_EQ(server->ClientCount(), 0);

    manager->UnregisterView(watch.get(), code);
    watch->manager.reset();
    std::shared_ptr<applet::CServerRequestClass> reference = server;
    server->Destroy(reference, code);
    std::shared_ptr<applet::AppletHost> h = host;
    host->DestroyApplet(h, code);
}

#include "AppletHostLoopbackTests.moc"
