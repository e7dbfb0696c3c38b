#pragma once
// Form geometry is designed in twips: 1440 to the inch, 15 to a pixel at
// 96 dots per inch. Rules stated in twips stay in twips and are converted
// only where a widget is moved or sized.
#include <cmath>

namespace controls::Twips {

constexpr int kTwipsPerPixel = 15;

// Rounded to the nearest pixel.
inline int ToPixels(double twips)
{
    return static_cast<int>(std::lround(twips / kTwipsPerPixel));
}

inline int FromPixels(int pixels)
{
    return pixels * kTwipsPerPixel;
}

} // namespace controls::Twips
