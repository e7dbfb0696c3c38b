#pragma once
// Top-most windows: a window stays above all others while it carries
// Qt::WindowStaysOnTopHint. Windows on the screen: a window's outer frame
// (title bar included) is kept inside the screen's available area.
#include <QSize>
class QPoint;
class QRect;
class QWidget;

namespace controls::WindowPlacement {

bool IsTopMost(const QWidget& window);
// Top-most (true) or not, keeping position and size. Changing the flag hides
// a visible window; it is shown again where it was.
void SetTopMost(QWidget& window, bool on);

// The outer rectangle moved (and, larger than the area, shrunk) into the area.
QRect InsideArea(const QRect& outer, const QRect& area);
// Places a top-level window with its outer frame at outerTopLeft, inside the
// available area of the screen it lands on; the window's size shrinks to that
// area when it is larger. The window manager's frame counts once it is known
// (the window was shown).
// A window not framed yet by the window manager takes expectedFrame (the
// title bar and border another window of the program has) as its frame.
void PlaceOnScreen(QWidget& window, const QPoint& outerTopLeft, const QSize& expectedFrame = QSize());

} // namespace controls::WindowPlacement
