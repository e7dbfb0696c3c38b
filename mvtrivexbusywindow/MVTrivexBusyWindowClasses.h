#pragma once
// The control forms create by name: "MVTrivexBusyWindow.ctlBusyWindow" in
// the class registry.

namespace mvtrivexbusywindow {

// Registers the control; calling it again registers it again.
void RegisterClasses();

} // namespace mvtrivexbusywindow
