#include "mvtrivexhelper/clsGetDecimalPlaces.h"
#include "mvtrivexhelper/HelperErrors.h"
#include "mvtrivexhelper/NumberText.h"
#include <cmath>

namespace {
const QString kSource = QStringLiteral("clsGetDecimalPlaces.GetDecimalPlaces");
constexpr double kDigitsOf = 1000;
} // namespace

int16_t clsGetDecimalPlaces::GetDecimalPlaces(double span)
{
    if (std::isnan(span))
        HelperErrors::Raise(HelperErrors::kTypeMismatch, QStringLiteral("Span is not a number"), kSource);
    if (span == 0)
        HelperErrors::Raise(HelperErrors::kDivisionByZero, QStringLiteral("Division by zero"), kSource);
    const double q = kDigitsOf / std::fabs(span);
    if (!std::isfinite(q))
        HelperErrors::Raise(HelperErrors::kOverflow, QStringLiteral("Overflow: span %1").arg(span), kSource);
    // The whole part stays a double: no cast of a large quotient to an integer.
    const QString text = NumberText::Plain(std::floor(q));
    return static_cast<int16_t>(text.size());
}
