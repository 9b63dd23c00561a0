#include "platform/private_profile.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <filesystem>
#include <random>
#include <string>

#include "tests/platform/profile_file_fixture.h"

namespace chiffrel {
namespace {

namespace fs = std::filesystem;
using namespace profile_testing;
using namespace std::string_literals;

// The bytes of a UTF-16 little-endian file with its byte-order mark, as Windows writes them.
std::string Utf16File(std::u16string_view text) {
    std::string bytes = "\xFF\xFE";
    for (const char16_t unit : text) {
        bytes += static_cast<char>(unit & 0xFF);
        bytes += static_cast<char>(unit >> 8);
    }
    return bytes;
}

// ---- Reading --------------------------------------------------------------------------------

struct ReadCase {
    const char* what;
    std::string file;
    const char* section;
    const char* key;
    std::string expected;
};

class ReadRules : public ProfileFileTest, public ::testing::WithParamInterface<ReadCase> {};

TEST_P(ReadRules, GivesTheValueOrTheDefault) {
    Store(file_, GetParam().file);
    EXPECT_EQ(Read(GetParam().section, GetParam().key), GetParam().expected) << GetParam().what;
}

INSTANTIATE_TEST_SUITE_P(
    Profile, ReadRules,
    ::testing::Values(
        ReadCase{"plain", "[A]\nk=v\n", "A", "k", "v"},
        ReadCase{"missing key", "[A]\nk=v\n", "A", "other", "default"},
        ReadCase{"missing section", "[A]\nk=v\n", "B", "k", "default"},
        ReadCase{"empty file", "", "A", "k", "default"},
        ReadCase{"key present, empty", "[A]\nk=\n", "A", "k", ""},
        ReadCase{"key present, only blanks", "[A]\nk=   \n", "A", "k", ""},
        ReadCase{"names ignore case", "[reglages]\nttc-ht=1\n", "Reglages", "TTC-HT", "1"},
        ReadCase{"blanks around names and value", "  [ A ]  \n\t k \t=  v w \t\n", "A", "k", "v w"},
        ReadCase{"double quotes", "[A]\nk = \" v \"\n", "A", "k", " v "},
        ReadCase{"single quotes", "[A]\nk='v'\n", "A", "k", "v"},
        ReadCase{"quoted empty", "[A]\nk=\"\"\n", "A", "k", ""},
        ReadCase{"mismatched quotes kept", "[A]\nk=\"v'\n", "A", "k", "\"v'"},
        ReadCase{"lone quote kept", "[A]\nk=\"\n", "A", "k", "\""},
        ReadCase{"comment skipped", "[A]\n;k=1\n  ;k=2\nk=3\n", "A", "k", "3"},
        ReadCase{"semicolon inside a value kept", "[A]\nk=1;2\n", "A", "k", "1;2"},
        ReadCase{"equals inside a value kept", "[A]\nk=a=b\n", "A", "k", "a=b"},
        ReadCase{"line without equals skipped", "[A]\nk\nk=v\n", "A", "k", "v"},
        ReadCase{"text after ] ignored", "[A] ; note\nk=v\n", "A", "k", "v"},
        ReadCase{"key before any section", "k=v\n[A]\n", "A", "k", "default"},
        ReadCase{"key of another section", "[A]\n[B]\nk=v\n", "A", "k", "default"},
        ReadCase{"CRLF line ends", "[A]\r\nk=v\r\n", "A", "k", "v"},
        ReadCase{"CR line ends", "[B]\rk=1\r[A]\rk=v\r", "A", "k", "v"},
        ReadCase{"lone CR inside a value of an LF file kept", "[A]\nk=a\rb\n", "A", "k", "a\rb"},
        ReadCase{"no final line end", "[A]\nk=v", "A", "k", "v"},
        ReadCase{"byte-order mark", "\xEF\xBB\xBF[A]\r\nk=v\r\n", "A", "k", "v"},
        ReadCase{"Windows-1252 passed through", "[A]\nk=caf\xE9 \x80\n", "A", "k", "caf\xE9 \x80"},
        ReadCase{"first key wins", "[A]\nk=1\nK=2\n", "A", "k", "1"},
        ReadCase{"first section wins", "[A]\nk=1\n[a]\nk=2\n", "A", "k", "1"},
        ReadCase{"later duplicate section not searched", "[A]\n[B]\n[A]\nk=2\n", "A", "k",
                 "default"},
        ReadCase{"header without ] names no section", "[A\nk=v\n", "A", "k", "default"},
        ReadCase{"header without ] ends the section", "[A]\n[B\nk=v\n", "A", "k", "default"},
        ReadCase{"value cut to 1023", "[A]\nk=" + std::string(1500, 'x') + "\n", "A", "k",
                 std::string(1023, 'x')},
        ReadCase{"value of exactly 1023 kept", "[A]\nk=" + std::string(1023, 'y') + "\n", "A", "k",
                 std::string(1023, 'y')},
        ReadCase{"line of 100000 characters before the key",
                 "[A]\n" + std::string(100000, 'z') + "\nk=v\n", "A", "k", "v"},
        ReadCase{"garbage with NUL bytes before the section",
                 "\x01\x00\xFF[\x00]=\n\x7F"s + "\n[A]\nk=v\n", "A", "k", "v"},
        ReadCase{"UTF-16 file in code page 1252", Utf16File(u"[a]\r\nK = caf\u00E9 5 \u20AC\r\n"),
                 "A", "k", "caf\xE9 5 \x80"},
        ReadCase{"UTF-16 characters beyond code page 1252",
                 Utf16File(u"[A]\nk=\u0100\U0001F600\u2026\n"), "A", "k", "??\x85"},
        ReadCase{"UTF-16 file with an odd last byte", Utf16File(u"[A]\nk=v\n") + "x", "A", "k",
                 "v"},
        ReadCase{"UTF-8 file in code page 1252", "\xEF\xBB\xBF[A]\nk=\xC5\x93uvre \xE2\x82\xAC\n",
                 "A", "k", "\x9Cuvre \x80"},
        ReadCase{"UTF-8 file with 8-bit bytes", "\xEF\xBB\xBF[A]\nk=caf\xE9\n", "A", "k",
                 "caf\xE9"}),
    [](const auto& info) { return "Case" + std::to_string(info.index); });

TEST_F(ProfileFileTest, MissingFileGivesTheDefaultAndCreatesNothing) {
    EXPECT_EQ(Read("A", "k"), "default");
    EXPECT_FALSE(fs::exists(file_));
}

TEST_F(ProfileFileTest, DefaultIsCutLikeAValue) {
    EXPECT_EQ(ReadProfileString(file_, "A", "k", std::string(2000, 'd')), std::string(1023, 'd'));
}

TEST_F(ProfileFileTest, PathThatIsADirectoryGivesTheDefault) {
    fs::create_directory(file_);
    EXPECT_EQ(Read("A", "k"), "default");
}

TEST_F(ProfileFileTest, FifoAtThePathDoesNotBlock) {
    ASSERT_EQ(::mkfifo(file_.c_str(), 0600), 0);
    EXPECT_EQ(Read("A", "k"), "default");
    EXPECT_THROW(WriteProfileString(file_, "A", "k", "v"), ProfileWriteError);
}

TEST_F(ProfileFileTest, EachReadSeesTheFileAsItIsNow) {
    Store(file_, "[A]\nk=1\n");
    EXPECT_EQ(Read("A", "k"), "1");
    Store(file_, "[A]\nk=2\n");
    EXPECT_EQ(Read("A", "k"), "2");
    fs::remove(file_);
    EXPECT_EQ(Read("A", "k"), "default");
}

// A file of exactly `size` bytes: `start`, filler lines, then `end`.
std::string FileOfSize(std::size_t size, const std::string& start, const std::string& end) {
    std::string text = start + "[Big]\n";
    const std::string filler = "key_number_that_is_rather_long=some value here\n";
    while (text.size() + filler.size() + 2 + end.size() <= size) {
        text += filler;
    }
    text += std::string(size - text.size() - end.size() - 1, ';') + "\n";
    return text + end;
}

// Of a file over the size limit, reads take the whole lines of its first kProfileFileMaxSize
// bytes; it is never rewritten.
TEST_F(ProfileFileTest, TenMegabyteFileIsReadToTheSizeLimitAndNotRewritten) {
    const std::string beyond = "[Far]\nk=v\n";
    const std::string text =
        FileOfSize(kProfileFileMaxSize + 4, "[A]\nk=found\n", "[C]\ncut=123456789\n") +
        std::string(10 * 1024 * 1024, 'z') + "\n" + beyond;
    Store(file_, text);
    EXPECT_EQ(Read("A", "k"), "found");
    EXPECT_EQ(Read("C", "cut"), "default") << "a line cut at the limit is no line";
    EXPECT_EQ(Read("Far", "k"), "default");
    ExpectWriteError(file_);
    EXPECT_EQ(Contents(file_), text);
}

// A file of exactly the size limit is read whole and saved, unless the save makes it larger.
TEST_F(ProfileFileTest, FileOfTheSizeLimitIsSavedUnlessItGrows) {
    const std::string text = FileOfSize(kProfileFileMaxSize, "", "[A]\nk=1\n");
    Store(file_, text);
    EXPECT_EQ(Read("A", "k"), "1");
    WriteProfileString(file_, "A", "k", "2");
    EXPECT_EQ(Read("A", "k"), "2");
    ExpectWriteError(file_, "22");
    EXPECT_EQ(Read("A", "k"), "2");
}

TEST_F(ProfileFileTest, RandomBytesNeitherCrashNorHang) {
    std::mt19937 random(12345);
    for (int round = 0; round < 20; ++round) {
        std::string bytes(4096, '\0');
        for (char& c : bytes) {
            c = static_cast<char>(random() % 8 == 0 ? "[]=;\r\n\"'"[random() % 8] : random());
        }
        Store(file_, bytes);
        EXPECT_LE(Read("A", "k").size(), kProfileValueMaxLength);
        WriteProfileString(file_, "A", "k", "v");
        EXPECT_EQ(Read("A", "k"), "v");
    }
}

// ---- Writing --------------------------------------------------------------------------------

struct WriteCase {
    const char* what;
    std::string before;
    const char* section;
    const char* key;
    const char* value;
    std::string after;
};

class WriteRules : public ProfileFileTest, public ::testing::WithParamInterface<WriteCase> {};

TEST_P(WriteRules, ChangesOnlyWhatItMust) {
    Store(file_, GetParam().before);
    WriteProfileString(file_, GetParam().section, GetParam().key, GetParam().value);
    EXPECT_EQ(Contents(file_), GetParam().after) << GetParam().what;
    EXPECT_EQ(Read(GetParam().section, GetParam().key), GetParam().value) << GetParam().what;
}

TEST_F(ProfileFileTest, BlanksAroundAWrittenValueDoNotPileUp) {
    Store(file_, "[A]\nk = 1\n");
    WriteProfileString(file_, "A", "k", " 2 ");
    WriteProfileString(file_, "A", "k", " 2 ");
    EXPECT_EQ(Contents(file_), "[A]\nk = 2\n");
    EXPECT_EQ(Read("A", "k"), "2");
}

INSTANTIATE_TEST_SUITE_P(
    Profile, WriteRules,
    ::testing::Values(
        WriteCase{"value replaced", "[A]\nk=1\n", "A", "k", "2", "[A]\nk=2\n"},
        WriteCase{"spelling and spacing of the line kept", "[a]\n  Key =  old  \r\n", "A", "KEY",
                  "new", "[a]\n  Key =  new  \r\n"},
        WriteCase{"quoted value replaced whole", "[A]\nk=\"old\"\n", "A", "k", "new",
                  "[A]\nk=new\n"},
        WriteCase{"empty value replaced", "[A]\nk=\nj=1\n", "A", "k", "v", "[A]\nk=v\nj=1\n"},
        WriteCase{"value emptied", "[A]\nk=1\n", "A", "k", "", "[A]\nk=\n"},
        WriteCase{"only the first key replaced", "[A]\nk=1\nk=2\n", "A", "k", "3",
                  "[A]\nk=3\nk=2\n"},
        WriteCase{"only the first section changed", "[A]\nj=1\n[A]\nk=2\n", "A", "k", "3",
                  "[A]\nj=1\nk=3\n[A]\nk=2\n"},
        WriteCase{"key added after the last entry of its section",
                  "[A]\nj=1\n\n; about B\n[B]\nk=2\n", "A", "k", "v",
                  "[A]\nj=1\nk=v\n\n; about B\n[B]\nk=2\n"},
        WriteCase{"key added under an empty section", "[A]\n\n[B]\n", "A", "k", "v",
                  "[A]\nk=v\n\n[B]\n"},
        WriteCase{"key added before a header without ]", "[A]\nj=1\n[B\n", "A", "k", "v",
                  "[A]\nj=1\nk=v\n[B\n"},
        WriteCase{"section added at the end", "[B]\nj=1\n", "A", "k", "v", "[B]\nj=1\n[A]\nk=v\n"},
        WriteCase{"unterminated last line ended first", "[A]\nj=1", "A", "k", "v",
                  "[A]\nj=1\nk=v\n"},
        WriteCase{"CRLF file gets CRLF lines", "[B]\r\nj=1\r\n", "A", "k", "v",
                  "[B]\r\nj=1\r\n[A]\r\nk=v\r\n"},
        WriteCase{"CR file: value replaced, not added again", "[A]\rk=1\r", "A", "k", "2",
                  "[A]\rk=2\r"},
        WriteCase{"CR file gets CR lines", "[B]\rj=1", "A", "k", "v", "[B]\rj=1\r[A]\rk=v\r"},
        WriteCase{"byte-order mark kept, section found behind it", "\xEF\xBB\xBF[A]\nk=1\n", "A",
                  "k", "2", "\xEF\xBB\xBF[A]\nk=2\n"},
        WriteCase{"Windows-1252 value written as it is", "", "A", "k", "caf\xE9 5 \x80",
                  "[A]\nk=caf\xE9 5 \x80\n"},
        WriteCase{"UTF-16 file stays UTF-16", Utf16File(u"; \u2014 \U0001F600\r\n[A]\r\nk=1\r\n"),
                  "A", "k", "5 \x80", Utf16File(u"; \u2014 \U0001F600\r\n[A]\r\nk=5 \u20AC\r\n")},
        WriteCase{"UTF-16 section added in UTF-16", Utf16File(u"[B]\r\nj=\xD800\r\n") + "x", "A",
                  "k", "\x9C", Utf16File(u"[B]\r\nj=\xD800\r\n[A]\r\nk=\u0153\r\n") + "x"},
        WriteCase{"UTF-8 file gets UTF-8", "\xEF\xBB\xBF[A]\nk=1\n", "A", "k", "5 \x80",
                  "\xEF\xBB\xBF[A]\nk=5 \xE2\x82\xAC\n"}),
    [](const auto& info) { return "Case" + std::to_string(info.index); });

TEST_F(ProfileFileTest, WriteCreatesTheFile) {
    WriteProfileString(file_, "Conversion_Euro", "ValeurEuro", "6.47551");
    EXPECT_EQ(Contents(file_), "[Conversion_Euro]\nValeurEuro=6.47551\n");
}

TEST_F(ProfileFileTest, ValueStopsAtItsFirstLineBreak) {
    WriteProfileString(file_, "A", "k", "1\n[Reglages]\r\nCopiePressePapier=1");
    EXPECT_EQ(Contents(file_), "[A]\nk=1\n");
    EXPECT_EQ(ReadProfileString(file_, "Reglages", "CopiePressePapier", "0"), "0");
}

TEST_F(ProfileFileTest, AnotherProgramsContentSurvivesOurWrites) {
    const std::string foreign =
        "\xEF\xBB\xBF; Written by hand\r\n"
        "[Autre_Programme]\r\n"
        "Option = \"garder ceci\"   \r\n"
        "\r\n"
        "[conversion_euro]\r\n"
        "   VALEUREURO   =   6.55957   ; francs\r\n"
        "Inconnue=caf\xE9\r\n"
        "ligne sans egal\r\n"
        "[Reglages]\r\n"
        "TTC-HT=1\r\n";
    Store(file_, foreign);
    WriteProfileString(file_, "Conversion_Euro", "ValeurEuro", "6.47551");
    WriteProfileString(file_, "Reglages", "CopiePressePapier", "1");
    WriteProfileString(file_, "Reglages", "TTC-HT", "0");
    WriteProfileString(file_, "Valeur_TEG", "TauxTEG", "12,5");
    EXPECT_EQ(Contents(file_),
              "\xEF\xBB\xBF; Written by hand\r\n"
              "[Autre_Programme]\r\n"
              "Option = \"garder ceci\"   \r\n"
              "\r\n"
              "[conversion_euro]\r\n"
              "   VALEUREURO   =   6.47551\r\n"
              "Inconnue=caf\xE9\r\n"
              "ligne sans egal\r\n"
              "[Reglages]\r\n"
              "TTC-HT=0\r\n"
              "CopiePressePapier=1\r\n"
              "[Valeur_TEG]\r\n"
              "TauxTEG=12,5\r\n");
    EXPECT_EQ(ReadProfileString(file_, "Autre_Programme", "Option", ""), "garder ceci");
}

}  // namespace
}  // namespace chiffrel
