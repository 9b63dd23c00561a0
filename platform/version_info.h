#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <span>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

namespace chiffrel {

// Version information of an executable, laid out as a VS_VERSIONINFO block: a tree of nodes,
// each made of its total length, its value length, its value type (0 binary, 1 text), its key
// in UTF-16 with a terminating zero, its value and its children, every part starting on a
// 32-bit boundary from the start of the block. All numbers are little-endian.
//
// The program carries such a block in an ELF section of its own (see version_resource.cpp),
// where the functions below find it again in the executable file on disk.

inline constexpr std::string_view kVersionSectionName = ".chiffrel_version";

// ---- Building a block (at compile time for the program, at run time for tests) ----

struct VersionNode {
    std::vector<char16_t> key;
    std::vector<std::uint8_t> value;
    bool isText = false;
    std::vector<VersionNode> children;
};

// One entry of the translation table: a language and a code page, such as 040C and 04E4.
struct VersionTranslation {
    std::uint16_t language = 0;
    std::uint16_t codePage = 0;
};

namespace version_block_detail {

constexpr void AppendWord(std::vector<std::uint8_t>& out, std::uint32_t word) {
    out.push_back(static_cast<std::uint8_t>(word & 0xFFu));
    out.push_back(static_cast<std::uint8_t>((word >> 8) & 0xFFu));
}

constexpr void AppendDword(std::vector<std::uint8_t>& out, std::uint32_t dword) {
    AppendWord(out, dword & 0xFFFFu);
    AppendWord(out, dword >> 16);
}

constexpr void PadToDword(std::vector<std::uint8_t>& out) {
    while (out.size() % 4 != 0) {
        out.push_back(0);
    }
}

constexpr void PatchWord(std::vector<std::uint8_t>& out, std::size_t at, std::size_t word) {
    if (word > 0xFFFF) {
        throw std::length_error("version information node longer than 65535 bytes");
    }
    out[at] = static_cast<std::uint8_t>(word & 0xFFu);
    out[at + 1] = static_cast<std::uint8_t>(word >> 8);
}

constexpr void AppendNode(std::vector<std::uint8_t>& out, const VersionNode& node) {
    PadToDword(out);
    const std::size_t start = out.size();
    AppendWord(out, 0);  // total length, known once the children are written
    AppendWord(out, 0);  // value length: 16-bit characters for a text, bytes otherwise
    AppendWord(out, node.isText ? 1 : 0);
    for (const char16_t c : node.key) {
        AppendWord(out, c);
    }
    AppendWord(out, 0);
    if (!node.value.empty()) {
        PadToDword(out);
        out.insert(out.end(), node.value.begin(), node.value.end());
    }
    PatchWord(out, start + 2, node.isText ? node.value.size() / 2 : node.value.size());
    for (const VersionNode& child : node.children) {
        AppendNode(out, child);
    }
    PatchWord(out, start, out.size() - start);
}

}  // namespace version_block_detail

// A "String" node: `text` with its terminating zero.
constexpr VersionNode VersionTextEntry(std::u16string_view key, std::u16string_view text) {
    VersionNode node{{key.begin(), key.end()}, {}, true, {}};
    for (const char16_t c : text) {
        version_block_detail::AppendWord(node.value, c);
    }
    version_block_detail::AppendWord(node.value, 0);
    return node;
}

// "StringFileInfo" with one table per translation, each keyed like "040C04E4".
constexpr VersionNode VersionStringFileInfo(std::vector<VersionNode> tables) {
    constexpr std::u16string_view key = u"StringFileInfo";
    return VersionNode{{key.begin(), key.end()}, {}, false, std::move(tables)};
}

constexpr VersionNode VersionStringTable(std::u16string_view key,
                                         std::vector<VersionNode> entries) {
    return VersionNode{{key.begin(), key.end()}, {}, false, std::move(entries)};
}

// "VarFileInfo" holding the "Translation" table.
constexpr VersionNode VersionVarFileInfo(std::vector<VersionTranslation> translations) {
    constexpr std::u16string_view tableKey = u"Translation";
    constexpr std::u16string_view key = u"VarFileInfo";
    VersionNode table{{tableKey.begin(), tableKey.end()}, {}, false, {}};
    for (const VersionTranslation& t : translations) {
        version_block_detail::AppendWord(table.value, t.language);
        version_block_detail::AppendWord(table.value, t.codePage);
    }
    return VersionNode{{key.begin(), key.end()}, {}, false, {std::move(table)}};
}

// The root node "VS_VERSION_INFO" with its fixed file information (VS_FIXEDFILEINFO) for a
// file version and product version a.b.c.d.
constexpr VersionNode VersionInfoRoot(std::array<std::uint16_t, 4> fileVersion,
                                      std::vector<VersionNode> children) {
    using version_block_detail::AppendDword;
    const std::uint32_t mostSignificant = (std::uint32_t{fileVersion[0]} << 16) | fileVersion[1];
    const std::uint32_t leastSignificant = (std::uint32_t{fileVersion[2]} << 16) | fileVersion[3];
    constexpr std::u16string_view key = u"VS_VERSION_INFO";
    VersionNode root{{key.begin(), key.end()}, {}, false, std::move(children)};
    AppendDword(root.value, 0xFEEF04BDu);  // signature
    AppendDword(root.value, 0x00010000u);  // structure version 1.0
    AppendDword(root.value, mostSignificant);
    AppendDword(root.value, leastSignificant);
    AppendDword(root.value, mostSignificant);  // product version
    AppendDword(root.value, leastSignificant);
    AppendDword(root.value, 0x3Fu);     // flags mask
    AppendDword(root.value, 0);         // flags
    AppendDword(root.value, 0x40004u);  // 32-bit Windows NT
    AppendDword(root.value, 1);         // an application
    AppendDword(root.value, 0);         // subtype
    AppendDword(root.value, 0);         // date, high part
    AppendDword(root.value, 0);         // date, low part
    return root;
}

constexpr std::vector<std::uint8_t> SerializeVersionBlock(const VersionNode& root) {
    std::vector<std::uint8_t> out;
    version_block_detail::AppendNode(out, root);
    return out;
}

// ---- Reading a block back ----

// Size in bytes of the version information stored in the executable at `path`, or 0 when the
// file cannot be read, is not a little-endian 64-bit ELF file or has no well-formed block.
std::size_t FileVersionInfoSize(const std::string& path);

// Copies the file's version information into `block`, at most block.size() bytes.
// False when there is none.
bool ReadFileVersionInfo(const std::string& path, std::span<std::uint8_t> block);

// The value stored under `subBlock`, a path of keys separated by backslashes matched without
// regard to ASCII case: "\" is the fixed file information, "\VarFileInfo\Translation" the
// translation table, "\StringFileInfo\040C04E4\FileVersion" a text (UTF-16 with its
// terminating zero). Empty when the path is missing or the block is malformed.
std::span<const std::uint8_t> QueryVersionValue(std::span<const std::uint8_t> block,
                                                std::string_view subBlock);

// A text value as UTF-8, up to its terminating zero; empty when it is not valid UTF-16.
std::string VersionValueText(std::span<const std::uint8_t> value);

// The FileVersion text of the block's first translation, or the empty text.
std::string FileVersionOfBlock(std::span<const std::uint8_t> block);

// The FileVersion text of the executable at `executablePath`, or the empty text.
std::string GetVersion(const std::string& executablePath);

}  // namespace chiffrel
