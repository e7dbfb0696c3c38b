#include "sim/MvFlowParameters.h"

#include "platform/flowcalc/FlowcalcTables.h"
#include "sim/DeviceParameters.h"
#include "sim/SimUnits.h"
#include <cmath>
#include <iterator>

namespace sim {

namespace {

// Density units the flow block takes, per kg/m3.
struct DensityUnit {
    int code;
    double kgPerM3;
};
constexpr DensityUnit kDensityUnits[] = {
    {91, 1000.0},      // g/cm3
    {92, 1.0},         // kg/m3
    {93, 119.826427},  // lb/gal
    {94, 16.0184634},  // lb/ft3
    {95, 1000.0},      // g/ml
    {96, 1000.0},      // kg/l
    {97, 1.0},         // g/l
};

// Devices below revision 21 hold the flow block's reference pressure and
// temperature and its compressibility points in bar and degrees Celsius
// whatever the input units say, and below revision 22 its reference
// densities in kg/m3: the units the flow calculation gives them in.
constexpr uint8_t kPressureTemperatureUnitsFrom = 21;
constexpr uint8_t kDensityUnitsFrom = 22;
constexpr int kKgPerM3 = 92;

class Reader {
public:
    explicit Reader(const DeviceParameters& p) : m_p(p) {}

    double number(const char* name)
    {
        bool ok = false;
        const double v = m_p.value(QString::fromLatin1(name)).toDouble(&ok);
        if (!ok || !std::isfinite(v))
            m_ok = false;
        return v;
    }
    int code(const char* name) { return static_cast<int>(std::lround(number(name))); }

    // A value held in a unit of the classification, in the base unit.
    double inBase(const char* name, const char* unitName, uint8_t classification)
    {
        const double v = number(name);
        const int unit = code(unitName);
        if (unit < 0 || unit > 255 || !unitFits(static_cast<uint8_t>(unit), classification)) {
            m_ok = false;
            return 0;
        }
        return toBase(v, static_cast<uint8_t>(unit));
    }
    double pressureBar(const char* name) { return inBase(name, "mvInPUnit", Classification::Pressure) / 100.0; }
    double temperatureC(const char* name) { return inBase(name, "mvInTUnit", Classification::Temperature); }
    // A reference value: in its unit item's unit, or in the calculation's
    // own unit where the revision holds it so.
    double referencePressureBar(const char* name, bool inBar) { return inBar ? number(name) : pressureBar(name); }
    double referenceTemperatureC(const char* name, bool inC) { return inC ? number(name) : temperatureC(name); }
    double densityKgM3(const char* name, bool inKgPerM3 = false)
    {
        const double v = number(name);
        const int unit = inKgPerM3 ? kKgPerM3 : code("mvDensityUnit");
        for (const DensityUnit& u : kDensityUnits)
            if (u.code == unit)
                return v * u.kgPerM3;
        m_ok = false;
        return 0;
    }

    bool ok() const { return m_ok; }

private:
    const DeviceParameters& m_p;
    bool m_ok = true;
};

} // namespace

std::optional<flowcalc::MvFlowCoefficients> MvFlowParameters(const DeviceParameters& parameters,
                                                             uint8_t softwareRevision)
{
    const bool barAndCelsius = softwareRevision < kPressureTemperatureUnitsFrom;
    const bool kgPerM3 = softwareRevision < kDensityUnitsFrom;
    Reader r(parameters);
    flowcalc::MvFlowCoefficients k;
    k.medium = r.code("mvMediumType");
    k.beta = r.number("mvBeta");
    k.kqm = r.number("mvKqm");
    k.k1 = r.number("mvK1");
    k.k2 = r.number("mvK2");
    k.zr = r.number("mvZr");
    k.xMax = r.number("mvMolN2");
    const char* const ht[] = {"mvHt1", "mvHt2", "mvHt3"};
    const char* const c[] = {"mvC1", "mvC2", "mvC3"};
    const char* const re[] = {"mvReserved2", "mvReserved3", "mvReserved4"};
    const char* const eps[] = {"mvEpsilon1", "mvEpsilon2", "mvEpsilon3"};
    const char* const pkb[] = {"mvPkb1", "mvPkb2", "mvPkb3"};
    const char* const tkb[] = {"mvTkb1", "mvTkb2", "mvTkb3"};
    for (int i = 0; i < 3; ++i) {
        k.ht[i] = r.number(ht[i]);
        k.c[i] = r.number(c[i]);
        k.reynolds[i] = r.number(re[i]);
        k.epsilon[i] = r.number(eps[i]);
        k.pkb[i] = r.referencePressureBar(pkb[i], barAndCelsius);
        k.tkb[i] = r.referenceTemperatureC(tkb[i], barAndCelsius);
    }
    for (int i = 0; i < 9; ++i)
        k.zkb[i] = r.number(QStringLiteral("mvZkb%1").arg(i + 1).toLatin1().constData());
    k.rhoR = r.densityKgM3("mvRhor", kgPerM3);
    k.rhoNorm = r.densityKgM3("mvRhoNorm", kgPerM3);
    k.pR = r.referencePressureBar("mvPr", barAndCelsius);
    k.tR = r.referenceTemperatureC("mvTr", barAndCelsius);
    // The 100 % flow in m3/s; the device's volume-flow base is m3/h.
    k.volFlowMax = r.inBase("mvOutVolFlowMaxValue", "mvOutVolFlowUnit", Classification::VolumetricFlow) / 3600.0;

    const bool usable = r.ok() && flowcalc::FindMedium(k.medium) && k.kqm > 0 && k.volFlowMax > 0 && k.rhoR > 0
                        && k.beta > 0 && k.beta < 1;
    if (!usable)
        return std::nullopt;
    return k;
}

std::optional<double> MvOperatingDensity(const DeviceParameters& parameters)
{
    Reader r(parameters);
    const double density = r.densityKgM3("mvRho");
    if (!r.ok())
        return std::nullopt;
    return density;
}

} // namespace sim
