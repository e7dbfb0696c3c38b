#pragma once
// Numbers read from and written as text the way the device helpers need them.
// Sans-I/O.
//
// Texts are read with "." as the decimal point and without group separators,
// whatever the user's locale: item texts come from the device and the
// description, not from the user, and a decimal comma would make "22,5" and
// "225" indistinguishable.
#include <QString>
#include <cstdint>

namespace NumberText {

// The plain text of a finite number: at most 15 significant digits, no
// leading blank, no group separators, exponent notation from 16 digits before
// the point on ("1E+16") and below 0.0001 ("1E-05"); "-" for negatives.
// An empty text for infinity and NaN.
QString Plain(double value);

// The whole text as a number: blanks around it allowed, an optional sign,
// digits with at most one ".", an optional exponent. False (value untouched)
// for anything else, and for a result that is not finite.
bool ToNumber(const QString& text, double& value);

// The decimal number at the start of the text after leading blanks
// ("0.21 beta" gives 0.21), 0 when the text does not start with one. False
// (value untouched) when the number is too large for a double.
bool LeadingNumber(const QString& text, double& value);

// Rounds to the nearest whole number, halves to the even one. False (value
// untouched) for NaN and for results outside the target's range.
bool RoundToInt32(double number, int32_t& value);
bool RoundToInt16(double number, int16_t& value);

} // namespace NumberText
