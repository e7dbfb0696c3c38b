#pragma once
// A shown-only value of a page: the value of the item named by ObjectNameLabel.
#include "platform/controls/PioFieldControl.h"

namespace controls {

class PioLabel : public PioFieldControl {
    Q_OBJECT
public:
    static inline const QString kProgId = QStringLiteral("PioLbl.PioLabel");

    explicit PioLabel(QWidget* parent = nullptr) : PioFieldControl(ValuePart, parent) {}
};

} // namespace controls
