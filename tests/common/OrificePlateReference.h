#pragma once
// The water flow through the orifice plate that the flow tests set up:
// corner tappings, beta 0.5 in a 100 mm pipe, designed for 250 mbar at 5 bar
// and 20 C with a Reynolds number of 2e5, water of 998.2 kg/m3. What the
// standard gives for it, and what the simulated transmitter measures.
#include "platform/flowcalc/Iso5167.h"
#include "sim/ProcessModel.h"
#include "sim/SimTransmitter.h"

namespace orificereference {

// The standard's mass flow (kg/s) through the plate at dp (mbar): C follows
// the Reynolds number, which scales with the flow from 2e5 at the design flow.
inline double StandardMassFlow(double dpMbar)
{
    using namespace flowcalc::Iso5167;
    const auto flow = [](double reynolds, double dp) {
        return MassFlow(OrificeDischargeCoefficient(OrificeTapping::Corner, 0.5, reynolds, 100), 0.5, 1.0, 0.05,
                        dp * 100.0, 998.2);
    };
    const double design = flow(2e5, 250);
    double q = design;
    for (int i = 0; i < 50; ++i)
        q = flow(2e5 * q / design, dpMbar);
    return q;
}

// The device's flow (kg/s) at dp (mbar), 5 bar and 20 C.
inline double MeasuredMassFlow(sim::SimTransmitter& transmitter, double dpMbar)
{
    auto& process = transmitter.process();
    process.setOverride(sim::Variable::DifferentialPressure, dpMbar / 10.0); // kPa
    process.setOverride(sim::Variable::StaticPressure, 500.0);
    process.setOverride(sim::Variable::Temperature, 20.0);
    const double m3PerHour = transmitter.processValues().value[sim::Variable::Flow];
    return m3PerHour * 998.2 / 3600.0;
}

} // namespace orificereference
