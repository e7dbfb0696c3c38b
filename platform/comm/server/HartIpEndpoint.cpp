#include "platform/comm/server/HartIpEndpoint.h"

#include "platform/comm/hartip/HartIpMessage.h"
#include <QUrl>

namespace comm {

namespace {

const QString kScheme = QStringLiteral("hart-ip");

bool refuse(QString* error, const QString& text)
{
    if (error)
        *error = text;
    return false;
}

} // namespace

QString HartIpEndpoint::toUrl() const
{
    const QString shownHost = host.contains(QLatin1Char(':')) ? QStringLiteral("[%1]").arg(host) : host;
    return QStringLiteral("%1://%2:%3").arg(kScheme, shownHost).arg(port);
}

bool HartIpEndpoint::parse(const QString& text, HartIpEndpoint& out, QString* error)
{
    const QString trimmed = text.trimmed();
    if (trimmed.isEmpty())
        return refuse(error, QStringLiteral("no device address given"));
    const QUrl url(trimmed, QUrl::StrictMode);
    if (!url.isValid())
        return refuse(error, QStringLiteral("\"%1\" is no valid URL: %2").arg(trimmed, url.errorString()));
    if (url.scheme().compare(kScheme, Qt::CaseInsensitive) != 0)
        return refuse(error, QStringLiteral("\"%1\" is no HART-IP address (expected %2://host:port)").arg(trimmed, kScheme));
    if (url.host().isEmpty())
        return refuse(error, QStringLiteral("\"%1\" names no host").arg(trimmed));
    if (!url.userInfo().isEmpty() || (!url.path().isEmpty() && url.path() != QLatin1String("/")) || url.hasQuery()
        || url.hasFragment())
        return refuse(error, QStringLiteral("\"%1\" holds more than host and port").arg(trimmed));
    const int port = url.port(kHartIpDefaultPort);
    if (port <= 0 || port > 0xFFFF)
        return refuse(error, QStringLiteral("\"%1\" names no valid port").arg(trimmed));
    out.host = url.host();
    out.port = static_cast<uint16_t>(port);
    return true;
}

} // namespace comm
