// The program's version information, placed in a section of its own so that the about box can
// read it back from the executable file. Nothing refers to it: it is kept by `used` and
// `retain`, and the target that holds it is linked as an object file, never from an archive.
#include <algorithm>
#include <array>
#include <cstdint>
#include <vector>

#include "platform/version_info.h"

namespace chiffrel {
namespace {

constexpr VersionTranslation kFrenchWindows1252{0x040C, 0x04E4};

// The file version, written here only: as numbers in the fixed file information, as text in
// the FileVersion entry.
constexpr std::array<std::uint16_t, 4> kFileVersion{1, 1, 2, 30};

// "a.b.c.d" in decimal.
constexpr std::vector<char16_t> DottedText(std::array<std::uint16_t, 4> version) {
    std::vector<char16_t> text;
    for (const std::uint16_t number : version) {
        if (!text.empty()) {
            text.push_back(u'.');
        }
        std::vector<char16_t> digitsFromLast;
        for (unsigned rest = number; rest > 0 || digitsFromLast.empty(); rest /= 10) {
            digitsFromLast.push_back(static_cast<char16_t>(u'0' + rest % 10));
        }
        text.insert(text.end(), digitsFromLast.rbegin(), digitsFromLast.rend());
    }
    return text;
}

constexpr std::vector<std::uint8_t> ProgramVersionBlock() {
    const std::vector<char16_t> fileVersionText = DottedText(kFileVersion);
    return SerializeVersionBlock(VersionInfoRoot(
        kFileVersion, {
                          VersionStringFileInfo({VersionStringTable(
                              u"040C04E4",
                              {
                                  VersionTextEntry(u"FileDescription", u"Chiffrel"),
                                  VersionTextEntry(u"FileVersion", {fileVersionText.data(),
                                                                    fileVersionText.size()}),
                                  VersionTextEntry(u"ProductName", u"Chiffrel"),
                              })}),
                          VersionVarFileInfo({kFrenchWindows1252}),
                      }));
}

constexpr std::size_t kProgramVersionBlockSize = ProgramVersionBlock().size();

constexpr std::array<std::uint8_t, kProgramVersionBlockSize> ProgramVersionBytes() {
    std::array<std::uint8_t, kProgramVersionBlockSize> bytes{};
    const std::vector<std::uint8_t> block = ProgramVersionBlock();
    std::copy(block.begin(), block.end(), bytes.begin());
    return bytes;
}

}  // namespace

[[gnu::used, gnu::retain,
  gnu::section(".chiffrel_version")]] constexpr std::array<std::uint8_t, kProgramVersionBlockSize>
    kProgramVersionInfo = ProgramVersionBytes();

}  // namespace chiffrel
