#pragma once
// Proposes how many decimal places a display shows for a measuring span: the
// number of characters of the whole part of 1000 / |span| in plain number
// text (span 1 → "1000" → 4; span 2000 → "0" → 1; a quotient of 10^16 or
// more is written with an exponent, "1E+16" → 5).
//
// Span 0 raises ComError(kDivisionByZero); a span so small that the quotient
// is not a finite number raises ComError(kOverflow); NaN raises
// ComError(kTypeMismatch).
#include "mvtrivexhelper/IGetDecimalPlaces.h"
#include "platform/automation/ClassRegistry.h"

class clsGetDecimalPlaces : public automation::ComObject, public IGetDecimalPlaces {
public:
    int16_t GetDecimalPlaces(double span) override;
};
