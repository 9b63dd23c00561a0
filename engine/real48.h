#pragma once

#include <array>
#include <cstdint>
#include <limits>

namespace chiffrel {

// All arithmetic runs on the x87 80-bit extended type; the stored values are narrowed from it.
static_assert(std::numeric_limits<long double>::digits == 64,
              "Chiffrel needs long double to be the 80-bit extended type (64-bit significand)");

using Extended = long double;

// The 6-byte real in which every amount, rate, factor, result and memory value is kept.
// Byte 0 is the exponent biased by 129 (0 means the value zero), bytes 1..5 hold a 39-bit
// fraction below an implied leading 1, byte 1 least significant, and bit 7 of byte 5 is the sign.
class Real48 {
  public:
    using Bytes = std::array<std::uint8_t, 6>;

    constexpr Real48() = default;

    // Narrows to 40 significant bits, rounding to nearest with ties away from zero.
    // Throws FloatOverflow when the magnitude is too large; too small a magnitude gives +0.
    explicit Real48(Extended value);

    static Real48 FromBytes(const Bytes& bytes);

    // Widening is exact.
    Extended value() const;
    operator Extended() const { return value(); }

    const Bytes& bytes() const { return bytes_; }
    bool isZero() const { return bytes_[0] == 0; }

    friend bool operator==(const Real48& a, const Real48& b);

  private:
    Bytes bytes_{};
};

static_assert(sizeof(Real48) == 6, "Real48 must keep its 6-byte layout");

}  // namespace chiffrel
