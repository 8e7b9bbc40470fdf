#pragma once

#include <QRect>
#include <QRectF>

namespace kelvora {

/** The main window's inner size as designed, in twips. */
inline constexpr double DesignInnerWidthTwips = 12345.0;
inline constexpr double DesignInnerHeightTwips = 9705.0;

// A panel sits below the top bar and the banner, a hair in from the left edge, and takes the
// window's size shrunk by these quotients: what is left over is the margin right and below it.
inline constexpr double PanelLeftTwips = 105.0;
inline constexpr double PanelTopTwips = 700.0;
inline constexpr double PanelWidthDivisor = 1.017;
inline constexpr double PanelHeightDivisor = 1.075;
// A browser sits below its panel's two rows of controls; its quotients leave room for them and
// the panel's frame, and follow the window, not the panel.
inline constexpr double BrowserLeftTwips = 120.0;
inline constexpr double BrowserTopTwips = 1920.0;
inline constexpr double BrowserWidthDivisor = 1.035;
inline constexpr double BrowserHeightDivisor = 1.3788;

/**
 * Where a slot panel goes for a window inner size of w × h twips, relative to the inner area.
 * The quotients stay unrounded until they are turned into pixels.
 */
constexpr QRectF panelRectTwips(double w, double h)
{
    return {PanelLeftTwips, PanelTopTwips, w / PanelWidthDivisor, h / PanelHeightDivisor};
}

/**
 * Where a browser goes inside its panel for a window inner size of w × h twips. It follows the
 * window's size, not its panel's, and may reach past the panel, which then clips it.
 */
constexpr QRectF browserRectTwips(double w, double h)
{
    return {BrowserLeftTwips, BrowserTopTwips, w / BrowserWidthDivisor, h / BrowserHeightDivisor};
}

/** Pixels for a rectangle in twips: each edge rounded to the nearest pixel. */
QRect twipsToPixels(const QRectF &twips);

} // namespace kelvora
