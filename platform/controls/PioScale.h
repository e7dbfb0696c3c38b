#pragma once
// The scale of the measured-value displays: the range from ObjectNameMin to
// ObjectNameMax (numbers in text), its divisions and the place of a value on
// it. Texts that are no numbers give the range 0 to 100.
#include <QString>
#include <vector>

namespace controls {

struct PioScale {
    double minimum = 0;
    double maximum = 100;
    double largeStep = 0; // 0: a tenth of the range
    double smallStep = 0; // 0: a fifth of the large step

    static double ParseNumber(const QString& text, double fallback);
    // The value's place on the scale, 0 at the minimum and 1 at the maximum,
    // held within 0 and 1; 0 for an empty or reversed range.
    double Fraction(double value) const;
    // The values of the large (small) divisions from the minimum to the maximum.
    std::vector<double> Ticks(bool large) const;
};

} // namespace controls
