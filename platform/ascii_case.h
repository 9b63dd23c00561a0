#pragma once

#include <algorithm>
#include <string_view>

namespace chiffrel {

// Names that the program looks up (sections and keys of settings files, keys of version
// information) match without regard to case for the 26 ASCII letters only: any other character
// matches only itself, whatever code page or encoding holds it.

constexpr char32_t AsciiLower(char32_t c) {
    return c >= U'A' && c <= U'Z' ? c - U'A' + U'a' : c;
}

// Two characters, as code points or as bytes taken unsigned.
constexpr bool SameIgnoringAsciiCase(char32_t a, char32_t b) {
    return AsciiLower(a) == AsciiLower(b);
}

constexpr bool SameIgnoringAsciiCase(std::string_view a, std::string_view b) {
    return std::equal(a.begin(), a.end(), b.begin(), b.end(), [](char x, char y) {
        return SameIgnoringAsciiCase(static_cast<unsigned char>(x), static_cast<unsigned char>(y));
    });
}

}  // namespace chiffrel
