#include "mvtrivexhelper/HelperErrors.h"
#include "fennick/services/Debugging.h"
#include "platform/automation/ComError.h"

namespace HelperErrors {

void Raise(int32_t number, const QString& description, const QString& source)
{
    Debugging::TraceError(source + QStringLiteral(": ") + description);
    throw automation::ComError(number, description, source);
}

} // namespace HelperErrors
