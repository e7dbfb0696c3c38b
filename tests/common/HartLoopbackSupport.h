#pragma once
// What the loopback tests against the simulated transmitter share: the
// simulator's address and the channel that names it to the communication
// server, the staged Trivex description, a view that keeps the item manager
// it is given, and a wait on a signal until a condition holds.
#include "platform/applet/View.h"
#include "platform/applet/clsAppletItemManager.h"
#include "platform/automation/ClassRegistry.h"
#include "platform/comm/server/IHartIpAddress.h"
#include <QCoreApplication>
#include <QSignalSpy>
#include <QString>
#include <functional>
#include <memory>

namespace loopbacktest {

// How long a test waits for the device before it gives up. A whole download to
// an older transmitter, busy for a moment after every write, takes some 20 s
// alone; a sanitizer build on a busy machine needs a good margin beyond that.
inline constexpr int kPatienceMs = 60000;
inline const QString kConnectItem = QStringLiteral("&&private&&connect");

class Channel : public automation::ComObject, public comm::IHartIpAddress {
public:
    explicit Channel(QString address) : m_address(std::move(address)) {}
    QString DeviceAddress() const override { return m_address; }

private:
    QString m_address;
};

// The address of the simulator on this machine at the port.
inline QString LocalAddress(quint16 port)
{
    return QStringLiteral("hart-ip://127.0.0.1:%1").arg(port);
}

// A channel to the simulator on this machine at the port.
inline std::shared_ptr<Channel> LocalChannel(quint16 port)
{
    return std::make_shared<Channel>(LocalAddress(port));
}

// The Trivex description staged beside the test programs.
inline QString StagedTrivexDescription()
{
    return QCoreApplication::applicationDirPath() + QStringLiteral("/../../TDXDESC/COM_HART/_0063/_0_0089/Trivex.tdx");
}

// A view that keeps its handle and item manager until it is destroyed; what
// a change means is the subclass's business.
class ManagerView : public applet::View {
public:
    void SetAppletItemManagRef(int32_t viewHandle, const std::shared_ptr<applet::clsAppletItemManager>& m,
                               int32_t& result) override
    {
        handle = viewHandle;
        manager = m;
        result = 0;
    }
    void Show(int32_t& result) override { result = 0; }
    void Hide(int32_t& result) override { result = 0; }
    void Destroy(int32_t& result) override
    {
        manager.reset();
        result = 0;
    }

    std::shared_ptr<applet::clsAppletItemManager> manager;
    int32_t handle = 0;
};

// Waits for the sender's signal until done() holds; false once kPatienceMs
// pass without the signal.
template <class Sender, class Signal>
bool WaitFor(const Sender* sender, Signal signal, const std::function<bool()>& done)
{
    QSignalSpy spy(sender, signal);
    while (!done())
        if (!spy.wait(kPatienceMs))
            return false;
    return true;
}

} // namespace loopbacktest
