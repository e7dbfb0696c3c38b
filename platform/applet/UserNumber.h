#pragma once
// Numbers as the user reads and types them. Every window, control and report
// turns an item's number into text and a typed text into a number here, so
// that one window never mixes two formats. The user's language is the
// country code of the applet ("&&private&&countrycode": 49 German, anything
// else English); German takes the decimal comma only: to a German reader
// "1.000" is one thousand, so a point is refused with a word on the comma,
// never read the English way. Texts a person reads never use exponent form.
// Items and files keep the point form ("24.5").
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
// separator (one at most, no grouping), an optional exponent; blanks around
// it are ignored. None for anything else, and for infinity and not-a-number.
std::optional<double> Parse(const QString& text, int32_t countryCode);

// The sentence (with a leading blank) a refusal of text adds when the text
// has the other language's decimal separator: a German user's "1.5" is told
// that the comma is the decimal separator. Empty where no such word helps.
QString SeparatorHint(const QString& text, int32_t countryCode);

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
