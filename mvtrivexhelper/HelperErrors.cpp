#include "mvtrivexhelper/HelperErrors.h"
#include "platform/applet/AppletTrace.h"
#include "platform/automation/ComError.h"

namespace HelperErrors {

void Raise(int32_t number, const QString& description, const QString& source)
{
    applet::AppletTrace::Error(source + QStringLiteral(": ") + description);
    throw automation::ComError(number, description, source);
}

} // namespace HelperErrors
