#include "platform/frame/FrameCommunication.h"
#include "platform/automation/ComError.h"
#include <QUrl>

namespace frame {

FrameCommunication::FrameCommunication(const QString& address, const comm::HartDeviceType& servedDeviceType)
    : m_address(address), m_served(servedDeviceType)
{
    QString error;
    if (!ParseAddress(address, m_host, m_port, &error))
        throw automation::ComError(automation::E_INVALIDARG_, error, QStringLiteral("FrameCommunication"));
}

void FrameCommunication::OnDeviceIdentified(const comm::HartConnectReport& report)
{
    m_lastConnect = report;
    m_reported = true;
}

void FrameCommunication::OnConnectionFailed(const QString& cause)
{
    m_lastConnect.failure = cause;
    m_reported = true;
}

bool FrameCommunication::LastConnect(comm::HartConnectReport& report) const
{
    if (m_reported)
        report = m_lastConnect;
    return m_reported;
}

bool FrameCommunication::ParseAddress(const QString& address, QString& host, uint16_t& port, QString* error)
{
    auto fail = [&](const QString& reason) {
        if (error)
            *error = QStringLiteral("Invalid device address '%1': %2").arg(address, reason);
        return false;
    };
    if (address.trimmed().isEmpty())
        return fail(QStringLiteral("no address given, %1://HOST[:PORT] is expected").arg(kScheme));
    const QUrl url(address, QUrl::StrictMode);
    if (!url.isValid())
        return fail(url.errorString().isEmpty() ? QStringLiteral("not a URL") : url.errorString());
    if (url.scheme() != kScheme)
        return fail(QStringLiteral("the address must start with %1://").arg(kScheme));
    if (url.host().isEmpty())
        return fail(QStringLiteral("no host"));
    if (!url.userInfo().isEmpty() || !(url.path().isEmpty() || url.path() == QLatin1String("/")) || url.hasQuery()
        || url.hasFragment())
        return fail(QStringLiteral("nothing may follow the port"));
    const int given = url.port(-1);
    if (given == 0)
        return fail(QStringLiteral("port 0"));
    host = url.host();
    port = given < 0 ? kDefaultPort : static_cast<uint16_t>(given);
    return true;
}

} // namespace frame
