#pragma once
// Top-most windows: a window stays above all others while it carries
// Qt::WindowStaysOnTopHint.
class QWidget;

namespace controls::WindowPlacement {

bool IsTopMost(const QWidget& window);
// Top-most (true) or not, keeping position and size. Changing the flag hides
// a visible window; it is shown again where it was.
void SetTopMost(QWidget& window, bool on);

} // namespace controls::WindowPlacement
