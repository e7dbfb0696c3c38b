#pragma once
// A label bound to an applet item: shows the item's value as text, an
// enumerated value as its entry's text. It is also a drag source: pressed with
// the left button it starts a drag whose data (kMimeType) names the bound
// item, so that a drop target can tell that the label was dropped.
#include "platform/controls/ItemBoundControl.h"
#include <QLabel>

class QMimeData;

namespace controls {

class ItemLabel : public QLabel, public ItemBoundControl {
    Q_OBJECT
public:
    static inline const QString kMimeType = QStringLiteral("application/x-trivex-item-label");

    explicit ItemLabel(QWidget* parent = nullptr);

    // The drag data of this label.
    QMimeData* CreateDragData() const;
    // True when the data comes from an item label's drag.
    static bool IsLabelDrag(const QMimeData* data);

    void RefreshFromItem() override;

protected:
    void mousePressEvent(QMouseEvent* event) override;
};

} // namespace controls
