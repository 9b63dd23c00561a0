#pragma once

// Pictures drawn by the program's own code rather than read from image files, drawn again at the
// device pixel ratio of the screen that shows them, so that they are as sharp as the text beside
// them on a scaled screen.

#include <QIcon>
#include <QSize>
#include <functional>

class QLabel;
class QPainter;

namespace chiffrel::ui {

struct DrawnPicture {
    QSize size;  // in pixels at a ratio of 1
    // Draws the picture in the box (0, 0)-(size), whatever the device's resolution.
    std::function<void(QPainter& painter)> draw;
};

// An icon that draws the picture anew at each size and ratio it is shown at.
QIcon AsIcon(DrawnPicture picture);

// Shows the picture in `label`, drawn again whenever the label is shown at another ratio.
void ShowPicture(QLabel* label, DrawnPicture picture);

}  // namespace chiffrel::ui
