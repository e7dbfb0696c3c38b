#pragma once
// The communication object the frame hands to a DTM with SetCommunication:
// the channel to one device, named by its address "hart-ip://host:port", for
// a DTM instance of one device type. The communication server reads the
// address through IHartIpAddress and connects only to a device of that type
// (IHartDeviceType); the object keeps what the server found at the last
// connect, and tells the server whether a deadline ended the command
// (ICommandDeadline).
#include "platform/automation/ClassRegistry.h"
#include "platform/comm/server/ICommandDeadline.h"
#include "platform/comm/server/IHartDeviceType.h"
#include "platform/comm/server/IHartIpAddress.h"
#include "platform/frame/fdt/IFdtCommunication.h"
#include <QString>
#include <cstdint>
#include <functional>

namespace frame {

class FrameCommunication : public automation::ComObject,
                           public fdt::IFdtCommunication,
                           public comm::IHartIpAddress,
                           public comm::IHartDeviceType,
                           public comm::ICommandDeadline {
public:
    // Raises automation::ComError (E_INVALIDARG) for an address that
    // ParseAddress refuses.
    FrameCommunication(const QString& address, const comm::HartDeviceType& servedDeviceType);

    QString Address() const override { return m_address; }
    QString DeviceAddress() const override { return m_address; }
    QString Host() const { return m_host; }
    uint16_t Port() const { return m_port; }

    comm::HartDeviceType ServedDeviceType() const override { return m_served; }
    void OnDeviceIdentified(const comm::HartConnectReport& report) override;
    void OnConnectionFailed(const QString& cause) override;
    // What the server found at the last connect, with why it or its session
    // failed; false before any connect was identified or failed.
    bool LastConnect(comm::HartConnectReport& report) const;
    // Asked when the DTM disconnects; none: no deadline.
    void SetDeadline(std::function<bool()> passed) { m_deadlinePassed = std::move(passed); }
    bool DeadlinePassed() const override { return m_deadlinePassed && m_deadlinePassed(); }

    static inline const QString kScheme = QStringLiteral("hart-ip");
    static constexpr uint16_t kDefaultPort = 5094;

    // "hart-ip://host" or "hart-ip://host:port" (port 1..65535, default 5094),
    // nothing after the port. False with the reason in error otherwise.
    static bool ParseAddress(const QString& address, QString& host, uint16_t& port, QString* error = nullptr);

private:
    QString m_address;
    QString m_host;
    uint16_t m_port = kDefaultPort;
    comm::HartDeviceType m_served;
    comm::HartConnectReport m_lastConnect;
    bool m_reported = false;
    std::function<bool()> m_deadlinePassed;
};

} // namespace frame
