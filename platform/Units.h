#pragma once

#include <QRect>

// Positions and sizes are kept in twips, as the design states them; pixels
// shown to or taken from the user use this fixed factor, never the display's.
namespace Units {

inline constexpr int kTwipsPerPixel = 15;

constexpr float toPixels(float twips)
{
    return twips / float(kTwipsPerPixel);
}
constexpr float toTwips(float pixels)
{
    return pixels * float(kTwipsPerPixel);
}

// Design tables give whole twips that are multiples of the factor.
constexpr int pixels(int twips)
{
    return twips / kTwipsPerPixel;
}

constexpr QRect rect(int left, int top, int width, int height)
{
    return QRect(pixels(left), pixels(top), pixels(width), pixels(height));
}

constexpr QPoint point(int left, int top)
{
    return QPoint(pixels(left), pixels(top));
}

} // namespace Units
