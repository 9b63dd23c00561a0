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

constexpr std::vector<std::uint8_t> ProgramVersionBlock() {
    return SerializeVersionBlock(VersionInfoRoot(
        {1, 1, 2, 30}, {
                           VersionStringFileInfo({VersionStringTable(
                               u"040C04E4",
                               {
                                   VersionTextEntry(u"FileDescription", u"Chiffrel"),
                                   VersionTextEntry(u"FileVersion", u"1.1.2.30"),
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
