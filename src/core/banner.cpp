#include "core/banner.h"

#include "core/author.h"

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
        return {next, QStringLiteral(" 再次祝福亲爱的Selvie永远幸福快乐！     by %1").arg(authorName())};
    if (next <= 60)
        return {next, QStringLiteral(" %1在此祝您合家欢乐，永远快乐！").arg(authorName())};
    if (next <= 90)
        return {next, QStringLiteral(" %1软件将免费进行到底！     by %1").arg(authorName())};
    return {0, {}};
}

} // namespace kelvora::banner
