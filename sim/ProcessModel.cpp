#include "sim/ProcessModel.h"

#include "platform/flowcalc/FlowcalcTables.h"

#include <algorithm>
#include <cmath>

namespace sim {

namespace {

struct Wave {
    double mean;
    double amplitude;
    double periodSeconds;
};

// dp, sp and temperature around a working point; periods long enough that a
// few reads in a row see almost the same value.
constexpr Wave kWaves[] = {
    {12.5, 2.5, 60.0},      // differential pressure, kPa
    {1000.0, 5.0, 300.0},   // static pressure, kPa
    {20.0, 0.5, 600.0},     // temperature, degC
};

} // namespace

ProcessValues ProcessModel::at(int64_t processTimeMs, const flowcalc::MvFlowCoefficients* coefficients) const
{
    ProcessValues v = applied(processTimeMs);
    deriveFlow(v, coefficients);
    return v;
}

ProcessValues ProcessModel::applied(int64_t processTimeMs) const
{
    constexpr double kTwoPi = 6.283185307179586;
    const double seconds = static_cast<double>(processTimeMs) / 1000.0;
    ProcessValues v;
    for (int i = 0; i < 3; ++i) {
        const Wave& w = kWaves[i];
        v.value[i] = m_override[i] ? *m_override[i]
                                   : w.mean + w.amplitude * std::sin(kTwoPi * seconds / w.periodSeconds);
    }
    return v;
}

void ProcessModel::deriveFlow(ProcessValues& v, const flowcalc::MvFlowCoefficients* coefficients,
                              double densityKgM3) const
{
    if (!coefficients) {
        v.value[Variable::Flow] = m_flowCoefficient * std::sqrt(std::max(0.0, v.dp()));
        v.massFlow = v.value[Variable::Flow] * densityKgM3;
        return;
    }
    // Base units: kPa is 10 mbar, 100 kPa is 1 bar; flow in m3/h.
    const flowcalc::MvFlowValues flow = flowcalc::MvFlowFromCoefficients(
        *coefficients, v.dp() * 10.0, v.value[Variable::StaticPressure] / 100.0, v.value[Variable::Temperature]);
    const bool standardVolume = flowcalc::FindMedium(coefficients->medium)->model == flowcalc::DensityModel::GasMatrix;
    const double perSecond = standardVolume ? flow.flow : (flow.density > 0 ? flow.massFlow / flow.density : 0.0);
    v.value[Variable::Flow] = perSecond * 3600.0;
    v.massFlow = flow.flow * 3600.0;
}

void ProcessModel::setOverride(uint8_t variable, std::optional<double> baseValue)
{
    if (variable < Variable::Flow)
        m_override[variable] = baseValue;
}

} // namespace sim
