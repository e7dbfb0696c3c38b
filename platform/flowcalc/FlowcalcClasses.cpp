#include "platform/flowcalc/FlowcalcClasses.h"
#include "platform/automation/ClassRegistry.h"
#include "platform/flowcalc/MvCalculationEngine.h"

namespace flowcalc {

void RegisterFlowcalcClasses()
{
    automation::ClassRegistry::instance().Register(kMvCalculationEngineProgId, kMvCalculationEngineClassId,
                                                   [] { return std::make_shared<MvCalculationEngine>(); });
}

} // namespace flowcalc
