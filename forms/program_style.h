#pragma once

// The program's style: the desktop's own, with one picture left out, and kept to the sizes the
// forms were laid out for.

#include <QProxyStyle>

namespace chiffrel::ui {

// Draws everything as the desktop's style does, except:
// - the menu bar's button for menus that do not fit has no picture. The program's menus always
//   fit its fixed window, so the button never shows; reading its picture, which the menu bar does
//   as it is made, would have Qt load every image-format plugin to ask each whether it reads that
//   PNG file;
// - the forms place their controls at fixed places, laid out for the classic styles' sizes. A
//   style whose check box and radio button indicators are larger than the forms' choices are
//   high (GNOME's Adwaita) has them drawn to that height, in its own look; one whose tabs are
//   taller than the classic ones has them drawn that tall, so that a tab page keeps the height
//   its controls were placed in. A style within those sizes is drawn as it is;
// - the menu bar keeps the keyboard after Escape closes one of its menus, whatever the style says
//   (Adwaita says no): the window's Escape quits the program, and a second Escape meant to leave
//   the menu bar must not reach it.
class ProgramStyle : public QProxyStyle {
  public:
    using QProxyStyle::QProxyStyle;

    QIcon standardIcon(StandardPixmap picture, const QStyleOption* option = nullptr,
                       const QWidget* widget = nullptr) const override;
    int styleHint(StyleHint hint, const QStyleOption* option = nullptr,
                  const QWidget* widget = nullptr,
                  QStyleHintReturn* returnData = nullptr) const override;
    int pixelMetric(PixelMetric metric, const QStyleOption* option = nullptr,
                    const QWidget* widget = nullptr) const override;
    QSize sizeFromContents(ContentsType type, const QStyleOption* option, const QSize& size,
                           const QWidget* widget) const override;
    QRect subElementRect(SubElement element, const QStyleOption* option,
                         const QWidget* widget) const override;
    void drawPrimitive(PrimitiveElement element, const QStyleOption* option, QPainter* painter,
                       const QWidget* widget = nullptr) const override;
};

}  // namespace chiffrel::ui
