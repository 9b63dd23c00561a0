// The safe save of a file, through the writes of settings values that use it.
#include "platform/atomic_replace.h"

#include <gtest/gtest.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <unistd.h>

#include <filesystem>
#include <set>
#include <string>
#include <utility>
#include <vector>

#include "platform/private_profile.h"
#include "tests/platform/profile_file_fixture.h"

namespace chiffrel {
namespace {

namespace fs = std::filesystem;
using namespace profile_testing;

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
        struct sigaction now = {};
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

// Links to what is not a regular file, in a directory that is not the program's: each save
// fails, and nothing is created or removed there, not even what looks like a temporary file
// that a save of it left.
TEST_F(ProfileFileTest, NothingIsTouchedBesideTheTargetOfALinkThatIsNoRegularFile) {
    const fs::path elsewhere = directory_ / "elsewhere";
    fs::create_directory(elsewhere);
    std::vector<fs::path> targets = {elsewhere / "fifo", elsewhere / "loop"};
    ::mkfifo(targets[0].c_str(), 0600);
    fs::create_symlink("loop", targets[1]);
    if (::mknod((elsewhere / "zero").c_str(), S_IFCHR | 0666, makedev(1, 5)) == 0) {
        targets.push_back(elsewhere / "zero");  // as /dev/zero, for the superuser only
    }
    for (const fs::path& target : targets) {
        const fs::path left = elsewhere / ("." + target.filename().string() + ".tmp-123-4");
        Store(left, "not ours");
        MakeOld(left);
    }
    const auto listing = [](const fs::path& directory) {
        std::set<fs::path> names;
        for (const auto& entry : fs::directory_iterator(directory)) {
            names.insert(entry.path().filename());
        }
        return names;
    };
    const std::set<fs::path> before = listing(elsewhere);
    for (const fs::path& target : targets) {
        fs::remove(file_);
        fs::create_symlink(target, file_);
        ExpectWriteError(file_);
        EXPECT_EQ(listing(elsewhere), before) << target;
        EXPECT_EQ(listing(directory_), (std::set<fs::path>{"CHIFFREL.INI", "elsewhere"}));
    }
}

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
    struct stat after = {};
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

// ---- Temporary files of saves that died -----------------------------------------------------

// A temporary file is left over when it is a regular file of the user, older than a save lasts:
// a fresh one may be a save under way without the lock, another user's is not the user's to
// remove.
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
    const fs::path fresh = directory_ / ".CHIFFREL.INI.tmp-11-12";
    const fs::path anotherUsers = directory_ / ".CHIFFREL.INI.tmp-7-8";
    const bool mayGiveAway = ::geteuid() == 0;
    Store(fresh, "kept");
    if (mayGiveAway) {
        Store(anotherUsers, "kept");
        ASSERT_EQ(::lchown(anotherUsers.c_str(), 4321, 4321), 0);
    }
    for (const auto& entry : fs::directory_iterator(directory_)) {
        if (entry.path() != fresh) {
            MakeOld(entry.path());
        }
    }
    WriteProfileString(file_, "A", "k", "v");
    for (const std::string& name : orphans) {
        EXPECT_FALSE(fs::exists(directory_ / name)) << name;
    }
    for (const std::string& name : others) {
        EXPECT_EQ(Contents(directory_ / name), "kept") << name;
    }
    EXPECT_EQ(Contents(fresh), "kept");
    if (mayGiveAway) {
        EXPECT_EQ(Contents(anotherUsers), "kept");
    }
}

}  // namespace
}  // namespace chiffrel
