#pragma once
// The display text of a float value cut to a width: the formatting behind
// PioAppItem::FloatValueFormatted.
#include <QString>
#include <cstdint>
#include <optional>

namespace pioitems::FloatFormatting {

// value rounded to decimalPlaces decimals (ties to even) and shown with that
// many decimals, at least one; then cut to maxDigits characters. Only
// decimals are cut (a separator left at the end goes too): a value whose
// integer part alone is wider than maxDigits shows in the form "1.235E+07";
// one whose rounding carries into a digit more than maxDigits shows its whole
// integer part. The decimal separator is the one of the user of the country
// code. No text (nullopt) for a value that is not finite or a negative
// decimalPlaces.
std::optional<QString> FormatFloat(double value, int16_t decimalPlaces, int16_t maxDigits, int32_t countryCode = 1);

} // namespace pioitems::FloatFormatting
