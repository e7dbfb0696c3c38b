#pragma once
// What a field that takes a number lets the user type: digits, one sign in
// front, one decimal separator ("," or "." alike, whichever the user's habit
// is) and an exponent. Letters never reach the item, so the user meets no
// refusal that names an item; what the typed number means is the item's.
#include <QRegularExpressionValidator>

namespace controls {

class NumberFieldValidator : public QRegularExpressionValidator {
    Q_OBJECT
public:
    explicit NumberFieldValidator(QObject* parent = nullptr);
};

} // namespace controls
