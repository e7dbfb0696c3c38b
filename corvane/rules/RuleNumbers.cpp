#include "corvane/rules/RuleNumbers.h"
#include "mvtrivexhelper/HelperErrors.h"
#include "mvtrivexhelper/IDeviceInfo.h"
#include "mvtrivexhelper/NumberText.h"
#include "pioextensions/clsAppItem.h"

namespace {

double Number(const QString& text, const QString& what, const QString& source)
{
    double value = 0;
    if (!NumberText::ToNumber(text, value))
        HelperErrors::Raise(HelperErrors::kTypeMismatch, QStringLiteral("%1 '%2' is not a number").arg(what, text),
                            source);
    return value;
}

} // namespace

namespace RuleNumbers {

double SoftwareRevision(IDeviceInfo& deviceInfo, const QString& source)
{
    return Number(deviceInfo.softwareRevision(), QStringLiteral("Software revision"), source);
}

double NumberOf(const clsAppItem& item, const QString& source)
{
    return Number(item.StringValue(), item.Name(), source);
}

int32_t UnitCodeOf(const clsAppItem& item, const QString& source)
{
    int32_t code = 0;
    if (!NumberText::RoundToInt32(NumberOf(item, source), code))
        HelperErrors::Raise(HelperErrors::kOverflow, QStringLiteral("%1 holds no unit code").arg(item.Name()),
                            source);
    return code;
}

} // namespace RuleNumbers
