#include "forms/form_style.h"

#include <QApplication>
#include <QDialog>
#include <QEvent>
#include <QFont>
#include <QScreen>
#include <QWidget>
#include <QWindow>
#include <algorithm>
#include <functional>
#include <optional>
#include <utility>

#include "platform/windowing/window_manager.h"

namespace chiffrel::ui {

namespace {

// Where a window of `size` goes to show at `wanted` inside `available`: moved back in as little
// as possible, and with its top-left corner inside when it is larger than the area.
QPoint PlaceInside(const QRect& available, QSize size, QPoint wanted) {
    const int x =
        std::max(available.left(), std::min(wanted.x(), available.right() + 1 - size.width()));
    const int y =
        std::max(available.top(), std::min(wanted.y(), available.bottom() + 1 - size.height()));
    return {x, y};
}

// Where a window's frame goes, from the frame's size.
using FrameCorner = std::function<QPoint(QSize frame)>;

// Places a window once more at its first showing, where the window manager tells then the frame
// it will draw: the frame, as the user sees it, goes where the window went without it. Qt only
// learns the frame once the window shows, too late to place it without a jump.
class PlaceWithFrameAtFirstShowing : public QObject {
  public:
    PlaceWithFrameAtFirstShowing(QWidget* window, FrameCorner corner)
        : QObject(window), window_(window), corner_(std::move(corner)) {
        window->installEventFilter(this);
    }

  protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        // The native window exists by the show event, and is not on the screen yet.
        if (watched == window_ && event->type() == QEvent::Show) {
            window_->removeEventFilter(this);
            QWindow* native = window_->windowHandle();
            if (const std::optional<QMargins> frame = FrameExtentsBeforeMap(native)) {
                // The window itself goes inside the frame: Qt would put it back where the widget
                // says it is as it shows it.
                const QPoint frameCorner = corner_(window_->size().grownBy(*frame));
                window_->setGeometry(
                    QRect(frameCorner + QPoint(frame->left(), frame->top()), window_->size()));
            }
            deleteLater();
        }
        return false;
    }

  private:
    QWidget* window_;
    FrameCorner corner_;
};

// Puts a window that draws its own frame back where it was placed when the window manager's first
// move of it, as it shows it and before the window is first active, puts it elsewhere: some
// managers (i3) offset such a window by the frame they would have drawn, had it not asked for
// none.
class KeepPlaceAtFirstShowing : public QObject {
  public:
    explicit KeepPlaceAtFirstShowing(QWidget* window) : QObject(window), window_(window) {
        window->installEventFilter(this);
    }

  protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (watched != window_) {
            return false;
        }
        if (event->type() == QEvent::Show) {
            placed_ = window_->pos();
        } else if (event->type() == QEvent::Move && event->spontaneous() && placed_) {
            // Only the manager's first move: a later one may be the user's.
            Finish();
            if (window_->pos() != *placed_) {
                window_->move(*placed_);
            }
        } else if (event->type() == QEvent::WindowActivate) {
            Finish();
        }
        return false;
    }

  private:
    void Finish() {
        window_->removeEventFilter(this);
        deleteLater();
    }

    QWidget* window_;
    std::optional<QPoint> placed_;
};

// Places `window`, not yet shown, with its frame's top-left corner where `corner` says: at once
// for a frame as large as the window, as a window manager that keeps its frame to itself leaves
// it (Qt puts a window placed before its first showing with its frame there), and again at the
// first showing for the frame the manager tells. A frameless window draws its own frame, and is
// kept where it was placed.
void PlaceFrame(QWidget* window, const FrameCorner& corner) {
    window->move(corner(window->size()));
    if (window->windowFlags().testFlag(Qt::FramelessWindowHint)) {
        new KeepPlaceAtFirstShowing(window);
    } else {
        new PlaceWithFrameAtFirstShowing(window, corner);
    }
}

// Qt's own light scheme, the one the forms are seen in where the desktop chooses none.
QPalette ClassicLightPalette() {
    const QColor face(0xef, 0xef, 0xef);
    const QColor dark = face.darker(150);
    const QColor mid = face.darker(130);
    QPalette palette(Qt::black, face, Qt::white, dark, mid, Qt::black, Qt::white, Qt::white, face);
    palette.setColor(QPalette::Midlight, mid.lighter(110));
    palette.setColor(QPalette::Shadow, dark.darker(135));
    return palette;
}

bool IsLight(const QPalette& palette) {
    return palette.color(QPalette::Window).lightness() >
           palette.color(QPalette::WindowText).lightness();
}

}  // namespace

void InstallFontSubstitutes() {
    const QStringList sans = {QStringLiteral("Liberation Sans"), QStringLiteral("DejaVu Sans")};
    QFont::insertSubstitutions(QStringLiteral("MS Sans Serif"), sans);
    QFont::insertSubstitutions(QStringLiteral("Arial"), sans);
    QFont::insertSubstitutions(QStringLiteral("Comic Sans MS"),
                               {QStringLiteral("Comic Neue"), QStringLiteral("Liberation Sans")});
}

void SetPixelHeight(QWidget* widget, int pixels) {
    QFont font = widget->font();
    font.setPixelSize(pixels);
    widget->setFont(font);
}

void SetFormFont(QWidget* form) {
    constexpr int kFormFontPixels = 11;
    QFont font = form->font();
    font.setFamilies({QStringLiteral("MS Sans Serif")});
    font.setPixelSize(kFormFontPixels);
    form->setFont(font);
}

void SetFixedDialogFrame(QDialog* dialog, bool minimizeBox) {
    Qt::WindowFlags flags = Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                            Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint;
    flags.setFlag(Qt::WindowMinimizeButtonHint, minimizeBox);
    dialog->setWindowFlags(flags);
    dialog->setFixedSize(dialog->size());
}

QPalette DesignPalette() {
    const QPalette scheme = QApplication::palette();
    return IsLight(scheme) ? scheme : ClassicLightPalette();
}

void SetColourPair(QWidget* widget, QPalette::ColorRole backgroundRole, const QColor& background,
                   QPalette::ColorRole textRole, const QColor& text) {
    QPalette palette = widget->palette();
    palette.setColor(backgroundRole, background);
    palette.setColor(textRole, text);
    widget->setPalette(palette);
    if (backgroundRole == QPalette::Window) {
        // A label's background shows only where the label fills it.
        widget->setAutoFillBackground(true);
    }
}

void MoveInsideScreen(QWidget* window, QPoint wanted) {
    PlaceFrame(window, [wanted](QSize frame) {
        const QScreen* screen = QGuiApplication::primaryScreen();
        return screen ? PlaceInside(screen->availableGeometry(), frame, wanted) : wanted;
    });
}

void CentreOnScreen(QWidget* window) {
    const QScreen* screen = QGuiApplication::primaryScreen();
    if (screen == nullptr) {
        return;
    }
    PlaceFrame(window, [available = screen->availableGeometry()](QSize frame) {
        return PlaceInside(available, frame, available.center() - QRect(QPoint(), frame).center());
    });
}

}  // namespace chiffrel::ui
