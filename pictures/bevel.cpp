#include "pictures/bevel.h"

#include <QPainter>

#include "platform/windowing/system_metrics.h"

namespace chiffrel {

void DrawBevelRing(QPainter& painter, const QRect& box, const QColor& topLeft,
                   const QColor& bottomRight) {
    painter.fillRect(QRect(box.left(), box.top(), box.width(), 1), topLeft);
    painter.fillRect(QRect(box.left(), box.top(), 1, box.height()), topLeft);
    painter.fillRect(QRect(box.right(), box.top(), 1, box.height()), bottomRight);
    painter.fillRect(QRect(box.left(), box.bottom(), box.width(), 1), bottomRight);
}

void DrawEdge(QPainter& painter, const QRect& box, bool raised) {
    const auto ring = [&](const QRect& where, SystemColor lit, SystemColor shaded) {
        const QColor litColor = SystemColorValue(lit);
        const QColor shadedColor = SystemColorValue(shaded);
        DrawBevelRing(painter, where, raised ? litColor : shadedColor,
                      raised ? shadedColor : litColor);
    };
    ring(box, SystemColor::ThreeDLight, SystemColor::ThreeDDarkShadow);
    ring(box.adjusted(1, 1, -1, -1), SystemColor::ButtonHighlight, SystemColor::ButtonShadow);
}

}  // namespace chiffrel
