#pragma once

#include "pictures/drawn_picture.h"

namespace chiffrel {

// The pictures of the information windows, drawn at run time at the screen's pixel ratio, so
// that the program carries no image files of its own.

// A small pocket calculator on a transparent ground, 36 x 34 pixels.
ui::DrawnPicture CalculatorPicture();

// A gold franc coin, 32 x 32 pixels.
ui::DrawnPicture CoinIcon();

}  // namespace chiffrel
