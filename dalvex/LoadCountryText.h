#pragma once
// The library's texts: one table of English and German texts under one id
// space (English 1xxx to 4xxx, German the same plus 10000). The entry whose id
// is the country code holds the language's base; a country code without an
// entry reads English.
#include <QString>
#include <cstdint>

namespace dalvex {

// The text textNumber in the language of countryCode. A missing text is
// traced, shown in a message box and gives an empty text; it never raises.
QString LoadCountryText(int32_t countryCode, int32_t textNumber);

} // namespace dalvex
