#pragma once

#include <QIcon>

namespace chiffrel {

// The pictures of the main window's buttons, drawn at run time at the screen's pixel ratio: asking
// the icon theme for them costs more at start-up than the whole window's own drawing.

// A green arrow pointing up (move the result up) or right (into the second value), 16 x 16.
QIcon ArrowUpGlyph();
QIcon ArrowRightGlyph();

// A blue circular arrow: start again from zero, 16 x 16.
QIcon ResetGlyph();

}  // namespace chiffrel
