#include "platform/qt/form_style.h"

#include <QApplication>
#include <QDialog>
#include <QFont>
#include <QScreen>
#include <QStyle>
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
    return QApplication::style()->standardPalette();
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
