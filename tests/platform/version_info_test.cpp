#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "platform/version_info.h"
#include "tests/support/scratch_directory.h"

namespace chiffrel {
namespace {

namespace fs = std::filesystem;

using Bytes = std::vector<std::uint8_t>;

constexpr VersionTranslation kFrench{0x040C, 0x04E4};
constexpr VersionTranslation kEnglishUnicode{0x0409, 0x04B0};

VersionNode Table(std::u16string_view key, std::u16string_view fileVersion) {
    return VersionStringTable(key, {VersionTextEntry(u"ProductName", u"Chiffrel"),
                                    VersionTextEntry(u"FileVersion", fileVersion)});
}

Bytes Block(std::vector<VersionNode> children) {
    return SerializeVersionBlock(VersionInfoRoot({1, 1, 2, 30}, std::move(children)));
}

struct LookupCase {
    const char* name;
    Bytes block;
    std::string fileVersion;
};

std::vector<LookupCase> LookupCases() {
    const std::u16string_view translationKey = u"Translation";
    const std::u16string_view varKey = u"VarFileInfo";
    VersionNode shortTranslation{
        {translationKey.begin(), translationKey.end()}, {0x09, 0x04}, false, {}};
    return {
        {"FrenchTable",
         Block({VersionStringFileInfo({Table(u"040C04E4", u"1.1.2.30")}),
                VersionVarFileInfo({kFrench})}),
         "1.1.2.30"},
        {"TableNamedByTheTranslationWithHexLetters",
         Block({VersionStringFileInfo(
                    {Table(u"040C04E4", u"1.1.2.30"), Table(u"040904B0", u"9.8.7.6")}),
                VersionVarFileInfo({kEnglishUnicode})}),
         "9.8.7.6"},
        {"FirstTranslationOnly",
         Block({VersionStringFileInfo(
                    {Table(u"040C04E4", u"1.1.2.30"), Table(u"040904B0", u"9.8.7.6")}),
                VersionVarFileInfo({kEnglishUnicode, kFrench})}),
         "9.8.7.6"},
        {"TableKeyInLowerCase",
         Block({VersionStringFileInfo({Table(u"040904b0", u"9.8.7.6")}),
                VersionVarFileInfo({kEnglishUnicode})}),
         "9.8.7.6"},
        {"VarFileInfoBeforeStringFileInfo",
         Block({VersionVarFileInfo({kFrench}),
                VersionStringFileInfo({Table(u"040C04E4", u"1.1.2.30")})}),
         "1.1.2.30"},
        {"NoTranslationTable", Block({VersionStringFileInfo({Table(u"040C04E4", u"1.1.2.30")})}),
         ""},
        {"EmptyTranslationTable",
         Block({VersionStringFileInfo({Table(u"040C04E4", u"1.1.2.30")}), VersionVarFileInfo({})}),
         ""},
        {"TranslationShorterThanOneEntry",
         Block({VersionStringFileInfo({Table(u"040904B0", u"9.8.7.6")}),
                VersionNode{{varKey.begin(), varKey.end()}, {}, false, {shortTranslation}}}),
         ""},
        {"NoTableForTheTranslation",
         Block({VersionStringFileInfo({Table(u"040C04E4", u"1.1.2.30")}),
                VersionVarFileInfo({kEnglishUnicode})}),
         ""},
        {"NoFileVersion",
         Block({VersionStringFileInfo({VersionStringTable(
                    u"040C04E4", {VersionTextEntry(u"ProductName", u"Chiffrel")})}),
                VersionVarFileInfo({kFrench})}),
         ""},
        {"EmptyFileVersion",
         Block({VersionStringFileInfo({Table(u"040C04E4", u"")}), VersionVarFileInfo({kFrench})}),
         ""},
        {"TextBeyondAscii",
         Block({VersionStringFileInfo({Table(u"040C04E4", u"1.0 b\u00eata \U0001F600")}),
                VersionVarFileInfo({kFrench})}),
         "1.0 b\u00eata \U0001F600"},
        {"LoneSurrogate",
         Block({VersionStringFileInfo({Table(u"040C04E4", std::u16string_view(u"\xD800"))}),
                VersionVarFileInfo({kFrench})}),
         ""},
    };
}

void PrintTo(const LookupCase& c, std::ostream* os) {
    *os << c.name;
}

class FileVersionLookupTest : public testing::TestWithParam<LookupCase> {};

TEST_P(FileVersionLookupTest, FollowsTheFirstTranslation) {
    EXPECT_EQ(FileVersionOfBlock(GetParam().block), GetParam().fileVersion);
}

INSTANTIATE_TEST_SUITE_P(Blocks, FileVersionLookupTest, testing::ValuesIn(LookupCases()),
                         [](const auto& info) { return std::string(info.param.name); });

Bytes FrenchBlock() {
    return Block(
        {VersionStringFileInfo({Table(u"040C04E4", u"1.1.2.30")}), VersionVarFileInfo({kFrench})});
}

TEST(VersionBlockTest, EveryTruncationIsRejectedSafely) {
    const Bytes full = FrenchBlock();
    for (std::size_t size = 0; size < full.size(); ++size) {
        const Bytes cut(full.begin(), full.begin() + static_cast<std::ptrdiff_t>(size));
        EXPECT_EQ(FileVersionOfBlock(cut), "") << "cut to " << size << " bytes";
    }
}

TEST(VersionBlockTest, CorruptedWordsNeverLeadOutsideTheBlock) {
    const Bytes full = FrenchBlock();
    const Bytes text{'1', 0, '.', 0, '1', 0, '.', 0, '2', 0, '.', 0, '3', 0, '0', 0, 0, 0};
    const auto textAt = static_cast<std::size_t>(
        std::search(full.begin(), full.end(), text.begin(), text.end()) - full.begin());
    ASSERT_LT(textAt, full.size());
    // Every 16-bit word outside the version text in turn set to 0xFFFF: the reader must stay
    // inside the block (the sanitizers watch the reads) and find at most the stored text.
    for (std::size_t at = 0; at + 1 < full.size(); at += 2) {
        if (at >= textAt && at < textAt + text.size()) {
            continue;
        }
        Bytes corrupted = full;
        corrupted[at] = 0xFF;
        corrupted[at + 1] = 0xFF;
        EXPECT_TRUE(std::string("1.1.2.30").starts_with(FileVersionOfBlock(corrupted))) << at;
    }
}

TEST(VersionBlockTest, RootHoldsTheFixedFileInformation) {
    const Bytes block = FrenchBlock();
    const auto fixed = QueryVersionValue(block, "\\");
    ASSERT_EQ(fixed.size(), 52u);
    const Bytes expectedStart{0xBD, 0x04, 0xEF, 0xFE, 0x00, 0x00, 0x01, 0x00,
                              0x01, 0x00, 0x01, 0x00, 0x1E, 0x00, 0x02, 0x00};
    EXPECT_EQ(Bytes(fixed.begin(), fixed.begin() + 16), expectedStart);
}

TEST(VersionBlockTest, TranslationIsStoredLowByteFirst) {
    const Bytes block = FrenchBlock();
    const auto translation = QueryVersionValue(block, "\\VarFileInfo\\Translation");
    EXPECT_EQ(Bytes(translation.begin(), translation.end()), (Bytes{0x0C, 0x04, 0xE4, 0x04}));
}

fs::path OwnExecutable() {
    return fs::read_symlink("/proc/self/exe");
}

Bytes ReadAll(const fs::path& file) {
    std::ifstream stream(file, std::ios::binary);
    return Bytes(std::istreambuf_iterator<char>(stream), {});
}

void WriteAll(const fs::path& file, const Bytes& bytes) {
    std::ofstream stream(file, std::ios::binary);
    stream.write(reinterpret_cast<const char*>(bytes.data()),
                 static_cast<std::streamsize>(bytes.size()));
}

TEST(ExecutableVersionTest, ReadsTheProgramBlockFromTheFileOnDisk) {
    const std::string exe = OwnExecutable().string();
    EXPECT_EQ(GetVersion(exe), "1.1.2.30");

    Bytes block(FileVersionInfoSize(exe));
    ASSERT_TRUE(ReadFileVersionInfo(exe, block));
    EXPECT_EQ(VersionValueText(QueryVersionValue(block, "\\StringFileInfo\\040C04E4\\ProductName")),
              "Chiffrel");
    EXPECT_EQ(
        VersionValueText(QueryVersionValue(block, "\\StringFileInfo\\040C04E4\\FileDescription")),
        "Chiffrel");
    const auto fixed = QueryVersionValue(block, "\\");
    ASSERT_EQ(fixed.size(), 52u);
    EXPECT_EQ(Bytes(fixed.begin() + 8, fixed.begin() + 16),
              (Bytes{0x01, 0x00, 0x01, 0x00, 0x1E, 0x00, 0x02, 0x00}));
}

TEST(ExecutableVersionTest, FilesWithoutTheBlockGiveNoVersion) {
    testing_support::ScratchDirectory scratch("version-info");
    const Bytes exe = ReadAll(OwnExecutable());
    ASSERT_GT(exe.size(), 4096u);

    const fs::path truncated = scratch.path() / "truncated";
    WriteAll(truncated, Bytes(exe.begin(), exe.begin() + 4096));

    // The same executable with its version section renamed.
    Bytes renamed = exe;
    const std::string name(kVersionSectionName);
    auto at = renamed.begin();
    int replaced = 0;
    while ((at = std::search(at, renamed.end(), name.begin(), name.end())) != renamed.end()) {
        *(at + 1) = 'X';
        ++replaced;
    }
    ASSERT_GT(replaced, 0);
    const fs::path otherSection = scratch.path() / "other-section";
    WriteAll(otherSection, renamed);

    const fs::path text = scratch.path() / "history.txt";
    WriteAll(text, Bytes(200, 'a'));

    for (const fs::path& file :
         {truncated, otherSection, text, scratch.path() / "missing", scratch.path()}) {
        EXPECT_EQ(FileVersionInfoSize(file.string()), 0u) << file;
        EXPECT_EQ(GetVersion(file.string()), "") << file;
    }
}

}  // namespace
}  // namespace chiffrel
