#pragma once
// The equations of ISO 5167 for differential-pressure meters in circular pipes
// running full: discharge coefficients (parts 2 to 4), expansibility factors
// and the general mass-flow equation (part 1). Pure functions in SI units
// except where a parameter says otherwise; no validity checks here, the
// callers compare against the limits of each primary element.
namespace flowcalc::Iso5167 {

// Pressure tappings of an orifice plate; the tapping spacings L1 and L2'
// (relative to D) follow from the kind and, for flange tappings, from D.
enum class OrificeTapping { Corner, Flange, DAndDHalf };

// Reader-Harris/Gallagher equation, including the small-pipe term for
// D below 71.12 mm. diameterMm is the pipe's inner diameter D in mm.
double OrificeDischargeCoefficient(OrificeTapping tapping, double beta, double reynolds, double diameterMm);

// Expansibility factor of an orifice plate for the pressure ratio
// tau = p2/p1 and the isentropic exponent kappa.
double OrificeExpansibility(double beta, double tau, double kappa);

// Expansibility factor of nozzles, venturi nozzles and classical venturi tubes.
double NozzleExpansibility(double beta, double tau, double kappa);

double Isa1932NozzleDischargeCoefficient(double beta, double reynolds);
double LongRadiusNozzleDischargeCoefficient(double beta, double reynolds);
double VenturiNozzleDischargeCoefficient(double beta);

// Velocity of approach factor E = 1 / sqrt(1 - beta^4).
double ApproachFactor(double beta);

// qm = C / sqrt(1 - beta^4) * eps * pi/4 * d^2 * sqrt(2 * dp * rho), d in m,
// dp in Pa, rho in kg/m3, result in kg/s.
double MassFlow(double c, double beta, double epsilon, double boreM, double dpPa, double rho);

} // namespace flowcalc::Iso5167
