#include "pictures/about_pictures.h"

#include <QPainter>

namespace chiffrel {

namespace {

void DrawCalculator(QPainter& painter) {
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(QPen(QColor(40, 40, 60), 1));
    painter.setBrush(QColor(90, 100, 130));
    painter.drawRoundedRect(QRectF(6.5, 0.5, 23, 33), 3, 3);
    painter.setBrush(QColor(170, 210, 160));
    painter.drawRect(QRectF(9.5, 3.5, 17, 7));
    painter.setPen(Qt::NoPen);
    for (int row = 0; row < 4; ++row) {
        for (int column = 0; column < 3; ++column) {
            const bool isOperation = column == 2;
            painter.setBrush(isOperation ? QColor(230, 150, 60) : QColor(235, 235, 240));
            painter.drawRect(QRectF(10 + column * 6, 13 + row * 5, 4, 3));
        }
    }
}

void DrawCoin(QPainter& painter) {
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(QPen(QColor(150, 110, 20), 1.5));
    painter.setBrush(QColor(235, 195, 70));
    painter.drawEllipse(QRectF(2, 2, 28, 28));
    painter.setPen(QPen(QColor(190, 145, 40), 1));
    painter.setBrush(Qt::NoBrush);
    painter.drawEllipse(QRectF(5, 5, 22, 22));
    // The franc's "F", drawn as strokes so that it does not depend on an installed font.
    painter.setPen(QPen(QColor(120, 85, 10), 2.5, Qt::SolidLine, Qt::FlatCap));
    painter.drawLine(QPointF(13, 9), QPointF(13, 23));
    painter.drawLine(QPointF(11.8, 10), QPointF(20, 10));
    painter.drawLine(QPointF(13, 16), QPointF(18, 16));
}

}  // namespace

ui::DrawnPicture CalculatorPicture() {
    return {QSize(36, 34), DrawCalculator};
}

ui::DrawnPicture CoinIcon() {
    return {QSize(32, 32), DrawCoin};
}

}  // namespace chiffrel
