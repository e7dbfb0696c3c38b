#pragma once
// The flow calculation engine: from the flow configuration of the
// transmitter's multivariable block it computes the coefficients with which
// the transmitter turns differential pressure, static pressure and
// temperature into flow (ISO 5167 differential-pressure meters).
//
// Primary element codes ("mvBlendeDuese"); other codes are refused:
//   1  orifice plate, corner tappings        (Reader-Harris/Gallagher)
//   2  orifice plate, flange tappings        (Reader-Harris/Gallagher)
//   3  orifice plate, D and D/2 tappings     (Reader-Harris/Gallagher)
//   4  ISA 1932 nozzle
//   5  long radius nozzle
//   6  venturi nozzle
//   7  classical venturi tube, as-cast convergent section          (C 0.984)
//   8  classical venturi tube, machined convergent section         (C 0.995)
//   9  classical venturi tube, rough-welded sheet-iron convergent  (C 0.985)
// Medium codes ("mvMediumType"):
//   1  liquid, constant density (the design density "mvRhor")
//   2  saturated steam, density from the measured temperature (kappa 1.3)
//   3  saturated steam, density from the measured pressure (kappa 1.3)
//   4  gas, standard volume flow: standard density "mvRhonorm" at 1.01325 bar
//      and 0 C, compressibility matrix (factors relative to the standard state)
//   5  liquid, density from the temperature-density table (quadratic fit)
//   6  gas or superheated steam, ideal-gas correction of "mvRhor" in p and T
//   7  gas, ideal-gas correction of "mvRhor" in p at the design temperature
// Material codes ("mvH0" primary element, "mvMolCO2" pipe), the device's
// material codes: 0 stainless steel 316L, 3 stainless steel 316, 26
// nickel-molybdenum alloy C, 145 nickel-copper alloy, 146 tantalum, 147 duplex
// steel, 148 carbon steel, 250 not used (no thermal expansion correction);
// 239 "special" has no known expansion and is refused.
//
// Dimensions ("mvReserved5" = D, "mvBeta" = d/D) hold at 20 C; the design
// state is "mvdpr", "mvPr" (absolute), "mvTr", "mvReDr" (pipe Reynolds number
// at the design flow). The 100 % flow is "mvOutMassFlowMaxValue" (standard
// volume flow for medium 4), or, when that is 0, the design flow divided by
// "mvKQCL" %.
//
// Output fields and how the transmitter uses them (the model in MvFlowModel.h):
//   mvRemin       lowest pipe Reynolds number at which the element's C holds;
//                 the transmitter flags flows whose Reynolds number lies below
//   mvKqm         flow constant pi/4 d20^2 sqrt(200), m^2: qm [kg/s] =
//                 mvKqm (bore expansion)^2 E C eps sqrt(dp [mbar] rho [kg/m3])
//   mvK1, mvK2    linear expansion coefficients of bore and pipe, 1/K
//   mvZr          compressibility factor at the design state (1 unless medium 4)
//   mvHt1..3      density coefficients: liquids rho = Ht1 + Ht2 T + Ht3 T^2;
//                 gases rho = Ht1 p / (Z T[K]) (Z from the matrix for medium 4,
//                 else 1); steam uses the saturation line, Ht all 0
//   mvMolN2       largest ratio dp/p of the correction range (0 for liquids):
//                 the abscissa of mvEpsilon3
//   mvC1..3       discharge coefficient at 10 %, 31.6 % and 100 % flow
//   mvReserved2..4  pipe Reynolds numbers of those three points
//   mvEpsilon1..3 expansibility factor at dp/p = 1/3, 2/3 and 3/3 of mvMolN2
//   mvRhor        density at the design state, kg/m3
//   mvTr          design temperature (saturation temperature for medium 3), C
//   mvKQCL        design flow in % of the 100 % flow
//   mvOutVolFlowMaxValue  100 % flow as volume flow at the design density, m3/s
//   mvInTHiLim, MvInTLoLIm  temperature correction range, limited to the
//                 range of the density data (table, matrix, saturation line)
//
// Refused with an error (ComError, the reason in the description): unknown
// codes, values that are not finite or not positive where they must be, and
// a design state outside the element's validity limits (diameter ratio, pipe
// diameter, smallest bore, Reynolds number, dp/p above 0.25). Status 1 with a
// warning text where the standard only widens the uncertainty: Reynolds number
// of the 10 % or 100 % point outside the element's range, orifice plates in
// pipes below 71.12 mm, a correction range beyond dp/p 0.25, density data
// that do not cover the design state or the correction range.
#include "platform/automation/ClassRegistry.h"
#include "platform/flowcalc/IMvCalculationEngine.h"

namespace flowcalc {

class MvCalculationEngine : public automation::ComObject, public IMvCalculationEngine {
public:
    void SetCountryCode(int16_t& countryCode) override;
    void Calculate(const MvCalculationInput& input, const QString& softwareRevision, MvCalculationOutput& output,
                   int32_t& status, QString& warningText) override;

private:
    int16_t m_countryCode = 1;
};

} // namespace flowcalc
