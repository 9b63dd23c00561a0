#pragma once

// The program's style: the desktop's own, with one picture left out.

#include <QProxyStyle>

namespace chiffrel::ui {

// Draws everything as the desktop's style does, except that the menu bar's button for menus that
// do not fit has no picture. The program's menus always fit its fixed window, so the button never
// shows; reading its picture, which the menu bar does as it is made, would have Qt load every
// image-format plugin to ask each whether it reads that PNG file.
class ProgramStyle : public QProxyStyle {
  public:
    QIcon standardIcon(StandardPixmap picture, const QStyleOption* option = nullptr,
                       const QWidget* widget = nullptr) const override;
};

}  // namespace chiffrel::ui
