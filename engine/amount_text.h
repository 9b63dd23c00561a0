#pragma once

#include <string>
#include <string_view>

#include "real48.h"

namespace chiffrel {

// Amounts cross every boundary of the program as 8-bit text; only "." separates decimals.
using AmountText = std::string;

struct ParsedAmount {
    Extended value = 0;
    // 0 when the whole text was a number, else the 1-based position where reading stopped.
    // No caller of the program looks at it; it is kept for tests and for the fuzzer.
    int errorPosition = 0;
};

// Reads a number the way the calculator always has: an optional sign, digits, an optional
// fraction and an optional exponent. A text that is not a number still has a value: the
// unsigned whole number made of the mantissa digits read before the first wrong character.
// Throws FloatOverflow only when the digits themselves leave the extended range.
ParsedAmount ParseAmount(std::string_view text);

// Fixed notation with `decimals` decimals, padded on the left with spaces to `width` and never
// cut; magnitudes from 2^120 up are written in exponent form instead.
AmountText FormatAmount(Extended value, int width, int decimals);

// Minimum width, five decimals: 20.6 gives "20.60000".
AmountText FormatRate(Extended value);

// Removes every space (code 32) from the text.
AmountText StripSpaces(std::string_view text);

}  // namespace chiffrel
