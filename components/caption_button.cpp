#include "components/caption_button.h"

#include <QPainter>

#include "pictures/bevel.h"
#include "platform/windowing/system_metrics.h"

namespace chiffrel {
namespace {

// What a screen reader calls the button, since it shows a picture rather than a text.
QString SpokenName(CaptionButton::Glyph glyph) {
    switch (glyph) {
        case CaptionButton::Glyph::Close:
            return QStringLiteral("Fermer");
        case CaptionButton::Glyph::Maximize:
            return QStringLiteral("Agrandir");
        case CaptionButton::Glyph::Minimize:
            return QStringLiteral("Réduire");
    }
    return {};
}

}  // namespace

CaptionButton::CaptionButton(Glyph glyph, const QString& objectName, QWidget* parent)
    : QAbstractButton(parent), glyph_(glyph) {
    setObjectName(objectName);
    setFocusPolicy(Qt::NoFocus);
    setAccessibleName(SpokenName(glyph));
}

void CaptionButton::paintEvent(QPaintEvent* /*event*/) {
    QPainter painter(this);
    painter.fillRect(rect(), SystemColorValue(SystemColor::ButtonFace));
    DrawEdge(painter, rect(), !isDown());
    const QPoint centre = rect().center() + (isDown() ? QPoint(1, 1) : QPoint(0, 0));
    if (isEnabled()) {
        DrawGlyph(painter, centre, SystemColorValue(SystemColor::ButtonText));
    } else {
        DrawGlyph(painter, centre + QPoint(1, 1), SystemColorValue(SystemColor::ButtonHighlight));
        DrawGlyph(painter, centre, SystemColorValue(SystemColor::ButtonShadow));
    }
}

void CaptionButton::DrawGlyph(QPainter& painter, QPoint centre, const QColor& color) const {
    const int x = centre.x();
    const int y = centre.y();
    switch (glyph_) {
        case Glyph::Close:
            painter.setPen(color);
            for (int shift = 0; shift < 2; ++shift) {
                painter.drawLine(x - 4 + shift, y - 3, x + 2 + shift, y + 3);
                painter.drawLine(x + 2 + shift, y - 3, x - 4 + shift, y + 3);
            }
            break;
        case Glyph::Minimize:
            painter.fillRect(QRect(x - 4, y + 2, 6, 2), color);
            break;
        case Glyph::Maximize:
            painter.setPen(color);
            painter.drawRect(QRect(x - 5, y - 4, 8, 7));
            painter.fillRect(QRect(x - 5, y - 4, 9, 2), color);
            break;
    }
}

}  // namespace chiffrel
