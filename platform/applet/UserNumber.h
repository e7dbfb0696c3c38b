#pragma once
// Numbers as the user reads and types them. Every window, control and report
// turns an item's number into text and a typed text into a number here, so
// that one window never mixes two formats. The user's language is the
// country code of the applet ("&&private&&countrycode": 49 German, anything
// else English); German takes a decimal comma, and a point as well, since
// numbers are often copied from English documents. Texts a person reads never
// use exponent form. Items and files keep the point form ("24.5").
#include <QString>
#include <cstdint>
#include <optional>

namespace applet {

class clsAppletItemManager;

namespace UserNumber {

inline constexpr int32_t kCountryGerman = 49;
inline constexpr int32_t kCountryEnglish = 1;

// The country code the manager's user chose; English when it cannot be read.
int32_t CountryCode(clsAppletItemManager& manager);

// The decimal separator the user of the country code types and reads.
QChar DecimalSeparator(int32_t countryCode);

// The number a user typed: an optional sign, digits with the user's decimal
// separator or a point (one separator at most, no grouping), an optional
// exponent; blanks around it are ignored. None for anything else, and for
// infinity and not-a-number.
std::optional<double> Parse(const QString& text, int32_t countryCode);

// The number as the user reads it: with decimals decimals (below 0: as many
// as it needs, at most six), the user's decimal separator, never in exponent
// form. A maxDigits above 0 drops decimals until the text fits; the whole
// part is always shown whole.
QString Format(double value, int32_t countryCode, int decimals = -1, int maxDigits = 0);

// The number in the form items, records and files hold: a point, the
// shortest text that reads back as the same number.
QString ItemText(double value);

} // namespace UserNumber

} // namespace applet
