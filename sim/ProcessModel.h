#pragma once
// The simulated process: differential pressure, static pressure and
// temperature vary slowly as sine waves of the process time; flow follows
// from them through the flow coefficients the transmitter holds, or, without
// a usable set, from the differential pressure as k * sqrt(dp). Values are in the base
// units (kPa, degrees Celsius, m3/h, kg/h) and depend on nothing but the time and
// the settings, so a test that fixes the time gets fixed values.
#include "platform/flowcalc/MvFlowModel.h"
#include <array>
#include <cstdint>
#include <optional>

namespace sim {

// Device variable codes of the transmitter.
namespace Variable {
constexpr uint8_t DifferentialPressure = 0;
constexpr uint8_t StaticPressure = 1;
constexpr uint8_t Temperature = 2;
constexpr uint8_t Flow = 3;
constexpr int Count = 4;
} // namespace Variable

struct ProcessValues {
    std::array<double, Variable::Count> value{};
    // The flow block's mass flow, kg/h; for a gas with compressibility
    // matrix its standard volume flow, m3/h (the flow the model computes).
    double massFlow = 0;
    double dp() const { return value[Variable::DifferentialPressure]; }
};

class ProcessModel {
public:
    // m3/h at 1 kPa differential pressure.
    static constexpr double kDefaultFlowCoefficient = 10.0;
    // kg/m3: the operating density of a medium the flow block knows nothing of.
    static constexpr double kDefaultDensity = 1000.0;

    // With coefficients the flow is the model's: the volume flow at the
    // operating density, or the standard volume flow for a gas with
    // compressibility matrix (static pressure taken as absolute).
    ProcessValues at(int64_t processTimeMs, const flowcalc::MvFlowCoefficients* coefficients = nullptr) const;
    // The two halves of at(): the applied dp, sp and temperature (flow left
    // 0), and the flow from them. A device that corrects its readings
    // (sensor trim) computes its flow from the corrected values in between.
    // Without coefficients the mass flow is the volume flow at the operating
    // density (kg/m3).
    ProcessValues applied(int64_t processTimeMs) const;
    void deriveFlow(ProcessValues& values, const flowcalc::MvFlowCoefficients* coefficients,
                    double densityKgM3 = kDefaultDensity) const;

    double flowCoefficient() const { return m_flowCoefficient; }
    void setFlowCoefficient(double k) { m_flowCoefficient = k; }
    // Holds one of dp, sp or temperature at a value (base units); flow is always derived.
    void setOverride(uint8_t variable, std::optional<double> baseValue);

private:
    double m_flowCoefficient = kDefaultFlowCoefficient;
    std::array<std::optional<double>, Variable::Count> m_override{};
};

} // namespace sim
