#pragma once
// Registers the classes of the device user interface that the applet host creates by ProgID.
namespace merrow {
void RegisterClasses();
}
