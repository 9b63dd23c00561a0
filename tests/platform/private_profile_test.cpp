#include "platform/private_profile.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/file.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <array>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <random>
#include <sstream>
#include <string>

#include "tests/support/scratch_directory.h"

namespace chiffrel {
namespace {

namespace fs = std::filesystem;
using namespace std::string_literals;

std::string Contents(const fs::path& file) {
    std::ifstream in(file, std::ios::binary);
    std::ostringstream out;
    out << in.rdbuf();
    return out.str();
}

void Store(const fs::path& file, const std::string& bytes) {
    std::ofstream(file, std::ios::binary | std::ios::trunc) << bytes;
}

// The bytes of a UTF-16 little-endian file with its byte-order mark, as Windows writes them.
std::string Utf16File(std::u16string_view text) {
    std::string bytes = "\xFF\xFE";
    for (const char16_t unit : text) {
        bytes += static_cast<char>(unit & 0xFF);
        bytes += static_cast<char>(unit >> 8);
    }
    return bytes;
}

// Runs `body` in a child process and gives its exit status, or 128 + the signal that ended it.
int InChildProcess(const std::function<int()>& body) {
    const pid_t child = ::fork();
    if (child == 0) {
        int status = 2;
        try {
            status = body();
        } catch (...) {
        }
        ::_exit(status);
    }
    int status = 0;
    ::waitpid(child, &status, 0);
    return WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
}

class ProfileFileTest : public ::testing::Test {
  protected:
    std::string Read(std::string_view section, std::string_view key) const {
        return ReadProfileString(file_, section, key, "default");
    }
    // The temporary files of saves of the file, left behind.
    std::vector<std::string> Temporaries() const {
        std::vector<std::string> names;
        for (const auto& entry : fs::directory_iterator(directory_)) {
            const std::string name = entry.path().filename().string();
            if (name.starts_with(".CHIFFREL.INI.tmp-")) {
                names.push_back(name);
            }
        }
        return names;
    }

    testing_support::ScratchDirectory scratch_{"profile-test"};
    const fs::path& directory_ = scratch_.path();
    fs::path file_ = directory_ / "CHIFFREL.INI";
};

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

TEST_F(ProfileFileTest, TenMegabyteFileIsReadToItsEnd) {
    std::string text = "[Big]\n";
    const std::string filler = "key_number_that_is_rather_long=some value here\n";
    while (text.size() < 10 * 1024 * 1024) {
        text += filler;
    }
    text += "[A]\nk=found\n";
    Store(file_, text);
    EXPECT_EQ(Read("A", "k"), "found");
    EXPECT_EQ(Read("A", "missing"), "default");
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

TEST_F(ProfileFileTest, ReplacementKeepsThePermissions) {
    Store(file_, "[A]\nk=1\n");
    fs::permissions(file_, fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read);
    WriteProfileString(file_, "A", "k", "2");
    EXPECT_EQ(fs::status(file_).permissions() & fs::perms::all,
              fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read);
}

TEST_F(ProfileFileTest, NewFileFollowsTheUmask) {
    const mode_t previous = ::umask(027);
    WriteProfileString(file_, "A", "k", "v");
    ::umask(previous);
    EXPECT_EQ(fs::status(file_).permissions() & fs::perms::all,
              fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read);
}

// ---- Failed writes --------------------------------------------------------------------------

void ExpectWriteError(const fs::path& file, const std::string& value = "v") {
    try {
        WriteProfileString(file, "A", "k", value);
        ADD_FAILURE() << "the write to " << file << " did not fail";
    } catch (const ProgramError& error) {
        EXPECT_EQ(std::string(error.what()), "Ne peut écrire dans CHIFFREL.INI");
        EXPECT_NE(dynamic_cast<const ProfileWriteError*>(&error), nullptr);
    }
}

TEST_F(ProfileFileTest, UnwritableDirectoryRaisesTheError) {
    const fs::path notADirectory = directory_ / "plain-file";
    Store(notADirectory, "x");
    ExpectWriteError(notADirectory / "CHIFFREL.INI");
    EXPECT_EQ(Contents(notADirectory), "x");
}

TEST_F(ProfileFileTest, MissingDirectoryRaisesTheError) {
    ExpectWriteError(directory_ / "missing" / "CHIFFREL.INI");
    EXPECT_FALSE(fs::exists(directory_ / "missing"));
}

TEST_F(ProfileFileTest, PathThatIsADirectoryRaisesTheErrorAndStaysADirectory) {
    fs::create_directory(file_);
    Store(file_ / "inside", "kept");
    ExpectWriteError(file_);
    EXPECT_EQ(Contents(file_ / "inside"), "kept");
    EXPECT_EQ(Temporaries(), std::vector<std::string>{});
}

TEST_F(ProfileFileTest, ReadOnlyFileIsLeftAlone) {
    if (::geteuid() == 0) {
        GTEST_SKIP() << "file permissions do not bind the superuser";
    }
    Store(file_, "[A]\nk=1\n");
    fs::permissions(file_, fs::perms::owner_read);
    ExpectWriteError(file_);
    EXPECT_EQ(Contents(file_), "[A]\nk=1\n");
}

// A file-size limit (ulimit -f) stops write() part-way, as a full disk does, and raises
// SIGXFSZ, which by default ends the process. The child starts with that default.
TEST_F(ProfileFileTest, FileSizeLimitFailsTheWriteAndLeavesTheOldFileIntact) {
    const std::string before = "; mine\n[A]\nk=1\n";
    Store(file_, before);
    const int status = InChildProcess([this] {
        ::signal(SIGXFSZ, SIG_DFL);
        const rlimit limited{64, 64};
        ::setrlimit(RLIMIT_FSIZE, &limited);
        try {
            WriteProfileString(file_, "A", "k", std::string(100, 'v'));
            return 1;
        } catch (const ProfileWriteError&) {
        }
        // Ignored, the signal would stay ignored in the programs this one starts.
        struct sigaction now {};
        ::sigaction(SIGXFSZ, nullptr, &now);
        return now.sa_handler == SIG_IGN ? 3 : 0;
    });
    EXPECT_EQ(status, 0) << "1: the write succeeded, 3: the signal is ignored, "
                            "128 + n: signal n ended the process";
    EXPECT_EQ(Contents(file_), before);
    EXPECT_EQ(Temporaries(), std::vector<std::string>{});
}

// Links are followed to the file that gets the value, which is created when it is missing; its
// lock file and temporaries go beside it.
struct LinkCase {
    const char* what;
    std::vector<std::pair<std::string, std::string>> links;  // name, what it points to
    std::string real;
    bool realExists;
};

class LinkRules : public ProfileFileTest, public ::testing::WithParamInterface<LinkCase> {};

TEST_P(LinkRules, WriteUpdatesTheFileTheLinkNamesAndKeepsTheLink) {
    const LinkCase& c = GetParam();
    fs::create_directory(directory_ / "sub");
    for (const auto& [name, pointsTo] : c.links) {
        fs::create_symlink(pointsTo == "<absolute>" ? directory_ / c.real : fs::path(pointsTo),
                           directory_ / name);
    }
    if (c.realExists) {
        Store(directory_ / c.real, "[A]\nk=1\n");
    }
    WriteProfileString(file_, "A", "k", "2");
    EXPECT_TRUE(fs::is_symlink(file_)) << c.what;
    EXPECT_EQ(Contents(directory_ / c.real), "[A]\nk=2\n") << c.what;
    const fs::path real = directory_ / c.real;
    EXPECT_TRUE(fs::exists(real.parent_path() / ("." + real.filename().string() + ".lock")))
        << c.what;
}

INSTANTIATE_TEST_SUITE_P(
    Profile, LinkRules,
    ::testing::Values(LinkCase{"absolute link", {{"CHIFFREL.INI", "<absolute>"}}, "real.ini", true},
                      LinkCase{"relative link into a directory",
                               {{"CHIFFREL.INI", "sub/real.ini"}},
                               "sub/real.ini",
                               true},
                      LinkCase{"link to a link",
                               {{"CHIFFREL.INI", "sub/link.ini"}, {"sub/link.ini", "../real.ini"}},
                               "real.ini",
                               true},
                      LinkCase{"link to a file not there yet",
                               {{"CHIFFREL.INI", "sub/new.ini"}},
                               "sub/new.ini",
                               false}),
    [](const auto& info) { return "Case" + std::to_string(info.index); });

// Owner and group stay where the writer may set them; otherwise the writer's own are used.
struct OwnerCase {
    const char* what;
    uid_t writer;
    uid_t ownerBefore;
    gid_t groupBefore;
    uid_t ownerAfter;
    gid_t groupAfter;
};

class OwnerRules : public ProfileFileTest, public ::testing::WithParamInterface<OwnerCase> {};

TEST_P(OwnerRules, ReplacementKeepsOwnerGroupAndMode) {
    const OwnerCase& c = GetParam();
    if (::geteuid() != 0) {
        GTEST_SKIP() << "only the superuser can set up files of other users";
    }
    Store(file_, "[A]\nk=1\n");
    ASSERT_EQ(::chown(file_.c_str(), c.ownerBefore, c.groupBefore), 0);
    fs::permissions(file_, fs::perms::all & ~fs::perms::owner_exec & ~fs::perms::group_exec &
                               ~fs::perms::others_exec);
    fs::permissions(directory_, fs::perms::all);
    const int status = InChildProcess([this, &c] {
        if (c.writer != 0 && (::setgid(c.writer) != 0 || ::setuid(c.writer) != 0)) {
            return 3;
        }
        WriteProfileString(file_, "A", "k", "2");
        return 0;
    });
    ASSERT_EQ(status, 0) << c.what;
    struct stat after {};
    ASSERT_EQ(::stat(file_.c_str(), &after), 0);
    EXPECT_EQ(after.st_uid, c.ownerAfter) << c.what;
    EXPECT_EQ(after.st_gid, c.groupAfter) << c.what;
    EXPECT_EQ(after.st_mode & 07777, 0666u) << c.what;
    EXPECT_EQ(Contents(file_), "[A]\nk=2\n") << c.what;
}

INSTANTIATE_TEST_SUITE_P(
    Profile, OwnerRules,
    ::testing::Values(
        OwnerCase{"the superuser keeps another user's file theirs", 0, 4321, 8765, 4321, 8765},
        OwnerCase{"a user who may not give the file away gets it", 4321, 1234, 1234, 4321, 4321}),
    [](const auto& info) { return "Case" + std::to_string(info.index); });

// ---- One writer at a time -------------------------------------------------------------------

TEST_F(ProfileFileTest, LockKeptBeyondTheWaitingLimitFailsTheWrite) {
    Store(file_, "[A]\nk=1\n");
    // Another writer's lock, on an open file description of its own.
    const int other = ::open((directory_ / ".CHIFFREL.INI.lock").c_str(), O_RDONLY | O_CREAT, 0644);
    ASSERT_EQ(::flock(other, LOCK_EX), 0);
    ExpectWriteError(file_);
    ::close(other);
    EXPECT_EQ(Contents(file_), "[A]\nk=1\n");
}

// A byte through a pipe: how the two writers start each round together.
class Signal {
  public:
    Signal() { EXPECT_EQ(::pipe(ends_.data()), 0); }
    ~Signal() {
        ::close(ends_[0]);
        ::close(ends_[1]);
    }
    void Raise() { EXPECT_EQ(::write(ends_[1], "x", 1), 1); }
    bool Wait() {
        char byte;
        return ::read(ends_[0], &byte, 1) == 1;
    }

  private:
    std::array<int, 2> ends_{};
};

// One process saves the eight keys of the configuration dialog while another writes its own
// key eight times: at the end of every round, both sets of values are in the file.
TEST_F(ProfileFileTest, TwoProcessesWritingAtOnceLoseNoUpdate) {
    constexpr int kRounds = 100;
    Signal go;
    Signal done;
    const pid_t other = ::fork();
    if (other == 0) {
        try {
            for (int round = 0; round < kRounds && go.Wait(); ++round) {
                for (int write = 0; write < 8; ++write) {
                    WriteProfileString(file_, "Autre", "Compteur", std::to_string(write));
                }
                done.Raise();
            }
        } catch (...) {
        }
        ::_exit(0);
    }
    int lost = 0;
    for (int round = 0; round < kRounds; ++round) {
        Store(file_, "");
        go.Raise();
        for (int key = 0; key < 8; ++key) {
            WriteProfileString(file_, "Dialogue", "Cle" + std::to_string(key),
                               "r" + std::to_string(round));
        }
        ASSERT_TRUE(done.Wait()) << "the other writer stopped in round " << round;
        bool complete = Read("Autre", "Compteur") == "7";
        for (int key = 0; key < 8; ++key) {
            complete = complete &&
                       Read("Dialogue", "Cle" + std::to_string(key)) == "r" + std::to_string(round);
        }
        lost += complete ? 0 : 1;
    }
    ::waitpid(other, nullptr, 0);
    EXPECT_EQ(lost, 0) << "rounds that lost an update, out of " << kRounds;
}

// ---- Temporary files of saves that died -----------------------------------------------------

TEST_F(ProfileFileTest, NextSaveRemovesTheTemporariesOfDeadSavesOnly) {
    const std::vector<std::string> orphans = {".CHIFFREL.INI.tmp-123-4",
                                              ".CHIFFREL.INI.tmp-99999-17"};
    const std::vector<std::string> others = {".CHIFFREL.INI.tmp-12x-4", ".CHIFFREL.INI.tmp-1",
                                             ".CHIFFREL.INI.tmp-1-2.bak", ".OTHER.INI.tmp-1-2",
                                             "CHIFFREL.INI.tmp-1-2"};
    for (const std::string& name : orphans) {
        Store(directory_ / name, "[A]\nk=half");
    }
    for (const std::string& name : others) {
        Store(directory_ / name, "kept");
    }
    WriteProfileString(file_, "A", "k", "v");
    for (const std::string& name : orphans) {
        EXPECT_FALSE(fs::exists(directory_ / name)) << name;
    }
    for (const std::string& name : others) {
        EXPECT_EQ(Contents(directory_ / name), "kept") << name;
    }
}

}  // namespace
}  // namespace chiffrel
