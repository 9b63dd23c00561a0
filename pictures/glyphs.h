#pragma once

#include <QIcon>

namespace chiffrel {

// The pictures of the program's buttons, 16 x 16 pixels, drawn at run time at the screen's pixel
// ratio, so that they look the same on every desktop and the program carries no image files.

// A green arrow pointing up (move the result up) or right (into the second value).
QIcon ArrowUpGlyph();
QIcon ArrowRightGlyph();

// A blue circular arrow: start again from zero.
QIcon ResetGlyph();

// An open door: the "Quitter" and "Fermer" buttons.
QIcon CloseGlyph();

}  // namespace chiffrel
