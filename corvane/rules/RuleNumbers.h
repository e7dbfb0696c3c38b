#pragma once
// Numbers the rule managers read from texts: the connected device's software
// revision and the unit code an item holds. A text that is no number raises a
// type mismatch (traced), so the rule step that needed it ends there.
#include <QString>
#include <cstdint>

class IDeviceInfo;
class clsAppItem;

namespace RuleNumbers {

// The software revision of the device information as a number.
double SoftwareRevision(IDeviceInfo& deviceInfo, const QString& source);

// The item's text as a number (a unit code, a range value).
double NumberOf(const clsAppItem& item, const QString& source);

// The item's text as a whole unit code.
int32_t UnitCodeOf(const clsAppItem& item, const QString& source);

} // namespace RuleNumbers
