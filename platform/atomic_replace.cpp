#include "platform/atomic_replace.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <csignal>
#include <cstdint>
#include <future>
#include <memory>
#include <optional>
#include <string_view>
#include <utility>

#include "platform/detached_work.h"
#include "platform/regular_file.h"

namespace chiffrel {

namespace fs = std::filesystem;

namespace {

// ---- Where the file is ----------------------------------------------------------------------

fs::path DirectoryOf(const fs::path& file) {
    return file.parent_path().empty() ? "." : file.parent_path();
}

// The hidden file "." + the file's name + `suffix` beside it.
fs::path Beside(const fs::path& file, std::string_view suffix) {
    return DirectoryOf(file) / ("." + file.filename().string() + std::string(suffix));
}

// Writing through a symbolic link updates the file it points to and keeps the link, also when
// that file does not exist yet. What a loop of links leaves is still a link, no regular file.
fs::path WithoutSymbolicLinks(fs::path file) {
    constexpr int kMaxLinks = 40;
    for (int link = 0; link < kMaxLinks; ++link) {
        std::error_code notALink;
        const fs::path target = fs::read_symlink(file, notALink);
        if (notALink) {
            break;
        }
        file = target.is_absolute() ? target : file.parent_path() / target;
    }
    return file;
}

// What is beside a file that is not a regular one (a device, a FIFO, a directory, a loop of
// links) is none of the program's business: nothing is created or removed there. A file not
// there yet is created by the save.
bool MayBeReplaced(const fs::path& target) {
    struct stat status = {};
    if (::lstat(target.c_str(), &status) == 0) {
        return S_ISREG(status.st_mode);
    }
    return errno == ENOENT;
}

// ---- Writing a new file --------------------------------------------------------------------

constexpr std::string_view kTemporaryInfix = ".tmp-";

// A short write is followed by a write of the rest, which reports why the first one stopped.
bool WriteAll(int fd, std::string_view bytes) {
    while (!bytes.empty()) {
        const ssize_t n = ::write(fd, bytes.data(), bytes.size());
        if (n < 0 && errno == EINTR) {
            continue;
        }
        if (n <= 0) {
            return false;
        }
        bytes.remove_prefix(static_cast<std::size_t>(n));
    }
    return true;
}

// Owner and group go first, as changing them may clear the set-ID bits of the mode. Only the
// superuser may give a file away, and others only to one of their own groups: otherwise the
// new file keeps the writer's owner and group.
bool KeepOwnerAndMode(int fd, const struct stat& original) {
    if (::fchown(fd, original.st_uid, original.st_gid) != 0 && errno != EPERM && errno != EINVAL) {
        return false;
    }
    return ::fchmod(fd, original.st_mode & 07777) == 0;
}

UniqueFd CreateExclusively(const fs::path& path) {
    // 0666 lets the umask decide the permissions of a file that is new.
    return UniqueFd(::open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666));
}

// A temporary file beside the target, so that the final rename stays within one file system.
// It is removed unless it was renamed over the target.
class TemporaryFile {
  public:
    explicit TemporaryFile(const fs::path& target) {
        static unsigned counter = 0;
        for (int attempt = 0; attempt < 100; ++attempt) {
            path_ = Beside(target, std::string(kTemporaryInfix) + std::to_string(::getpid()) + "-" +
                                       std::to_string(++counter));
            fd_ = CreateExclusively(path_);
            created_ = fd_.valid();
            if (created_ || errno != EEXIST) {
                break;
            }
        }
    }
    TemporaryFile(const TemporaryFile&) = delete;
    TemporaryFile& operator=(const TemporaryFile&) = delete;
    ~TemporaryFile() {
        if (created_ && !renamed_) {
            ::unlink(path_.c_str());
        }
    }

    // `original` is the status of the file being replaced, none for a new file.
    bool Write(std::string_view bytes, const std::optional<struct stat>& original) {
        return fd_.valid() && WriteAll(fd_.get(), bytes) &&
               (!original || KeepOwnerAndMode(fd_.get(), *original)) && ::fsync(fd_.get()) == 0;
    }

    bool RenameOver(const fs::path& target) {
        renamed_ = fd_.close() && ::rename(path_.c_str(), target.c_str()) == 0;
        return renamed_;
    }

  private:
    fs::path path_;
    UniqueFd fd_{-1};
    bool created_ = false;
    bool renamed_ = false;
};

// ---- Waiting for a lock --------------------------------------------------------------------

enum class LockState {
    kHeld,
    kNoLocks,  // the file system has no locks at all
    kFailed,
};

LockState StateAfter(int flockError) {
    return flockError == ENOLCK ? LockState::kNoLocks : LockState::kFailed;
}

// flock()'s error, 0 once the lock is held.
int BlockingLock(const UniqueFd& fd) {
    int result;
    do {
        result = ::flock(fd.get(), LOCK_EX);
    } while (result != 0 && errno == EINTR);
    return result == 0 ? 0 : errno;
}

// A blocking flock() on a thread of its own, which the writer waits for until its deadline. The
// kernel wakes a blocked flock() the moment the lock is free, so a writer that waits there gets
// its turn, where one that polls loses it, again and again, to a writer that locks anew at once.
// The thread holds a descriptor of its own on the same open file, whose lock the writer's
// descriptor shares. When the writer gives up first, the thread releases the lock it takes late.
LockState WaitForLock(int fd, std::chrono::steady_clock::time_point deadline) {
    UniqueFd threadFd(::fcntl(fd, F_DUPFD_CLOEXEC, 0));
    if (!threadFd.valid()) {
        return LockState::kFailed;
    }
    // Shared with the thread, so that the answer is never a broken promise while the writer
    // reads it.
    const auto locking = std::make_shared<std::promise<int>>();
    std::future<int> locked = locking->get_future();
    WorkReceiver writer;
    const bool started =
        writer.Start([threadFd = std::move(threadFd), locking](const WorkSender& toWriter) {
            const int error = BlockingLock(threadFd);
            if (!toWriter.Deliver([&] { locking->set_value(error); }) && error == 0) {
                ::flock(threadFd.get(), LOCK_UN);
            }
        });
    if (!started) {
        return LockState::kFailed;
    }
    if (locked.wait_until(deadline) != std::future_status::ready) {
        writer.LetGo();
        // The lock may have come between the deadline and letting go.
        if (locked.wait_for(std::chrono::seconds(0)) != std::future_status::ready) {
            return LockState::kFailed;
        }
    }
    const int error = locked.get();
    return error == 0 ? LockState::kHeld : StateAfter(error);
}

// The wait is limited, so that a writer stopped while it holds the lock (a process suspended or
// under a debugger) cannot freeze the program.
LockState LockBefore(int fd, std::chrono::steady_clock::time_point deadline) {
    if (::flock(fd, LOCK_EX | LOCK_NB) == 0) {
        return LockState::kHeld;
    }
    return errno == EWOULDBLOCK ? WaitForLock(fd, deadline) : StateAfter(errno);
}

// ---- One writer at a time -------------------------------------------------------------------

constexpr auto kLockWaitLimit = std::chrono::seconds(5);
// A writer tries again when it finds the lock file replaced or removed meanwhile, so many times
// at most.
constexpr int kLockAttempts = 10;

// The lock file is a regular file that the writer may read and write, so that its lock holds on
// network file systems too; anything else at its place is no lock file, and is not even opened.
UniqueFd OpenLockFile(const fs::path& lockFile) {
    struct stat status = {};
    if (::lstat(lockFile.c_str(), &status) == 0 && !S_ISREG(status.st_mode)) {
        return UniqueFd(-1);
    }
    UniqueFd fd(::open(lockFile.c_str(),
                       O_RDWR | O_CREAT | O_CLOEXEC | O_NOFOLLOW | O_NONBLOCK | O_NOCTTY, 0666));
    return fd.valid() && IsRegularFile(fd.get()) ? std::move(fd) : UniqueFd(-1);
}

bool IsAtPath(int fd, const fs::path& path) {
    const auto locked = StatusOf(fd);
    struct stat atPath = {};
    return locked && ::lstat(path.c_str(), &atPath) == 0 && atPath.st_dev == locked->st_dev &&
           atPath.st_ino == locked->st_ino;
}

// A new lock file, empty, renamed over what is at its place (a directory stays, and the save
// fails). Writers that found no lock file take turns on the directory for this, and each looks
// again in its turn: so only the first replaces it, and no writer that has locked the new file
// loses it to a second replacement. kHeld: a lock file is there now.
LockState ReplaceLockFile(const fs::path& target, const fs::path& lockFile,
                          std::chrono::steady_clock::time_point deadline) {
    const UniqueFd directory(
        ::open(DirectoryOf(target).c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (!directory.valid()) {
        return LockState::kFailed;
    }
    const LockState turn = LockBefore(directory.get(), deadline);
    if (turn != LockState::kHeld || OpenLockFile(lockFile).valid()) {
        return turn;
    }
    TemporaryFile replacement(target);
    return replacement.RenameOver(lockFile) ? LockState::kHeld : LockState::kFailed;
}

// Serialises the read-modify-write of a file across processes: flock() on a lock file beside
// it. The file itself is replaced at each write, its lock file never is, and it is never
// removed either: a writer still waiting on a removed lock file would lock what nobody else
// sees. Should someone remove or replace it all the same, a writer that got the lock of the old
// one sees that it is no longer at the lock file's place, and locks the one there now. An
// flock() lock belongs to its open file description, so that no other descriptor of the same
// file closed in the process releases it, and it goes when the process dies. Readers take no
// lock: they see the old file or the new one, whole.
class WriterLock {
  public:
    explicit WriterLock(const fs::path& target) : state_(Take(target)) {}

    // Where the file system has no locks at all, the write goes on without one, as it always
    // did; any other failure to lock fails the write.
    bool Failed() const { return state_ == LockState::kFailed; }
    bool Held() const { return state_ == LockState::kHeld; }

  private:
    LockState Take(const fs::path& target) {
        const fs::path lockFile = Beside(target, ".lock");
        const auto deadline = std::chrono::steady_clock::now() + kLockWaitLimit;
        for (int attempt = 0; attempt < kLockAttempts; ++attempt) {
            fd_ = OpenLockFile(lockFile);
            const LockState state = fd_.valid() ? LockBefore(fd_.get(), deadline)
                                                : ReplaceLockFile(target, lockFile, deadline);
            if (state != LockState::kHeld || (fd_.valid() && IsAtPath(fd_.get(), lockFile))) {
                return state;
            }
        }
        return LockState::kFailed;
    }

    UniqueFd fd_{-1};
    LockState state_;
};

// ---- Temporary files left by saves that died ------------------------------------------------

// No save lasts this long: the lock is waited for five seconds at most, and the file is small.
constexpr auto kLongestSave = std::chrono::minutes(10);

bool IsNumber(std::string_view text) {
    return !text.empty() && text.find_first_not_of("0123456789") == std::string_view::npos;
}

// The temporary files of `target` are named ".NAME.tmp-<process>-<count>".
bool IsTemporaryName(std::string_view name, std::string_view prefix) {
    if (!name.starts_with(prefix)) {
        return false;
    }
    name.remove_prefix(prefix.size());
    const std::size_t dash = name.find('-');
    return dash != std::string_view::npos && IsNumber(name.substr(0, dash)) &&
           IsNumber(name.substr(dash + 1));
}

// Under the lock no other locked save is under way, but one without a lock may be (where locks
// come and go): only a file that has not changed for longer than any save lasts is left over.
// And only a regular file of this user: anything else is not this user's to remove.
bool IsLeftOver(const fs::path& temporary) {
    struct stat status = {};
    return ::lstat(temporary.c_str(), &status) == 0 && S_ISREG(status.st_mode) &&
           status.st_uid == ::geteuid() &&
           std::chrono::system_clock::from_time_t(status.st_mtime) <
               std::chrono::system_clock::now() - kLongestSave;
}

void RemoveOrphanedTemporaries(const fs::path& target) {
    const std::string prefix = Beside(target, kTemporaryInfix).filename().string();
    std::error_code error;
    for (fs::directory_iterator entry(DirectoryOf(target), error), end; !error && entry != end;
         entry.increment(error)) {
        if (IsTemporaryName(entry->path().filename().string(), prefix) &&
            IsLeftOver(entry->path())) {
            ::unlink(entry->path().c_str());
        }
    }
}

// ---- Reading the file ----------------------------------------------------------------------

struct ExistingFile {
    std::string bytes;
    std::optional<struct stat> status;  // none when the file does not exist yet
};

// A file that exists but cannot be read fully must not be replaced by one built without it.
std::optional<ExistingFile> ReadExisting(const fs::path& file, std::size_t maxBytes) {
    const UniqueFd fd = OpenWithoutBlocking(file);
    if (!fd.valid()) {
        return errno == ENOENT ? std::optional<ExistingFile>(ExistingFile{}) : std::nullopt;
    }
    const auto status = StatusOf(fd.get());
    if (!status || !S_ISREG(status->st_mode) ||
        static_cast<std::uintmax_t>(status->st_size) > maxBytes ||
        ::access(file.c_str(), W_OK) != 0) {
        return std::nullopt;
    }
    ExistingFile existing{{}, status};
    if (!ReadRest(fd.get(), existing.bytes, maxBytes + 1) || existing.bytes.size() > maxBytes) {
        return std::nullopt;
    }
    return existing;
}

// Makes the rename itself durable. The new file is already complete and in place, so a
// failure here is not a failed write.
void SyncDirectoryOf(const fs::path& file) {
    UniqueFd fd(::open(DirectoryOf(file).c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (fd.valid()) {
        ::fsync(fd.get());
    }
}

// SIGXFSZ caught: the write() that went beyond the limit fails, and the save with it.
void DoNothing(int) {}

}  // namespace

void CatchFileSizeSignal() {
    struct sigaction current = {};
    if (::sigaction(SIGXFSZ, nullptr, &current) != 0 || current.sa_handler != SIG_DFL ||
        (current.sa_flags & SA_SIGINFO) != 0) {
        return;
    }
    struct sigaction caught = {};
    caught.sa_handler = DoNothing;
    sigemptyset(&caught.sa_mask);
    caught.sa_flags = SA_RESTART;
    ::sigaction(SIGXFSZ, &caught, nullptr);
}

bool ReplaceFileAtomically(const fs::path& file, const FileEdit& edit, std::size_t maxBytes) {
    const fs::path target = WithoutSymbolicLinks(file);
    if (!MayBeReplaced(target)) {
        return false;
    }
    const WriterLock lock(target);
    if (lock.Failed()) {
        return false;
    }
    if (lock.Held()) {
        RemoveOrphanedTemporaries(target);
    }
    std::optional<ExistingFile> existing = ReadExisting(target, maxBytes);
    if (!existing) {
        return false;
    }
    const std::string edited = edit(std::move(existing->bytes));
    if (edited.size() > maxBytes) {
        return false;
    }
    TemporaryFile temporary(target);
    if (!temporary.Write(edited, existing->status) || !temporary.RenameOver(target)) {
        return false;
    }
    SyncDirectoryOf(target);
    return true;
}

}  // namespace chiffrel
