#include "platform/controls/WindowPlacement.h"
#include <QWidget>

namespace controls::WindowPlacement {

bool IsTopMost(const QWidget& window)
{
    return window.windowFlags().testFlag(Qt::WindowStaysOnTopHint);
}

void SetTopMost(QWidget& window, bool on)
{
    if (IsTopMost(window) == on)
        return;
    const bool visible = window.isVisible();
    const QRect geometry = window.geometry();
    window.setWindowFlag(Qt::WindowStaysOnTopHint, on);
    window.setGeometry(geometry);
    if (visible)
        window.show();
}

} // namespace controls::WindowPlacement
