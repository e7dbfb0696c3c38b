#pragma once
// The helpers every component of the device library shares: the top-most
// message box, the unit code of a unit text on the connected bus, the
// localised texts of the library's string table, the range adjustment that
// keeps a measuring range inside the sensor limits with a minimum span, and
// the one rule that decides whether a component may show a message box.
#include <QString>
#include <QVariant>
#include <cstdint>

class clsAppItem;
class clsAppItemCollection;
class IChangeUnitValue;

namespace Module1 {

// Country codes of "&&private&&countrycode" that have texts.
constexpr int16_t kCountryEnglish = 1;
constexpr int16_t kCountryGerman = 49;

// Shows a box described by a classic style number through the dialog
// service, always above the frame application's windows; returns the classic
// code of the button pressed (1 OK, 3 Abort, 4 Retry, 5 Ignore, ...).
int32_t ShowMessageOnTop(const QString& prompt, int32_t buttons, const QString& title);

// The unit code of unitText (exact, case-sensitive) for the bus: commType 0
// HART, 1 PROFIBUS and 2 FOUNDATION Fieldbus share the second column. Any
// other bus or text gives 0.
int16_t GetUnitCode(int32_t commType, const QString& unitText);

// The text textId in the language of countryCode; a country without texts
// gets English, an id without text the empty text. Never raises.
QString LoadLocalizedText(int16_t countryCode, int32_t textId);

// The two steps of AdjustRangeWithMinSpan. Each clamps value into
// [lowLimit, highLimit] and then keeps it at least minSpan away from
// reference: the first pushes a value on the lower limit above the
// reference, the mirrored one a value on the upper limit below it.
void ClampAwayFromReference(double& value, double reference, double minSpan, double lowLimit, double highLimit);
void ClampAwayFromReferenceMirrored(double reference, double& value, double minSpan, double lowLimit,
                                    double highLimit);

// Adjusts the range ends first and second (in rangeUnit) in place: only the
// first moves, so that it lies inside the limits (in limitUnit) and at least
// minSpan (kept in workUnit) away from the second. Each unit is a unit code
// or a clsAppItem* whose value is the code. Errors of the conversions and the
// item accesses are raised to the caller; nothing is written then.
void AdjustRangeWithMinSpan(IChangeUnitValue& converter, clsAppItem& first, clsAppItem& second,
                            const QVariant& rangeUnit, clsAppItem& minSpan, const QVariant& workUnit,
                            clsAppItem& lowerLimit, clsAppItem& upperLimit, const QVariant& limitUnit);

// Binds the two items of the message-box rule in a component's collection
// under the keys "ActiveForms" and "EngineeringContext".
void AddMessageBoxItems(clsAppItemCollection& items);
// The message-box rule: a box may be shown only while a DTM form is open
// ("ActiveForms" not 0) or the engineering context is -1. Raises when the
// collection lacks the two items.
bool MessageBoxAllowed(const clsAppItemCollection& items);

} // namespace Module1
