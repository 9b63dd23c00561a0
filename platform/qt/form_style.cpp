#include "platform/qt/form_style.h"

#include <QApplication>
#include <QDialog>
#include <QFont>
#include <QScreen>
#include <QWidget>
#include <algorithm>

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
    SetPixelHeight(form, kFormFontPixels);
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
    const QScreen* screen = QGuiApplication::primaryScreen();
    window->move(screen ? PlaceInside(screen->availableGeometry(), window->size(), wanted)
                        : wanted);
}

void CentreOnScreen(QWidget* window) {
    if (const QScreen* screen = QGuiApplication::primaryScreen()) {
        const QRect available = screen->availableGeometry();
        window->move(
            PlaceInside(available, window->size(), available.center() - window->rect().center()));
    }
}

}  // namespace chiffrel::ui
