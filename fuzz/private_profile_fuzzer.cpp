// Any file content with any section and key: ReadProfileString reads it, WriteProfileString
// sets a value in it, and the value must read back as the reader's rules say, while every other
// entry of the file reads as before and the file keeps its encoding (8-bit, or UTF-8 or UTF-16
// behind their byte-order marks). The files live in a temporary directory of this process.
#include <fuzzer/FuzzedDataProvider.h>

#include <algorithm>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <string>
#include <string_view>

#include "fuzz/fuzz_check.h"
#include "platform/private_profile.h"
#include "platform/profile_encoding.h"
#include "tests/support/scratch_directory.h"

namespace chiffrel::fuzz {
namespace {

namespace fs = std::filesystem;

constexpr std::string_view kDefault = "\x01(default)";

void Store(const fs::path& file, std::string_view content) {
    std::ofstream out(file, std::ios::binary | std::ios::trunc);
    out.write(content.data(), static_cast<std::streamsize>(content.size()));
    Require(static_cast<bool>(out), "the fuzz input can be stored", file.string());
}

std::string Describe(std::string_view section, std::string_view key, std::string_view value) {
    return "[" + std::string(section) + "] " + std::string(key) + "=" + std::string(value);
}

bool IsBlank(char c) {
    return c == ' ' || c == '\t' || c == '\r';
}

bool HasBlankEnds(std::string_view name) {
    return !name.empty() && (IsBlank(name.front()) || IsBlank(name.back()));
}

bool HasLineBreak(std::string_view text) {
    return text.find_first_of("\r\n") != std::string_view::npos;
}

// A text without LF whose lines end with a lone CR (classic Mac OS); lines otherwise end with
// LF, and a lone CR is part of its line.
bool EndsLinesWithCr(std::string_view lines) {
    return lines.find('\n') == std::string_view::npos && lines.find('\r') != std::string_view::npos;
}

// Names that a "[section]" line and a "key=value" line give back as they are: a section without
// "]", a key without "=" that does not start like a header or a comment, neither with a line
// break or blanks around it.
bool CanBeWrittenAsIs(std::string_view section, std::string_view key) {
    return !HasLineBreak(section) && !HasLineBreak(key) && !HasBlankEnds(section) &&
           !HasBlankEnds(key) && section.find(']') == std::string_view::npos &&
           key.find('=') == std::string_view::npos && !key.starts_with('[') &&
           !key.starts_with(';');
}

char AsciiLower(char c) {
    return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
}

bool SameName(std::string_view a, std::string_view b) {
    return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
               return AsciiLower(x) == AsciiLower(y);
           });
}

std::string_view Trimmed(std::string_view text) {
    while (!text.empty() && IsBlank(text.front())) {
        text.remove_prefix(1);
    }
    while (!text.empty() && IsBlank(text.back())) {
        text.remove_suffix(1);
    }
    return text;
}

// What reading gives for a value written: its first line, without the blanks around it and one
// pair of enclosing quotes, cut to the longest value a read returns.
std::string ReadBackOf(std::string_view written) {
    std::string_view value = Trimmed(written.substr(0, written.find_first_of("\r\n")));
    if (value.size() >= 2 && (value.front() == '"' || value.front() == '\'') &&
        value.back() == value.front()) {
        value = value.substr(1, value.size() - 2);
    }
    return std::string(value.substr(0, kProfileValueMaxLength));
}

std::string Contents(const fs::path& file) {
    std::ifstream in(file, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

std::string AsciiUpper(std::string_view text) {
    std::string upper(text);
    std::transform(upper.begin(), upper.end(), upper.begin(),
                   [](char c) { return c >= 'a' && c <= 'z' ? static_cast<char>(c - 32) : c; });
    return upper;
}

// The file's lines as the program reads them: in code page 1252.
std::string ProgramTextOf(std::string_view content) {
    const ProfileText text = DecodeProfile(std::string(content));
    return FromProfileText(text.encoding, text.lines);
}

void CheckRead(const fs::path& file, std::string_view content, std::string_view section,
               std::string_view key) {
    const std::string value = ReadProfileString(file, section, key, kDefault);
    Require(ReadProfileString(file, AsciiUpper(section), AsciiUpper(key), kDefault) == value,
            "names match without regard to case", Describe(section, key, value));
    Require(value.size() <= kProfileValueMaxLength, "a read is cut to the longest value", value);
    const std::string lines = ProgramTextOf(content);
    const char lineBreak = EndsLinesWithCr(lines) ? '\r' : '\n';
    Require(
        value == kDefault ||
            (lines.find(value) != std::string::npos && value.find(lineBreak) == std::string::npos),
        "a read gives the default or one line's text of the file", Describe(section, key, value));
}

// The bytes of `before` that `after` does not keep, between their common start and end.
std::string_view ChangedPart(std::string_view before, std::string_view after) {
    const std::size_t limit = std::min(before.size(), after.size());
    std::size_t head = 0;
    while (head < limit && before[head] == after[head]) {
        ++head;
    }
    std::size_t tail = 0;
    while (tail < limit - head &&
           before[before.size() - 1 - tail] == after[after.size() - 1 - tail]) {
        ++tail;
    }
    return before.substr(head, before.size() - head - tail);
}

struct Entry {
    std::string section;
    std::string key;
};

void CheckWrite(const fs::path& file, const Entry& written, const std::string& value,
                const Entry& other) {
    const std::string otherBefore = ReadProfileString(file, other.section, other.key, kDefault);
    const std::string contentBefore = Contents(file);
    try {
        WriteProfileString(file, written.section, written.key, value);
    } catch (const ProfileWriteError& error) {
        Fail("a writable file in a writable directory takes the write", error.what());
    }
    const ProfileText before = DecodeProfile(contentBefore);
    const ProfileText after = DecodeProfile(Contents(file));
    Require(after.encoding == before.encoding && after.oddByte == before.oddByte,
            "a write keeps the encoding of the file",
            Describe(written.section, written.key, value));
    const char lineBreak = EndsLinesWithCr(before.lines) ? '\r' : '\n';
    Require(ChangedPart(before.lines, after.lines).find(lineBreak) == std::string_view::npos,
            "a write replaces a value or adds lines, and leaves every line end of the file",
            Describe(written.section, written.key, value));
    if (!CanBeWrittenAsIs(written.section, written.key)) {
        return;
    }
    Require(EndsLinesWithCr(after.lines) == EndsLinesWithCr(before.lines),
            "added lines end as the file's lines end",
            Describe(written.section, written.key, value));
    const std::string readBack = ReadProfileString(file, written.section, written.key, kDefault);
    Require(readBack == ReadBackOf(value), "the value written reads back",
            Describe(written.section, written.key, value) + " reads back as " + readBack);
    if (!SameName(other.section, written.section) || !SameName(other.key, written.key)) {
        Require(ReadProfileString(file, other.section, other.key, kDefault) == otherBefore,
                "every other entry reads as before", Describe(other.section, other.key, ""));
    }
    if (value == Trimmed(value) && !HasLineBreak(value)) {
        const std::string before = Contents(file);
        WriteProfileString(file, written.section, written.key, value);
        Require(Contents(file) == before, "writing the same value again changes no byte",
                Describe(written.section, written.key, value));
    }
}

}  // namespace
}  // namespace chiffrel::fuzz

// The input is split into a section, a key, a value to write, another section and key whose
// value must not change, and the file content: the five texts end at a lone backslash.
extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace chiffrel::fuzz;
    static const chiffrel::testing_support::ScratchDirectory scratch("profile-fuzz");
    FuzzedDataProvider input(data, size);
    const Entry written{input.ConsumeRandomLengthString(64), input.ConsumeRandomLengthString(64)};
    const std::string value = input.ConsumeRandomLengthString(2048);
    const Entry other{input.ConsumeRandomLengthString(64), input.ConsumeRandomLengthString(64)};
    const std::string content = input.ConsumeRemainingBytesAsString();

    const std::filesystem::path file = scratch.File("CHIFFREL.INI");
    Store(file, content);
    CheckRead(file, content, written.section, written.key);
    CheckRead(file, content, other.section, other.key);
    CheckWrite(file, written, value, other);
    return 0;
}
