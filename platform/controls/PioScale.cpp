#include "platform/controls/PioScale.h"
#include <QLocale>
#include <algorithm>
#include <cmath>

namespace controls {

double PioScale::ParseNumber(const QString& text, double fallback)
{
    bool ok = false;
    double value = text.trimmed().toDouble(&ok);
    if (!ok) // written in the user's locale
        value = QLocale().toDouble(text.trimmed(), &ok);
    return ok && std::isfinite(value) ? value : fallback;
}

double PioScale::Fraction(double value) const
{
    const double span = maximum - minimum;
    if (!(span > 0) || !std::isfinite(value))
        return 0;
    return std::clamp((value - minimum) / span, 0.0, 1.0);
}

std::vector<double> PioScale::Ticks(bool large) const
{
    const double span = maximum - minimum;
    std::vector<double> ticks;
    if (!(span > 0))
        return ticks;
    const double big = largeStep > 0 ? largeStep : span / 10;
    const double step = large ? big : (smallStep > 0 ? smallStep : big / 5);
    // Never more divisions than a scale can show.
    if (span / step > 200)
        return ticks;
    for (double v = minimum; v <= maximum + step * 1e-6; v += step)
        ticks.push_back(v);
    return ticks;
}

} // namespace controls
