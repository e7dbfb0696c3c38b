#pragma once
// The errors the device helper library raises, and the one way it raises
// them: traced first, then thrown as a ComError. Errors of the items come
// from the item framework with its own numbers (enmExeption).
#include <QString>
#include <cstdint>

namespace HelperErrors {

// Run-time errors of the arithmetic and the conversions.
constexpr int32_t kOverflow = 6;
constexpr int32_t kDivisionByZero = 11;
constexpr int32_t kTypeMismatch = 13;
// A member used an object that is not there (an item before binding).
constexpr int32_t kObjectNotSet = 91;

// Traces "source: description" and throws ComError(number, description, source).
[[noreturn]] void Raise(int32_t number, const QString& description, const QString& source);

} // namespace HelperErrors
