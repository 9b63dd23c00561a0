#include "platform/atomic_replace.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <csignal>
#include <optional>
#include <string_view>
#include <system_error>
#include <thread>
#include <utility>

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
// that file does not exist yet. A loop of links is left for the open to report.
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

// ---- One writer at a time -------------------------------------------------------------------

constexpr auto kLockWaitLimit = std::chrono::seconds(5);
constexpr auto kLongestLockPause = std::chrono::milliseconds(8);

// Serialises the read-modify-write of a file across processes: flock() on a lock file beside
// it. The file itself is replaced at each write, its lock file never is, and it is never
// removed either: a writer still waiting on a removed lock file would lock what nobody else
// sees. An flock() lock belongs to its open file description, so that no other descriptor of
// the same file closed in the process releases it, and it goes when the process dies.
// Readers take no lock: they see the old file or the new one, whole.
class WriterLock {
  public:
    explicit WriterLock(const fs::path& target)
        : fd_(::open(Beside(target, ".lock").c_str(),
                     O_RDONLY | O_CREAT | O_CLOEXEC | O_NOFOLLOW | O_NONBLOCK | O_NOCTTY, 0666)) {
        state_ = fd_.valid() ? Wait() : State::kUnavailable;
    }

    // Another writer kept the lock beyond the waiting limit.
    bool TimedOut() const { return state_ == State::kTimedOut; }
    // Where locks are not available, the write goes on without one, as it always did.
    bool Held() const { return state_ == State::kHeld; }

  private:
    enum class State { kHeld, kUnavailable, kTimedOut };

    // The wait is limited, so that a writer stopped while it holds the lock (a process
    // suspended or under a debugger) cannot freeze the program.
    State Wait() {
        const auto deadline = std::chrono::steady_clock::now() + kLockWaitLimit;
        std::chrono::milliseconds pause(1);
        while (::flock(fd_.get(), LOCK_EX | LOCK_NB) != 0) {
            if (errno != EWOULDBLOCK && errno != EINTR) {
                return State::kUnavailable;
            }
            if (std::chrono::steady_clock::now() >= deadline) {
                return State::kTimedOut;
            }
            std::this_thread::sleep_for(pause);
            pause = std::min(pause * 2, std::chrono::milliseconds(kLongestLockPause));
        }
        return State::kHeld;
    }

    UniqueFd fd_;
    State state_;
};

// ---- Temporary files left by saves that died ------------------------------------------------

constexpr std::string_view kTemporaryInfix = ".tmp-";

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

// Under the lock, every temporary file of the target is left over from a save that died: a
// save holds the lock for as long as its temporary file exists.
void RemoveOrphanedTemporaries(const fs::path& target) {
    const std::string prefix = Beside(target, kTemporaryInfix).filename().string();
    std::error_code error;
    for (fs::directory_iterator entry(DirectoryOf(target), error), end; !error && entry != end;
         entry.increment(error)) {
        if (IsTemporaryName(entry->path().filename().string(), prefix)) {
            ::unlink(entry->path().c_str());
        }
    }
}

// ---- Writing the new file -------------------------------------------------------------------

struct ExistingFile {
    std::string bytes;
    std::optional<struct stat> status;  // none when the file does not exist yet
};

// A file that exists but cannot be read fully must not be replaced by one built without it.
std::optional<ExistingFile> ReadExisting(const fs::path& file) {
    const UniqueFd fd = OpenWithoutBlocking(file);
    if (!fd.valid()) {
        return errno == ENOENT ? std::optional<ExistingFile>(ExistingFile{}) : std::nullopt;
    }
    const auto status = StatusOf(fd.get());
    if (!status || !S_ISREG(status->st_mode) || ::access(file.c_str(), W_OK) != 0) {
        return std::nullopt;
    }
    ExistingFile existing{{}, status};
    if (!ReadRest(fd.get(), existing.bytes)) {
        return std::nullopt;
    }
    return existing;
}

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
    struct sigaction current {};
    if (::sigaction(SIGXFSZ, nullptr, &current) != 0 || current.sa_handler != SIG_DFL ||
        (current.sa_flags & SA_SIGINFO) != 0) {
        return;
    }
    struct sigaction caught {};
    caught.sa_handler = DoNothing;
    sigemptyset(&caught.sa_mask);
    caught.sa_flags = SA_RESTART;
    ::sigaction(SIGXFSZ, &caught, nullptr);
}

bool ReplaceFileAtomically(const fs::path& file, const FileEdit& edit) {
    const fs::path target = WithoutSymbolicLinks(file);
    const WriterLock lock(target);
    if (lock.TimedOut()) {
        return false;
    }
    if (lock.Held()) {
        RemoveOrphanedTemporaries(target);
    }
    std::optional<ExistingFile> existing = ReadExisting(target);
    if (!existing) {
        return false;
    }
    TemporaryFile temporary(target);
    if (!temporary.Write(edit(std::move(existing->bytes)), existing->status) ||
        !temporary.RenameOver(target)) {
        return false;
    }
    SyncDirectoryOf(target);
    return true;
}

}  // namespace chiffrel
