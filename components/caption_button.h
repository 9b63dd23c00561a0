#pragma once

// CaptionButton: a button of the caption strip (close, maximize or minimize) in the classic
// look: raised, sunken while pressed, its glyph etched when disabled.

#include <QAbstractButton>

class QColor;
class QPainter;
class QPoint;

namespace chiffrel {

class CaptionButton : public QAbstractButton {
  public:
    enum class Glyph { Close, Maximize, Minimize };

    // The button takes no keyboard focus, like the window manager's own caption buttons.
    CaptionButton(Glyph glyph, const QString& objectName, QWidget* parent);

  protected:
    void paintEvent(QPaintEvent* event) override;

  private:
    void DrawGlyph(QPainter& painter, QPoint centre, const QColor& color) const;

    Glyph glyph_;
};

}  // namespace chiffrel
