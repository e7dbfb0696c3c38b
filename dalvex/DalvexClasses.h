#pragma once
// The controls of the library by name: "Dalvex.ctlDisplaySetting" and
// "Dalvex.ctlDigitalDisplay" in the class registry.
namespace dalvex {

// Registers the controls; calling it again registers them again.
void RegisterClasses();

} // namespace dalvex
