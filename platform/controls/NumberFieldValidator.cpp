#include "platform/controls/NumberFieldValidator.h"

namespace controls {

NumberFieldValidator::NumberFieldValidator(QObject* parent)
    : QRegularExpressionValidator(
          QRegularExpression(QStringLiteral("\\s*[+-]?[0-9.,]*([eE][+-]?[0-9]*)?\\s*")), parent)
{
    setObjectName(QStringLiteral("NumberFieldValidator"));
}

} // namespace controls
