#pragma once

#include <cstddef>
#include <filesystem>
#include <string>
#include <string_view>

#include "engine/program_error.h"

namespace chiffrel {

// Private-profile (INI) files: "[section]" lines, each followed by "key=value" lines.
// Section and key names match without regard to ASCII case, blanks around names and values do
// not count, lines starting with ";" are comments. Names and values are the program's 8-bit
// texts, in code page 1252: an 8-bit file holds them byte for byte, a file that starts with the
// byte-order mark of UTF-8 or UTF-16LE gets them converted (see profile_encoding.h). Files
// written on Windows (CRLF line ends, those encodings) or on a classic Mac (CR line ends) read
// the same. Nothing is cached: every call opens, reads and closes the file.

// Longest value a read returns; longer values are cut.
inline constexpr std::size_t kProfileValueMaxLength = 1023;

// Largest file read whole and rewritten. Settings files hold a few lines; of a larger one, reads
// take the whole lines of its first kProfileFileMaxSize bytes, and writes fail.
inline constexpr std::size_t kProfileFileMaxSize = 1024 * 1024;

// A write that could not be completed. The file is left exactly as it was.
class ProfileWriteError : public ProgramError {
  public:
    // The message names the file by its bare name: "Ne peut écrire dans CHIFFREL.INI".
    explicit ProfileWriteError(const std::filesystem::path& file);
};

// The value of the first `key` in the first `section` of the file, without the blanks around
// it and without one pair of enclosing quotes (" or '), cut to kProfileValueMaxLength.
// A key present with an empty value gives the empty text. When the file, the section or the
// key is missing, or the file cannot be read, gives `defaultValue`.
std::string ReadProfileString(const std::filesystem::path& file, std::string_view section,
                              std::string_view key, std::string_view defaultValue);

// Sets the value of the first `key` in the first `section`, adding the key, the section or
// the file as needed. Only the value is replaced; every other byte of the file stays as it was.
// A value is one line: anything from its first line break on is dropped.
// The file is replaced as ReplaceFileAtomically does it (atomic_replace.h): atomically, keeping
// its owner, group and permissions, through a symbolic link, with the writers of every process
// taking turns; a file that exists but is not writable, or is larger than kProfileFileMaxSize
// or would become so, stays untouched. Throws ProfileWriteError on any failure, a file-size
// limit included once the program has called CatchFileSizeSignal.
void WriteProfileString(const std::filesystem::path& file, std::string_view section,
                        std::string_view key, std::string_view value);

}  // namespace chiffrel
