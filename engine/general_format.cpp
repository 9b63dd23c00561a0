#include "engine/general_format.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdio>
#include <cstdlib>

namespace chiffrel {

namespace {

struct DecimalDigits {
    std::string digits;  // significant digits, no trailing zeros
    int pointPosition;   // value = 0.digits x 10^pointPosition
};

DecimalDigits RoundedDigits(Extended magnitude, int precision) {
    std::array<char, 64> buffer{};
    std::snprintf(buffer.data(), buffer.size(), "%.*Le", precision - 1, magnitude);
    const std::string text(buffer.data());  // d.ddddde[+-]xx
    const std::size_t e = text.find('e');
    std::string digits = text.substr(0, 1) + text.substr(2, e - 2);
    digits.erase(digits.find_last_not_of('0') + 1);
    return {digits, std::atoi(text.c_str() + e + 1) + 1};
}

}  // namespace

std::string FormatGeneral(Extended value, int precision) {
    precision = std::clamp(precision, 1, 18);
    if (value == 0) {
        return "0";
    }
    const DecimalDigits d = RoundedDigits(std::fabs(value), precision);
    std::string out = std::signbit(value) ? "-" : "";
    const int count = static_cast<int>(d.digits.size());
    if (d.pointPosition > precision || d.pointPosition < -3) {
        out += d.digits[0];
        if (count > 1) {
            out += '.';
            out += d.digits.substr(1);
        }
        out += 'E';
        out += std::to_string(d.pointPosition - 1);
        return out;
    }
    if (d.pointPosition <= 0) {
        out += "0.";
        out.append(static_cast<std::size_t>(-d.pointPosition), '0');
        out += d.digits;
        return out;
    }
    if (count <= d.pointPosition) {
        out += d.digits;
        out.append(static_cast<std::size_t>(d.pointPosition - count), '0');
        return out;
    }
    out += d.digits.substr(0, static_cast<std::size_t>(d.pointPosition));
    out += '.';
    out += d.digits.substr(static_cast<std::size_t>(d.pointPosition));
    return out;
}

}  // namespace chiffrel
