#include "core/windowlayout.h"

#include "core/twips.h"

namespace kelvora {

QRect twipsToPixels(const QRectF &twips)
{
    const int left = twipsToPixels(twips.left());
    const int top = twipsToPixels(twips.top());
    // Rounding the far edges rather than the sizes keeps neighbouring edges from drifting apart.
    const int right = twipsToPixels(twips.left() + twips.width());
    const int bottom = twipsToPixels(twips.top() + twips.height());
    return {left, top, right - left, bottom - top};
}

} // namespace kelvora
