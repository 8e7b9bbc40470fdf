#pragma once

#include <QRect>
#include <QtMath>

namespace kelvora {

/** Layout positions are kept in twips, the unit of the original design: 15 twips make one pixel. */
inline constexpr double TwipsPerPixel = 15.0;

constexpr int twipsToPixels(double twips)
{
    // Rounds to the nearest pixel (halves away from zero), as the window system does.
    const double pixels = twips / TwipsPerPixel;
    return static_cast<int>(pixels < 0 ? pixels - 0.5 : pixels + 0.5);
}

constexpr QRect twipsRect(double left, double top, double width, double height)
{
    return {twipsToPixels(left), twipsToPixels(top), twipsToPixels(width), twipsToPixels(height)};
}

constexpr QPoint twipsPoint(double left, double top)
{
    return {twipsToPixels(left), twipsToPixels(top)};
}

} // namespace kelvora
