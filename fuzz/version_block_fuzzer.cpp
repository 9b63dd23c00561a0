// Any bytes read three ways by the readers of version information. As a version block: every
// value QueryVersionValue finds lies inside the block, and FileVersionOfBlock gives UTF-8
// without a zero. As an executable file: the block found in it has the size announced and gives
// the version the block itself gives. As the parts of a block that SerializeVersionBlock builds
// (a translation, a FileVersion text, another text): the version reads back as written, when
// the string table is the first translation's.
#include <fuzzer/FuzzedDataProvider.h>

#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "fuzz/fuzz_check.h"
#include "platform/code_page_1252.h"
#include "platform/version_info.h"
#include "tests/support/scratch_directory.h"

namespace chiffrel::fuzz {
namespace {

using Bytes = std::span<const std::uint8_t>;

bool IsPlainUtf8(std::string_view text) {
    while (!text.empty()) {
        const auto next = FirstUtf8Char(text);
        if (!next || next->codePoint == 0 ||
            (next->codePoint >= 0xD800 && next->codePoint <= 0xDFFF)) {
            return false;
        }
        text.remove_prefix(next->length);
    }
    return true;
}

void CheckBlock(Bytes block) {
    for (const char* path :
         {"\\", "\\VarFileInfo\\Translation", "\\StringFileInfo", "\\\\x\\", ""}) {
        const Bytes value = QueryVersionValue(block, path);
        Require(value.empty() || (value.data() >= block.data() &&
                                  value.data() + value.size() <= block.data() + block.size()),
                "a value lies inside the block", path);
    }
    const std::string version = FileVersionOfBlock(block);
    Require(IsPlainUtf8(version), "a version is UTF-8 without a zero", version);
}

void CheckExecutable(Bytes bytes) {
    static const testing_support::ScratchDirectory scratch("version-fuzz");
    const std::string path = scratch.File("program").string();
    {
        std::ofstream out(path, std::ios::binary | std::ios::trunc);
        out.write(reinterpret_cast<const char*>(bytes.data()),
                  static_cast<std::streamsize>(bytes.size()));
        Require(static_cast<bool>(out), "the fuzz input can be stored", path);
    }
    const std::size_t size = FileVersionInfoSize(path);
    Require(size <= 0xFFFF, "a version block is at most 65535 bytes long");
    if (size == 0) {
        Require(GetVersion(path).empty(), "no block gives no version");
        return;
    }
    std::vector<std::uint8_t> block(size);
    Require(ReadFileVersionInfo(path, block), "a block whose size was given can be read");
    Require(GetVersion(path) == FileVersionOfBlock(block),
            "the version of the file is the version of its block");
}

// The program's own way of naming a string table: language then code page, in hexadecimal.
std::u16string TableKey(std::uint16_t language, std::uint16_t codePage) {
    char key[9];
    std::snprintf(key, sizeof key, "%04X%04X", language, codePage);
    return std::u16string(key, key + 8);
}

// A text of characters that VersionValueText gives back whole: no zero, no surrogate.
std::u16string PlainText(FuzzedDataProvider& input) {
    std::u16string text;
    const std::size_t length = input.ConsumeIntegralInRange<std::size_t>(0, 300);
    for (std::size_t i = 0; i < length && input.remaining_bytes() >= 2; ++i) {
        const auto c = input.ConsumeIntegral<char16_t>();
        text += c == 0 || (c >= 0xD800 && c <= 0xDFFF) ? u'x' : c;
    }
    return text;
}

void CheckBuiltBlock(Bytes bytes) {
    FuzzedDataProvider input(bytes.data(), bytes.size());
    const VersionTranslation first{input.ConsumeIntegral<std::uint16_t>(),
                                   input.ConsumeIntegral<std::uint16_t>()};
    const bool tableOfTheFirstTranslation = input.ConsumeBool();
    const std::u16string version = PlainText(input);
    const std::u16string other = PlainText(input);
    const std::u16string key = tableOfTheFirstTranslation
                                   ? TableKey(first.language, first.codePage)
                                   : TableKey(first.language ^ 1, first.codePage);
    const std::vector<std::uint8_t> block = SerializeVersionBlock(VersionInfoRoot(
        {1, 1, 2, 30}, {VersionStringFileInfo(
                            {VersionStringTable(key, {VersionTextEntry(u"ProductName", other),
                                                      VersionTextEntry(u"FileVersion", version)})}),
                        VersionVarFileInfo({first, {0x0409, 0x04B0}})}));
    std::string expected;
    if (tableOfTheFirstTranslation) {
        for (const char16_t c : version) {
            AppendUtf8(expected, c);
        }
    }
    const std::string read = FileVersionOfBlock(block);
    Require(read == expected, "the version written reads back from the first translation",
            read + " instead of " + expected);
}

}  // namespace
}  // namespace chiffrel::fuzz

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace chiffrel::fuzz;
    const Bytes bytes(data, size);
    CheckBlock(bytes);
    CheckExecutable(bytes);
    CheckBuiltBlock(bytes);
    return 0;
}
