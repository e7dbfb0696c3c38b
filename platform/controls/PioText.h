#pragma once
// The value field of a page: shows the value of the item named by ObjectNameText,
// formatted by its type and decimals, and writes what the user enters.
#include "platform/controls/PioFieldControl.h"

namespace controls {

class PioText : public PioFieldControl {
    Q_OBJECT
public:
    static inline const QString kProgId = QStringLiteral("Piotxt.PioText");

    explicit PioText(QWidget* parent = nullptr) : PioFieldControl(ValuePart, parent) {}
};

} // namespace controls
