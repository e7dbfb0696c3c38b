#include "platform/flowcalc/FlowcalcMessages.h"
#include <algorithm>
#include <iterator>

namespace flowcalc {

namespace {
struct MessageRow {
    FlowcalcMessage id;
    const char* english;
    const char* german;
};

constexpr MessageRow kMessages[] = {
    {FlowcalcMessage::NotFinite, "The input value %1 is not a finite number.",
     "Der Eingabewert %1 ist keine endliche Zahl."},
    {FlowcalcMessage::UnknownMedium, "The medium type %1 is not known.", "Der Mediumtyp %1 ist unbekannt."},
    {FlowcalcMessage::UnknownElement, "The primary element %1 is not a differential-pressure device that can be calculated.",
     "Der Wirkdruckgeber %1 kann nicht berechnet werden."},
    {FlowcalcMessage::UnknownMaterial, "The material code %1 of %2 is not known.",
     "Der Werkstoffcode %1 von %2 ist unbekannt."},
    {FlowcalcMessage::NotPositive, "%1 (%2) must be above %3.", "%1 (%2) muss größer als %3 sein."},
    {FlowcalcMessage::BetaOutside, "The diameter ratio %1 is outside %2 to %3 for the %4.",
     "Das Durchmesserverhältnis %1 liegt außerhalb %2 bis %3 für %4."},
    {FlowcalcMessage::DiameterOutside, "The pipe diameter %1 mm is outside %2 to %3 mm for the %4.",
     "Der Rohrinnendurchmesser %1 mm liegt außerhalb %2 bis %3 mm für %4."},
    {FlowcalcMessage::BoreTooSmall, "The bore %1 mm is below the smallest bore %2 mm for the %3.",
     "Die Öffnung %1 mm ist kleiner als die kleinste Öffnung %2 mm für %3."},
    {FlowcalcMessage::ReynoldsBelow, "The Reynolds number %1 of the design state is below the minimum %2 for the %3.",
     "Die Reynoldszahl %1 des Auslegungszustands liegt unter dem Minimum %2 für %3."},
    {FlowcalcMessage::ReynoldsAbove, "The Reynolds number %1 of the design state is above the maximum %2 for the %3.",
     "Die Reynoldszahl %1 des Auslegungszustands liegt über dem Maximum %2 für %3."},
    {FlowcalcMessage::PressureRatioOutside,
     "At the design state the ratio of differential to static pressure is %1 (%2 mbar to %3 bar); it must not "
     "exceed 0.25.",
     "Im Auslegungszustand ist das Verhältnis von Differenzdruck zu statischem Druck %1 (%2 mbar zu %3 bar); es darf "
     "0,25 nicht übersteigen."},
    {FlowcalcMessage::DensityTableInvalid,
     "The temperature-density table needs increasing temperatures and densities above 0.",
     "Die Temperatur-Dichte-Tabelle braucht steigende Temperaturen und Dichten größer 0."},
    {FlowcalcMessage::MatrixInvalid,
     "The compressibility matrix needs increasing pressures and temperatures and factors above 0.",
     "Die Kompressibilitätsmatrix braucht steigende Drücke und Temperaturen und Faktoren größer 0."},
    {FlowcalcMessage::NoSaturatedSteam, "There is no saturated steam at %1.", "Bei %1 gibt es keinen Sattdampf."},
    {FlowcalcMessage::SteamBeyondModel,
     "Saturated steam at %1 is beyond %2, the limit of the steam density model.",
     "Sattdampf bei %1 liegt jenseits von %2, der Grenze des Dampfdichtemodells."},
    {FlowcalcMessage::KappaTooSmall, "The isentropic exponent %1 must be above 1.",
     "Der Isentropenexponent %1 muss größer als 1 sein."},
    {FlowcalcMessage::NoFullScaleFlow, "The 100 % flow is missing: give the flow or the percentage of the design state.",
     "Der Durchfluss bei 100 % fehlt: Durchfluss oder Prozentwert des Auslegungszustands angeben."},
    {FlowcalcMessage::TemperatureRangeReversed, "The temperature correction range %1 C to %2 C is reversed.",
     "Der Temperatur-Korrekturbereich %1 C bis %2 C ist vertauscht."},
    {FlowcalcMessage::CorrectionRangeImpossible,
     "The differential pressure %1 mbar of the correction range reaches the static pressure %2 bar.",
     "Der Differenzdruck %1 mbar des Korrekturbereichs erreicht den statischen Druck %2 bar."},
    {FlowcalcMessage::LowFlowReynoldsBelow,
     "At 10 % flow the Reynolds number %1 is below the minimum %2: the discharge coefficient is less certain there.",
     "Bei 10 % Durchfluss liegt die Reynoldszahl %1 unter dem Minimum %2: der Durchflusskoeffizient ist dort unsicherer."},
    {FlowcalcMessage::FullFlowReynoldsAbove,
     "At 100 % flow the Reynolds number %1 is above the maximum %2: the discharge coefficient is less certain there.",
     "Bei 100 % Durchfluss liegt die Reynoldszahl %1 über dem Maximum %2: der Durchflusskoeffizient ist dort unsicherer."},
    {FlowcalcMessage::SmallPipe,
     "The pipe diameter %1 mm is below 71.12 mm: the uncertainty of the discharge coefficient is increased.",
     "Der Rohrinnendurchmesser %1 mm ist kleiner als 71,12 mm: die Unsicherheit des Durchflusskoeffizienten ist größer."},
    {FlowcalcMessage::CorrectionRangeRatio,
     "The correction range reaches a ratio of differential to static pressure of %1 (above 0.25): the expansibility factor is less certain there.",
     "Der Korrekturbereich erreicht ein Verhältnis von Differenzdruck zu statischem Druck von %1 (über 0,25): die Expansionszahl ist dort unsicherer."},
    {FlowcalcMessage::TemperatureRangeLimited,
     "The temperature correction range is limited to %1 C to %2 C, the range of the density data.",
     "Der Temperatur-Korrekturbereich ist auf %1 C bis %2 C begrenzt, den Bereich der Dichtedaten."},
    {FlowcalcMessage::DesignOutsideMatrix,
     "The design state lies outside the compressibility matrix: the factor of its nearest edge is used.",
     "Der Auslegungszustand liegt außerhalb der Kompressibilitätsmatrix: der Faktor des nächsten Rands wird verwendet."},
    {FlowcalcMessage::DesignOutsideDensityTable,
     "The design temperature %1 C lies outside the temperature-density table: the density is extrapolated.",
     "Die Auslegungstemperatur %1 C liegt außerhalb der Temperatur-Dichte-Tabelle: die Dichte wird extrapoliert."},
};
} // namespace

QString FlowcalcText(FlowcalcMessage id, int16_t countryCode)
{
    const auto it = std::find_if(std::begin(kMessages), std::end(kMessages),
                                 [id](const MessageRow& row) { return row.id == id; });
    if (it == std::end(kMessages))
        return QStringLiteral("Flow calculation message %1").arg(static_cast<int32_t>(id));
    return QString::fromUtf8(countryCode == 49 ? it->german : it->english);
}

} // namespace flowcalc
