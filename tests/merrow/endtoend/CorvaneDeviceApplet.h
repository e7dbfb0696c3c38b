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

    // Connects, takes the library's offer to read the device's dataset at
    // connect (so the dataset fits the device) and returns the window once the
    // question came and the read-out it started has ended; null when not.
    frmMain* StartConnectedWithTheDevicesDataset(int hartType = 137)
    {
        dialogs.AnswerMessage(dialogs::DialogResult::Yes);
        frmMain* window = StartConnected(hartType);
        if (!window || !piotest::RunUntil([&] {
                return !dialogs.Requests().empty() && window->PendingFunction() == frmMain::Pending::None
                    && window->isEnabled() && Text(QStringLiteral("currentSequence")).isEmpty();
            }))
            return nullptr;
        return window;
    }
};

} // namespace merrowtest
