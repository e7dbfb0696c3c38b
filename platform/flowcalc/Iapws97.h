#pragma once
// The industrial formulation IAPWS-IF97 of the properties of water and
// steam, as far as the flow engine needs it: the saturation line (region 4)
// and the Gibbs free energy of steam (region 2). Pure functions in the
// formulation's own units: K, MPa, kJ/kg, m3/kg.
namespace flowcalc::Iapws97 {

constexpr double kGasConstant = 0.461526;       // kJ/(kg K)
// The saturation-pressure equation and its exact inverse, the
// saturation-temperature equation; valid from 273.15 K (611.213 Pa) to the
// critical point.
double SaturationPressureMPa(double temperatureK);
double SaturationTemperatureK(double pressureMPa);

// The dimensionless Gibbs free energy gamma = g / (R T) of region 2 and its
// first derivatives by pi = p / 1 MPa and tau = 540 K / T.
struct Region2Gibbs {
    double gamma = 0;
    double gammaPi = 0;
    double gammaTau = 0;
};
Region2Gibbs Region2(double pressureMPa, double temperatureK);

double Region2SpecificVolume(double pressureMPa, double temperatureK);   // m3/kg
double Region2SpecificEnthalpy(double pressureMPa, double temperatureK); // kJ/kg
double Region2SpecificEntropy(double pressureMPa, double temperatureK);  // kJ/(kg K)

} // namespace flowcalc::Iapws97
