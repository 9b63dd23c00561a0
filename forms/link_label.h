#pragma once

#include <QLabel>

namespace chiffrel::ui {

// A label that opens an address when clicked. The Tab key reaches it (not the mouse: a click
// opens the address, it does not move the focus) and a focus frame shows it has the keyboard.
// Screen readers see it as a link and can press it as a click does. What a click or Enter does
// is the window's.
class LinkLabel : public QLabel {
    Q_OBJECT

  public:
    explicit LinkLabel(QWidget* parent = nullptr);

  protected:
    void paintEvent(QPaintEvent* event) override;
};

}  // namespace chiffrel::ui
