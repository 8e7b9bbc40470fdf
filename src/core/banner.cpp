#include "core/banner.h"

namespace kelvora::banner {

double nextLeft(double leftTwips, double innerWidthTwips)
{
    // A long greeting is never scrolled out to the left: its head stops at the edge and jumps back.
    return leftTwips > 0 ? leftTwips - 100 : innerWidthTwips;
}

Colour nextColour(Colour colour)
{
    return colour == Colour::Blue ? Colour::Red : Colour::Blue;
}

TextTick nextText(int counter)
{
    const int next = counter + 1;
    if (next <= 30)
        return {next, 1};
    if (next <= 60)
        return {next, 2};
    if (next <= 90)
        return {next, 3};
    return {0, 0};
}

} // namespace kelvora::banner
