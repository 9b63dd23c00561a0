#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>

namespace chiffrel {

// The program's 8-bit texts (amounts, rates, settings values) are in Windows code page 1252,
// the character set of the settings files written on French Windows systems: ASCII and the
// Latin-1 letters, plus 27 characters such as "€", "œ" and "…" in the bytes 0x80 to 0x9F.
// The five bytes of that range that the code page leaves unassigned stand for the control
// characters of the same number, so that every byte survives a round trip through Unicode.

char16_t Cp1252ToUnicode(unsigned char byte);

// The byte of a character, or '?' for a character the code page does not have.
char UnicodeToCp1252(char32_t codePoint);

std::string Cp1252ToUtf8(std::string_view text);

// Bytes that do not form UTF-8 are taken as code page 1252 bytes, as a file saved by an 8-bit
// editor holds them; characters the code page does not have become '?'.
std::string Utf8ToCp1252(std::string_view text);

// ---- UTF-8 ------------------------------------------------------------------------------------
// Surrogates are encoded like any other 16-bit value, so that UTF-16 that is not well paired
// still passes through UTF-8 unchanged.

void AppendUtf8(std::string& out, char32_t codePoint);

// The halves of a character beyond 0xFFFF in UTF-16.
constexpr bool IsHighSurrogate(char32_t unit) {
    return unit >= 0xD800 && unit <= 0xDBFF;
}
constexpr bool IsLowSurrogate(char32_t unit) {
    return unit >= 0xDC00 && unit <= 0xDFFF;
}
constexpr bool IsSurrogate(char32_t unit) {
    return IsHighSurrogate(unit) || IsLowSurrogate(unit);
}

struct Utf8Char {
    char32_t codePoint;
    std::size_t length;
};

// The character at the start of `text`; nothing when it does not start with a UTF-8 sequence.
std::optional<Utf8Char> FirstUtf8Char(std::string_view text);

// ---- UTF-16 little-endian -------------------------------------------------------------------
// A high surrogate followed by a low one make one character. Every other 16-bit unit is a
// character of its own, a surrogate without its partner included: each reader says what it
// makes of one (IsSurrogate tells it apart).

struct Utf16Char {
    char32_t codePoint;
    std::size_t length;  // in bytes: 2, or 4 for a pair of surrogates
};

// The character at byte `at` of `bytes`, which hold at least two bytes from `at` on.
Utf16Char Utf16CharAt(std::string_view bytes, std::size_t at);

}  // namespace chiffrel
