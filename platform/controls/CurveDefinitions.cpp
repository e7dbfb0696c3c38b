#include "platform/controls/CurveDefinitions.h"
#include "platform/automation/ComError.h"
#include "platform/controls/CurveFormula.h"
#include <cmath>

namespace controls {

namespace {

const QString kSource = QStringLiteral("PioUserCurve.AddCurveSegment");
// More points than a plot of 0 to 100 % can show make no sense.
constexpr int kMaxSegmentPoints = 10000;

} // namespace

void CurveDefinitions::DefineCurve(int16_t code)
{
    m_curves[code].clear();
}

void CurveDefinitions::RemoveCurve(int16_t code)
{
    m_curves.erase(code);
}

void CurveDefinitions::AddCurveSegment(int16_t code, const QString& formula, float xFrom, float xTo, float xStep)
{
    const auto curve = m_curves.find(code);
    if (curve == m_curves.end())
        throw automation::ComError(automation::E_INVALIDARG_, QStringLiteral("Curve %1 is not defined").arg(code),
                                   kSource);
    if (!(xStep > 0) || !(xTo >= xFrom) || !std::isfinite(xFrom) || !std::isfinite(xTo) ||
        (xTo - xFrom) / xStep > kMaxSegmentPoints)
        throw automation::ComError(automation::E_INVALIDARG_,
                                   QStringLiteral("Segment %1 to %2 in steps of %3 is not valid")
                                       .arg(xFrom)
                                       .arg(xTo)
                                       .arg(xStep),
                                   kSource);
    QList<QPointF> points;
    const int steps = static_cast<int>(std::ceil((static_cast<double>(xTo) - xFrom) / xStep - 1e-6));
    for (int i = 0; i <= steps; ++i) {
        const double x = i == steps ? static_cast<double>(xTo) : xFrom + static_cast<double>(xStep) * i;
        double y = 0;
        QString error;
        if (!CurveFormula::Evaluate(formula, x, y, error))
            throw automation::ComError(automation::E_INVALIDARG_,
                                       QStringLiteral("Formula \"%1\": %2").arg(formula, error), kSource);
        points.append(QPointF(x, y));
    }
    // A segment that starts where the last one ended does not repeat the point.
    if (!curve->second.isEmpty() && !points.isEmpty() && curve->second.last().x() == points.first().x())
        points.removeFirst();
    curve->second += points;
}

QList<QPointF> CurveDefinitions::Points(int16_t code) const
{
    const auto curve = m_curves.find(code);
    return curve == m_curves.end() ? QList<QPointF>() : curve->second;
}

} // namespace controls
