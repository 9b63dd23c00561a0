#include "platform/version_info.h"

#include <elf.h>

#include <algorithm>
#include <bit>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <optional>

#include "platform/ascii_case.h"
#include "platform/code_page_1252.h"

namespace chiffrel {

static_assert(std::endian::native == std::endian::little,
              "ELF headers and version blocks are read in place as little-endian data");

namespace {

// A version block is at most 65535 bytes long; the section is never read beyond that.
constexpr std::size_t kMaxBlockBytes = 0xFFFF;
// Section header tables and name tables of sane executables stay far below these sizes.
constexpr std::uint64_t kMaxSectionHeaders = 0x10000;
constexpr std::uint64_t kMaxNameTableBytes = 1u << 24;

class FileReader {
  public:
    explicit FileReader(const std::string& path) : stream_(path, std::ios::binary) {
        if (stream_) {
            stream_.seekg(0, std::ios::end);
            size_ = static_cast<std::uint64_t>(stream_.tellg());
        }
    }

    bool IsOpen() const { return static_cast<bool>(stream_); }

    // The bytes [offset, offset + count) of the file, or nothing when they are not all there.
    std::optional<std::vector<std::uint8_t>> Read(std::uint64_t offset, std::uint64_t count) {
        if (offset > size_ || count > size_ - offset) {
            return std::nullopt;
        }
        std::vector<std::uint8_t> bytes(count);
        stream_.seekg(static_cast<std::streamoff>(offset));
        stream_.read(reinterpret_cast<char*>(bytes.data()), static_cast<std::streamsize>(count));
        if (!stream_ || stream_.gcount() != static_cast<std::streamsize>(count)) {
            return std::nullopt;
        }
        return bytes;
    }

    template <typename T>
    std::optional<T> ReadStruct(std::uint64_t offset) {
        const auto bytes = Read(offset, sizeof(T));
        if (!bytes) {
            return std::nullopt;
        }
        T value;
        std::memcpy(&value, bytes->data(), sizeof(T));
        return value;
    }

  private:
    std::ifstream stream_;
    std::uint64_t size_ = 0;
};

bool IsLittleEndianElf64(const Elf64_Ehdr& header) {
    return std::memcmp(header.e_ident, ELFMAG, SELFMAG) == 0 &&
           header.e_ident[EI_CLASS] == ELFCLASS64 && header.e_ident[EI_DATA] == ELFDATA2LSB &&
           header.e_shentsize == sizeof(Elf64_Shdr);
}

std::optional<std::vector<Elf64_Shdr>> ReadSectionHeaders(FileReader& file,
                                                          const Elf64_Ehdr& header) {
    std::uint64_t count = header.e_shnum;
    if (count == 0 && header.e_shoff != 0) {
        // More sections than the header can count: the first entry holds the number.
        const auto first = file.ReadStruct<Elf64_Shdr>(header.e_shoff);
        if (!first) {
            return std::nullopt;
        }
        count = first->sh_size;
    }
    if (count == 0 || count > kMaxSectionHeaders) {
        return std::nullopt;
    }
    const auto bytes = file.Read(header.e_shoff, count * sizeof(Elf64_Shdr));
    if (!bytes) {
        return std::nullopt;
    }
    std::vector<Elf64_Shdr> sections(count);
    std::memcpy(sections.data(), bytes->data(), bytes->size());
    return sections;
}

std::optional<std::size_t> NameTableIndex(const Elf64_Ehdr& header,
                                          const std::vector<Elf64_Shdr>& sections) {
    const std::size_t index =
        header.e_shstrndx == SHN_XINDEX ? sections.front().sh_link : header.e_shstrndx;
    if (index == SHN_UNDEF || index >= sections.size()) {
        return std::nullopt;
    }
    return index;
}

bool NameAt(const std::vector<std::uint8_t>& names, std::uint32_t offset, std::string_view name) {
    if (offset >= names.size() || names.size() - offset <= name.size()) {
        return false;
    }
    return std::memcmp(names.data() + offset, name.data(), name.size()) == 0 &&
           names[offset + name.size()] == 0;
}

// The first `maxBytes` bytes of the section called `name`, or nothing.
std::optional<std::vector<std::uint8_t>> ReadElfSection(const std::string& path,
                                                        std::string_view name,
                                                        std::size_t maxBytes) {
    FileReader file(path);
    if (!file.IsOpen()) {
        return std::nullopt;
    }
    const auto header = file.ReadStruct<Elf64_Ehdr>(0);
    if (!header || !IsLittleEndianElf64(*header)) {
        return std::nullopt;
    }
    const auto sections = ReadSectionHeaders(file, *header);
    if (!sections) {
        return std::nullopt;
    }
    const auto namesIndex = NameTableIndex(*header, *sections);
    if (!namesIndex) {
        return std::nullopt;
    }
    const Elf64_Shdr& namesSection = (*sections)[*namesIndex];
    if (namesSection.sh_size > kMaxNameTableBytes) {
        return std::nullopt;
    }
    const auto names = file.Read(namesSection.sh_offset, namesSection.sh_size);
    if (!names) {
        return std::nullopt;
    }
    for (const Elf64_Shdr& section : *sections) {
        if (section.sh_type != SHT_NOBITS && NameAt(*names, section.sh_name, name)) {
            return file.Read(section.sh_offset, std::min<std::uint64_t>(section.sh_size, maxBytes));
        }
    }
    return std::nullopt;
}

std::uint16_t WordAt(std::span<const std::uint8_t> block, std::size_t at) {
    return static_cast<std::uint16_t>(block[at] | (block[at + 1] << 8));
}

constexpr std::size_t AlignToDword(std::size_t offset) {
    return (offset + 3) & ~std::size_t{3};
}

// Where the parts of one node lie in the block, every offset checked against the node's end.
struct NodeView {
    std::size_t keyOffset = 0;
    std::size_t keyChars = 0;
    std::size_t valueOffset = 0;
    std::size_t valueBytes = 0;
    std::size_t childrenOffset = 0;
    std::size_t end = 0;
};

std::optional<NodeView> ReadNode(std::span<const std::uint8_t> block, std::size_t offset,
                                 std::size_t limit) {
    constexpr std::size_t kHeaderBytes = 6;
    if (offset > limit || limit - offset < kHeaderBytes) {
        return std::nullopt;
    }
    const std::size_t length = WordAt(block, offset);
    if (length < kHeaderBytes || length > limit - offset) {
        return std::nullopt;
    }
    NodeView node;
    node.end = offset + length;
    node.keyOffset = offset + kHeaderBytes;
    std::size_t at = node.keyOffset;
    while (at + 2 <= node.end && WordAt(block, at) != 0) {
        at += 2;
    }
    if (at + 2 > node.end) {
        return std::nullopt;
    }
    node.keyChars = (at - node.keyOffset) / 2;
    const bool isText = WordAt(block, offset + 4) == 1;
    node.valueOffset = AlignToDword(at + 2);
    node.valueBytes = WordAt(block, offset + 2) * (isText ? std::size_t{2} : std::size_t{1});
    if (node.valueBytes > 0 &&
        (node.valueOffset > node.end || node.valueBytes > node.end - node.valueOffset)) {
        return std::nullopt;
    }
    node.childrenOffset = AlignToDword(node.valueOffset + node.valueBytes);
    return node;
}

// A key with a character beyond ASCII matches no name of a path.
bool KeyMatches(std::span<const std::uint8_t> block, const NodeView& node, std::string_view key) {
    if (node.keyChars != key.size()) {
        return false;
    }
    for (std::size_t i = 0; i < key.size(); ++i) {
        const char16_t c = WordAt(block, node.keyOffset + 2 * i);
        if (c > 0x7F || !SameIgnoringAsciiCase(c, static_cast<unsigned char>(key[i]))) {
            return false;
        }
    }
    return true;
}

std::optional<NodeView> FindChild(std::span<const std::uint8_t> block, const NodeView& parent,
                                  std::string_view key) {
    std::size_t at = parent.childrenOffset;
    while (at < parent.end) {
        const auto child = ReadNode(block, at, parent.end);
        if (!child) {
            return std::nullopt;
        }
        if (KeyMatches(block, *child, key)) {
            return child;
        }
        at = AlignToDword(child->end);
    }
    return std::nullopt;
}

std::optional<NodeView> RootOf(std::span<const std::uint8_t> block) {
    return ReadNode(block, 0, block.size());
}

}  // namespace

std::size_t FileVersionInfoSize(const std::string& path) {
    const auto section = ReadElfSection(path, kVersionSectionName, kMaxBlockBytes);
    if (!section) {
        return 0;
    }
    const auto root = RootOf(*section);
    return root ? root->end : 0;
}

bool ReadFileVersionInfo(const std::string& path, std::span<std::uint8_t> block) {
    const auto section = ReadElfSection(path, kVersionSectionName, kMaxBlockBytes);
    if (!section || !RootOf(*section)) {
        return false;
    }
    std::copy_n(section->begin(), std::min(section->size(), block.size()), block.begin());
    return true;
}

std::span<const std::uint8_t> QueryVersionValue(std::span<const std::uint8_t> block,
                                                std::string_view subBlock) {
    auto node = RootOf(block);
    std::string_view rest = subBlock;
    while (node && !rest.empty()) {
        const std::size_t start = rest.find_first_not_of('\\');
        if (start == std::string_view::npos) {
            break;
        }
        rest.remove_prefix(start);
        const std::size_t end = std::min(rest.find('\\'), rest.size());
        node = FindChild(block, *node, rest.substr(0, end));
        rest.remove_prefix(end);
    }
    if (!node || node->valueBytes == 0) {
        return {};
    }
    return block.subspan(node->valueOffset, node->valueBytes);
}

// A text with a surrogate without its partner gives no text at all, as every other fault of a
// block does: the block is the program's own, written whole when the program is built, so a
// broken pair means a damaged file; and the text goes to a window as UTF-8, in which a lone
// surrogate has no proper form.
std::string VersionValueText(std::span<const std::uint8_t> value) {
    const std::string_view bytes(reinterpret_cast<const char*>(value.data()), value.size());
    std::string text;
    for (std::size_t at = 0; at + 2 <= bytes.size();) {
        const Utf16Char next = Utf16CharAt(bytes, at);
        if (next.codePoint == 0) {
            break;
        }
        if (IsSurrogate(next.codePoint)) {
            return {};
        }
        AppendUtf8(text, next.codePoint);
        at += next.length;
    }
    return text;
}

std::string FileVersionOfBlock(std::span<const std::uint8_t> block) {
    const auto translation = QueryVersionValue(block, "\\VarFileInfo\\Translation");
    // A table too short for one whole entry counts as no table at all.
    if (translation.size() < 4) {
        return {};
    }
    char path[64];
    std::snprintf(path, sizeof path, "\\StringFileInfo\\%.2X%.2X%.2X%.2X\\FileVersion",
                  translation[1], translation[0], translation[3], translation[2]);
    return VersionValueText(QueryVersionValue(block, path));
}

std::string GetVersion(const std::string& executablePath) {
    const std::size_t size = FileVersionInfoSize(executablePath);
    if (size == 0) {
        return {};
    }
    std::vector<std::uint8_t> block(size);
    if (!ReadFileVersionInfo(executablePath, block)) {
        return {};
    }
    return FileVersionOfBlock(block);
}

}  // namespace chiffrel
