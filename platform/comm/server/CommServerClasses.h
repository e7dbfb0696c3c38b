#pragma once
// Registers the communication server with the class registry under
// kHartCommServerProgId (the ProgID the HART protocol description names under
// "AppletAccess") and its class identifier. Programs call it once at start;
// calling it again changes nothing.
namespace comm {

void RegisterCommServerClasses();

} // namespace comm
