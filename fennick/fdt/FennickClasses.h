#pragma once
// Registers the DTM program's creatable classes with the class registry: the
// DTM object "Fennick.clsTkDispatcher", and the applet toolkit's classes the
// DTM starts (applet::RegisterClasses). Hosts of the DTM call it once at
// start; calling it again registers the same classes again.
namespace fennick {

void RegisterClasses();

} // namespace fennick
