#include "platform/flowcalc/MvCalculationEngine.h"
#include "platform/applet/UserNumber.h"
#include "platform/automation/ComError.h"
#include "platform/flowcalc/FlowcalcMessages.h"
#include "platform/flowcalc/FlowcalcTables.h"
#include "platform/flowcalc/MediumDensity.h"
#include <QStringList>
#include <cmath>
#include <numbers>
#include <optional>
#include <utility>

namespace flowcalc {

namespace {
using MediumDensity::kKelvin;

// Flows of the three operating points, as fractions of the 100 % flow.
constexpr double kPointFlows[3] = {0.1, 0.31622776601683794, 1.0};
constexpr double kMaxPressureRatio = 0.25;
constexpr double kSmallPipeMm = 71.12;
constexpr double kDimensionTemperatureC = 20.0;

// A value that only rounding puts beyond a limit is at the limit: the
// operating points' Reynolds numbers are computed through a ratio of flows
// and may land an ulp beyond a limit the design state lies on.
constexpr double kLimitTolerance = 1e-12;

bool AboveLimit(double value, double limit)
{
    return value > limit * (1.0 + kLimitTolerance);
}

bool BelowLimit(double value, double limit)
{
    return value < limit * (1.0 - kLimitTolerance);
}

// The digits of a value a message quotes: what lies beyond them is noise of the calculation.
constexpr int kQuotedDigits = 6;

struct DensityResult {
    double rho = 0;
    double tr = 0;
    double zr = 1;
    double ht[3] = {};
    std::optional<std::pair<double, double>> range; // temperatures the density data cover
};

class Calculation {
public:
    Calculation(const MvCalculationInput& in, int16_t countryCode) : m_in(in), m_country(countryCode) {}

    MvCalculationOutput Run();
    QStringList warnings() const { return m_warnings; }

private:
    template <class... Args>
    [[noreturn]] void Fail(FlowcalcMessage id, const Args&... args) const
    {
        throw automation::ComError(automation::vbObjectError + 0x2000 + static_cast<int32_t>(id),
                                   Format(id, args...), QStringLiteral("MvCalculationEngine.Calculate"));
    }
    template <class... Args>
    void Warn(FlowcalcMessage id, const Args&... args)
    {
        m_warnings.append(Format(id, args...));
    }
    template <class... Args>
    QString Format(FlowcalcMessage id, const Args&... args) const
    {
        QString text = FlowcalcText(id, m_country);
        ((text = text.arg(args)), ...);
        return text;
    }
    void RequireAbove(const char* item, double value, double bound) const
    {
        if (!(value > bound))
            Fail(FlowcalcMessage::NotPositive, QString::fromLatin1(item), Number(value), Number(bound));
    }

    // A value quoted in a message, in the reader's format.
    QString Number(double value) const
    {
        return applet::UserNumber::Format(QString::number(value, 'g', kQuotedDigits).toDouble(), m_country);
    }
    QString ElementName(const PrimaryElement& element) const
    {
        return QString::fromUtf8(m_country == 49 ? element.nameGerman : element.name);
    }
    void CheckFinite() const;
    const Material& MaterialOf(int32_t code, const char* item) const;
    void CheckGeometry(const PrimaryElement& element, double beta, double diameterMm) const;
    DensityResult Density(const Medium& medium);
    double FullScaleMassFlow(const Medium& medium, double designFlow) const;
    std::pair<double, double> TemperatureRange(const DensityResult& density);

    // A copy on an 8-byte boundary, so that the record's arrays (all at
    // offsets that are multiples of 8) can be handed on as plain arrays.
    alignas(8) const MvCalculationInput m_in;
    int16_t m_country;
    QStringList m_warnings;
};

void Calculation::CheckFinite() const
{
    const std::pair<const char*, double> scalars[] = {
        {"mvReserved5", m_in.mvReserved5}, {"mvBeta", m_in.mvBeta},         {"mvReDr", m_in.mvReDr},
        {"mvInTHiLim", m_in.mvInTHiLim},   {"MvInTLoLIm", m_in.MvInTLoLIm}, {"mvPr", m_in.mvPr},
        {"mvdpr", m_in.mvdpr},             {"mvKapa", m_in.mvKapa},         {"mvKQCL", m_in.mvKQCL},
        {"mvInDpLoLim", m_in.mvInDpLoLim}, {"mvInDpHiLim", m_in.mvInDpHiLim}, {"mvInPLoLim", m_in.mvInPLoLim},
        {"mvInPHiLim", m_in.mvInPHiLim},   {"mvOutMassFlowMaxValue", m_in.mvOutMassFlowMaxValue},
        {"mvRhor", m_in.mvRhor},           {"mvRhonorm", m_in.mvRhonorm},   {"mvTr", m_in.mvTr}};
    for (const auto& [name, value] : scalars)
        if (!std::isfinite(value))
            Fail(FlowcalcMessage::NotFinite, QString::fromLatin1(name));
    // The arrays, named as their items: family name and index from 1.
    auto checkArray = [this](const char* family, const double* values, int count) {
        for (int i = 0; i < count; ++i)
            if (!std::isfinite(values[i]))
                Fail(FlowcalcMessage::NotFinite, QString::fromLatin1(family) + QString::number(i + 1));
    };
    checkArray("mvT", m_in.mvT, 6);
    checkArray("mvrho", m_in.mvrho, 6);
    checkArray("mvPkb", m_in.mvPkb, 3);
    checkArray("mvTkb", m_in.mvTkb, 3);
    checkArray("mvZkb", m_in.mvZkb, 9);
}

const Material& Calculation::MaterialOf(int32_t code, const char* item) const
{
    const Material* material = FindMaterial(code);
    if (!material)
        Fail(FlowcalcMessage::UnknownMaterial, QString::number(code), QString::fromLatin1(item));
    return *material;
}

void Calculation::CheckGeometry(const PrimaryElement& element, double beta, double diameterMm) const
{
    const QString name = ElementName(element);
    if (beta < element.betaMin || beta > element.betaMax)
        Fail(FlowcalcMessage::BetaOutside, Number(beta), Number(element.betaMin), Number(element.betaMax), name);
    if (diameterMm < element.diameterMinMm || diameterMm > element.diameterMaxMm)
        Fail(FlowcalcMessage::DiameterOutside, Number(diameterMm), Number(element.diameterMinMm),
             Number(element.diameterMaxMm), name);
    if (beta * diameterMm < element.boreMinMm)
        Fail(FlowcalcMessage::BoreTooSmall, Number(beta * diameterMm), Number(element.boreMinMm), name);
}

DensityResult Calculation::Density(const Medium& medium)
{
    using namespace MediumDensity;
    DensityResult r;
    r.tr = m_in.mvTr;
    const double pr = m_in.mvPr;
    switch (medium.model) {
    case DensityModel::Liquid:
        RequireAbove("mvRhor", m_in.mvRhor, 0);
        r.rho = r.ht[0] = m_in.mvRhor;
        break;
    case DensityModel::LiquidTable: {
        bool valid = true;
        for (int i = 0; i < 6; ++i)
            valid = valid && m_in.mvrho[i] > 0 && (i == 0 || m_in.mvT[i] > m_in.mvT[i - 1]);
        const auto fit = valid ? FitQuadratic(m_in.mvT, m_in.mvrho) : std::nullopt;
        if (!fit)
            Fail(FlowcalcMessage::DensityTableInvalid);
        r.ht[0] = (*fit)[0];
        r.ht[1] = (*fit)[1];
        r.ht[2] = (*fit)[2];
        r.rho = Quadratic(*fit, r.tr);
        RequireAbove("mvRhor", r.rho, 0);
        r.range = std::pair(m_in.mvT[0], m_in.mvT[5]);
        if (r.tr < m_in.mvT[0] || r.tr > m_in.mvT[5])
            Warn(FlowcalcMessage::DesignOutsideDensityTable, Number(r.tr));
        break;
    }
    case DensityModel::GasMatrix: {
        RequireAbove("mvRhonorm", m_in.mvRhonorm, 0);
        CompressibilityMatrix matrix;
        for (int i = 0; i < 3; ++i) {
            matrix.p[i] = m_in.mvPkb[i];
            matrix.t[i] = m_in.mvTkb[i];
        }
        for (int i = 0; i < 9; ++i)
            matrix.z[i] = m_in.mvZkb[i];
        if (!matrix.IsIdeal()) {
            if (!matrix.IsValid())
                Fail(FlowcalcMessage::MatrixInvalid);
            if (!matrix.Contains(pr, r.tr))
                Warn(FlowcalcMessage::DesignOutsideMatrix);
            r.range = std::pair(matrix.t[0], matrix.t[2]);
        }
        r.zr = matrix.Factor(pr, r.tr);
        r.ht[0] = m_in.mvRhonorm * (kStandardTemperatureC + kKelvin) / kStandardPressureBar;
        r.rho = r.ht[0] * pr / (r.zr * (r.tr + kKelvin));
        break;
    }
    case DensityModel::GasIdeal:
    case DensityModel::GasFixedTemperature:
        RequireAbove("mvRhor", m_in.mvRhor, 0);
        r.rho = m_in.mvRhor;
        r.ht[0] = r.rho * (r.tr + kKelvin) / pr;
        break;
    case DensityModel::SteamByTemperature:
        if (r.tr < kSteamTripleC || r.tr >= kSteamCriticalC)
            Fail(FlowcalcMessage::NoSaturatedSteam, Number(r.tr) + QStringLiteral(" C"));
        if (r.tr > kSteamModelMaxC)
            Fail(FlowcalcMessage::SteamBeyondModel, Number(r.tr) + QStringLiteral(" C"),
                 Number(kSteamModelMaxC) + QStringLiteral(" C"));
        r.rho = SaturatedVapourDensity(r.tr);
        r.range = std::pair(kSteamTripleC, kSteamModelMaxC);
        break;
    case DensityModel::SteamByPressure:
        if (pr < kSteamTripleBar || pr >= kSteamCriticalBar)
            Fail(FlowcalcMessage::NoSaturatedSteam, Number(pr) + QStringLiteral(" bar"));
        if (pr > SteamModelMaxBar())
            Fail(FlowcalcMessage::SteamBeyondModel, Number(pr) + QStringLiteral(" bar"),
                 Number(SteamModelMaxBar()) + QStringLiteral(" bar"));
        r.tr = SaturationTemperatureC(pr);
        r.rho = SaturatedVapourDensity(r.tr);
        r.range = std::pair(kSteamTripleC, kSteamModelMaxC);
        break;
    }
    return r;
}

double Calculation::FullScaleMassFlow(const Medium& medium, double designFlow) const
{
    if (m_in.mvOutMassFlowMaxValue > 0)
        return medium.model == DensityModel::GasMatrix ? m_in.mvOutMassFlowMaxValue * m_in.mvRhonorm
                                                        : m_in.mvOutMassFlowMaxValue;
    if (m_in.mvKQCL > 0)
        return designFlow * 100.0 / m_in.mvKQCL;
    Fail(FlowcalcMessage::NoFullScaleFlow);
}

std::pair<double, double> Calculation::TemperatureRange(const DensityResult& density)
{
    double lo = m_in.MvInTLoLIm;
    double hi = m_in.mvInTHiLim;
    if (lo > hi)
        Fail(FlowcalcMessage::TemperatureRangeReversed, Number(lo), Number(hi));
    if (density.range) {
        const auto [a, b] = *density.range;
        const double newLo = std::clamp(lo, a, b);
        const double newHi = std::clamp(hi, a, b);
        if (newLo != lo || newHi != hi)
            Warn(FlowcalcMessage::TemperatureRangeLimited, Number(newLo), Number(newHi));
        lo = newLo;
        hi = newHi;
    }
    return {lo, hi};
}

MvCalculationOutput Calculation::Run()
{
    CheckFinite();
    const Medium* medium = FindMedium(m_in.mvMediumType);
    if (!medium)
        Fail(FlowcalcMessage::UnknownMedium, QString::number(m_in.mvMediumType));
    const PrimaryElement* element = FindPrimaryElement(m_in.mvBlendeDuese);
    if (!element)
        Fail(FlowcalcMessage::UnknownElement, QString::number(m_in.mvBlendeDuese));
    const Material& boreMaterial = MaterialOf(m_in.mvH0, "mvH0");
    const Material& pipeMaterial = MaterialOf(m_in.mvMolCO2, "mvMolCO2");

    RequireAbove("mvReserved5", m_in.mvReserved5, 0);
    RequireAbove("mvBeta", m_in.mvBeta, 0);
    RequireAbove("mvdpr", m_in.mvdpr, 0);
    RequireAbove("mvPr", m_in.mvPr, 0);
    RequireAbove("mvReDr", m_in.mvReDr, 0);
    RequireAbove("mvTr", m_in.mvTr, -kKelvin);

    const double designRatio = m_in.mvdpr / (1000.0 * m_in.mvPr);
    if (designRatio > kMaxPressureRatio)
        Fail(FlowcalcMessage::PressureRatioOutside, Number(designRatio), Number(m_in.mvdpr), Number(m_in.mvPr));
    const double kappa = medium->fixedKappa > 0 ? medium->fixedKappa : m_in.mvKapa;
    if (medium->compressible && !(kappa > 1.0))
        Fail(FlowcalcMessage::KappaTooSmall, Number(kappa));

    DensityResult density = Density(*medium);

    // Bore and pipe at the design temperature.
    const double dt = density.tr - kDimensionTemperatureC;
    const double diameter = m_in.mvReserved5 * (1.0 + pipeMaterial.expansion * dt);
    const double bore = m_in.mvBeta * m_in.mvReserved5 * (1.0 + boreMaterial.expansion * dt);
    const double beta = bore / diameter;
    // The element's limits hold for the dimensions in operation.
    CheckGeometry(*element, beta, diameter);

    const double reMin = MinimumReynolds(*element, beta, diameter);
    if (m_in.mvReDr < reMin)
        Fail(FlowcalcMessage::ReynoldsBelow, Number(m_in.mvReDr), Number(reMin), ElementName(*element));
    if (m_in.mvReDr > element->reynoldsMax)
        Fail(FlowcalcMessage::ReynoldsAbove, Number(m_in.mvReDr), Number(element->reynoldsMax),
             ElementName(*element));
    if (element->kind == ElementKind::Orifice && diameter < kSmallPipeMm)
        Warn(FlowcalcMessage::SmallPipe, Number(diameter));

    auto epsilonAt = [&](double ratio) {
        return medium->compressible ? Expansibility(*element, beta, 1.0 - ratio, kappa) : 1.0;
    };
    const double designC = DischargeCoefficient(*element, beta, m_in.mvReDr, diameter);
    const double designFlow = Iso5167::MassFlow(designC, beta, epsilonAt(designRatio), bore / 1000.0,
                                                m_in.mvdpr * 100.0, density.rho);
    const double fullFlow = FullScaleMassFlow(*medium, designFlow);

    MvCalculationOutput out;
    out.mvRemin = reMin;
    out.mvKqm = std::numbers::pi / 4.0 * std::pow(m_in.mvBeta * m_in.mvReserved5 / 1000.0, 2) * std::sqrt(200.0);
    out.mvK[0] = boreMaterial.expansion;
    out.mvK[1] = pipeMaterial.expansion;
    out.mvZr = density.zr;
    for (int i = 0; i < 3; ++i)
        out.mvHt[i] = density.ht[i];

    for (int i = 0; i < 3; ++i) {
        const double re = m_in.mvReDr * kPointFlows[i] * fullFlow / designFlow;
        out.mvC[i] = DischargeCoefficient(*element, beta, re, diameter);
        out.mvC[3 + i] = re;
    }
    if (BelowLimit(out.mvC[3], reMin))
        Warn(FlowcalcMessage::LowFlowReynoldsBelow, Number(out.mvC[3]), Number(reMin));
    if (AboveLimit(out.mvC[5], element->reynoldsMax))
        Warn(FlowcalcMessage::FullFlowReynoldsAbove, Number(out.mvC[5]), Number(element->reynoldsMax));

    double ratioMax = 0;
    if (medium->compressible) {
        ratioMax = designRatio;
        if (m_in.mvInPLoLim > 0 && m_in.mvInDpHiLim > 0) {
            const double cornerRatio = m_in.mvInDpHiLim / (1000.0 * m_in.mvInPLoLim);
            if (cornerRatio >= 1.0)
                Fail(FlowcalcMessage::CorrectionRangeImpossible, Number(m_in.mvInDpHiLim), Number(m_in.mvInPLoLim));
            ratioMax = std::max(ratioMax, cornerRatio);
        }
        if (ratioMax > kMaxPressureRatio)
            Warn(FlowcalcMessage::CorrectionRangeRatio, Number(ratioMax));
    }
    out.mvMolN2 = ratioMax;
    for (int k = 0; k < 3; ++k)
        out.mvEpsilon[k] = epsilonAt(ratioMax * (k + 1) / 3.0);

    out.mvRhor = density.rho;
    out.mvTr = density.tr;
    out.mvKQCL = 100.0 * designFlow / fullFlow;
    out.mvOutVolFlowMaxValue = fullFlow / density.rho;
    const auto [lo, hi] = TemperatureRange(density);
    out.MvInTLoLIm = lo;
    out.mvInTHiLim = hi;
    return out;
}
} // namespace

void MvCalculationEngine::SetCountryCode(int16_t& countryCode)
{
    m_countryCode = countryCode;
}

void MvCalculationEngine::Calculate(const MvCalculationInput& input, const QString& softwareRevision,
                                    MvCalculationOutput& output, int32_t& status, QString& warningText)
{
    // The results do not depend on the device revision: the caller has
    // already brought every value into its base unit.
    Q_UNUSED(softwareRevision);
    Calculation calculation(input, m_countryCode);
    const MvCalculationOutput result = calculation.Run();
    const QStringList warnings = calculation.warnings();
    output = result;
    status = warnings.isEmpty() ? kMvStatusOk : kMvStatusWarning;
    warningText = warnings.join(QLatin1Char('\n'));
}

} // namespace flowcalc
