#pragma once
// Caption, entry list and unit in a row: the entries of ObjectNameCombo with
// the unit of ObjectNameUnit or UnitText.
#include "platform/controls/PioFieldControl.h"

namespace controls {

class PioLabelComboUnit : public PioFieldControl {
    Q_OBJECT
public:
    static inline const QString kProgId = QStringLiteral("PioLblComboUnit.PioLabelComboUnit");

    explicit PioLabelComboUnit(QWidget* parent = nullptr) : PioFieldControl(CaptionPart | ListPart | UnitPart, parent) {}
};

} // namespace controls
