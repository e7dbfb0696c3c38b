#include "platform/controls/WindowPlacement.h"
#include <QGuiApplication>
#include <QScreen>
#include <QWidget>
#include <algorithm>

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
    // A window's position is that of its outer frame; its size is the inner one.
    const QPoint outer = window.frameGeometry().topLeft();
    const QSize size = window.size();
    window.setWindowFlag(Qt::WindowStaysOnTopHint, on);
    window.resize(size);
    window.move(outer);
    if (visible)
        window.show();
}

QRect InsideArea(const QRect& outer, const QRect& area)
{
    QRect placed(outer.topLeft(), outer.size().boundedTo(area.size()));
    placed.moveLeft(std::clamp(placed.left(), area.left(), area.right() + 1 - placed.width()));
    placed.moveTop(std::clamp(placed.top(), area.top(), area.bottom() + 1 - placed.height()));
    return placed;
}

void PlaceOnScreen(QWidget& window, const QPoint& outerTopLeft, const QSize& expectedFrame)
{
    const QScreen* screen = QGuiApplication::screenAt(outerTopLeft);
    if (!screen)
        screen = QGuiApplication::primaryScreen();
    if (!screen) {
        window.move(outerTopLeft);
        return;
    }
    // The frame is known once the window manager framed the window; before, only the inner size counts.
    QSize frame = window.frameGeometry().size() - window.size();
    if (frame.isEmpty() && expectedFrame.isValid())
        frame = expectedFrame;
    const QRect placed =
        InsideArea(QRect(outerTopLeft, window.size() + frame), screen->availableGeometry());
    window.resize(placed.size() - frame);
    window.move(placed.topLeft());
}

} // namespace controls::WindowPlacement
