#pragma once
// The display text of a float value cut to a width: the formatting behind
// PioAppItem::FloatValueFormatted.
#include <QLocale>
#include <QString>
#include <cstdint>
#include <optional>

namespace pioitems::FloatFormatting {

// value rounded to decimalPlaces decimals (ties to even) and shown with that
// many decimals, at least one; then cut to maxDigits characters. Only
// decimals are cut (a separator left at the end goes too): a value whose
// integer part alone is wider than maxDigits is shown in exponent form
// "0.000E+00" instead. The decimal separator is the locale's. No text
// (nullopt) for a value that is not finite or a negative decimalPlaces.
std::optional<QString> FormatFloat(double value, int16_t decimalPlaces, int16_t maxDigits,
                                   const QLocale& locale = QLocale());

} // namespace pioitems::FloatFormatting
