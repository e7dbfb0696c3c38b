#pragma once
// The controls forms create by name: "PioItems.PioAppItem",
// "PioItems.PioRecordItem", "PioItems.PioSequenceItem" and
// "PioItems.PioControlItemHandler" in the class registry.
#include <QString>

class QWidget;

namespace pioitems {

// Registers the four controls; calling it again registers them again.
void RegisterClasses();

// Creates the control of progId through the class registry and places it on
// container, which owns it from then on. Raises ComError for a name the
// registry does not know or a class that is not a control, and for no
// container.
QWidget* CreateControl(const QString& progId, QWidget* container);

} // namespace pioitems
