#include "pictures/drawn_picture.h"

#include <QApplication>
#include <QEvent>
#include <QIconEngine>
#include <QLabel>
#include <QPainter>
#include <QStyle>
#include <QStyleOption>

namespace chiffrel::ui {

namespace {

// Draws the picture scaled into `pixels` device pixels.
QPixmap RenderInto(const DrawnPicture& picture, QSize pixels) {
    QPixmap pixmap(pixels);
    pixmap.fill(Qt::transparent);
    if (picture.size.isEmpty() || pixmap.isNull()) {
        return pixmap;
    }
    QPainter painter(&pixmap);
    painter.scale(static_cast<qreal>(pixels.width()) / picture.size.width(),
                  static_cast<qreal>(pixels.height()) / picture.size.height());
    picture.draw(painter);
    return pixmap;
}

// The picture on a transparent ground, `ratio` device pixels to a pixel.
QPixmap Render(const DrawnPicture& picture, qreal ratio) {
    QPixmap pixmap = RenderInto(picture, picture.size * ratio);
    pixmap.setDevicePixelRatio(ratio);
    return pixmap;
}

class DrawnIconEngine : public QIconEngine {
  public:
    explicit DrawnIconEngine(DrawnPicture picture) : picture_(std::move(picture)) {}

    void paint(QPainter* painter, const QRect& rect, QIcon::Mode mode,
               QIcon::State state) override {
        const qreal ratio = painter->device()->devicePixelRatio();
        QPixmap drawn = pixmap(rect.size() * ratio, mode, state);
        drawn.setDevicePixelRatio(ratio);
        painter->drawPixmap(rect.topLeft(), drawn);
    }

    // Qt asks for the size in device pixels and sets the ratio on what comes back.
    QPixmap pixmap(const QSize& size, QIcon::Mode mode, QIcon::State /*state*/) override {
        const QPixmap drawn = RenderInto(picture_, actualSize(size, mode, QIcon::Off));
        if (mode != QIcon::Disabled) {
            return drawn;
        }
        // Greyed out as the style greys every other icon.
        QStyleOption option;
        option.palette = QApplication::palette();
        return QApplication::style()->generatedIconPixmap(mode, drawn, &option);
    }

    QSize actualSize(const QSize& size, QIcon::Mode /*mode*/, QIcon::State /*state*/) override {
        return picture_.size.scaled(size, Qt::KeepAspectRatio);
    }

    QList<QSize> availableSizes(QIcon::Mode /*mode*/, QIcon::State /*state*/) override {
        return {picture_.size};
    }

    QIconEngine* clone() const override { return new DrawnIconEngine(picture_); }
    QString key() const override { return QStringLiteral("chiffrel-drawn"); }

  private:
    DrawnPicture picture_;
};

// Draws a label's picture again when the label is about to be painted at another ratio than its
// pixmap's: after a move to a screen of another scale, or at the first showing.
class PictureKeeper : public QObject {
  public:
    PictureKeeper(QLabel* label, DrawnPicture picture)
        : QObject(label), label_(label), picture_(std::move(picture)) {
        label->installEventFilter(this);
        Draw();
    }

  protected:
    bool eventFilter(QObject* /*watched*/, QEvent* event) override {
        if (event->type() == QEvent::Paint &&
            label_->pixmap().devicePixelRatio() != label_->devicePixelRatioF()) {
            Draw();
        }
        return false;
    }

  private:
    void Draw() { label_->setPixmap(Render(picture_, label_->devicePixelRatioF())); }

    QLabel* label_;
    DrawnPicture picture_;
};

}  // namespace

QIcon AsIcon(DrawnPicture picture) {
    return QIcon(new DrawnIconEngine(std::move(picture)));
}

void ShowPicture(QLabel* label, DrawnPicture picture) {
    new PictureKeeper(label, std::move(picture));
}

}  // namespace chiffrel::ui
