#include "real48.h"

#include <cmath>

#include "float_error.h"

namespace chiffrel {

namespace {

constexpr int kExponentBias = 129;
constexpr int kFractionBits = 39;
constexpr std::uint64_t kFractionMask = (std::uint64_t{1} << kFractionBits) - 1;

}  // namespace

Real48::Real48(Extended value) {
    if (value == 0 || std::isnan(value)) {
        if (std::isnan(value)) {
            throw FloatInvalidOperation();
        }
        return;  // a stored zero is always positive
    }
    if (std::isinf(value)) {
        throw FloatOverflow();
    }
    const bool negative = std::signbit(value);
    int binaryExponent = 0;
    // |value| = m * 2^binaryExponent with m in [0.5, 1): the 64 significand bits are exact.
    const Extended m = std::frexp(std::fabs(value), &binaryExponent);
    const auto significand = static_cast<std::uint64_t>(std::ldexp(m, 64));
    // Keep 40 bits; the first dropped bit decides, which rounds ties away from zero.
    std::uint64_t kept = significand >> 24;
    if ((significand >> 23) & 1U) {
        ++kept;
    }
    int exponentByte = binaryExponent + kExponentBias - 1;
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
    const std::uint64_t significand = fraction | (std::uint64_t{1} << kFractionBits);
    const Extended magnitude =
        std::ldexp(static_cast<Extended>(significand), bytes_[0] - kExponentBias - kFractionBits);
    return (bytes_[5] & 0x80) ? -magnitude : magnitude;
}

bool operator==(const Real48& a, const Real48& b) {
    if (a.isZero() || b.isZero()) {
        return a.isZero() && b.isZero();
    }
    return a.bytes_ == b.bytes_;
}

}  // namespace chiffrel
