#include "pictures/glyphs.h"

#include <QPainter>
#include <QPainterPath>

#include "pictures/drawn_picture.h"

namespace chiffrel {

namespace {

constexpr QSize kGlyphSize(16, 16);

// An arrow pointing up, turned by `degrees` clockwise about the centre.
void DrawArrow(QPainter& painter, qreal degrees) {
    painter.setRenderHint(QPainter::Antialiasing);
    painter.translate(8, 8);
    painter.rotate(degrees);
    QPainterPath arrow;
    arrow.moveTo(0, -7);
    arrow.lineTo(7, 0);
    arrow.lineTo(3, 0);
    arrow.lineTo(3, 7);
    arrow.lineTo(-3, 7);
    arrow.lineTo(-3, 0);
    arrow.lineTo(-7, 0);
    arrow.closeSubpath();
    painter.setPen(QPen(QColor(0, 90, 0), 1));
    painter.setBrush(QColor(40, 170, 40));
    painter.drawPath(arrow);
}

void DrawReset(QPainter& painter) {
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(QPen(QColor(30, 80, 200), 2.2, Qt::SolidLine, Qt::RoundCap));
    painter.drawArc(QRectF(2.5, 2.5, 11, 11), 100 * 16, 290 * 16);  // most of a circle
    QPainterPath head;
    head.moveTo(8.5, 0.5);
    head.lineTo(12.5, 3.5);
    head.lineTo(8.5, 6.5);
    head.closeSubpath();
    painter.setPen(Qt::NoPen);
    painter.setBrush(QColor(30, 80, 200));
    painter.drawPath(head);
}

void DrawOpenDoor(QPainter& painter) {
    painter.setPen(QColor(60, 60, 60));
    painter.setBrush(QColor(250, 250, 240));
    painter.drawRect(2, 1, 9, 13);  // the door frame
    QPainterPath door;
    door.moveTo(2, 1);
    door.lineTo(8, 3);
    door.lineTo(8, 16);
    door.lineTo(2, 14);
    door.closeSubpath();
    painter.setBrush(QColor(150, 90, 40));
    painter.drawPath(door);
    painter.setPen(QColor(250, 220, 90));
    painter.drawPoint(7, 9);  // the knob
}

}  // namespace

QIcon ArrowUpGlyph() {
    return ui::AsIcon({kGlyphSize, [](QPainter& painter) { DrawArrow(painter, 0); }});
}

QIcon ArrowRightGlyph() {
    return ui::AsIcon({kGlyphSize, [](QPainter& painter) { DrawArrow(painter, 90); }});
}

QIcon ResetGlyph() {
    return ui::AsIcon({kGlyphSize, DrawReset});
}

QIcon CloseGlyph() {
    return ui::AsIcon({kGlyphSize, DrawOpenDoor});
}

}  // namespace chiffrel
