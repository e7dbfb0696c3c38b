#pragma once
// Formulas of curve segments: a text in x with numbers (decimal point), the
// operators + - * / ^ (power, binding tighter than * and /, from the right),
// unary minus and parentheses, e.g. "0.4*x+0.0181*x^2" or "10*x^(1/2)".
#include <QString>

namespace controls::CurveFormula {

// The formula's value at x; false with error set for a formula that does not
// parse or a result that is not a finite number.
bool Evaluate(const QString& formula, double x, double& result, QString& error);

} // namespace controls::CurveFormula
