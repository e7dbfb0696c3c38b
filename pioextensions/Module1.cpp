#include "pioextensions/Module1.h"
#include "platform/applet/AppletTrace.h"

namespace Module1 {

void ReportItemError(int32_t code, const QString& source, const QString& description)
{
    applet::AppletTrace::Error(QStringLiteral("%1: %2 (0x%3)")
                                   .arg(source, description)
                                   .arg(static_cast<uint32_t>(code), 8, 16, QLatin1Char('0')));
}

} // namespace Module1
