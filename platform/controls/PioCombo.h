#pragma once
// The entry list of a page: the entries of the enumerated item named by
// ObjectNameCombo, within its enable mask; a chosen entry writes its value.
#include "platform/controls/PioFieldControl.h"

namespace controls {

class PioCombo : public PioFieldControl {
    Q_OBJECT
public:
    static inline const QString kProgId = QStringLiteral("Piocmb.PioCombo");

    explicit PioCombo(QWidget* parent = nullptr) : PioFieldControl(ListPart, parent) {}
};

} // namespace controls
