#pragma once
// Registers the display controls and their item handler in the class
// registry by their ProgIDs; a program calls it once at start.
#include "platform/automation/ClassRegistry.h"
#include <QPointer>
#include <QWidget>
#include <memory>

namespace controls {

void RegisterClasses();

// The factory of a control created by name: the control belongs to the
// caller's pointer until it is placed on a form; from then on the form's
// widget tree owns it.
template <class Control>
std::shared_ptr<automation::ComObject> CreateUnplaced()
{
    auto* control = new Control();
    const QPointer<QWidget> guard(control);
    return std::shared_ptr<automation::ComObject>(control, [guard](automation::ComObject*) {
        if (guard && !guard->parent())
            delete guard.data();
    });
}

} // namespace controls
