#pragma once
// Registers Corvane's creatable classes with the class registry: the view
// "Corvane.clsStartAlwaysView" that the applet host starts with every device
// applet, the command views of the user interface ("Corvane.clsLoadFromFile",
// "Corvane.clsSaveToFile", "Corvane.clsSaveAsToFile",
// "Corvane.clsSaveToDevice") and the inert component "Corvane.clsRevisionMgr".
// Programs that start device applets call it once at start; calling it again
// registers the same classes again.
namespace corvane {

void RegisterClasses();

} // namespace corvane
