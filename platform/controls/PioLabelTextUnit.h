#pragma once
// Caption, value field and unit in a row: the value of ObjectNameText (or,
// shown only, ObjectNameLabel) with the unit of ObjectNameUnit or UnitText.
#include "platform/controls/PioFieldControl.h"

namespace controls {

class PioLabelTextUnit : public PioFieldControl {
    Q_OBJECT
public:
    static inline const QString kProgId = QStringLiteral("PioLblTextUnit.PioLabelTextUnit");

    explicit PioLabelTextUnit(QWidget* parent = nullptr) : PioFieldControl(CaptionPart | ValuePart | UnitPart, parent) {}
};

} // namespace controls
