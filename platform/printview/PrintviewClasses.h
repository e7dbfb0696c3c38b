#pragma once
// Registers the print viewer "Quorvix.clsHTMLPrintView" with the class
// registry, so that the applet host starts it by its ProgID.
namespace printview {

void RegisterClasses();

} // namespace printview
