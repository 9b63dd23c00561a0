#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace chiffrel {

// How a private-profile file stores its text. Without a byte-order mark it is 8-bit text in the
// program's own code page (1252), read and written byte for byte. A file that starts with the
// byte-order mark of UTF-8 or of UTF-16 little-endian, as Windows editors write them, keeps
// that encoding: its values are converted from and to the program's code page.
enum class ProfileEncoding {
    kAnsi,
    kUtf8,
    kUtf16,
};

// The encoding that a file's first bytes declare.
ProfileEncoding EncodingDeclaredBy(std::string_view firstBytes);

std::size_t ByteOrderMarkSize(ProfileEncoding encoding);

// A file's text in the form its lines are read and edited in: 8-bit and UTF-8 files as they
// are, UTF-16 files in UTF-8; without the byte-order mark. Decoding and encoding again gives
// back every byte of the file.
struct ProfileText {
    ProfileEncoding encoding = ProfileEncoding::kAnsi;
    std::string lines;
    // An odd last byte of a UTF-16 file, which is no character; it stays at the end.
    std::string oddByte;
};

ProfileText DecodeProfile(std::string bytes);
std::string EncodeProfile(const ProfileText& text);

// A text of the program (code page 1252) as the lines of a file in `encoding` hold it, and back.
std::string ToProfileText(ProfileEncoding encoding, std::string_view programText);
std::string FromProfileText(ProfileEncoding encoding, std::string_view profileText);

}  // namespace chiffrel
