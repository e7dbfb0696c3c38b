#include "platform/flowcalc/FlowcalcTables.h"
#include <algorithm>
#include <iterator>
#include <limits>

namespace flowcalc {

namespace {
using Iso5167::OrificeTapping;
constexpr double kNoLimit = std::numeric_limits<double>::infinity();

// Validity limits of each element: pipe diameter D, diameter ratio, pipe
// Reynolds number and smallest bore d.
constexpr PrimaryElement kElements[] = {
    {1, ElementKind::Orifice, OrificeTapping::Corner, 0, 50, 1000, 0.10, 0.75, 5000, kNoLimit, 12.5,
     "orifice plate, corner tappings",
     "Blende mit Eckdruckentnahme"},
    {2, ElementKind::Orifice, OrificeTapping::Flange, 0, 50, 1000, 0.10, 0.75, 5000, kNoLimit, 12.5,
     "orifice plate, flange tappings",
     "Blende mit Flanschdruckentnahme"},
    {3, ElementKind::Orifice, OrificeTapping::DAndDHalf, 0, 50, 1000, 0.10, 0.75, 5000, kNoLimit, 12.5,
     "orifice plate, D and D/2 tappings",
     "Blende mit D- und D/2-Druckentnahme"},
    {4, ElementKind::Isa1932Nozzle, OrificeTapping::Corner, 0, 50, 500, 0.30, 0.80, 2e4, 1e7, 0,
     "ISA 1932 nozzle",
     "ISA-1932-Düse"},
    {5, ElementKind::LongRadiusNozzle, OrificeTapping::Corner, 0, 50, 630, 0.20, 0.80, 1e4, 1e7, 0,
     "long radius nozzle",
     "Langradiusdüse"},
    {6, ElementKind::VenturiNozzle, OrificeTapping::Corner, 0, 65, 500, 0.316, 0.775, 1.5e5, 2e6, 50,
     "venturi nozzle",
     "Venturidüse"},
    {7, ElementKind::ClassicalVenturi, OrificeTapping::Corner, 0.984, 100, 800, 0.30, 0.75, 2e5, 2e6, 0,
     "classical venturi tube, as-cast convergent",
     "klassisches Venturirohr, gegossener Einlaufkonus"},
    {8, ElementKind::ClassicalVenturi, OrificeTapping::Corner, 0.995, 50, 250, 0.40, 0.75, 2e5, 1e6, 0,
     "classical venturi tube, machined convergent",
     "klassisches Venturirohr, bearbeiteter Einlaufkonus"},
    {9, ElementKind::ClassicalVenturi, OrificeTapping::Corner, 0.985, 200, 1200, 0.40, 0.70, 2e5, 2e6, 0,
     "classical venturi tube, rough-welded sheet-iron convergent",
     "klassisches Venturirohr, geschweißter Blecheinlaufkonus"},
};

constexpr Medium kMedia[] = {
    {1, DensityModel::Liquid, false, 0, "liquid"},
    {2, DensityModel::SteamByTemperature, true, 1.3, "saturated steam, temperature measured"},
    {3, DensityModel::SteamByPressure, true, 1.3, "saturated steam, pressure measured"},
    {4, DensityModel::GasMatrix, true, 0, "gas, standard volume flow with compressibility matrix"},
    {5, DensityModel::LiquidTable, false, 0, "liquid with temperature-density table"},
    {6, DensityModel::GasIdeal, true, 0, "gas or superheated steam, pressure and temperature corrected"},
    {7, DensityModel::GasFixedTemperature, true, 0, "gas, pressure corrected at the design temperature"},
};

// The device's material codes (the same as its wetted-parts materials);
// "Special" (239) has no known expansion and is refused.
constexpr Material kMaterials[] = {
    {0, 16.0e-6, "stainless steel 316L"},
    {3, 16.0e-6, "stainless steel 316"},
    {26, 11.3e-6, "nickel-molybdenum alloy C"},
    {145, 14.0e-6, "nickel-copper alloy"},
    {146, 6.5e-6, "tantalum"},
    {147, 13.0e-6, "duplex steel"},
    {148, 11.7e-6, "carbon steel"},
    {250, 0.0, "not used (no thermal expansion correction)"},
};

template <class Row, std::size_t N>
const Row* FindByCode(const Row (&rows)[N], int32_t code)
{
    const auto it = std::find_if(std::begin(rows), std::end(rows), [code](const Row& r) { return r.code == code; });
    return it == std::end(rows) ? nullptr : &*it;
}
} // namespace

const PrimaryElement* FindPrimaryElement(int32_t code)
{
    return FindByCode(kElements, code);
}

const Medium* FindMedium(int32_t code)
{
    return FindByCode(kMedia, code);
}

const Material* FindMaterial(int32_t code)
{
    return FindByCode(kMaterials, code);
}

double MinimumReynolds(const PrimaryElement& element, double beta, double diameterMm)
{
    switch (element.kind) {
    case ElementKind::Orifice:
        // Above beta 0.56 the corner and D and D/2 plates need 16000 beta^2;
        // flange tappings need 170 beta^2 D (D in mm) at any beta.
        if (element.tapping == OrificeTapping::Flange)
            return std::max(element.reynoldsMin, 170.0 * beta * beta * diameterMm);
        return beta > 0.56 ? std::max(element.reynoldsMin, 16000.0 * beta * beta) : element.reynoldsMin;
    case ElementKind::Isa1932Nozzle:
        return beta < 0.44 ? 7e4 : element.reynoldsMin;
    default:
        return element.reynoldsMin;
    }
}

double DischargeCoefficient(const PrimaryElement& element, double beta, double reynolds, double diameterMm)
{
    switch (element.kind) {
    case ElementKind::Orifice:
        return Iso5167::OrificeDischargeCoefficient(element.tapping, beta, reynolds, diameterMm);
    case ElementKind::Isa1932Nozzle:
        return Iso5167::Isa1932NozzleDischargeCoefficient(beta, reynolds);
    case ElementKind::LongRadiusNozzle:
        return Iso5167::LongRadiusNozzleDischargeCoefficient(beta, reynolds);
    case ElementKind::VenturiNozzle:
        return Iso5167::VenturiNozzleDischargeCoefficient(beta);
    case ElementKind::ClassicalVenturi:
        break;
    }
    return element.fixedC;
}

double Expansibility(const PrimaryElement& element, double beta, double tau, double kappa)
{
    return element.kind == ElementKind::Orifice ? Iso5167::OrificeExpansibility(beta, tau, kappa)
                                                : Iso5167::NozzleExpansibility(beta, tau, kappa);
}

} // namespace flowcalc
