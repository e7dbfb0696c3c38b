#pragma once
// The preset curves of a user-curve control, by type code: each curve is a
// list of segments (formula, x from, x to, x step) and gives the points of
// its formulas at the steps of each segment, both ends included.
#include <QList>
#include <QPointF>
#include <QString>
#include <map>

namespace controls {

class CurveDefinitions {
public:
    // A new empty curve; an existing one is emptied.
    void DefineCurve(int16_t code);
    // Removing a curve that does not exist does nothing.
    void RemoveCurve(int16_t code);
    // Raises ComError (E_INVALIDARG) for a curve not defined, a formula that
    // does not evaluate at the segment's points, a step not above 0 or an
    // end below the start; the curve is unchanged then.
    void AddCurveSegment(int16_t code, const QString& formula, float xFrom, float xTo, float xStep);

    bool IsDefined(int16_t code) const { return m_curves.count(code) != 0; }
    QList<QPointF> Points(int16_t code) const;
    int Count() const { return static_cast<int>(m_curves.size()); }

private:
    std::map<int16_t, QList<QPointF>> m_curves;
};

} // namespace controls
