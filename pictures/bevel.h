#pragma once

// The 3-D edges of the self-drawn parts: the caption buttons, the form's border and the clock's
// marks. Qt's qDrawWinButton and qDrawShadePanel draw other pixels: the first lights the outer
// ring in the palette's Light where the classic edge has Midlight, and on a screen scaled above 1
// the second splits the corner pixels between its two colours.

#include <QColor>
#include <QRect>

class QPainter;

namespace chiffrel {

// A one-pixel ring on the edge of `box`: `topLeft` on its left and top sides, `bottomRight` on
// its right and bottom sides, which also take the top-right and bottom-left corners.
void DrawBevelRing(QPainter& painter, const QRect& box, const QColor& topLeft,
                   const QColor& bottomRight);

// The edge of a button or window border: two rings, the outer lit by the 3-D light and shaded by
// the 3-D dark shadow, the inner by the button highlight and shadow; `raised` lights the top-left
// sides, otherwise the bottom-right ones.
void DrawEdge(QPainter& painter, const QRect& box, bool raised);

}  // namespace chiffrel
