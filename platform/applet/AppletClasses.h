#pragma once
// Registers the toolkit's creatable classes with the class registry: the
// applet host (kAppletHostProgId), the TDX-file parser and the FDT-file parser
// (their ProgIDs and class identifiers). Programs call it once at start;
// calling it again changes nothing.
namespace applet {

void RegisterClasses();

} // namespace applet
