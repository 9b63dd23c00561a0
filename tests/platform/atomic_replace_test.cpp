// The safe save of a file, through the writes of settings values that use it.
#include "platform/atomic_replace.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/file.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <array>
#include <filesystem>
#include <functional>
#include <string>
#include <utility>
#include <vector>

#include "platform/private_profile.h"
#include "tests/platform/profile_file_fixture.h"

namespace chiffrel {
namespace {

namespace fs = std::filesystem;
using namespace profile_testing;

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
// SIGXFSZ, which by default ends the process. The child starts with that default and catches
// the signal as the program does at its start.
TEST_F(ProfileFileTest, FileSizeLimitFailsTheWriteAndLeavesTheOldFileIntact) {
    const std::string before = "; mine\n[A]\nk=1\n";
    Store(file_, before);
    const int status = InChildProcess([this] {
        ::signal(SIGXFSZ, SIG_DFL);
        CatchFileSizeSignal();
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
