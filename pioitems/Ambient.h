#pragma once
// What a container tells the controls placed on it: whether the form is being
// designed or runs. A container is any widget that carries the mode; a
// control asks the nearest container above it. A control with no container
// above it runs.
#include <QString>

class QWidget;

namespace pioitems::Ambient {

// Sets the mode of container and tells every control below it.
void SetUserMode(QWidget* container, bool userMode);
// False while the nearest container above control is being designed.
bool UserMode(const QWidget* control);

} // namespace pioitems::Ambient
