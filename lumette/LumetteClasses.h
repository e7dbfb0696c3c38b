#pragma once
// Registers the label control "Lumette.DynamicLabel" in the class registry;
// a program that places it calls this once at start.
namespace lumette {

void RegisterClasses();

} // namespace lumette
