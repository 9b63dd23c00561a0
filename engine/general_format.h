#pragma once

#include <string>

#include "engine/real48.h"

namespace chiffrel {

// A number in the general format: at most `precision` significant digits, no trailing zeros,
// no padding and no grouping; fixed notation while the decimal point falls at most `precision`
// digits to the right of the first digit and no more than three zeros follow the point, the
// exponent form ("1.5E20", "1E-5") otherwise. "." is the decimal point: the caller puts the
// user's own separator in its place.
std::string FormatGeneral(Extended value, int precision);

}  // namespace chiffrel
