#pragma once
// What a field that takes a number lets the user type: digits, one sign in
// front, the separators "," and "." (the decimal one, whichever the user's
// habit is, and any the user groups with) and an exponent. Letters never
// reach the item, so the user meets no refusal that names an item. No key of
// a number is dropped: "1.000,5" stays as typed, and the item refuses what
// it cannot read rather than taking 1.0005.
#include <QRegularExpressionValidator>

namespace controls {

class NumberFieldValidator : public QRegularExpressionValidator {
    Q_OBJECT
public:
    explicit NumberFieldValidator(QObject* parent = nullptr);
};

} // namespace controls
