// Any bytes as an amount text: ParseAmount reads them, then FormatAmount writes the value (and
// the value narrowed to Real48) with every width and decimals the program uses, plus one pair
// taken from the input itself.
#include <algorithm>
#include <array>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <limits>
#include <optional>
#include <string>
#include <string_view>

#include "engine/amount_text.h"
#include "engine/float_error.h"
#include "engine/real48.h"
#include "fuzz/fuzz_check.h"

namespace chiffrel::fuzz {
namespace {

struct Layout {
    int width;
    int decimals;
};

// Money results, four-decimal results, rates, and the six decimals of the configuration dialog.
constexpr std::array<Layout, 4> kProgramLayouts = {{{9, 2}, {9, 4}, {1, 5}, {1, 6}}};

std::string DescribeValue(Extended value) {
    char text[64];
    std::snprintf(text, sizeof text, "value %.21Lg", value);
    return text;
}

std::string Describe(Extended value, Layout layout, std::string_view text) {
    char head[128];
    std::snprintf(head, sizeof head, "value %.21Lg, width %d, decimals %d: \"", value, layout.width,
                  layout.decimals);
    return head + std::string(text) + "\"";
}

std::string Quoted(std::string_view text) {
    return "\"" + std::string(text.substr(0, 200)) + (text.size() > 200 ? "...\"" : "\"");
}

bool IsDigit(char c) {
    return c >= '0' && c <= '9';
}

bool AllDigits(std::string_view text) {
    return std::all_of(text.begin(), text.end(), IsDigit);
}

std::size_t DigitCount(std::string_view text) {
    return static_cast<std::size_t>(std::count_if(text.begin(), text.end(), IsDigit));
}

// ---- ParseAmount ----------------------------------------------------------------------------

// The correctly rounded reading of a text that strtold takes to its end, in the "C" locale a
// fuzzer process starts in.
std::optional<long double> ReferenceValue(const std::string& text) {
    const char* begin = text.c_str();
    char* end = nullptr;
    const long double value = std::strtold(begin, &end);
    if (end != begin + text.size() || text.size() != std::char_traits<char>::length(begin)) {
        return std::nullopt;
    }
    return value;
}

void CheckValidNumber(std::string_view text, Extended value) {
    const std::string copy(text);
    const auto reference = ReferenceValue(copy);
    if (!reference) {
        return;  // ".", "-." and the like: valid here, refused by strtold
    }
    Require(std::signbit(value) == std::signbit(*reference), "a valid number keeps its sign",
            Quoted(text));
    // Only well inside the normal range, where neither reading overflows nor loses digits.
    const long double magnitude = std::fabs(*reference);
    if (magnitude < std::numeric_limits<long double>::min() * 100 ||
        magnitude > std::numeric_limits<long double>::max() / 100) {
        return;
    }
    Require(std::isfinite(value) && std::fabs(value - *reference) <= magnitude * 1e-12L,
            "a valid number reads as its decimal value", Quoted(text) + " " + DescribeValue(value));
}

// Nothing but a wrong character stops the reading: the value is then the unsigned whole number
// of the mantissa digits already read.
void CheckParsed(std::string_view text, const ParsedAmount& parsed) {
    Require(parsed.errorPosition >= 0 &&
                static_cast<std::size_t>(parsed.errorPosition) <= text.size() + 1,
            "the error position lies within the text or just after it", Quoted(text));
    if (parsed.errorPosition == 0) {
        CheckValidNumber(text, parsed.value);
        return;
    }
    Require(std::isfinite(parsed.value) && !std::signbit(parsed.value) &&
                std::floor(parsed.value) == parsed.value,
            "an invalid text reads as an unsigned whole number", Quoted(text));
}

std::optional<ParsedAmount> ParseOrOverflow(std::string_view text) {
    try {
        return ParseAmount(text);
    } catch (const FloatOverflow&) {
        // Only mantissa digits beyond the extended range (about 10^4932) may overflow.
        Require(DigitCount(text) > 4900, "only a mantissa of thousands of digits overflows",
                Quoted(text));
        return std::nullopt;
    }
}

// ---- Real48 ---------------------------------------------------------------------------------

std::optional<Extended> Narrowed(Extended value) {
    if (!std::isfinite(value)) {
        return std::nullopt;
    }
    try {
        const Real48 stored(value);
        const Extended narrowed = stored.value();
        Require(Real48(narrowed) == stored && !(stored.isZero() && std::signbit(narrowed)),
                "a stored value stores again unchanged, and a stored zero is positive",
                DescribeValue(value));
        const Extended magnitude = std::fabs(value);
        if (stored.isZero()) {
            Require(magnitude < 3e-39L, "only a tiny magnitude is stored as zero",
                    DescribeValue(value));
        } else {
            Require(std::fabs(narrowed - value) <= std::ldexp(magnitude, -40) &&
                        std::signbit(narrowed) == std::signbit(value),
                    "narrowing rounds to 40 significant bits", DescribeValue(value));
        }
        return narrowed;
    } catch (const FloatOverflow&) {
        Require(std::fabs(value) > 1.7e38L, "only a magnitude beyond 1.7e38 overflows a store",
                DescribeValue(value));
        return std::nullopt;
    }
}

// ---- FormatAmount ---------------------------------------------------------------------------

// The text without its left padding; the padding only ever fills up to the width.
std::string_view Unpadded(std::string_view text, int width, Extended value, Layout layout) {
    const std::size_t padding = std::min(text.find_first_not_of(' '), text.size());
    Require(padding == 0 || text.size() == static_cast<std::size_t>(width),
            "spaces only fill up to the width", Describe(value, layout, text));
    return text.substr(padding);
}

void CheckNotANumber(Extended value, int width, Layout layout, std::string_view text) {
    const std::string_view expected = std::isnan(value) ? "NAN" : value < 0 ? "-INF" : "INF";
    Require(Unpadded(text, width, value, layout) == expected, "a non-finite value is named",
            Describe(value, layout, text));
}

// " d.dddE+dddd" or "-d.dddE-dddd", with width - 8 digits (2 to 18), filled to the width.
void CheckExponentForm(Extended value, int width, Layout layout, std::string_view text) {
    const std::size_t digits = static_cast<std::size_t>(std::clamp(width - 8, 2, 18));
    const std::size_t length = digits + 8;
    Require(text.size() == std::max(length, static_cast<std::size_t>(width)),
            "the exponent form has width - 8 digits", Describe(value, layout, text));
    const std::string_view padding = text.substr(0, text.size() - length);
    const std::string_view form = text.substr(text.size() - length);
    Require(padding.find_first_not_of(' ') == std::string_view::npos &&
                form[0] == (std::signbit(value) ? '-' : ' ') && form[1] >= '1' && form[1] <= '9' &&
                form[2] == '.' && AllDigits(form.substr(3, digits - 1)) &&
                form[digits + 2] == 'E' && (form[digits + 3] == '+' || form[digits + 3] == '-') &&
                AllDigits(form.substr(digits + 4)),
            "the exponent form is sign, first digit, point, digits, E, sign, four digits",
            Describe(value, layout, text));
    const ParsedAmount back = ParseAmount(text);
    const Extended tolerance = std::fabs(value) * std::pow(10.0L, 1 - static_cast<int>(digits));
    Require(back.errorPosition == 0 && std::fabs(back.value - value) <= tolerance,
            "the exponent form reads back as the value to its digits",
            Describe(value, layout, text));
}

// "-" when the sign bit is set, whole digits without leading zeros, then "." and exactly
// `decimals` digits.
void CheckFixedForm(Extended value, Layout layout, int width, int decimals, std::string_view text) {
    std::string_view number = Unpadded(text, width, value, layout);
    Require(std::signbit(value) == number.starts_with('-'), "a minus sign exactly when negative",
            Describe(value, layout, text));
    if (number.starts_with('-')) {
        number.remove_prefix(1);
    }
    const std::size_t point = decimals > 0 ? number.find('.') : number.size();
    Require(point != std::string_view::npos, "decimals follow a point",
            Describe(value, layout, text));
    const std::string_view whole = number.substr(0, point);
    const std::string_view fraction = number.substr(std::min(point + 1, number.size()));
    Require(!whole.empty() && whole.size() <= 37 && AllDigits(whole) &&
                (whole.size() == 1 || whole[0] != '0'),
            "one to 37 whole digits without leading zeros", Describe(value, layout, text));
    Require(decimals == 0 ||
                (fraction.size() == static_cast<std::size_t>(decimals) && AllDigits(fraction)),
            "exactly the decimals asked for", Describe(value, layout, text));
}

std::size_t SignificantDigitCount(std::string_view text) {
    const std::size_t first = text.find_first_of("123456789");
    return first == std::string_view::npos ? 0 : DigitCount(text.substr(first));
}

// The text is the value rounded to its decimals, and reading it back gives the same text.
// An exact reading (strtold) must always give it back. ParseAmount builds the value digit by
// digit in extended precision, as the calculator always has, so it reads exactly only while the
// digits form a whole number below 2^64 and the point stands within the exact powers of ten
// (10^27); past that each further digit may cost a rounding and only closeness is promised.
void CheckRoundTrip(Extended value, Layout layout, int width, int decimals, std::string_view text) {
    const auto exact = ReferenceValue(std::string(text));
    Require(exact.has_value(), "the text is a number", Describe(value, layout, text));
    // Half a unit of the last decimal, plus the rounding to 18 significant digits.
    const Extended tolerance =
        0.5L * std::pow(10.0L, -decimals) + 2e-17L * std::max(1.0L, std::fabs(value));
    Require(std::fabs(*exact - value) <= tolerance, "the text is the value rounded",
            Describe(value, layout, text));
    Require(FormatAmount(*exact, width, decimals) == text,
            "the exact value of the text writes the same text", Describe(value, layout, text));

    const ParsedAmount back = ParseAmount(text);
    Require(back.errorPosition == 0, "the text reads back as a number",
            Describe(value, layout, text));
    CheckValidNumber(text, back.value);
    if (SignificantDigitCount(text) <= 19 && decimals <= 27) {
        Require(FormatAmount(back.value, width, decimals) == text,
                "the value read back writes the same text", Describe(value, layout, text));
    }
}

void CheckFormat(Extended value, Layout layout) {
    const std::string text = FormatAmount(value, layout.width, layout.decimals);
    const int width = std::clamp(layout.width, 0, 255);
    const int decimals = std::clamp(layout.decimals, 0, 255);
    Require(text.size() >= static_cast<std::size_t>(width), "never shorter than the width",
            Describe(value, layout, text));
    if (!std::isfinite(value)) {
        CheckNotANumber(value, width, layout, text);
        return;
    }
    const bool exponentForm = std::fabs(value) >= std::ldexp(1.0L, 120);
    Require(exponentForm == (text.find('E') != std::string::npos),
            "the exponent form is used exactly from 2^120 up", Describe(value, layout, text));
    if (exponentForm) {
        CheckExponentForm(value, width, layout, text);
        return;
    }
    CheckFixedForm(value, layout, width, decimals, text);
    CheckRoundTrip(value, layout, width, decimals, text);
}

void CheckEveryLayout(Extended value, Layout fromInput) {
    for (const Layout layout : kProgramLayouts) {
        CheckFormat(value, layout);
    }
    CheckFormat(value, fromInput);
}

}  // namespace
}  // namespace chiffrel::fuzz

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace chiffrel;
    using namespace chiffrel::fuzz;
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    const std::optional<ParsedAmount> parsed = ParseOrOverflow(text);
    if (!parsed) {
        return 0;
    }
    CheckParsed(text, *parsed);
    // The first two bytes double as a width and a number of decimals, both in 0..255.
    const Layout fromInput{size > 0 ? data[0] : 0, size > 1 ? data[1] : 0};
    CheckEveryLayout(parsed->value, fromInput);
    if (const auto narrowed = Narrowed(parsed->value)) {
        CheckEveryLayout(*narrowed, fromInput);
    }
    return 0;
}
