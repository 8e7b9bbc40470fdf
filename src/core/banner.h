#pragma once

#include <QString>

namespace kelvora {

/**
 * The greeting line under the top bar: two tick machines on one label. One moves it left and
 * alternates its colour; the other walks through three greetings on a 91-tick cycle.
 */
namespace banner {

inline constexpr int MoveIntervalMs = 180;
inline constexpr int TextIntervalMs = 500;
inline constexpr double StartLeftTwips = 2640;

enum class Colour
{
    Default, ///< the label's own colour, before the first tick
    Blue,
    Red,
};

/** The left edge after one movement tick: 100 twips left while right of 0, else back to the right. */
double nextLeft(double leftTwips, double innerWidthTwips);

/** Blue becomes red; anything else becomes blue. */
Colour nextColour(Colour colour);

struct TextTick
{
    int counter = 0;
    int greeting = 0; ///< 1 to 3: the greeting to show; 0: the caption stays as it is
};

/** One text tick from the counter before it: the counter after it and the greeting to show. */
TextTick nextText(int counter);

} // namespace banner
} // namespace kelvora
