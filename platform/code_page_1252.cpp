#include "platform/code_page_1252.h"

#include <algorithm>
#include <array>

namespace chiffrel {

namespace {

// The characters of the bytes 0x80 to 0x9F.
constexpr std::array<char16_t, 32> kHighControls = {
    u'\u20AC', u'\u0081', u'\u201A', u'\u0192', u'\u201E', u'\u2026', u'\u2020', u'\u2021',
    u'\u02C6', u'\u2030', u'\u0160', u'\u2039', u'\u0152', u'\u008D', u'\u017D', u'\u008F',
    u'\u0090', u'\u2018', u'\u2019', u'\u201C', u'\u201D', u'\u2022', u'\u2013', u'\u2014',
    u'\u02DC', u'\u2122', u'\u0161', u'\u203A', u'\u0153', u'\u009D', u'\u017E', u'\u0178'};

constexpr unsigned char kFirstHighControl = 0x80;
constexpr unsigned char kLastHighControl = 0x9F;

bool IsContinuation(unsigned char byte) {
    return (byte & 0xC0) == 0x80;
}

// Lead byte, number of continuation bytes and smallest code point of each sequence length.
struct Utf8Form {
    unsigned char mask;
    unsigned char lead;
    std::size_t continuations;
    char32_t smallest;
};

constexpr std::array<Utf8Form, 3> kMultiByteForms = {
    Utf8Form{0xE0, 0xC0, 1, 0x80},
    Utf8Form{0xF0, 0xE0, 2, 0x800},
    Utf8Form{0xF8, 0xF0, 3, 0x10000},
};

char32_t Utf16UnitAt(std::string_view bytes, std::size_t at) {
    return static_cast<unsigned char>(bytes[at]) | (static_cast<unsigned char>(bytes[at + 1]) << 8);
}

}  // namespace

char16_t Cp1252ToUnicode(unsigned char byte) {
    if (byte >= kFirstHighControl && byte <= kLastHighControl) {
        return kHighControls[byte - kFirstHighControl];
    }
    return byte;
}

char UnicodeToCp1252(char32_t codePoint) {
    if (codePoint < kFirstHighControl || (codePoint > kLastHighControl && codePoint <= 0xFF)) {
        return static_cast<char>(codePoint);
    }
    const auto* found = std::find(kHighControls.begin(), kHighControls.end(), codePoint);
    if (found == kHighControls.end()) {
        return '?';
    }
    return static_cast<char>(kFirstHighControl + (found - kHighControls.begin()));
}

std::string Cp1252ToUtf8(std::string_view text) {
    std::string out;
    out.reserve(text.size());
    for (const char c : text) {
        AppendUtf8(out, Cp1252ToUnicode(static_cast<unsigned char>(c)));
    }
    return out;
}

std::string Utf8ToCp1252(std::string_view text) {
    std::string out;
    out.reserve(text.size());
    while (!text.empty()) {
        const std::optional<Utf8Char> next = FirstUtf8Char(text);
        const bool surrogate = next && IsSurrogate(next->codePoint);
        if (!next) {
            out += text.front();
        } else {
            out += surrogate ? '?' : UnicodeToCp1252(next->codePoint);
        }
        text.remove_prefix(next ? next->length : 1);
    }
    return out;
}

void AppendUtf8(std::string& out, char32_t codePoint) {
    if (codePoint < 0x80) {
        out += static_cast<char>(codePoint);
        return;
    }
    std::size_t continuations = codePoint < 0x800 ? 1 : codePoint < 0x10000 ? 2 : 3;
    const unsigned char lead = kMultiByteForms[continuations - 1].lead;
    out += static_cast<char>(lead | (codePoint >> (6 * continuations)));
    while (continuations-- > 0) {
        out += static_cast<char>(0x80 | ((codePoint >> (6 * continuations)) & 0x3F));
    }
}

std::optional<Utf8Char> FirstUtf8Char(std::string_view text) {
    if (text.empty()) {
        return std::nullopt;
    }
    const auto first = static_cast<unsigned char>(text[0]);
    if (first < 0x80) {
        return Utf8Char{first, 1};
    }
    for (const Utf8Form& form : kMultiByteForms) {
        if ((first & form.mask) != form.lead) {
            continue;
        }
        if (text.size() <= form.continuations) {
            return std::nullopt;
        }
        char32_t codePoint = first & static_cast<unsigned char>(~form.mask);
        for (std::size_t i = 1; i <= form.continuations; ++i) {
            const auto byte = static_cast<unsigned char>(text[i]);
            if (!IsContinuation(byte)) {
                return std::nullopt;
            }
            codePoint = (codePoint << 6) | (byte & 0x3F);
        }
        // Overlong forms and values beyond Unicode are not UTF-8.
        if (codePoint < form.smallest || codePoint > 0x10FFFF) {
            return std::nullopt;
        }
        return Utf8Char{codePoint, form.continuations + 1};
    }
    return std::nullopt;
}

Utf16Char Utf16CharAt(std::string_view bytes, std::size_t at) {
    const char32_t unit = Utf16UnitAt(bytes, at);
    if (IsHighSurrogate(unit) && at + 4 <= bytes.size()) {
        const char32_t low = Utf16UnitAt(bytes, at + 2);
        if (IsLowSurrogate(low)) {
            return {0x10000 + ((unit - 0xD800) << 10) + (low - 0xDC00), 4};
        }
    }
    return {unit, 2};
}

}  // namespace chiffrel
