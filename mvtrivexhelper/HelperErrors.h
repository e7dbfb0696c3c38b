#pragma once
// The errors the device helper library raises, and the one way it raises
// them: traced first, then thrown as a ComError. The item errors keep the
// numbers of the item framework, so a caller tells them apart by number.
#include <QString>
#include <cstdint>

namespace HelperErrors {

// Run-time errors of the arithmetic and the conversions.
constexpr int32_t kOverflow = 6;
constexpr int32_t kDivisionByZero = 11;
constexpr int32_t kTypeMismatch = 13;
// A member used an object that is not there (an item before binding).
constexpr int32_t kObjectNotSet = 91;

// Item errors (the item framework's numbers).
constexpr int32_t REGISTRATION_FAILED = static_cast<int32_t>(0x80040064u);
constexpr int32_t INVALID_DATATYPE = static_cast<int32_t>(0x80040065u);

// Traces "source: description" and throws ComError(number, description, source).
[[noreturn]] void Raise(int32_t number, const QString& description, const QString& source);

} // namespace HelperErrors
