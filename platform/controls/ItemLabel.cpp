#include "platform/controls/ItemLabel.h"
#include "platform/applet/Description.h"
#include "platform/applet/UserNumber.h"
#include "platform/applet/clsAppletItemManager.h"
#include <QDrag>
#include <QMimeData>
#include <QMouseEvent>

namespace controls {

ItemLabel::ItemLabel(QWidget* parent) : QLabel(parent)
{
    setFrameShape(QFrame::Panel);
    setFrameShadow(QFrame::Sunken);
}

QMimeData* ItemLabel::CreateDragData() const
{
    auto* data = new QMimeData();
    data->setData(kMimeType, ItemName().toUtf8());
    data->setText(text());
    return data;
}

bool ItemLabel::IsLabelDrag(const QMimeData* data)
{
    return data && data->hasFormat(kMimeType);
}

void ItemLabel::RefreshFromItem()
{
    const auto manager = Manager();
    QString value;
    if (manager) {
        int32_t failed = 0;
        manager->GetValueAsText(ItemHandle(), value, false, failed);
        if (failed != 0)
            value.clear();
    }
    // An enumerated value shows as its entry's text in the user's language.
    if (const applet::DescEnumeration* enumeration = BoundEnumeration()) {
        bool ok = false;
        const int32_t number = value.toInt(&ok);
        for (const applet::DescEnumEntry& entry : enumeration->entries)
            if (ok && entry.value == number)
                value = entry.Text(applet::UserNumber::CountryCode(*manager));
    }
    setText(value);
}

void ItemLabel::mousePressEvent(QMouseEvent* event)
{
    if (event->button() != Qt::LeftButton) {
        QLabel::mousePressEvent(event);
        return;
    }
    auto* drag = new QDrag(this);
    drag->setMimeData(CreateDragData());
    drag->setPixmap(grab());
    drag->setHotSpot(event->position().toPoint());
    drag->exec(Qt::MoveAction | Qt::CopyAction, Qt::MoveAction);
}

} // namespace controls
