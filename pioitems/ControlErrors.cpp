#include "pioitems/ControlErrors.h"
#include "platform/applet/AppletTrace.h"
#include "platform/automation/ComError.h"
#include <exception>

namespace pioitems::ControlErrors {

bool Run(const QString& context, const std::function<void()>& call)
{
    try {
        call();
        return true;
    } catch (const automation::ComError& error) {
        Trace(context, error);
    } catch (const std::exception& error) {
        applet::AppletTrace::Error(QStringLiteral("%1: %2").arg(context, QString::fromLocal8Bit(error.what())));
    }
    return false;
}

void Trace(const QString& context, const automation::ComError& error)
{
    applet::AppletTrace::Error(QStringLiteral("%1: %2 (0x%3, %4)")
                                   .arg(context, error.description())
                                   .arg(static_cast<uint32_t>(error.number()), 8, 16, QLatin1Char('0'))
                                   .arg(error.source()));
}

} // namespace pioitems::ControlErrors
