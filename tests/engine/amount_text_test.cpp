#include "engine/amount_text.h"

#include <gtest/gtest.h>

#include <cmath>
#include <string>

#include "engine/float_error.h"

namespace chiffrel {
namespace {

struct ParseCase {
    std::string text;
    Extended value;
    int errorPosition;
};

class ParseAmountTest : public testing::TestWithParam<ParseCase> {};

TEST_P(ParseAmountTest, ReadsTheValueAndWhereReadingStopped) {
    const auto& c = GetParam();
    const ParsedAmount parsed = ParseAmount(c.text);
    EXPECT_EQ(Real48(parsed.value).value(), Real48(c.value).value()) << '"' << c.text << '"';
    EXPECT_EQ(parsed.errorPosition, c.errorPosition) << '"' << c.text << '"';
}

INSTANTIATE_TEST_SUITE_P(Numbers, ParseAmountTest,
                         testing::Values(ParseCase{"", 0, 1}, ParseCase{"   ", 0, 4},
                                         ParseCase{" 12", 12, 0}, ParseCase{"12.", 12, 0},
                                         ParseCase{".", 0, 0}, ParseCase{".5", 0.5L, 0},
                                         ParseCase{"+7", 7, 0}, ParseCase{"-7", -7, 0},
                                         ParseCase{"1.5e2", 150, 0}, ParseCase{"2E-1", 0.2L, 0},
                                         ParseCase{"2e+1", 20, 0}, ParseCase{"120.6", 120.6L, 0},
                                         ParseCase{"1e-50", 0, 0}, ParseCase{"0e99999", 0, 0}));

// A text that is not a number keeps only the unsigned mantissa digits read before the fault.
INSTANTIATE_TEST_SUITE_P(
    NotNumbers, ParseAmountTest,
    testing::Values(ParseCase{"12 ", 12, 3}, ParseCase{"12,5", 12, 3}, ParseCase{"-12,5", 12, 4},
                    ParseCase{"1.2.3", 12, 4}, ParseCase{"1.5x", 15, 4}, ParseCase{"-3a", 3, 3},
                    ParseCase{"1 000", 1, 2}, ParseCase{"1e", 1, 3}, ParseCase{"1e+", 1, 4},
                    ParseCase{"1.5e2x", 15, 6}, ParseCase{"abc", 0, 1}, ParseCase{"-", 0, 2},
                    ParseCase{"+", 0, 2}, ParseCase{"\t1", 0, 1}, ParseCase{"--1", 0, 2},
                    ParseCase{"1-", 1, 2}, ParseCase{"\xC3\xA9", 0, 1}, ParseCase{"7\xFF", 7, 2}));

TEST(ParseAmount, HugeExponentsOverflowOrVanishWithoutWrappingAround) {
    // The exponent must saturate, never wrap into a small or negative number.
    EXPECT_THROW(Real48(ParseAmount("1e99999999999999999999999").value), FloatOverflow);
    EXPECT_THROW(Real48(ParseAmount("9e99").value), FloatOverflow);
    EXPECT_EQ(Real48(ParseAmount("1e-99999999999999999999999").value).value(), 0);
    EXPECT_EQ(Real48(ParseAmount("-1e-99999999999999999999999").value).value(), 0);
}

// Found by fuzzing: 10^4933 and beyond overflow the extended type although the value is in range.
TEST(ParseAmount, PowersOfTenBeyondTheRangeStillScaleDown) {
    EXPECT_NEAR(ParseAmount("944.301e-4930").value / 9.44301e-4928L, 1, 1e-15);
    // A rate pasted with thousands of decimals: the value stored is 1e-10, not 0.
    const std::string longFraction = "0.0000000001" + std::string(4923, '0');
    EXPECT_NEAR(Real48(ParseAmount(longFraction).value).value() * 1e10L, 1, 1e-12);
}

TEST(ParseAmount, VeryLongTextsGiveAValueOrAnOverflow) {
    EXPECT_THROW(ParseAmount(std::string(10000, '9')), FloatOverflow);
    EXPECT_THROW(ParseAmount(std::string(10000, '9') + "x"), FloatOverflow);
    const std::string tiny = "0." + std::string(10000, '0') + "1";
    EXPECT_EQ(ParseAmount(tiny).value, 0);
    const std::string longFraction = "1." + std::string(3000, '0');
    EXPECT_EQ(Real48(ParseAmount(longFraction).value).value(), 1);
    EXPECT_EQ(ParseAmount(std::string(100000, ' ')).value, 0);
}

struct FormatCase {
    Extended value;
    int width;
    int decimals;
    std::string text;
};

class FormatAmountTest : public testing::TestWithParam<FormatCase> {};

TEST_P(FormatAmountTest, WritesFixedNotation) {
    const auto& c = GetParam();
    EXPECT_EQ(FormatAmount(c.value, c.width, c.decimals), c.text) << static_cast<double>(c.value);
}

INSTANTIATE_TEST_SUITE_P(
    MoneyResults, FormatAmountTest,
    testing::Values(FormatCase{Real48(120.6L), 9, 2, "   120.60"}, FormatCase{0, 9, 2, "     0.00"},
                    FormatCase{-5, 9, 2, "    -5.00"}, FormatCase{0.125L, 9, 2, "     0.13"},
                    FormatCase{Real48(123456789.1L), 9, 2, "123456789.10"},
                    FormatCase{Real48(123456789.12L), 9, 2, "123456789.12"},
                    FormatCase{Real48(-0.001L), 9, 2, "    -0.00"},
                    FormatCase{0.375L, 9, 2, "     0.38"},
                    FormatCase{Real48(9.996L), 9, 2, "    10.00"},
                    FormatCase{999.999L, 9, 2, "  1000.00"},
                    FormatCase{Real48(-9.996L), 9, 2, "   -10.00"},
                    FormatCase{Real48(999999999.0L * 999999999.0L), 9, 2, "999999998000103424.00"},
                    FormatCase{Real48(15.44281L), 9, 4, "  15.4428"}, FormatCase{0.5L, 1, 0, "1"},
                    FormatCase{1.5L, 0, 0, "2"}));

INSTANTIATE_TEST_SUITE_P(
    Rates, FormatAmountTest,
    testing::Values(FormatCase{Real48(20.6L), 1, 5, "20.60000"},
                    FormatCase{Real48(6.47551L), 1, 5, "6.47551"},
                    FormatCase{Real48(5.9462L), 1, 5, "5.94620"},
                    FormatCase{Real48(2.1L), 1, 5, "2.10000"},
                    FormatCase{Real48(6.47551L), 1, 6, "6.475510"},
                    // More decimals than the 18 significant digits hold are filled with zeros.
                    FormatCase{0.1L, 1, 25, "0.1000000000000000000000000"}));

// From 2^120 up the exponent form is used; below it all integer digits are written.
INSTANTIATE_TEST_SUITE_P(LargeValues, FormatAmountTest,
                         testing::Values(FormatCase{Real48(1.2e37L), 9, 2, " 1.2E+0037"},
                                         FormatCase{Real48(-1.5e36L), 9, 2, "-1.5E+0036"},
                                         FormatCase{Real48(9.96e37L), 9, 2, " 1.0E+0038"},
                                         FormatCase{Real48(1.2e37L), 12, 2, " 1.200E+0037"},
                                         FormatCase{std::ldexp(1.0L, 123), 40, 2,
                                                    "               1.06338239662793270E+0037"},
                                         FormatCase{std::ldexp(1.0L, 119), 9, 2,
                                                    "664613997892457936000000000000000000.00"},
                                         FormatCase{std::ldexp(1.0L, 120), 1, 2, " 1.3E+0036"}));

TEST(FormatAmount, WidthIsCappedAt255) {
    EXPECT_EQ(FormatAmount(1, 1000, 0).size(), 255U);
    EXPECT_EQ(FormatAmount(1, -5, 0), "1");
}

TEST(StripSpaces, RemovesEverySpaceAndNothingElse) {
    EXPECT_EQ(StripSpaces("   120.60"), "120.60");
    EXPECT_EQ(StripSpaces("1 2 3 "), "123");
    EXPECT_EQ(StripSpaces("\t1\t"), "\t1\t");
    EXPECT_EQ(StripSpaces(""), "");
}

}  // namespace
}  // namespace chiffrel
