#pragma once
// The device applet with the component library's own views beside the main
// window: its classes, the flow engine's and the report viewer's registered
// before the host starts its views.
#include "corvane/frame/CorvaneClasses.h"
#include "platform/flowcalc/FlowcalcClasses.h"
#include "platform/printview/PrintviewClasses.h"
#include "tests/merrow/DeviceFunctionSupport.h"

namespace merrowtest {

struct CorvaneRegistered {
    CorvaneRegistered()
    {
        corvane::RegisterClasses();
        flowcalc::RegisterFlowcalcClasses();
        printview::RegisterClasses();
    }
};

class CorvaneDeviceApplet : private CorvaneRegistered, public DeviceApplet {
public:
    size_t Views() const { return manager ? manager->RegisteredViews().size() : 0; }
};

} // namespace merrowtest
