#include "real48.h"

#include <cstring>

#include "float_error.h"

namespace chiffrel {

namespace {

constexpr int kExponentBias = 129;
constexpr int kFractionBits = 39;
constexpr std::uint64_t kFractionMask = (std::uint64_t{1} << kFractionBits) - 1;

// The x87 extended type in memory: a 64-bit significand with an explicit leading bit, then
// 15 bits of exponent biased by 16383 and the sign. Working on the bits keeps every store exact
// and cheap, since each keystroke narrows several values.
constexpr int kExtendedBias = 16383;
constexpr int kExtendedMaxExponent = 0x7FFF;

struct ExtendedBits {
    std::uint64_t significand = 0;
    std::uint16_t signAndExponent = 0;
};

ExtendedBits BitsOf(Extended value) {
    ExtendedBits bits;
    std::memcpy(&bits.significand, &value, sizeof bits.significand);
    std::memcpy(&bits.signAndExponent, reinterpret_cast<const char*>(&value) + 8,
                sizeof bits.signAndExponent);
    return bits;
}

Extended ExtendedOf(const ExtendedBits& bits) {
    Extended value = 0;
    std::memcpy(&value, &bits.significand, sizeof bits.significand);
    std::memcpy(reinterpret_cast<char*>(&value) + 8, &bits.signAndExponent,
                sizeof bits.signAndExponent);
    return value;
}

}  // namespace

Real48::Real48(Extended value) {
    const ExtendedBits bits = BitsOf(value);
    const int exponent = bits.signAndExponent & kExtendedMaxExponent;
    const bool negative = (bits.signAndExponent & 0x8000) != 0;
    if (exponent == kExtendedMaxExponent) {
        // Infinity overflows; a NaN is the result of an invalid operation.
        if ((bits.significand << 1) == 0) {
            throw FloatOverflow();
        }
        throw FloatInvalidOperation();
    }
    if (exponent == 0) {
        return;  // zero, or far below the smallest Real48: a stored zero is always positive
    }
    // Keep 40 bits; the first dropped bit decides, which rounds ties away from zero.
    std::uint64_t kept = bits.significand >> 24;
    if ((bits.significand >> 23) & 1U) {
        ++kept;
    }
    int exponentByte = exponent - kExtendedBias + kExponentBias;
    if (kept == (std::uint64_t{1} << 40)) {
        kept >>= 1;
        ++exponentByte;
    }
    if (exponentByte > 255) {
        throw FloatOverflow();
    }
    if (exponentByte < 1) {
        return;  // underflow gives zero silently
    }
    const std::uint64_t fraction = kept & kFractionMask;
    bytes_[0] = static_cast<std::uint8_t>(exponentByte);
    for (int i = 0; i < 5; ++i) {
        bytes_[1 + i] = static_cast<std::uint8_t>(fraction >> (8 * i));
    }
    if (negative) {
        bytes_[5] |= 0x80;
    }
}

Real48 Real48::FromBytes(const Bytes& bytes) {
    Real48 r;
    r.bytes_ = bytes;
    return r;
}

Extended Real48::value() const {
    if (bytes_[0] == 0) {
        return 0;
    }
    std::uint64_t fraction = 0;
    for (int i = 0; i < 5; ++i) {
        fraction |= std::uint64_t{bytes_[1 + i]} << (8 * i);
    }
    fraction &= kFractionMask;
    ExtendedBits bits;
    bits.significand = (fraction | (std::uint64_t{1} << kFractionBits)) << 24;
    bits.signAndExponent = static_cast<std::uint16_t>(bytes_[0] - kExponentBias + kExtendedBias);
    if (bytes_[5] & 0x80) {
        bits.signAndExponent |= 0x8000;
    }
    return ExtendedOf(bits);
}

bool operator==(const Real48& a, const Real48& b) {
    if (a.isZero() || b.isZero()) {
        return a.isZero() && b.isZero();
    }
    return a.bytes_ == b.bytes_;
}

}  // namespace chiffrel
