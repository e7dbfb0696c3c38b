#pragma once
// Registers the flow calculation engine with the class registry under
// kMvCalculationEngineProgId and kMvCalculationEngineClassId. Programs call
// it once at start; calling it again replaces the entry.
namespace flowcalc {

void RegisterFlowcalcClasses();

} // namespace flowcalc
