#include "platform/profile_encoding.h"

#include "platform/code_page_1252.h"

namespace chiffrel {

namespace {

constexpr std::string_view kUtf8Mark = "\xEF\xBB\xBF";
constexpr std::string_view kUtf16Mark = "\xFF\xFE";

std::string_view ByteOrderMark(ProfileEncoding encoding) {
    switch (encoding) {
        case ProfileEncoding::kUtf8:
            return kUtf8Mark;
        case ProfileEncoding::kUtf16:
            return kUtf16Mark;
        case ProfileEncoding::kAnsi:
            break;
    }
    return {};
}

// A surrogate without its partner is kept as a character of its own, carried through the
// UTF-8 form as its 16-bit value: a save must give back every byte of the file that it does not
// change, and a settings file that another program wrote with a broken pair is still ours to
// update. A value read with one gets '?' in its place, like any character beyond code page 1252.
std::string Utf16ToUtf8(std::string_view bytes) {
    std::string out;
    out.reserve(bytes.size());
    for (std::size_t at = 0; at + 1 < bytes.size();) {
        const Utf16Char next = Utf16CharAt(bytes, at);
        AppendUtf8(out, next.codePoint);
        at += next.length;
    }
    return out;
}

void AppendUnit(std::string& out, char32_t unit) {
    out += static_cast<char>(unit & 0xFF);
    out += static_cast<char>(unit >> 8);
}

std::string Utf8ToUtf16(std::string_view text) {
    std::string out;
    out.reserve(text.size() * 2);
    while (!text.empty()) {
        const std::optional<Utf8Char> next = FirstUtf8Char(text);
        const char32_t codePoint = next ? next->codePoint : U'\uFFFD';
        text.remove_prefix(next ? next->length : 1);
        if (codePoint < 0x10000) {
            AppendUnit(out, codePoint);
        } else {
            AppendUnit(out, 0xD800 + ((codePoint - 0x10000) >> 10));
            AppendUnit(out, 0xDC00 + ((codePoint - 0x10000) & 0x3FF));
        }
    }
    return out;
}

}  // namespace

ProfileEncoding EncodingDeclaredBy(std::string_view firstBytes) {
    if (firstBytes.starts_with(kUtf8Mark)) {
        return ProfileEncoding::kUtf8;
    }
    if (firstBytes.starts_with(kUtf16Mark)) {
        return ProfileEncoding::kUtf16;
    }
    return ProfileEncoding::kAnsi;
}

std::size_t ByteOrderMarkSize(ProfileEncoding encoding) {
    return ByteOrderMark(encoding).size();
}

ProfileText DecodeProfile(std::string bytes) {
    ProfileText text{EncodingDeclaredBy(bytes), {}, {}};
    bytes.erase(0, ByteOrderMarkSize(text.encoding));
    if (text.encoding != ProfileEncoding::kUtf16) {
        text.lines = std::move(bytes);
        return text;
    }
    if (bytes.size() % 2 != 0) {
        text.oddByte = bytes.substr(bytes.size() - 1);
    }
    text.lines = Utf16ToUtf8(bytes);
    return text;
}

std::string EncodeProfile(const ProfileText& text) {
    std::string bytes(ByteOrderMark(text.encoding));
    bytes += text.encoding == ProfileEncoding::kUtf16 ? Utf8ToUtf16(text.lines) : text.lines;
    bytes += text.oddByte;
    return bytes;
}

std::string ToProfileText(ProfileEncoding encoding, std::string_view programText) {
    return encoding == ProfileEncoding::kAnsi ? std::string(programText)
                                              : Cp1252ToUtf8(programText);
}

std::string FromProfileText(ProfileEncoding encoding, std::string_view profileText) {
    return encoding == ProfileEncoding::kAnsi ? std::string(profileText)
                                              : Utf8ToCp1252(profileText);
}

}  // namespace chiffrel
