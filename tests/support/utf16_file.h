#pragma once

#include <string>
#include <string_view>

namespace chiffrel::testing_support {

// The bytes of a UTF-16 little-endian file with its byte-order mark, as Windows writes them.
inline std::string Utf16File(std::u16string_view text) {
    std::string bytes = "\xFF\xFE";
    for (const char16_t unit : text) {
        bytes += static_cast<char>(unit & 0xFF);
        bytes += static_cast<char>(unit >> 8);
    }
    return bytes;
}

}  // namespace chiffrel::testing_support
