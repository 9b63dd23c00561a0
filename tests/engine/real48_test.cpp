#include "engine/real48.h"

#include <gtest/gtest.h>

#include <cmath>

#include "engine/float_error.h"

namespace chiffrel {
namespace {

using Bytes = Real48::Bytes;

struct LayoutCase {
    Extended value;
    Bytes bytes;
};

class Real48Layout : public testing::TestWithParam<LayoutCase> {};

TEST_P(Real48Layout, StoresTheByteLayoutAndWidensBackExactly) {
    const auto& c = GetParam();
    const Real48 r(c.value);
    EXPECT_EQ(r.bytes(), c.bytes);
    EXPECT_EQ(Real48::FromBytes(c.bytes).value(), c.value);
}

const Extended kLargest = std::ldexp(2.0L - std::ldexp(1.0L, -39), 126);

INSTANTIATE_TEST_SUITE_P(Values, Real48Layout,
                         testing::Values(LayoutCase{1.0L, {0x81, 0, 0, 0, 0, 0}},
                                         LayoutCase{-2.5L, {0x82, 0, 0, 0, 0, 0xA0}},
                                         LayoutCase{0.0L, {0, 0, 0, 0, 0, 0}},
                                         LayoutCase{kLargest, {0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0x7F}},
                                         LayoutCase{std::ldexp(1.0L, -128), {0x01, 0, 0, 0, 0, 0}},
                                         LayoutCase{1.0L + std::ldexp(1.0L, -39),
                                                    {0x81, 0x01, 0, 0, 0, 0}}));

TEST(Real48, IsSixBytes) {
    EXPECT_EQ(sizeof(Real48), 6U);
}

TEST(Real48, NegativeZeroIsStoredAsPositiveZero) {
    EXPECT_EQ(Real48(-0.0L).bytes(), (Bytes{0, 0, 0, 0, 0, 0}));
    EXPECT_FALSE(std::signbit(Real48(-0.0L).value()));
}

struct RoundingCase {
    const char* name;
    Extended input;
    Extended stored;
};

class Real48Rounding : public testing::TestWithParam<RoundingCase> {};

TEST_P(Real48Rounding, KeepsFortyBitsRoundingTiesAwayFromZero) {
    EXPECT_EQ(Real48(GetParam().input).value(), GetParam().stored) << GetParam().name;
}

const Extended kUlp = std::ldexp(1.0L, -39);  // one unit in the last place at 1.0

INSTANTIATE_TEST_SUITE_P(
    Ties, Real48Rounding,
    testing::Values(
        RoundingCase{"tie rounds up", 1 + kUlp / 2, 1 + kUlp},
        RoundingCase{"negative tie rounds away from zero", -(1 + kUlp / 2), -(1 + kUlp)},
        RoundingCase{"below the tie rounds down", 1 + kUlp / 2 - std::ldexp(1.0L, -62), 1},
        RoundingCase{"odd last bit tie still rounds up", 1 + kUlp + kUlp / 2, 1 + 2 * kUlp},
        RoundingCase{"carry into the exponent", 2 - kUlp / 2, 2},
        RoundingCase{"just below the smallest rounds up to it",
                     std::ldexp(1.0L - std::ldexp(1.0L, -42), -128), std::ldexp(1.0L, -128)},
        RoundingCase{"below the range gives zero", std::ldexp(1.0L, -129), 0},
        RoundingCase{"1e-40 gives zero", 1e-40L, 0},
        RoundingCase{"one tenth", 0.1L, 0.1000000000000227373675443232059478759765625L}));

TEST(Real48, TooLargeRaisesOverflowWithItsFrenchMessage) {
    for (Extended v : {1e39L, -1e39L, std::ldexp(1.0L, 127), kLargest + std::ldexp(1.0L, 126 - 40),
                       static_cast<Extended>(INFINITY)}) {
        try {
            Real48 r(v);
            ADD_FAILURE() << "no overflow for " << static_cast<double>(v);
        } catch (const FloatOverflow& e) {
            EXPECT_STREQ(e.what(), "Débordement flottant");
        }
    }
}

}  // namespace
}  // namespace chiffrel
