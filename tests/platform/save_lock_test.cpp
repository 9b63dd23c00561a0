// Writers of the same file taking turns on its lock file, through the writes of settings values.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <linux/filter.h>
#include <linux/seccomp.h>
#include <signal.h>
#include <sys/file.h>
#include <sys/prctl.h>
#include <sys/stat.h>
#include <sys/syscall.h>
#include <sys/wait.h>
#include <unistd.h>

#include <array>
#include <atomic>
#include <cerrno>
#include <chrono>
#include <cstddef>
#include <filesystem>
#include <fstream>
#include <functional>
#include <iterator>
#include <string>
#include <thread>
#include <vector>

#include "platform/atomic_replace.h"
#include "platform/private_profile.h"
#include "platform/regular_file.h"
#include "tests/platform/profile_file_fixture.h"

namespace chiffrel {
namespace {

namespace fs = std::filesystem;
using namespace profile_testing;

TEST_F(ProfileFileTest, LockKeptBeyondTheWaitingLimitFailsTheWrite) {
    Store(file_, "[A]\nk=1\n");
    // Another writer's lock, on an open file description of its own.
    const int other = ::open((directory_ / ".CHIFFREL.INI.lock").c_str(), O_RDONLY | O_CREAT, 0644);
    ASSERT_EQ(::flock(other, LOCK_EX), 0);
    ExpectWriteError(file_);
    ::close(other);
    EXPECT_EQ(Contents(file_), "[A]\nk=1\n");
}

// ---- What is at the lock file's place ------------------------------------------------------

// A save that goes on holds the lock of the file at the lock file's place: another open file
// description cannot take it meanwhile.
bool LockFileIsHeld(const fs::path& lockFile) {
    const UniqueFd other(::open(lockFile.c_str(), O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC));
    return other.valid() && ::flock(other.get(), LOCK_EX | LOCK_NB) != 0 && errno == EWOULDBLOCK;
}

// Files of the superuser bind nobody: the saves run as an ordinary user, who owns the directory.
constexpr uid_t kOrdinaryUser = 4321;

bool GiveToOrdinaryUser(const fs::path& directory) {
    if (::geteuid() != 0) {
        return true;
    }
    if (::lchown(directory.c_str(), kOrdinaryUser, kOrdinaryUser) != 0) {
        return false;
    }
    for (const auto& entry : fs::recursive_directory_iterator(directory)) {
        if (::lchown(entry.path().c_str(), kOrdinaryUser, kOrdinaryUser) != 0) {
            return false;
        }
    }
    return true;
}

bool BecomeOrdinaryUser() {
    return ::geteuid() != 0 || (::setgid(kOrdinaryUser) == 0 && ::setuid(kOrdinaryUser) == 0);
}

// As on a file system without locks: every flock() of the process fails with ENOLCK.
bool WithoutLocks() {
    sock_filter filter[] = {
        BPF_STMT(BPF_LD | BPF_W | BPF_ABS, offsetof(seccomp_data, nr)),
        BPF_JUMP(BPF_JMP | BPF_JEQ | BPF_K, SYS_flock, 0, 1),
        BPF_STMT(BPF_RET | BPF_K, SECCOMP_RET_ERRNO | ENOLCK),
        BPF_STMT(BPF_RET | BPF_K, SECCOMP_RET_ALLOW),
    };
    const sock_fprog program{static_cast<unsigned short>(std::size(filter)), filter};
    return ::prctl(PR_SET_NO_NEW_PRIVS, 1, 0, 0, 0) == 0 &&
           ::prctl(PR_SET_SECCOMP, SECCOMP_MODE_FILTER, &program) == 0;
}

// What a save came to, as the process that made it tells.
enum SaveOutcome { kSavedUnderTheLock, kSavedWithoutALock, kFailed, kNotSetUp };

struct LockFileCase {
    const char* what;
    std::function<void(const fs::path& lockFile, const fs::path& elsewhere)> put;
    SaveOutcome outcome;
    bool fileSystemWithoutLocks = false;
};

class LockFileRules : public ProfileFileTest, public ::testing::WithParamInterface<LockFileCase> {};

// Whatever is at the lock file's place, a save either holds a lock on the file there, or fails;
// only where the file system has no locks at all does it go on without one. A save without the
// lock removes no temporary left by a save that died: it may be a save under way.
TEST_P(LockFileRules, SaveHoldsTheLockOrFails) {
    const LockFileCase& c = GetParam();
    const fs::path lockFile = directory_ / ".CHIFFREL.INI.lock";
    const fs::path elsewhere = directory_ / "elsewhere";
    const fs::path orphan = directory_ / ".CHIFFREL.INI.tmp-123-4";
    Store(file_, "[A]\nk=1\n");
    Store(elsewhere, "not a lock file");
    Store(orphan, "[A]\nk=half");
    MakeOld(orphan);
    if (c.put) {
        c.put(lockFile, elsewhere);
    }
    ASSERT_TRUE(GiveToOrdinaryUser(directory_));
    const int status = InChildProcess([&] {
        bool locked = false;
        const auto edit = [&](std::string bytes) {
            locked = LockFileIsHeld(lockFile);
            return bytes + "j=2\n";
        };
        if ((c.fileSystemWithoutLocks && !WithoutLocks()) || !BecomeOrdinaryUser()) {
            return kNotSetUp;
        }
        if (!ReplaceFileAtomically(file_, edit, kProfileFileMaxSize)) {
            return kFailed;
        }
        return locked ? kSavedUnderTheLock : kSavedWithoutALock;
    });
    if (status == kNotSetUp && c.fileSystemWithoutLocks) {
        GTEST_SKIP() << "system calls cannot be filtered here";
    }
    EXPECT_EQ(status, c.outcome) << c.what << " (0: saved under the lock, 1: saved without it, "
                                 << "2: failed, 3: could not become a user)";
    const bool saved = c.outcome != kFailed;
    EXPECT_EQ(Contents(file_), saved ? "[A]\nk=1\nj=2\n" : "[A]\nk=1\n") << c.what;
    EXPECT_EQ(Contents(elsewhere), "not a lock file") << c.what;
    EXPECT_EQ(fs::is_regular_file(fs::symlink_status(lockFile)), saved) << c.what;
    EXPECT_EQ(fs::exists(orphan), c.outcome != kSavedUnderTheLock) << c.what;
}

INSTANTIATE_TEST_SUITE_P(
    Profile, LockFileRules,
    ::testing::Values(
        LockFileCase{"a link to a regular file",
                     [](const fs::path& lock, const fs::path& elsewhere) {
                         fs::create_symlink(elsewhere, lock);
                     },
                     kSavedUnderTheLock},
        LockFileCase{"a file the writer may neither read nor write",
                     [](const fs::path& lock, const fs::path&) {
                         Store(lock, "");
                         fs::permissions(lock, fs::perms::none);
                     },
                     kSavedUnderTheLock},
        LockFileCase{"a directory",
                     [](const fs::path& lock, const fs::path&) { fs::create_directory(lock); },
                     kFailed},
        LockFileCase{"a file system without locks", nullptr, kSavedWithoutALock, true}),
    [](const auto& info) { return "Case" + std::to_string(info.index); });

// ---- Writers at once ------------------------------------------------------------------------

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

// What is at the lock file's place when a round starts.
struct RoundCase {
    const char* what;
    bool linkAtTheLockFile;
};

class WritersAtOnce : public ProfileFileTest, public ::testing::WithParamInterface<RoundCase> {};

// One process saves the eight keys of the configuration dialog while another writes its own
// key eight times: at the end of every round, both sets of values are in the file. When both
// find a link instead of the lock file, only one of them replaces it.
TEST_P(WritersAtOnce, LoseNoUpdate) {
    constexpr int kRounds = 100;
    const fs::path lockFile = directory_ / ".CHIFFREL.INI.lock";
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
        if (GetParam().linkAtTheLockFile) {
            fs::remove(lockFile);
            fs::create_symlink("nowhere", lockFile);
        }
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

INSTANTIATE_TEST_SUITE_P(Profile, WritersAtOnce,
                         ::testing::Values(RoundCase{"the lock file", false},
                                           RoundCase{"a link to nowhere", true}),
                         [](const auto& info) { return "Case" + std::to_string(info.index); });

// Whether this process waits in the kernel for the lock of `file`, as /proc/locks tells it:
// then the kernel wakes it the moment the lock is released.
bool WaitsForTheLockOf(const fs::path& file) {
    struct stat status = {};
    if (::stat(file.c_str(), &status) != 0) {
        return false;
    }
    const std::string process = " " + std::to_string(::getpid()) + " ";
    const std::string inode = ":" + std::to_string(status.st_ino) + " ";
    std::ifstream locks("/proc/locks");
    for (std::string line; std::getline(locks, line);) {
        if (line.find("->") != std::string::npos && line.find(process) != std::string::npos &&
            line.find(inode) != std::string::npos) {
            return true;
        }
    }
    return false;
}

// Two writers save a file near the size limit over and over, locking it again at once after
// each save, and each save holds the lock a while. A third writer comes now and then and finds
// the lock taken: it waits for the lock itself, not by trying it now and then, and gets its turn
// each time. Had it polled, it would hardly ever have found the lock free.
TEST_F(ProfileFileTest, WaitingWriterGetsItsTurn) {
    std::string text = "[A]\nk=0\n[Filler]\n";
    while (text.size() < kProfileFileMaxSize - 4096) {
        text += "key_number_that_is_rather_long=some value here\n";
    }
    Store(file_, text);
    std::vector<pid_t> others;
    for (int writer = 0; writer < 2; ++writer) {
        const pid_t child = ::fork();
        if (child == 0) {
            ::prctl(PR_SET_PDEATHSIG, SIGKILL);
            for (int save = 0;; ++save) {
                try {
                    WriteProfileString(file_, "W" + std::to_string(writer), "k",
                                       std::to_string(save));
                } catch (const ProfileWriteError&) {
                }
            }
        }
        others.push_back(child);
    }
    std::atomic<bool> saving = true;
    std::atomic<bool> waitedForTheLock = false;
    std::thread watcher([&] {
        while (saving && !waitedForTheLock) {
            waitedForTheLock = WaitsForTheLockOf(directory_ / ".CHIFFREL.INI.lock");
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
        }
    });
    constexpr int kSaves = 10;
    int failed = 0;
    for (int save = 0; save < kSaves; ++save) {
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
        try {
            WriteProfileString(file_, "A", "k", std::to_string(save));
        } catch (const ProfileWriteError&) {
            ++failed;
        }
    }
    saving = false;
    watcher.join();
    for (const pid_t child : others) {
        ::kill(child, SIGKILL);
        ::waitpid(child, nullptr, 0);
    }
    EXPECT_EQ(failed, 0) << "saves that found no turn within the waiting limit, out of " << kSaves;
    EXPECT_TRUE(waitedForTheLock);
}

}  // namespace
}  // namespace chiffrel
