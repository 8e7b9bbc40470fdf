#pragma once

#include <QRect>
#include <QRectF>

namespace kelvora {

/** The main window's inner size as designed, in twips. */
inline constexpr double DesignInnerWidthTwips = 12345.0;
inline constexpr double DesignInnerHeightTwips = 9705.0;

/**
 * Where a slot panel goes for a window inner size of w × h twips, relative to the inner area.
 * The quotients stay unrounded until they are turned into pixels.
 */
constexpr QRectF panelRectTwips(double w, double h)
{
    return {105.0, 700.0, w / 1.017, h / 1.075};
}

/**
 * Where a browser goes inside its panel for a window inner size of w × h twips. It follows the
 * window's size, not its panel's, and may reach past the panel, which then clips it.
 */
constexpr QRectF browserRectTwips(double w, double h)
{
    return {120.0, 1920.0, w / 1.035, h / 1.3788};
}

/** Pixels for a rectangle in twips: each edge rounded to the nearest pixel. */
QRect twipsToPixels(const QRectF &twips);

} // namespace kelvora
