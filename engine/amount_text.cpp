#include "amount_text.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdint>
#include <limits>

#include "float_error.h"

namespace chiffrel {

namespace {

// Powers of ten up to 10^27 are exact in the extended type (5^27 < 2^64).
constexpr int kExactPowers = 27;

constexpr std::array<Extended, kExactPowers + 1> MakePowersOfTen() {
    std::array<Extended, kExactPowers + 1> table{};
    Extended p = 1;
    for (auto& entry : table) {
        entry = p;
        p *= 10;
    }
    return table;
}

constexpr auto kPowersOfTen = MakePowersOfTen();

// Exponents beyond this only ever give zero or an overflow; saturating keeps the counters safe.
constexpr std::int64_t kExponentLimit = 100000;

Extended PowerOfTen(std::int64_t n) {
    if (n <= kExactPowers) {
        return kPowersOfTen[static_cast<std::size_t>(n)];
    }
    return std::pow(10.0L, static_cast<Extended>(n));
}

// 10^4932 is the largest power of ten the extended type holds. Many fraction digits or a low
// exponent may still leave the value within range, so a larger division goes in steps.
constexpr std::int64_t kLargestPowerOfTen = std::numeric_limits<Extended>::max_exponent10;

// value * 10^n, dividing by the exact power for negative n.
Extended ScaleByPowerOfTen(Extended value, std::int64_t n) {
    if (value == 0) {
        return value;
    }
    if (n >= 0) {
        return value * PowerOfTen(n);
    }
    while (n < -kLargestPowerOfTen) {
        value /= PowerOfTen(kLargestPowerOfTen);
        n += kLargestPowerOfTen;
    }
    return value / PowerOfTen(-n);
}

bool IsDigit(char c) {
    return c >= '0' && c <= '9';
}

struct Reader {
    std::string_view text;
    std::size_t pos = 0;

    bool atEnd() const { return pos >= text.size(); }
    char peek() const { return text[pos]; }
    bool nextIs(char c) const { return !atEnd() && text[pos] == c; }
    bool nextIsDigit() const { return !atEnd() && IsDigit(text[pos]); }
    int errorPosition() const {
        return static_cast<int>(std::min<std::size_t>(pos + 1, INT32_MAX));
    }
};

// value := value * 10 + digit for every digit; returns how many digits were read.
std::int64_t ReadMantissaDigits(Reader& in, Extended& value) {
    std::int64_t count = 0;
    while (in.nextIsDigit()) {
        value = value * 10 + (in.peek() - '0');
        if (std::isinf(value)) {
            throw FloatOverflow();
        }
        ++in.pos;
        ++count;
    }
    return count;
}

// The decimal digits of a magnitude rounded to 18 significant digits, and its decimal exponent.
struct SignificantDigits {
    std::array<char, 20> digits{};  // 18 digits, or 19 when the rounding reached 10^18
    int count = 0;
    std::int64_t exponent = 0;
};

std::int64_t DecimalExponent(Extended magnitude) {
    if (magnitude < 10) {
        return 0;
    }
    std::int64_t e = 0;
    if (magnitude < kPowersOfTen[kExactPowers]) {
        while (magnitude >= kPowersOfTen[static_cast<std::size_t>(e + 1)]) {
            ++e;
        }
        return e;
    }
    e = static_cast<std::int64_t>(std::floor(std::log10(magnitude)));
    while (e > 0 && magnitude < PowerOfTen(e)) {
        --e;
    }
    while (magnitude >= PowerOfTen(e + 1)) {
        ++e;
    }
    return e;
}

SignificantDigits EighteenDigits(Extended magnitude) {
    SignificantDigits result;
    result.exponent = DecimalExponent(magnitude);
    const Extended scaled = std::rint(ScaleByPowerOfTen(magnitude, 17 - result.exponent));
    auto whole = static_cast<std::uint64_t>(scaled);
    constexpr std::uint64_t kTenToThe18 = 1000000000000000000ULL;
    result.count = 18;
    if (whole >= kTenToThe18) {
        result.count = 19;
        ++result.exponent;
    }
    for (int i = result.count - 1; i >= 0; --i) {
        result.digits[static_cast<std::size_t>(i)] = static_cast<char>('0' + whole % 10);
        whole /= 10;
    }
    return result;
}

// Rounds the digit string kept[0..n) half away from zero using the digit that follows it.
// Returns true when the carry ran out of the first digit (the caller adds a leading "1").
bool RoundUpIfNeeded(char* kept, int n, char firstDropped) {
    if (firstDropped < '5') {
        return false;
    }
    for (int i = n - 1; i >= 0; --i) {
        if (kept[i] != '9') {
            ++kept[i];
            return false;
        }
        kept[i] = '0';
    }
    return true;
}

constexpr std::size_t kBufferSize = 600;

AmountText PadLeft(const char* text, std::size_t length, int width) {
    const std::size_t padding =
        length < static_cast<std::size_t>(width) ? static_cast<std::size_t>(width) - length : 0;
    AmountText out;
    out.reserve(padding + length);
    out.append(padding, ' ');
    out.append(text, length);
    return out;
}

AmountText FormatExponentForm(Extended magnitude, bool negative, int width) {
    SignificantDigits sig = EighteenDigits(magnitude);
    const int kept = std::clamp(width - 8, 2, 18);
    if (RoundUpIfNeeded(sig.digits.data(), kept, sig.digits[static_cast<std::size_t>(kept)])) {
        sig.digits[0] = '1';
        ++sig.exponent;
    }
    std::array<char, 40> buffer{};
    std::size_t n = 0;
    buffer[n++] = negative ? '-' : ' ';
    buffer[n++] = sig.digits[0];
    buffer[n++] = '.';
    for (int i = 1; i < kept; ++i) {
        buffer[n++] = sig.digits[static_cast<std::size_t>(i)];
    }
    buffer[n++] = 'E';
    buffer[n++] = sig.exponent < 0 ? '-' : '+';
    auto e = static_cast<std::uint64_t>(sig.exponent < 0 ? -sig.exponent : sig.exponent);
    for (int i = 3; i >= 0; --i) {
        buffer[n + static_cast<std::size_t>(i)] = static_cast<char>('0' + e % 10);
        e /= 10;
    }
    n += 4;
    return PadLeft(buffer.data(), n, width);
}

AmountText FormatNotANumber(Extended value, int width) {
    if (std::isnan(value)) {
        return PadLeft("NAN", 3, width);
    }
    return std::signbit(value) ? PadLeft("-INF", 4, width) : PadLeft("INF", 3, width);
}

}  // namespace

ParsedAmount ParseAmount(std::string_view text) {
    if (text.empty()) {
        return {0, 1};
    }
    Reader in{text};
    while (in.nextIs(' ')) {
        ++in.pos;
    }
    if (in.atEnd()) {
        return {0, in.errorPosition()};
    }
    const bool negative = in.nextIs('-');
    if (negative || in.nextIs('+')) {
        ++in.pos;
    }
    if (in.atEnd()) {
        return {0, in.errorPosition()};
    }
    Extended value = 0;
    ReadMantissaDigits(in, value);
    std::int64_t decimalShift = 0;
    if (in.nextIs('.')) {
        ++in.pos;
        decimalShift = -ReadMantissaDigits(in, value);
    }
    std::int64_t exponent = 0;
    if (in.nextIs('E') || in.nextIs('e')) {
        ++in.pos;
        const bool negativeExponent = in.nextIs('-');
        if (negativeExponent || in.nextIs('+')) {
            ++in.pos;
        }
        if (!in.nextIsDigit()) {
            return {value, in.errorPosition()};
        }
        while (in.nextIsDigit()) {
            exponent = std::min(exponent * 10 + (in.peek() - '0'), kExponentLimit);
            ++in.pos;
        }
        if (negativeExponent) {
            exponent = -exponent;
        }
    }
    if (!in.atEnd()) {
        // Not a number: only the mantissa digits read so far count, unsigned and unscaled.
        return {value, in.errorPosition()};
    }
    const Extended magnitude = ScaleByPowerOfTen(value, exponent + decimalShift);
    return {negative ? -magnitude : magnitude, 0};
}

AmountText FormatAmount(Extended value, int width, int decimals) {
    width = std::clamp(width, 0, 255);
    decimals = std::clamp(decimals, 0, 255);
    if (!std::isfinite(value)) {
        return FormatNotANumber(value, width);
    }
    const bool negative = std::signbit(value);
    const Extended magnitude = std::fabs(value);
    if (magnitude >= std::ldexp(1.0L, 120)) {
        return FormatExponentForm(magnitude, negative, width);
    }
    SignificantDigits sig = EighteenDigits(magnitude);

    // Digits kept: the integer digits then the decimals, behind one spare place for a carry.
    std::array<char, kBufferSize> digits;  // filled below up to what is read
    char* kept = digits.data() + 1;
    const int integerDigits = static_cast<int>(sig.exponent) + 1;
    const int wanted = integerDigits + decimals;
    const int available = std::min(wanted, sig.count);
    std::copy_n(sig.digits.data(), available, kept);
    std::fill(kept + available, kept + wanted, '0');
    int leadingDigits = integerDigits;
    if (wanted < sig.count &&
        RoundUpIfNeeded(kept, wanted, sig.digits[static_cast<std::size_t>(wanted)])) {
        --kept;
        *kept = '1';
        ++leadingDigits;
    }

    std::array<char, kBufferSize> text;  // filled below up to n
    std::size_t n = 0;
    if (negative) {
        text[n++] = '-';
    }
    int first = 0;
    while (first < leadingDigits - 1 && kept[first] == '0') {
        ++first;
    }
    for (int i = first; i < leadingDigits; ++i) {
        text[n++] = kept[i];
    }
    if (decimals > 0) {
        text[n++] = '.';
        for (int i = 0; i < decimals; ++i) {
            text[n++] = kept[leadingDigits + i];
        }
    }
    return PadLeft(text.data(), n, width);
}

AmountText FormatRate(Extended value) {
    return FormatAmount(value, 1, 5);
}

AmountText StripSpaces(std::string_view text) {
    AmountText out;
    out.reserve(text.size());
    for (char c : text) {
        if (c != ' ') {
            out.push_back(c);
        }
    }
    return out;
}

}  // namespace chiffrel
