#pragma once
// What the item framework's tests share: the toolkit's applet host on the
// staged Trivex description, a connection of it to the simulated transmitter,
// a handler object whose methods are called by name, and (ErrorTraces.h) a
// capture of the toolkit's error traces.
#include "fennick/communication/clsGatewayHART.h"
#include "platform/applet/AppletClasses.h"
#include "platform/applet/AppletHost.h"
#include "platform/applet/AppletTrace.h"
#include "platform/applet/clsAppletItemManager.h"
#include "platform/automation/ClassRegistry.h"
#include "platform/automation/ComError.h"
#include "platform/comm/server/HartCommServer.h"
#include "platform/loop/EventLoop.h"
#include "pioextensions/clsAppItem.h"
#include "sim/SimServer.h"
#include "tests/common/HartLoopbackSupport.h"
#include "tests/pioextensions/ErrorTraces.h"
#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QObject>
#include <QStringList>
#include <functional>
#include <gtest/gtest.h>
#include <memory>

namespace piotest {

// Runs the posted calls and Qt's pending events until nothing is left (bounded).
inline void Settle()
{
    for (int i = 0; i < 100; ++i) {
        QCoreApplication::processEvents();
        if (loop::RunPostedCalls() == 0 && loop::PendingPostedCalls() == 0)
            break;
    }
}

// Runs the loop until done() holds; false after loopbacktest::kPatienceMs.
inline bool RunUntil(const std::function<bool()>& done)
{
    QElapsedTimer clock;
    clock.start();
    while (!done()) {
        if (clock.elapsed() > loopbacktest::kPatienceMs)
            return false;
        QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
        loop::RunPostedCalls();
    }
    return true;
}

// The applet host on the staged Trivex description, and its item manager.
class TrivexApplet {
public:
    TrivexApplet()
    {
        const QString tdx = loopbacktest::StagedTrivexDescription();
        if (!QFileInfo::exists(tdx))
            return;
        applet::RegisterClasses();
        host = automation::ClassRegistry::instance().Create<applet::AppletHost>(applet::kAppletHostProgId);
        int32_t code = -1;
        // Without the device library the host cannot start its always-started view; that is expected here.
        const auto previous = applet::AppletTrace::SetSink([](applet::AppletTrace::Level, const QString&) {});
        host->fncInit(tdx, QString(), QString(), code);
        applet::AppletTrace::SetSink(previous);
        if (code != 0)
            return;
        host->GetItemManager(manager);
    }
    ~TrivexApplet()
    {
        if (gateway)
            gateway->DisconnectServer();
        if (server) {
            int32_t code = 0;
            std::shared_ptr<applet::CServerRequestClass> reference = server;
            server->Destroy(reference, code);
        }
        if (host) {
            int32_t code = 0;
            std::shared_ptr<applet::AppletHost> h = host;
            host->DestroyApplet(h, code);
        }
        Settle();
    }
    TrivexApplet(const TrivexApplet&) = delete;
    TrivexApplet& operator=(const TrivexApplet&) = delete;

    bool Ready() const { return manager != nullptr; }

    // Gives the host a channel to the simulated transmitter over HART-IP, not connected yet.
    bool AttachDevice()
    {
        if (!device.listen(QHostAddress::LocalHost, 0))
            return false;
        server = std::make_shared<comm::HartCommServer>();
        if (responseTimeoutMs > 0)
            server->SetResponseTimeout(responseTimeoutMs);
        int32_t code = 0;
        server->SetCommunication(loopbacktest::LocalChannel(device.port()), code);
        std::shared_ptr<applet::AppletHost> h = host;
        gateway = std::make_shared<clsGatewayHART>([h] { return h; });
        return gateway->ConnectServer(server) == 1;
    }

    // Connects the host to the simulated transmitter over HART-IP.
    bool Connect()
    {
        if (!AttachDevice())
            return false;
        // A device the DTM refuses is disconnected again at once: a
        // "connected" seen at any time counts, not only one still standing.
        clsAppItem connectState;
        connectState.Register(manager, loopbacktest::kConnectItem);
        bool connected = false;
        QObject::connect(&connectState, &clsAppItem::ValueChanged,
                         [&connected](const QString& value) { connected = connected || value.toInt() == 2; });
        int32_t code = 0;
        host->Connect(0, code);
        if (code != 0)
            return false;
        return RunUntil([&] { return connected || Number(loopbacktest::kConnectItem) == 2; });
    }

    double Number(const QString& name) const
    {
        double value = -1;
        int32_t failed = 0;
        manager->fncGetUIntValue(manager->HandleOf(name), value, failed);
        return failed == 0 ? value : -1;
    }
    void PutNumber(const QString& name, double value)
    {
        int32_t failed = 0;
        manager->fncPutUintValue(manager->HandleOf(name), value, failed);
        EXPECT_EQ(failed, 0) << name.toStdString();
    }
    // The value last read from the device, as a read sequence would leave it.
    void PutShadow(const QString& name, const QVariant& stored)
    {
        ASSERT_TRUE(manager->WriteShadow(manager->HandleOf(name), stored)) << name.toStdString();
    }

    sim::SimServer device;
    std::shared_ptr<applet::AppletHost> host;
    std::shared_ptr<applet::clsAppletItemManager> manager;
    std::shared_ptr<comm::HartCommServer> server;
    // The communication server's response time-out from the connect on (its
    // link's included); 0 keeps the default.
    int responseTimeoutMs = 0;
    std::shared_ptr<clsGatewayHART> gateway;
};

#define PIO_REQUIRE_APPLET(applet)                                                                                    \
    if (!(applet).Ready())                                                                                            \
    GTEST_FAIL() << "no staged Trivex description at " << loopbacktest::StagedTrivexDescription().toStdString()

// A component's handler methods, found by name; every call is logged.
class Handler : public QObject {
    Q_OBJECT
public:
    QStringList calls;
    bool failNext = false;

public slots:
    void appItem_ValueChanged2(short Index, const QString& value, bool suppressRule)
    {
        calls.append(QStringLiteral("handler(%1,%2,%3)").arg(Index).arg(value).arg(suppressRule ? "true" : "false"));
        Fail();
    }
    void SequenceItem_StatusChanged(const QString& name, int status)
    {
        calls.append(QStringLiteral("sequence(%1,%2)").arg(name).arg(status));
        Fail();
    }
    void RecordItem_StatusChanged(const QString& name, int status)
    {
        calls.append(QStringLiteral("record(%1,%2)").arg(name).arg(status));
        Fail();
    }

private:
    void Fail()
    {
        if (failNext) {
            failNext = false;
            throw automation::ComError(automation::E_FAIL_, QStringLiteral("handler refused"), QStringLiteral("Handler"));
        }
    }
};

} // namespace piotest
