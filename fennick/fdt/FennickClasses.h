#pragma once
// Registers the DTM program's creatable classes with the class registry: the
// DTM object "Fennick.clsTkDispatcher". Hosts of the DTM call it once at
// start; calling it again changes nothing.
namespace fennick {

void RegisterClasses();

} // namespace fennick
